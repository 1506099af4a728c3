// Backup and restore of the database file, and the lock file of the program using it.
#include "core/database_copy.h"

#include <sqlcipher/sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <filesystem>
#include <system_error>

#include "core/connection.h"
#include "core/database_check.h"
#include "core/errors.h"
#include "core/schema.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using Failure = DatabaseCopyResult::Failure;

// Pages per step of the engine's copy. Between steps another program may write; a step of
// 1 MiB keeps its wait far below the 2 s a writer waits for the lock.
constexpr int kPagesPerStep = 1024;
// How long the copy keeps trying while a writer holds the database without a pause.
constexpr int kBusyGiveUpMs = 30000;

DatabaseCopyResult failed(Failure failure, const QString& problem) {
    DatabaseCopyResult r;
    r.failure = failure;
    r.problem = problem;
    return r;
}

QString absolute(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

// A name beside `path` for the copy being written, owned by this process.
QString partialPath(const QString& path, const QString& what) {
    return absolute(path) + QLatin1Char('.') + what + QLatin1Char('-') +
           QString::number(QCoreApplication::applicationPid());
}

// Copies every page of `source` into the new file `target` through the engine, in steps, so a
// program writing to the source meanwhile neither waits long nor leaves a torn copy (the copy
// starts again when the source changes between steps). Throws DataError.
void copyThroughEngine(const QString& source, const QString& target, const CopyProgress& progress,
                       const QDeadlineTimer& deadline = QDeadlineTimer(QDeadlineTimer::Forever)) {
    Connection from;
    from.openReadOnly(source, QByteArray(kDatabaseKey));
    Connection to;
    to.create(target, QByteArray(kDatabaseKey));
    sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup) throw DataError(to.lastError());
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    int rc = SQLITE_OK;
    bool late = false;
    while (true) {
        if (deadline.hasExpired()) {
            late = true;
            break;
        }
        rc = sqlite3_backup_step(backup, kPagesPerStep);
        if (rc == SQLITE_OK || rc == SQLITE_DONE) {
            sinceProgress.restart();
            const int total = sqlite3_backup_pagecount(backup);
            if (progress) progress(total - sqlite3_backup_remaining(backup), total);
            if (rc == SQLITE_DONE) break;
        } else if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (sinceProgress.elapsed() > kBusyGiveUpMs) break;
            sqlite3_sleep(20);
        } else {
            break;
        }
    }
    sqlite3_backup_finish(backup);
    if (late)
        throw DataError(QStringLiteral("复制没有在规定的时间内完成（磁盘太慢），下次再试。"), DataError::Kind::State);
    if (rc != SQLITE_DONE) throw DataError(engineErrorText(rc, QString::fromUtf8(sqlite3_errstr(rc))));
    to.close();
    from.close();
}

#ifdef Q_OS_UNIX
// A rename is on the disk only once its directory is.
void syncDirectory(const QString& dir) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
#endif

// Renames `from` to `to` in one step, replacing `to` if it exists: a reader sees the old file
// or the new one, never neither.
QString replaceFile(const QString& from, const QString& to) {
    std::error_code ec;
    std::filesystem::rename(QFileInfo(from).filesystemAbsoluteFilePath(), QFileInfo(to).filesystemAbsoluteFilePath(),
                            ec);
    if (ec) return QString::fromLocal8Bit(ec.message());
#ifdef Q_OS_UNIX
    syncDirectory(QFileInfo(to).absolutePath());
#endif
    return QString();
}

QString freeSafetyCopyPath(const QString& databasePath) {
    const QString first = safetyCopyPath(databasePath, QDateTime::currentDateTime());
    QString candidate = first;
    for (int n = 2; QFileInfo::exists(candidate); ++n) {
        const QFileInfo f(first);
        candidate = f.dir().filePath(f.completeBaseName() + QLatin1Char('-') + QString::number(n) +
                                     (f.suffix().isEmpty() ? QString() : QLatin1Char('.') + f.suffix()));
    }
    return candidate;
}

}  // namespace

QString defaultBackupPath() {
#ifdef Q_OS_WIN
    return QStringLiteral("D:\\beifen.mdb");
#else
    return QDir::toNativeSeparators(QDir(QDir::homePath()).filePath(QStringLiteral("beifen.mdb")));
#endif
}

