// BackgroundRows: finds which rows a windowed list shows (their rowids and footer sums) on a
// reading connection of its own, off the user-interface thread, for the moments when nothing
// faster can answer (the sales history not yet in memory). Requests run one after the other;
// a list's newest request cancels its earlier one, whose answer is never delivered.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/row_provider.h"

class Connection;

struct RowsRequest {
    // Gives the rowid first, then one column per sum: "SELECT rowid, [2], [6] FROM (...)".
    QString sql;
    int sumColumns = 0;
    bool sortRowids = false;  // the statement has no ORDER BY: rows in the order they were stored
};

class BackgroundRows : public QObject {
    Q_OBJECT

public:
    // `main` is the connection the windows write through: each of its writes first interrupts
    // the reading, which then starts again, so a writer never waits for it.
    BackgroundRows(Connection& main, QObject* parent = nullptr);
    ~BackgroundRows() override;

    // The database file the reading connection opens (the main connection's file and key).
    void setDatabase(const QString& path, const QByteArray& key);
    // Stops the reading and closes its connection; a request after this opens it again.
    void stop();
    // Ends the worker for good (the destructor does it; a subclass calls it from its own).
    void shutDown();

    // A ticket for the request of `owner` (the list asking); its answer comes with `found` (rows)
    // or `failed` (the engine's error), on the thread the object lives on. The owner's earlier
    // request is cancelled.
    quint64 request(const void* owner, const RowsRequest& request);
    // The request with this ticket, or none, is no longer wanted.
    void cancel(quint64 ticket);

signals:
    void found(quint64 ticket, const ProvidedRows& rows);
    void failed(quint64 ticket, const QString& error);

protected:
    // Runs one request on the reading connection; throws DataError. Tests put a slower one in.
    virtual ProvidedRows run(Connection& reader, const RowsRequest& request);

private:
    void work();
    void interruptReading();

    Connection& main_;
    int gateId_ = 0;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread worker_;
    bool quitting_ = false;
    bool busy_ = false;  // the worker is using the reading connection
    QString path_;
    QByteArray key_;
    bool reopen_ = false;
    struct Waiting {
        quint64 ticket;
        const void* owner;
        RowsRequest request;
    };
    std::deque<Waiting> waiting_;
    quint64 running_ = 0;  // the ticket being run, 0 when none (or cancelled)
    const void* runningOwner_ = nullptr;
    quint64 tickets_ = 0;
    std::unique_ptr<Connection> reader_;
};

Q_DECLARE_METATYPE(ProvidedRows)
