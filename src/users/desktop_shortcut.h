// The desktop shortcut "Zenlo送货单打印软件" the login makes (again) at every start: a desktop
// entry on Linux desktops, a shell link on Windows.
#pragma once

#include <QString>

struct ShortcutTarget {
    QString program;           // the executable
    QString workingDirectory;  // where data.mdb lives
    QString name;              // file name and title
    QString description;
    QString icon = QStringLiteral("applications-office");  // a theme icon's name
};

// Writes or overwrites the shortcut in `desktopDir` and returns its path; empty (and nothing
// written) when the directory does not exist.
QString writeDesktopShortcut(const QString& desktopDir, const ShortcutTarget& target);

// The user's desktop directory, or empty when the user has none.
QString userDesktopDirectory();

// The shortcut for this program.
ShortcutTarget programShortcut();
