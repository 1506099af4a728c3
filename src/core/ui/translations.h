// The standard dialogs (print, preview, files, message-box buttons) in Chinese, from the Qt
// translations the system has installed.
#pragma once

class QCoreApplication;

// Loads Qt's own Chinese texts; false when the system has none (the dialogs stay English).
bool installChineseTranslations(QCoreApplication* application);
