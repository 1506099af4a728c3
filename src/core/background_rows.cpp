// BackgroundRows: the rows of a windowed list found on a reading connection of its own.
#include "core/background_rows.h"

#include <sqlcipher/sqlite3.h>

#include <QMetaObject>
#include <algorithm>
#include <chrono>

#include "core/connection.h"
#include "core/errors.h"

namespace {

bool wasInterrupted(const DataError& e) {
    return (e.engineCode() & 0xff) == SQLITE_INTERRUPT;
}

}  // namespace

BackgroundRows::BackgroundRows(Connection& main, QObject* parent) : QObject(parent), main_(main) {
    qRegisterMetaType<ProvidedRows>();
    gateId_ = main_.addWriteGate([this] { interruptReading(); });
    worker_ = std::thread([this] { work(); });
}

BackgroundRows::~BackgroundRows() {
    shutDown();
}

void BackgroundRows::shutDown() {
    if (!worker_.joinable()) return;
    main_.removeWriteGate(gateId_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quitting_ = true;
        waiting_.clear();
        running_ = 0;
        if (reader_) reader_->interrupt();
    }
    wake_.notify_all();
    worker_.join();
}

void BackgroundRows::setDatabase(const QString& path, const QByteArray& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (path == path_ && key == key_) return;
    path_ = path;
    key_ = key;
    reopen_ = true;
}

void BackgroundRows::stop() {
    std::unique_lock<std::mutex> lock(mutex_);
    waiting_.clear();
    running_ = 0;
    if (reader_) reader_->interrupt();
    // The reading connection is closed here, once the worker has let go of it: the file may be
    // replaced next (a restore).
    wake_.wait(lock, [this] { return !busy_; });
    reader_.reset();
}

quint64 BackgroundRows::request(const void* owner, const RowsRequest& request) {
    quint64 ticket = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ticket = ++tickets_;
        // What the same list asked for before is no longer wanted.
        waiting_.erase(
            std::remove_if(waiting_.begin(), waiting_.end(), [owner](const Waiting& w) { return w.owner == owner; }),
            waiting_.end());
        if (running_ != 0 && runningOwner_ == owner) {
            running_ = 0;
            if (reader_) reader_->interrupt();
        }
        waiting_.push_back({ticket, owner, request});
    }
    wake_.notify_all();
    return ticket;
}

void BackgroundRows::cancel(quint64 ticket) {
    std::lock_guard<std::mutex> lock(mutex_);
    waiting_.erase(
        std::remove_if(waiting_.begin(), waiting_.end(), [ticket](const Waiting& w) { return w.ticket == ticket; }),
        waiting_.end());
    if (running_ == ticket && ticket != 0) {
        running_ = 0;
        if (reader_) reader_->interrupt();
    }
}

void BackgroundRows::interruptReading() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (reader_ && busy_) reader_->interrupt();
}

ProvidedRows BackgroundRows::run(Connection& reader, const RowsRequest& request) {
    ProvidedRows out;
    out.sums.assign(size_t(request.sumColumns), ColumnSum());
    Statement st(reader.handle(), request.sql);
    sqlite3_stmt* raw = st.handle();
    while (st.step()) {
        out.rowids.push_back(sqlite3_column_int64(raw, 0));
        for (int i = 0; i < request.sumColumns; ++i) {
            const int type = sqlite3_column_type(raw, i + 1);
            if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                out.sums[size_t(i)].add(sqlite3_column_double(raw, i + 1));
            } else if (type == SQLITE_TEXT) {
                out.sums[size_t(i)].add(st.value(i + 1));
            }
        }
    }
    if (request.sortRowids) std::sort(out.rowids.begin(), out.rowids.end());
    return out;
}

void BackgroundRows::work() {
    for (;;) {
        quint64 ticket = 0;
        RowsRequest request;
        QString path;
        QByteArray key;
        bool reopen = false;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return quitting_ || !waiting_.empty(); });
            if (quitting_) return;
            ticket = waiting_.front().ticket;
            runningOwner_ = waiting_.front().owner;
            request = std::move(waiting_.front().request);
            waiting_.pop_front();
            running_ = ticket;
            busy_ = true;
            path = path_;
            key = key_;
            reopen = reopen_ || !reader_;
            reopen_ = false;
        }
        ProvidedRows rows;
        QString error;
        bool answered = false;
        for (;;) {
            try {
                if (reopen) {
                    auto fresh = std::make_unique<Connection>();
                    fresh->openReadOnly(path, key);
                    std::lock_guard<std::mutex> lock(mutex_);
                    reader_ = std::move(fresh);
                    reopen = false;
                }
                rows = run(*reader_, request);
                answered = true;
                break;
            } catch (const DataError& e) {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    if (running_ != ticket || quitting_) break;  // cancelled: nothing to say
                }
                if (!wasInterrupted(e)) {
                    error = e.message();
                    answered = true;
                    break;
                }
                // A write of the main connection came first; read again after it.
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            } catch (const std::exception& e) {
                error = QString::fromLocal8Bit(e.what());
                answered = true;
                break;
            }
        }
        bool wanted = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            wanted = answered && running_ == ticket;
            running_ = 0;
            busy_ = false;
        }
        wake_.notify_all();
        if (!wanted) continue;
        if (error.isEmpty()) {
            QMetaObject::invokeMethod(
                this, [this, ticket, rows = std::move(rows)] { emit found(ticket, rows); }, Qt::QueuedConnection);
        } else {
            QMetaObject::invokeMethod(
                this, [this, ticket, error] { emit failed(ticket, error); }, Qt::QueuedConnection);
        }
    }
}
