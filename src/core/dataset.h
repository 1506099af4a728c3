// Dataset: a named row set on the shared connection, as every window uses it.
//
// A query dataset runs its SQL text; a table dataset stands for one table and reads its rows
// only when someone looks at them. Both keep a current row, give field access by name,
// append / edit / post / delete the current row (written back by rowid with bound values) and
// sort the rows they hold.
//
// Small row sets (the note) are read whole at open. A windowed dataset (the long lists:
// goods, sales lines, sales) reads at open only which rows match - their rowids, or their
// count when the statement groups rows - together with the footer sums; the rows themselves
// are read a page at a time as they are looked at, and only a bounded number of pages stays
// in memory. Windows cannot tell the two apart except by speed.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <list>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "core/column_sum.h"
#include "core/field.h"
#include "core/row_store.h"

class BackgroundRows;
class Connection;
class RowProvider;
struct ProvidedRows;

class Dataset : public QObject {
    Q_OBJECT

public:
    enum class Kind { Query, Table };
    enum class State { Inactive, Browse, Edit, Insert };

    struct Options {
        bool readOnly = false;
        bool staticCursor = false;  // kept for the record: a query always shows a snapshot
        bool windowed = false;      // read rows in pages as they are looked at
        FieldDefs declaredFields;   // when set, the fields are exactly these, in this order
    };

    // Rows a windowed dataset keeps decoded, at most.
    static constexpr int kPageRows = 64;
    static constexpr int kCachedPages = 64;

    Dataset(Connection& connection, const QString& name, Kind kind, const QString& sqlOrTable, Options options,
            QObject* parent = nullptr);
    ~Dataset() override;

    const QString& name() const { return name_; }
    Kind kind() const { return kind_; }
    const Options& options() const { return options_; }
    Connection& connection() const { return connection_; }

    // The SQL text of a query, or the table name of a table dataset.
    const QString& sql() const { return sql_; }
    void setSql(const QString& sql);

    // Answers row sets and sort orders from memory where it can (windowed datasets only).
    void setRowProvider(RowProvider* provider) { provider_ = provider; }
    // Where a windowed dataset looks for its rows when the provider cannot answer: off the
    // user-interface thread. The dataset then opens at once, empty and pending, and shows its
    // rows when they are found (rowsReset); reopening meanwhile forgets the older search.
    void setBackgroundRows(BackgroundRows* background);
    // Open, and its rows still being looked for.
    bool isPending() const { return pendingTicket_ != 0; }
    // The fields whose sums a footer shows; a windowed dataset adds them up while it finds its
    // rows, so it need not read every row again.
    void setSummedFields(const QStringList& fields);

    void open();    // throws DataError; the current row is the first
    void close();   // also cancels a pending edit
    int execSQL();  // runs the SQL text as a command; returns rows changed
    bool isOpen() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    bool isWindowed() const { return mode_ == Mode::Keyed || mode_ == Mode::Counted; }

    // Rows, in the order shown (sorted or as read). Record numbers count from 1.
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const;
    void setRecNo(int recNo);
    void first();
    void last();
    void next();
    void prior();
    bool eof() const;
    bool bof() const;

    // Fields.
    int fieldCount() const { return int(fields_.size()); }
    const FieldDef& field(int index) const { return fields_.at(index); }
    int fieldIndex(const QString& name) const;  // -1 when absent; names compare without case
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }

    // The current row (or the pending row while editing). An empty open dataset gives NULL.
    QVariant value(const QString& field) const;
    QString text(const QString& field) const;  // as shown: numbers in the shortest form
    double asFloat(const QString& field) const;
    bool isNull(const QString& field) const;

    // Any row by its 0-based position in the order shown, without moving the current row.
    QVariant valueAt(int row, int fieldIndex) const;
    QString textAt(int row, int fieldIndex) const;

    // The sum of a field over all rows, as a footer shows it.
    ColumnSum columnSum(const QString& field) const;

    // Editing the current row, or a new one.
    void append();
    void edit();
    void setValue(const QString& field, const QVariant& value);
    void post();
    void cancel();
    void deleteRecord();

    // Client-side order of the rows: "商品编码", "商品编码 DESC", "a,b DESC". Empty restores
    // the order the rows were read in. Reopening clears it.
    void setSort(const QString& sort);
    const QString& sort() const { return sort_; }

    // The display text of a value of the given field type.
    static QString displayText(const QVariant& value, FieldType type);
    // A number as it is, a text that reads as one parsed; nothing for NULL and other texts.
    static std::optional<double> numberOf(const QVariant& value);

    // The connection rolled back a transaction in which this dataset wrote: the rows it holds
    // may show what never was stored, so it reads them again.
    void afterRollback();
    void afterCommit() { wroteInTransaction_ = false; }

