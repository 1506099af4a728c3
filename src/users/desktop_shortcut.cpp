// The desktop shortcut the login makes at every start.
#include "users/desktop_shortcut.h"
#include "core/data_place.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "core/save_file.h"

#include "core/vendor.h"

namespace {
// Desktop entries quote the program path; inside the quotes four characters are escaped.
QString quotedExec(const QString& path) {
    QString escaped;
    for (QChar c : path) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\')) {
            escaped += QLatin1Char('\\');
        }
        escaped += c;
    }
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}
}  // namespace

QString userDesktopDirectory() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (dir.isEmpty() || !QDir(dir).exists()) return QString();
    // Without a desktop, the location falls back to the home directory itself.
    if (QDir(dir) == QDir::home()) return QString();
    return dir;
}

// An installed program starts in its data folder, with the icon its package put in the theme.
ShortcutTarget programShortcut() {
    const DataPlace place = currentDataPlace();
    ShortcutTarget target{QCoreApplication::applicationFilePath(),
                          place.installed ? place.dataDir : QCoreApplication::applicationDirPath(),
                          Vendor::kProductName, Vendor::kProductName};
    if (place.installed) target.icon = QStringLiteral("zenlo");
    return target;
}

QString writeDesktopShortcut(const QString& desktopDir, const ShortcutTarget& target) {
    if (desktopDir.isEmpty() || !QDir(desktopDir).exists()) return QString();
#ifdef Q_OS_WIN
    const QString path = QDir(desktopDir).filePath(target.name + QStringLiteral(".lnk"));
    QFile::remove(path);
    return QFile::link(target.program, path) ? path : QString();
#else
    const QString path = QDir(desktopDir).filePath(target.name + QStringLiteral(".desktop"));
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nVersion=1.0\n") + QStringLiteral("Name=") +
                          target.name + QLatin1Char('\n') + QStringLiteral("Comment=") + target.description +
                          QLatin1Char('\n') + QStringLiteral("Exec=") + quotedExec(target.program) + QLatin1Char('\n') +
                          QStringLiteral("Path=") + target.workingDirectory + QLatin1Char('\n') +
                          QStringLiteral("Icon=") + target.icon + QStringLiteral("\nTerminal=false\n") +
                          QStringLiteral("Categories=Office;Finance;\n");
    if (!saveWholeFile(path, entry.toUtf8())) return QString();
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    return path;
#endif
}