QString databaseProblem(const QString& path, CheckDepth depth) {
    const QString file = absolute(path);
    if (QFileInfo(path).isDir()) return QStringLiteral("“%1”是一个文件夹，不是数据库文件。").arg(file);
    if (!QFileInfo(path).isFile()) return QStringLiteral("文件不存在：") + file;
    try {
        Connection db;
        db.openReadOnly(path, QByteArray(kDatabaseKey));
        if (const QString missing = schemaProblem(db); !missing.isEmpty()) {
            return QStringLiteral("“%1”不是本程序的数据库：%2").arg(file, missing);
        }
        // The engine's findings name pages and cells: they go to the log, the operator gets the
        // verdict.
        Statement check(db.handle(), depth == CheckDepth::Quick ? QStringLiteral("PRAGMA quick_check")
                                                                : QStringLiteral("PRAGMA integrity_check"));
        QStringList findings;
        while (check.step()) findings.append(check.value(0).toString());
        if (findings != QStringList{QStringLiteral("ok")}) {
            qWarning("integrity check of %s: %s", qPrintable(file), qPrintable(findings.join(QLatin1String("; "))));
            return QStringLiteral("“%1”已经损坏（数据库的完整性检查没有通过）。").arg(file);
        }
    } catch (const DataError& e) {
        switch (e.kind()) {
            case DataError::Kind::Damaged:
                return QStringLiteral("“%1”已经损坏。").arg(file);
            case DataError::Kind::NotADatabase:
                return QStringLiteral("“%1”不是本程序的数据库（或者它的密码不同），也可能已经损坏。").arg(file);
            case DataError::Kind::Folder:
                return e.message();
            default:
                return QStringLiteral("“%1”无法读取：%2").arg(file, e.message());
        }
    }
    return QString();
}

DatabaseCopyResult backupDatabase(const QString& databasePath, const QString& target, const CopyProgress& progress,
                                  const BackupLimits& limits) {
    if (target.trimmed().isEmpty()) return failed(Failure::Copy, QStringLiteral("没有填写备份文件的位置。"));
    const QFileInfo targetInfo(target);
    if (!QFileInfo(databasePath).isFile()) {
        return failed(Failure::SourceMissing, QStringLiteral("数据库文件不存在：") + absolute(databasePath));
    }
    if (!targetInfo.absoluteDir().exists()) {
        return failed(Failure::Copy,
                      QStringLiteral("目录不存在：") + QDir::toNativeSeparators(targetInfo.absolutePath()));
    }
    if (targetInfo.isDir()) {
        return failed(Failure::Copy, QStringLiteral("这是一个目录，不是文件：") +
                                         QDir::toNativeSeparators(targetInfo.absoluteFilePath()));
    }
    if (targetInfo.exists() && targetInfo.canonicalFilePath() == QFileInfo(databasePath).canonicalFilePath()) {
        return failed(Failure::Copy, QStringLiteral("备份文件不能是数据库文件本身。"));
    }
    const QString partial = partialPath(target, QStringLiteral("partial"));
    QFile::remove(partial);
    try {
        copyThroughEngine(databasePath, partial, progress, limits.deadline);
    } catch (const DataError& e) {
        QFile::remove(partial);
        return failed(Failure::Copy, QStringLiteral("不能写入“%1”：%2")
                                         .arg(QDir::toNativeSeparators(targetInfo.absoluteFilePath()), e.message()));
    }
    if (const QString problem = databaseProblem(partial, limits.check); !problem.isEmpty()) {
        QFile::remove(partial);
        return failed(Failure::Copy, QStringLiteral("备份的副本没有通过检查：") + problem);
    }
    if (const QString error = replaceFile(partial, target); !error.isEmpty()) {
        QFile::remove(partial);
        return failed(
            Failure::Copy,
            QStringLiteral("不能替换“%1”：%2").arg(QDir::toNativeSeparators(targetInfo.absoluteFilePath()), error));
    }
    return {};
}

