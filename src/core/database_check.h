// Checks that a database file is a sound database of this program: its six tables with all
// their columns, and the engine's own check of its pages. A damaged file is found when the
// program starts, before anything is written to it, not in the middle of a sale.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

class Connection;

// What is missing of the six tables and their columns, in words for the operator; empty when
// nothing is. Throws DataError when the file cannot be read at all.
QString schemaProblem(Connection& db);

// The engine's page check (PRAGMA quick_check); empty when it passes, else the verdict for the
// operator (the engine's findings go to the log). Throws DataError like any statement.
QString pagesProblem(Connection& db, const QString& file);

// Files up to this size are checked while the program opens them (well under a second); larger
// ones on a reading connection of their own in the background.
inline constexpr qint64 kCheckAtOnceBytes = 64LL * 1024 * 1024;

// The page check of a large file on a thread of its own. Every write of the main connection
// waits for it (a write gate) and is refused when it failed, so nothing is ever written to a
// damaged file; `failed` tells the program.
class BackgroundCheck : public QObject {
    Q_OBJECT

public:
    explicit BackgroundCheck(QObject* parent = nullptr);
    ~BackgroundCheck() override;

    void start(const QString& path, const QByteArray& key);
    void stop();
    // Blocks until the check is done; the problem found, or nothing.
    std::optional<QString> waitForResult();
    bool isRunning() const;

signals:
    void failed(const QString& problem);

private:
    void run(QString path, QByteArray key, unsigned generation);

    mutable std::mutex mutex_;
    std::condition_variable done_;
    std::thread thread_;
    bool running_ = false;
    std::optional<QString> problem_;
    unsigned generation_ = 0;
    Connection* reader_ = nullptr;  // while running, for stop()
};
