// HistoryIndex: the sales history (data1, data3) held in memory, column by column, so that the
// sales window can search a million lines while the operator types.
//
// A connection of its own reads the tables in short chunks on a background thread, each
// column stored as small numbers into a dictionary of its distinct values. From then on the
// main connection reports every row it writes, and the index reads those rows again before it
// answers. It answers the plain statements the sales window runs - "select * from data1 where
// ... and ... " with comparisons and LIKE on columns - with the rows and footer sums the
// engine would give, and sorts those rows the way the grids sort. Anything else it declines,
// and the dataset asks the engine.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "core/row_provider.h"

class Connection;
struct IndexedTable;

class HistoryIndex : public QObject, public RowProvider {
    Q_OBJECT

public:
    // Rows read per statement while building: short, so a writer never waits long for the
    // reading connection's lock.
    static constexpr int kChunkRows = 20000;

    HistoryIndex(Connection& main, const QStringList& tables, QObject* parent = nullptr);
    ~HistoryIndex() override;

    // Starts building from the file `path` (encrypted with `key`) on a background thread.
    void start(const QString& path, const QByteArray& key);
    // Stops building and forgets everything; the index declines until started again.
    void stop();
    bool isReady() const;
    // Being read: ready() follows unless the reading fails.
    bool isBuilding() const;
    // For tools and tests: blocks until the index is built (or `timeoutMs` passed).
    bool waitUntilReady(int timeoutMs);
    // What the index holds in memory, roughly, in bytes.
    qint64 memoryBytes() const;

    std::optional<ProvidedRows> select(const QString& table, const QString& engineSql,
                                       const QStringList& sumColumns) override;
    std::optional<std::vector<int>> order(const QString& table, const std::vector<qint64>& rowids,
                                          const std::vector<std::pair<QString, bool>>& keys) override;
    std::optional<std::vector<QVariantList>> values(const QString& table, const std::vector<qint64>& rowids,
                                                    const QStringList& columns) override;

    // The distinct values of a column in the order "group by c order by c" gives them (NULL
    // first); nothing while the index is not ready or for a column it cannot order so.
    std::optional<QVariantList> distinctValues(const QString& table, const QString& column);

signals:
    void ready();

private:
    void build(QString path, QByteArray key, unsigned generation);
    void adopt(unsigned generation);
    IndexedTable* tableNamed(const QString& name) const;
    // Reads again the rows the main connection wrote since the last answer.
    bool catchUp();

    Connection& main_;
    QStringList tables_;
    std::vector<std::unique_ptr<IndexedTable>> ready_;  // user-interface thread only
    std::map<QString, std::set<qint64>> touched_;       // rows written since the last catch-up

    std::mutex buildMutex_;
    std::vector<std::unique_ptr<IndexedTable>> built_;  // handed over by the builder
    std::thread builder_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> buildDone_{false};
    std::atomic<bool> buildFailed_{false};
    std::atomic<unsigned> generation_{0};
    int gateId_ = 0;
    std::unique_ptr<Connection> reader_;
    std::mutex readerMutex_;
    bool isReady_ = false;
};
