// Connection: the encrypted database file, opened read/write and never created here.
#include "core/connection.h"

#include <sqlcipher/sqlite3.h>

#include <QDate>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

#include "core/dataset.h"
#include "core/errors.h"
#include "core/sort_keys.h"

namespace {

QString engineText(sqlite3* db) {
    if (!db) return QStringLiteral("数据库未连接");
    return engineErrorText(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
}

// What the engine's code says of the file.
DataError::Kind kindOfCode(int code, DataError::Kind otherwise) {
    switch (code & 0xff) {
        case SQLITE_CORRUPT:
            return DataError::Kind::Damaged;
        case SQLITE_NOTADB:
            return DataError::Kind::NotADatabase;
        case SQLITE_READONLY:
            return DataError::Kind::ReadOnly;
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return DataError::Kind::Unreadable;
        default:
            return otherwise;
    }
}

// The engine's last error on `db`, as the data layer raises it.
DataError engineError(sqlite3* db, DataError::Kind otherwise = DataError::Kind::Statement) {
    const int code = db ? sqlite3_extended_errcode(db) : 0;
    return DataError(engineText(db), kindOfCode(code, otherwise), code);
}

// year(), month() and day() of a date held as "yyyy-mm-dd[ hh:mm:ss]" text.
void datePart(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    int y = 0, m = 0, d = 0;
    if (!text || std::sscanf(text, "%d-%d-%d", &y, &m, &d) != 3) {
        sqlite3_result_null(ctx);
        return;
    }
    const intptr_t which = reinterpret_cast<intptr_t>(sqlite3_user_data(ctx));
    sqlite3_result_int(ctx, which == 0 ? y : which == 1 ? m : d);
}

}  // namespace

QString engineReason(int code) {
    // A write that fails rolls its transaction back: nothing of the action is stored.
    switch (code & 0xff) {
        case SQLITE_FULL:
            return QStringLiteral("磁盘空间不足，操作没有完成，请腾出磁盘空间后再试。");
        case SQLITE_IOERR:
            return QStringLiteral("读写磁盘时出错，操作没有完成：磁盘空间可能不足，或者磁盘有故障。");
        case SQLITE_CORRUPT:
            return QStringLiteral("数据库文件已经损坏。");
        case SQLITE_NOTADB:
            return QStringLiteral("文件不是本程序的数据库（或者它的密码不同），也可能已经损坏。");
        case SQLITE_CANTOPEN:
            return QStringLiteral("无法打开数据库文件，或者无法在它所在的文件夹中写入（请检查文件和文件夹的权限）。");
        case SQLITE_READONLY:
            return QStringLiteral("数据库文件或者它所在的文件夹只能读取，不能写入，操作没有完成。");
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return QStringLiteral("没有访问数据库文件的权限。");
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return QStringLiteral("数据库正在被另一个程序使用，操作没有完成，请稍后再试。");
        case SQLITE_NOMEM:
            return QStringLiteral("内存不足，操作没有完成。");
        default:
            return QString();
    }
}

QString engineErrorText(int code, const QString& engineText) {
    const QString reason = engineReason(code);
    if (reason.isEmpty()) return engineText;
    qWarning("database engine: %s (code %d)", qPrintable(engineText), code);
    return reason;
}

// ---- Statement ----

Statement::Statement(sqlite3* db, const QString& sql) : db_(db) {
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt_, &tail) != SQLITE_OK) {
        const DataError error = engineError(db_);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw error;
    }
    // One statement per call: anything after it but blanks and semicolons is refused.
    for (const char* p = tail; p && *p; ++p) {
        if (*p != ';' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            throw DataError(QStringLiteral("语句结束后还有多余的字符：") + QString::fromUtf8(p));
        }
    }
    if (!stmt_) throw DataError(QStringLiteral("空语句"));
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

void Statement::bind(int index, const QVariant& value) {
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else {
        switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(stmt_, index, value.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray b = value.toByteArray();
                rc = sqlite3_bind_blob(stmt_, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray t = value.toString().toUtf8();
                rc = sqlite3_bind_text(stmt_, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            }
        }
    }
    if (rc != SQLITE_OK) throw engineError(db_);
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    const DataError error = engineError(db_);
    sqlite3_reset(stmt_);
    throw error;
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

QString Statement::columnName(int column) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_, column));
}