DatabaseCopyResult restoreDatabase(const QString& source, const QString& databasePath, const CopyProgress& progress) {
    if (source.trimmed().isEmpty() || !QFileInfo(source).isFile()) {
        return failed(Failure::SourceMissing, QStringLiteral("文件不存在：") + absolute(source));
    }
    if (const QString problem = databaseProblem(source); !problem.isEmpty()) {
        return failed(Failure::NotADatabase, problem);
    }
    DatabaseLock lock(databasePath);
    if (lock.tryLock(0) == DatabaseLock::State::HeldElsewhere) {
        return failed(Failure::InUse, QStringLiteral("数据库正在被Zenlo程序使用，请先退出程序，"
                                                     "或者在程序的“数据库备份”窗口中恢复：") +
                                          absolute(databasePath));
    }
    const QString partial = partialPath(databasePath, QStringLiteral("restoring"));
    QFile::remove(partial);
    try {
        copyThroughEngine(source, partial, progress);
    } catch (const DataError& e) {
        QFile::remove(partial);
        return failed(Failure::Copy, QStringLiteral("不能在数据库所在的目录中写入：") + e.message());
    }
    if (const QString problem = databaseProblem(partial); !problem.isEmpty()) {
        QFile::remove(partial);
        return failed(Failure::Copy, QStringLiteral("恢复的副本没有通过检查：") + problem);
    }
    DatabaseCopyResult result;
    if (QFileInfo::exists(databasePath)) {
        result.safetyCopy = freeSafetyCopyPath(databasePath);
        if (!QFile::copy(databasePath, result.safetyCopy)) {
            QFile::remove(partial);
            return failed(Failure::Copy, QStringLiteral("不能保存恢复前的数据库：") + result.safetyCopy);
        }
        // A journal left by an interrupted write belongs to the old file: it goes with its copy
        // instead of being played back onto the restored one.
        const QString journal = absolute(databasePath) + QStringLiteral("-journal");
        if (QFileInfo::exists(journal) && !QFile::rename(journal, result.safetyCopy + QStringLiteral("-journal"))) {
            QFile::remove(partial);
            return failed(Failure::Copy, QStringLiteral("不能移开旧数据库的日志文件：") + journal);
        }
    }
    if (const QString error = replaceFile(partial, databasePath); !error.isEmpty()) {
        QFile::remove(partial);
        return failed(Failure::Copy, QStringLiteral("不能替换“%1”：%2").arg(absolute(databasePath), error));
    }
    return result;
}

QString safetyCopyPath(const QString& databasePath, const QDateTime& when) {
    const QFileInfo f(databasePath);
    const QString stamp = when.toString(QStringLiteral("yyyyMMdd-hhmmss"));
    return f.absoluteDir().filePath(f.completeBaseName() + QStringLiteral(".before-restore-") + stamp +
                                    (f.suffix().isEmpty() ? QString() : QLatin1Char('.') + f.suffix()));
}

DatabaseLock::DatabaseLock(const QString& databasePath) : file_(std::make_unique<QLockFile>(lockPath(databasePath))) {
    // Held for as long as the program runs: only a holder that is gone makes it stale.
    file_->setStaleLockTime(0);
}

DatabaseLock::~DatabaseLock() = default;

DatabaseLock::State DatabaseLock::tryLock(int waitMs) {
    if (file_->isLocked() || file_->tryLock(waitMs)) return State::Locked;
    if (file_->error() != QLockFile::LockFailedError) return State::Unavailable;
    // A holder killed (or a power cut) between creating the lock file and writing its name into
    // it leaves a file that names nobody, which would lock every program out for good. A living
    // holder keeps the file locked by the system while it exists, so removing the file succeeds
    // only when nobody holds it.
    qint64 pid = 0;
    QString host, application;
    if (!file_->getLockInfo(&pid, &host, &application) && file_->removeStaleLockFile() && file_->tryLock(0)) {
        return State::Locked;
    }
    return State::HeldElsewhere;
}

void DatabaseLock::unlock() {
    if (file_->isLocked()) file_->unlock();
}

bool DatabaseLock::isLocked() const {
    return file_->isLocked();
}

QString DatabaseLock::lockPath(const QString& databasePath) {
    return absolute(databasePath) + QStringLiteral(".lock");
}
