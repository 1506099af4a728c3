// Checks that a database file is a sound database of this program.
#include "core/database_check.h"

#include <sqlcipher/sqlite3.h>

#include <QFileInfo>
#include <QMetaObject>
#include <QStringList>

#include "core/connection.h"
#include "core/errors.h"
#include "core/schema.h"

QString schemaProblem(Connection& db) {
    for (const TableDef& t : schemaTables()) {
        QStringList present;
        Statement info(db.handle(), QStringLiteral("PRAGMA table_info(\"%1\")").arg(t.name));
        while (info.step()) present.append(info.value(1).toString());
        if (present.isEmpty()) return QStringLiteral("没有表 %1").arg(t.name);
        for (const FieldDef& f : t.columns) {
            if (!present.contains(f.name, Qt::CaseInsensitive)) {
                return QStringLiteral("表 %1 缺少列 %2").arg(t.name, f.name);
            }
        }
    }
    return QString();
}

QString pagesProblem(Connection& db, const QString& file) {
    // The engine's findings name pages and cells: they go to the log, the operator gets the
    // verdict.
    Statement check(db.handle(), QStringLiteral("PRAGMA quick_check"));
    QStringList findings;
    while (check.step()) findings.append(check.value(0).toString());
    if (findings == QStringList{QStringLiteral("ok")}) return QString();
    qWarning("page check of %s: %s", qPrintable(file), qPrintable(findings.join(QLatin1String("; "))));
    return QStringLiteral("数据库的完整性检查没有通过");
}

BackgroundCheck::BackgroundCheck(QObject* parent) : QObject(parent) {}

BackgroundCheck::~BackgroundCheck() {
    stop();
}

void BackgroundCheck::start(const QString& path, const QByteArray& key) {
    stop();
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = true;
    problem_.reset();
    const unsigned generation = ++generation_;
    thread_ = std::thread([this, path, key, generation] { run(path, key, generation); });
}

void BackgroundCheck::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++generation_;
        if (reader_) reader_->interrupt();
    }
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
    problem_.reset();  // the file may be another one when it is checked again
    done_.notify_all();
}

bool BackgroundCheck::isRunning() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

std::optional<QString> BackgroundCheck::waitForResult() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return !running_; });
    return problem_;
}

void BackgroundCheck::run(QString path, QByteArray key, unsigned generation) {
    QString problem;
    Connection reader;
    try {
        reader.openReadOnly(path, key);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (generation != generation_) return;
            reader_ = &reader;
        }
        problem = pagesProblem(reader, QFileInfo(path).absoluteFilePath());
    } catch (const DataError& e) {
        // Stopped: no verdict. Anything else the engine says of the file is one.
        if ((e.engineCode() & 0xff) != SQLITE_INTERRUPT) problem = e.message();
    }
    bool wanted = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        reader_ = nullptr;
        wanted = generation == generation_;
        if (wanted) {
            if (!problem.isEmpty()) problem_ = problem;
            running_ = false;
        }
    }
    done_.notify_all();
    if (wanted && !problem.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this, problem] { emit failed(problem); }, Qt::QueuedConnection);
    }
}
