// TAboutBox: "关于软件...", the product and how to reach its makers.
#pragma once

#include <QDialog>

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* mainWindow);
};
