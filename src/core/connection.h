// Connection: the encrypted database file, opened read/write and never created here.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
class Dataset;

// The engine's text for an error code. Where the file or the disk is the cause (full, failing,
// damaged, not a database, not to be opened or written, in use) a Chinese reason a shop owner
// can act on, and the engine's own words go to the log; statement errors keep the engine's text.
QString engineErrorText(int code, const QString& engineText);
// The Chinese reason for such a code; empty for the other codes.
QString engineReason(int code);

// A prepared statement; finalised when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql);  // throws DataError
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const QVariant& value);  // 1-based, like the engine
    bool step();                                  // true while a row is available
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    QString columnDeclType(int column) const;
    QString columnTable(int column) const;   // empty for expressions
    QString columnOrigin(int column) const;  // the table column a result column comes from
    QVariant value(int column) const;
    sqlite3_stmt* handle() const { return stmt_; }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Decrypted pages kept by the connection the windows use: enough for the catalogue, the
    // indexes and the pages of the lists on screen.
    static constexpr int kPageCacheKiB = 32 * 1024;
    // A reading connection streams and keeps little.
    static constexpr int kReaderPageCacheKiB = 2 * 1024;
    // How long a statement waits for another connection's lock before giving up.
    static constexpr int kBusyTimeoutMs = 2000;

    // Opens an existing file for reading and writing with the given key. A missing file, a file
    // that cannot be written, a wrong key or a file that is no database all throw DataError
    // with a Kind telling which.
    void open(const QString& path, const QByteArray& key);
    // Opens an existing file only for reading, for work off the user-interface thread.
    void openReadOnly(const QString& path, const QByteArray& key);
    // Creates a new encrypted file; used only by the admin tool. Throws if the file exists.
    void create(const QString& path, const QByteArray& key);
    // Closes every dataset on this connection, then the file.
    void close();
    bool isOpen() const { return db_ != nullptr; }
    const QString& path() const { return path_; }
    sqlite3* handle() const;  // throws when closed

    // Runs one engine-dialect statement that returns no rows, with optional bound values.
    // Returns the number of rows changed.
    int execute(const QString& sql, const QVariantList& values = {});
    // Runs one statement and returns the first column of the first row (or an invalid QVariant).
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    qint64 lastInsertRowId() const;

    bool inTransaction() const;

    // Datasets register themselves so that closing the connection closes them.
    void attach(Dataset* dataset);
    void detach(Dataset* dataset);

    QString lastError() const;

    // Told of every row this connection inserts, changes or deletes, from inside the engine:
    // the listener must not run statements. A transaction rolled back later is reported too;
    // the listener reads the row again when it needs it.
    using RowListener = std::function<void(const char* table, qint64 rowid)>;
    void setRowListener(RowListener listener);

    // Stops a statement running on this connection from another thread (it fails with
    // "interrupted").
    void interrupt();

    // Gates run before every statement that writes (or begins or commits a transaction), so
    // that a reader on another connection can let go of the file first. Returns an id for
    // removeWriteGate.
    int addWriteGate(std::function<void()> gate);
    void removeWriteGate(int id);

private:
    void openWithFlags(const QString& path, const QByteArray& key, int flags);
    void configure(bool readOnly);
    // Tells the datasets what became of the transaction the last statement ended.
    void settleTransactionNotices();

    sqlite3* db_ = nullptr;
    QString path_;
    QList<Dataset*> datasets_;
    RowListener rowListener_;
    std::vector<std::pair<int, std::function<void()>>> writeGates_;
    int nextGateId_ = 0;
    bool rolledBack_ = false;
    bool committed_ = false;
};

// Begins a transaction and rolls it back unless commit() was called: a sale is written whole or
// not at all.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& connection_;
    bool done_ = false;
};