QString Statement::columnDeclType(int column) const {
    return QString::fromUtf8(sqlite3_column_decltype(stmt_, column));
}

QString Statement::columnTable(int column) const {
    return QString::fromUtf8(sqlite3_column_table_name(stmt_, column));
}

QString Statement::columnOrigin(int column) const {
    return QString::fromUtf8(sqlite3_column_origin_name(stmt_, column));
}

QVariant Statement::value(int column) const {
    switch (sqlite3_column_type(stmt_, column)) {
        case SQLITE_INTEGER:
            return QVariant(qint64(sqlite3_column_int64(stmt_, column)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(stmt_, column));
        case SQLITE_TEXT:
            return QVariant(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)),
                                              sqlite3_column_bytes(stmt_, column)));
        case SQLITE_BLOB:
            return QVariant(QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt_, column)),
                                       sqlite3_column_bytes(stmt_, column)));
        default:
            return QVariant();
    }
}

// ---- Connection ----

Connection::~Connection() {
    if (db_) sqlite3_close(db_);
}

namespace {

// What is wrong with the file before the engine looks at it; nothing when it may be opened.
void checkFileBeforeOpening(const QString& path) {
    const QFileInfo info(path);
    const QString file = info.absoluteFilePath();
    if (info.isDir()) {
        throw DataError(QStringLiteral("“%1”是一个文件夹，不是数据库文件。").arg(file), DataError::Kind::Folder);
    }
    if (!info.exists()) throw DataError(QStringLiteral("数据库文件不存在：") + file, DataError::Kind::Missing);
    if (!info.isReadable()) {
        throw DataError(QStringLiteral("没有读取数据库文件的权限：") + file, DataError::Kind::Unreadable);
    }
    // The engine takes an empty file for an empty database; a database of this program never is.
    if (info.size() == 0) {
        throw DataError(QStringLiteral("数据库文件是空的（0 字节），它已经损坏：") + file, DataError::Kind::Damaged);
    }
}

}  // namespace

void Connection::open(const QString& path, const QByteArray& key) {
    checkFileBeforeOpening(path);
    openWithFlags(path, key, SQLITE_OPEN_READWRITE);
}

