// Backup and restore of the database file, for the backup window and `zenlo-admin`: whole
// copies that appear under their name only once they are complete and checked, and the lock
// file by which the program says it is using the database.
#pragma once

#include <QDateTime>
#include <QDeadlineTimer>
#include <QString>
#include <functional>
#include <memory>

class QLockFile;

struct DatabaseCopyResult {
    enum class Failure { None, SourceMissing, NotADatabase, InUse, Copy };
    Failure failure = Failure::None;
    QString problem;     // what went wrong, one line the operator can act on; empty on success
    QString safetyCopy;  // restore: where the replaced database was kept; empty when there was none
    bool ok() const { return failure == Failure::None; }
};

// Pages copied so far of all; called while a copy goes on.
using CopyProgress = std::function<void(qint64 done, qint64 total)>;

// The value of the "\Software\drumnel\jxc" key (UserKey::jxc) that remembers the backup path.
inline const QString kBackupPathValue = QStringLiteral("save");

// Where a backup goes unless the operator says otherwise: D:\beifen.mdb on Windows; elsewhere,
// where a drive letter means nothing, beifen.mdb in the user's home directory.
QString defaultBackupPath();

// How thorough a check is: the engine's full integrity check, or its quick check of the pages
// (which leaves out the agreement of indexes and rows, and takes a fraction of the time).
enum class CheckDepth { Full, Quick };

// Empty when `path` opens with the program's key, holds the six tables with all their columns
// and passes the engine's check; otherwise what is wrong with it.
QString databaseProblem(const QString& path, CheckDepth depth = CheckDepth::Full);

// How long a backup may take, and how it checks its copy.
struct BackupLimits {
    QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever);  // given up, cleanly, after it
    CheckDepth check = CheckDepth::Full;
};

// Copies the database to `target` through the engine, so the copy is consistent even while
// another program writes to the database. The copy is written beside the target under another
// name, checked, and only then renamed to the target: an existing backup is replaced only by a
// whole new one.
DatabaseCopyResult backupDatabase(const QString& databasePath, const QString& target, const CopyProgress& progress = {},
                                  const BackupLimits& limits = {});

// Replaces the database with the backup `source`. The source must be a sound database of this
// program; it is copied beside the database and renamed into place only when whole. The
// replaced database is kept beside it (safetyCopyPath). Refused while a program holds the lock.
DatabaseCopyResult restoreDatabase(const QString& source, const QString& databasePath,
                                   const CopyProgress& progress = {});

// data.mdb -> data.before-restore-20260105-143000.mdb, in the same directory.
QString safetyCopyPath(const QString& databasePath, const QDateTime& when);

// The lock file beside the database (data.mdb.lock) that the program holds while it is
// connected, and that a restore takes while it replaces the file.
class DatabaseLock {
public:
    enum class State { Locked, HeldElsewhere, Unavailable };

    explicit DatabaseLock(const QString& databasePath);
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    // Unavailable when no lock file can be made there (a read-only or missing directory).
    State tryLock(int waitMs);
    void unlock();
    bool isLocked() const;

    static QString lockPath(const QString& databasePath);

private:
    std::unique_ptr<QLockFile> file_;
};
