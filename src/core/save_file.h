// Saving a file whole or not at all.
#pragma once

#include <QByteArray>
#include <QString>

class QSaveFile;

// Writes `bytes` to `path` through a temporary file renamed into place only when every byte
// reached the disk: on a full disk or a read-only folder the old file stays as it was. False
// when it did not happen, with the reason in `error` (the system's words).
bool saveWholeFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// The last step of a QSaveFile written piece by piece: its buffer flushed and checked, then
// renamed into place; a file whose last bytes could not be written is dropped instead of
// renamed. (QSaveFile::commit alone renames a file whose final flush failed.)
bool commitWhole(QSaveFile& file);
