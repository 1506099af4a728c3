// Where the shop's data lives.
#include "core/data_place.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool isSystemFolder(const QString& dir) {
    const QString path = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    for (const char* prefix : {"/usr/", "/opt/"}) {
        if (path.startsWith(QLatin1String(prefix))) return true;
    }
    return false;
}

}  // namespace

DataPlace dataPlaceFor(const QString& programDir, const QString& dataHome) {
    DataPlace place;
    place.installed = isSystemFolder(programDir) || !QFileInfo(programDir).isWritable();
    if (place.installed) {
        place.dataDir = QDir(dataHome).filePath(QStringLiteral("zenlo"));
        QDir().mkpath(place.dataDir);
        place.configDir = place.dataDir;
        place.databasePath = QDir(place.dataDir).filePath(QStringLiteral("data.mdb"));
    } else {
        place.dataDir = QDir::currentPath();
        place.configDir = programDir;
        place.databasePath = QStringLiteral("data.mdb");
    }
    place.backupDir = QDir(place.dataDir).filePath(QStringLiteral("备份"));
    return place;
}

DataPlace currentDataPlace() {
    return dataPlaceFor(QCoreApplication::applicationDirPath(),
                        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}