void Connection::create(const QString& path, const QByteArray& key) {
    if (QFileInfo::exists(path)) {
        throw DataError(QStringLiteral("文件已存在，不会覆盖：") + path, DataError::Kind::State);
    }
    openWithFlags(path, key, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

void Connection::openReadOnly(const QString& path, const QByteArray& key) {
    checkFileBeforeOpening(path);
    openWithFlags(path, key, SQLITE_OPEN_READONLY);
}

void Connection::openWithFlags(const QString& path, const QByteArray& key, int flags) {
    close();
    sqlite3* db = nullptr;
    const QByteArray file = path.toUtf8();
    if (sqlite3_open_v2(file.constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const DataError error = engineError(db, DataError::Kind::Unreadable);
        sqlite3_close(db);
        throw error;
    }
    // Another connection may be writing at this moment: wait for it, even for the first read.
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    if (sqlite3_key(db, key.constData(), int(key.size())) != SQLITE_OK) {
        const DataError error = engineError(db, DataError::Kind::NotADatabase);
        sqlite3_close(db);
        throw error;
    }
    // The key is only checked when the first page is read.
    if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const DataError error = engineError(db, DataError::Kind::Damaged);
        sqlite3_close(db);
        throw error;
    }
    const bool readOnly = (flags & SQLITE_OPEN_READONLY) != 0;
    if (!readOnly && sqlite3_db_readonly(db, "main") == 1) {
        sqlite3_close(db);
        throw DataError(QStringLiteral("数据库文件只能读取，不能写入：") + path, DataError::Kind::ReadOnly);
    }
    db_ = db;
    path_ = path;
    try {
        configure(readOnly);
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

void Connection::configure(bool readOnly) {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    execute(QStringLiteral("PRAGMA cache_size=-%1").arg(readOnly ? kReaderPageCacheKiB : kPageCacheKiB));
    if (readOnly) {
        execute(QStringLiteral("PRAGMA query_only=1"));
    } else {
        // A confirmed sale must survive a power cut, and a backup copy of the closed file must
        // be whole: rollback journal, full sync.
        execute(QStringLiteral("PRAGMA journal_mode=DELETE"));
        execute(QStringLiteral("PRAGMA synchronous=FULL"));
    }
    const char* names[] = {"year", "month", "day"};
    for (intptr_t i = 0; i < 3; ++i) {
        sqlite3_create_function_v2(db_, names[i], 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, reinterpret_cast<void*>(i),
                                   datePart, nullptr, nullptr, nullptr);
    }
    // Lists of names read in the Chinese order, as the grids sort them.
    sqlite3_create_collation_v2(
        db_, "chinese", SQLITE_UTF8, nullptr,
        [](void*, int an, const void* a, int bn, const void* b) {
            return compareChineseUtf8(static_cast<const char*>(a), an, static_cast<const char*>(b), bn);
        },
        nullptr);
    sqlite3_update_hook(
        db_,
        [](void* self, int, const char*, const char* table, sqlite3_int64 rowid) {
            auto* c = static_cast<Connection*>(self);
            if (c->rowListener_) c->rowListener_(table, rowid);
        },
        this);
    sqlite3_commit_hook(
        db_,
        [](void* self) {
            static_cast<Connection*>(self)->committed_ = true;
            return 0;
        },
        this);
    sqlite3_rollback_hook(
        db_, [](void* self) { static_cast<Connection*>(self)->rolledBack_ = true; }, this);
}

void Connection::setRowListener(RowListener listener) {
    rowListener_ = std::move(listener);
}

int Connection::addWriteGate(std::function<void()> gate) {
    writeGates_.emplace_back(++nextGateId_, std::move(gate));
    return nextGateId_;
}

void Connection::removeWriteGate(int id) {
    writeGates_.erase(
        std::remove_if(writeGates_.begin(), writeGates_.end(), [id](const auto& gate) { return gate.first == id; }),
        writeGates_.end());
}

void Connection::interrupt() {
    if (db_) sqlite3_interrupt(db_);
}

void Connection::settleTransactionNotices() {
    if (!rolledBack_ && !committed_) return;
    const bool rolledBack = rolledBack_;
    rolledBack_ = false;
    committed_ = false;
    const QList<Dataset*> datasets = datasets_;
    for (Dataset* d : datasets) {
        if (rolledBack) {
            d->afterRollback();
        } else {
            d->afterCommit();
        }
    }
}

void Connection::close() {
    const QList<Dataset*> open = datasets_;
    for (Dataset* d : open) d->close();
    if (db_) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

sqlite3* Connection::handle() const {
    if (!db_) throw DataError(QStringLiteral("数据库未连接"), DataError::Kind::State);
    return db_;
}

int Connection::execute(const QString& sql, const QVariantList& values) {
    int changed = 0;
    try {
        Statement st(handle(), sql);
        for (int i = 0; i < values.size(); ++i) st.bind(i + 1, values.at(i));
        if (!writeGates_.empty() && (!sqlite3_stmt_readonly(st.handle()) ||
                                     sql.trimmed().startsWith(QLatin1String("BEGIN"), Qt::CaseInsensitive) ||
                                     sql.trimmed().startsWith(QLatin1String("COMMIT"), Qt::CaseInsensitive))) {
            for (const auto& gate : writeGates_) gate.second();
        }
        while (st.step()) {
        }
        changed = sqlite3_changes(db_);
    } catch (...) {
        settleTransactionNotices();
        throw;
    }
    settleTransactionNotices();
    return changed;
}

QVariant Connection::scalar(const QString& sql, const QVariantList& values) {
    Statement st(handle(), sql);
    for (int i = 0; i < values.size(); ++i) st.bind(i + 1, values.at(i));
    if (!st.step()) return QVariant();
    return st.value(0);
}

qint64 Connection::lastInsertRowId() const {
    return sqlite3_last_insert_rowid(handle());
}

bool Connection::inTransaction() const {
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

void Connection::attach(Dataset* dataset) {
    if (!datasets_.contains(dataset)) datasets_.append(dataset);
}

void Connection::detach(Dataset* dataset) {
    datasets_.removeAll(dataset);
}

QString Connection::lastError() const {
    return engineText(db_);
}

// ---- Transaction ----

Transaction::Transaction(Connection& connection) : connection_(connection) {
    connection_.execute(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction() {
    if (!done_ && connection_.isOpen() && connection_.inTransaction()) {
        try {
            connection_.execute(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
    }
}

void Transaction::commit() {
    connection_.execute(QStringLiteral("COMMIT"));
    done_ = true;
}
