// Whether the program runs from a removable drive.
#include "core/ui/drive_advisory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace {
bool readFlag(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.readAll().trimmed() == "1";
}
}  // namespace

bool isOnRemovableDrive(const QString& path) {
    const QStorageInfo storage(path);
    if (!storage.isValid()) return false;
    QString device = QString::fromLocal8Bit(storage.device());
    if (!device.startsWith(QLatin1String("/dev/"))) return false;
    device = QFileInfo(device).canonicalFilePath();  // /dev/disk/by-... links
    const QString name = QFileInfo(device).fileName();
    // A partition's own folder has no "removable"; its disk, one level up, does.
    const QString block = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (block.isEmpty()) return false;
    return readFlag(block + QStringLiteral("/removable")) ||
           readFlag(QFileInfo(block).dir().filePath(QStringLiteral("removable")));
}