signals:
    void rowsReset();  // opened, closed, re-sorted, or its pending rows found
    void pendingChanged(bool pending);
    void currentChanged();      // another row became current
    void rowChanged(int row);   // an edited row was posted
    void rowInserted(int row);  // an appended row was posted
    void rowRemoved(int row);

private:
    // Where the rows live: all read at open, read by rowid a page at a time, or read by
    // position a page at a time (statements that group rows have no rowids).
    enum class Mode { Whole, Keyed, Counted };

    struct Page {
        std::vector<QVariantList> rows;
    };

    void requireOpen() const;
    void requireBrowse(const char* action) const;
    void requireWritable() const;
    void ensureRows() const;
    void loadWhole(const QString& engineSql, bool withRowid) const;
    void loadKeyed(const QString& engineSql) const;
    void adoptFound(quint64 ticket, const ProvidedRows& rows);
    void adoptFailed(quint64 ticket, const QString& error);
    void forgetPending() const;
    void loadCounted(const QString& engineSql) const;
    void openQuery();
    void openTable();
    void resetRows() const;
    QVariant convertForField(int fieldIndex, const QVariant& value) const;
    QVariantList readBack(qint64 rowid) const;
    void setCurrent(int row);
    void applySort(const QString& sort);
    std::vector<int> sortFieldsOrThrow(const QString& sort, std::vector<bool>* descending) const;
    QString quotedTable() const;

    // Read positions: the rows in the order read, before any client-side sort.
    QVariant cell(int readPos, int field) const;
    QVariantList rowAt(int readPos) const;
    const Page& page(int pageIndex) const;
    void forgetPages() const;
    qint64 rowidAt(int readPos) const;
    void addToSums(const QVariantList& row, int sign) const;
    void computeSums() const;
    std::vector<int> summedFieldIndexes() const;

    Connection& connection_;
    QString name_;
    Kind kind_;
    QString sql_;
    Options options_;
    RowProvider* provider_ = nullptr;
    BackgroundRows* background_ = nullptr;
    mutable quint64 pendingTicket_ = 0;
    enum class PendingMove { First, Last };
    mutable PendingMove pendingMove_ = PendingMove::First;
    QStringList summedFields_;

    State state_ = State::Inactive;
    FieldDefs fields_;
    QStringList resultNames_;  // the statement's own column names behind each field
    QStringList origins_;      // the base-table column behind each field, when there is one
    QString baseTable_;        // the one table the rows come from; empty when not writable
    QString keyTable_;         // the one table rows can be read from by rowid
    QString engineSql_;        // the statement as the engine ran it

    mutable Mode mode_ = Mode::Whole;
    mutable bool rowsLoaded_ = false;
    mutable RowStore store_;              // Whole: every row
    mutable std::vector<qint64> rowids_;  // by read position (Whole when writable, Keyed)
    mutable int countedRows_ = 0;         // Counted: rows the statement gives
    mutable std::vector<int> order_;      // shown position -> read position
    mutable int current_ = -1;            // shown position, -1 when empty
    mutable bool eof_ = false;
    mutable bool bof_ = false;

    // Keyed and Counted: recently read pages, the most recent first.
    mutable std::list<std::pair<int, std::shared_ptr<Page>>> pages_;
    mutable std::unordered_map<int, std::list<std::pair<int, std::shared_ptr<Page>>>::iterator> pageIndex_;

    mutable std::vector<ColumnSum> sums_;  // by summedFields_
    mutable bool sumsValid_ = false;

    bool wroteInTransaction_ = false;

    QVariantList buffer_;
    std::vector<bool> touched_;
    QString sort_;
};
