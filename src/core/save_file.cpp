// Saving a file whole or not at all.
#include "core/save_file.h"

#include <QSaveFile>

bool commitWhole(QSaveFile& file) {
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool saveWholeFile(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && commitWhole(file);
    if (!ok) {
        if (error) *error = file.errorString();
        file.cancelWriting();
    }
    return ok;
}
