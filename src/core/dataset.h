// Dataset: a named row set on the shared connection, as every window uses it.
//
// A query dataset runs its SQL text and holds all resulting rows (a static snapshot); a table
// dataset stands for one table and reads its rows only when someone looks at them, so that a
// large history table costs nothing until it is browsed. Both keep a current row, give field
// access by name, append / edit / post / delete the current row (written back by rowid with
// bound values) and sort the rows already read.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

#include "core/field.h"
#include "core/row_store.h"

class Connection;

class Dataset : public QObject {
    Q_OBJECT

public:
    enum class Kind { Query, Table };
    enum class State { Inactive, Browse, Edit, Insert };

    struct Options {
        bool readOnly = false;
        bool staticCursor = false;  // kept for the record: every open reads a snapshot anyway
        FieldDefs declaredFields;   // when set, the fields are exactly these, in this order
    };

    Dataset(Connection& connection, const QString& name, Kind kind, const QString& sqlOrTable,
            Options options, QObject* parent = nullptr);
    ~Dataset() override;

    const QString& name() const { return name_; }
    Kind kind() const { return kind_; }
    const Options& options() const { return options_; }
    Connection& connection() const { return connection_; }

    // The SQL text of a query, or the table name of a table dataset.
    const QString& sql() const { return sql_; }
    void setSql(const QString& sql);

    void open();      // throws DataError; the current row is the first
    void close();     // also cancels a pending edit
    int execSQL();    // runs the SQL text as a command; returns rows changed
    bool isOpen() const { return state_ != State::Inactive; }
    State state() const { return state_; }

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

    // Editing the current row, or a new one.
    void append();
    void edit();
    void setValue(const QString& field, const QVariant& value);
    void post();
    void cancel();
    void deleteRecord();

    // Client-side order of the rows already read: "商品编码", "商品编码 DESC", "a,b DESC".
    // Empty restores the order the rows were read in. Reopening clears it.
    void setSort(const QString& sort);
    const QString& sort() const { return sort_; }

    // The display text of a value of the given field type.
    static QString displayText(const QVariant& value, FieldType type);
    // A number as it is, a text that reads as one parsed; nothing for NULL and other texts.
    static std::optional<double> numberOf(const QVariant& value);

signals:
    void rowsReset();           // opened, closed, re-sorted
    void currentChanged();      // another row became current
    void rowChanged(int row);   // an edited row was posted
    void rowInserted(int row);  // an appended row was posted
    void rowRemoved(int row);

private:
    void requireOpen() const;
    void requireBrowse(const char* action) const;
    void ensureRows() const;
    void loadRows(const QString& engineSql, bool withRowid) const;
    void openQuery();
    void openTable();
    QVariant convertForField(int fieldIndex, const QVariant& value) const;
    QVariantList readBack(qint64 rowid) const;
    void setCurrent(int row);
    void applySort(const QString& sort);
    QString quotedTable() const;

    Connection& connection_;
    QString name_;
    Kind kind_;
    QString sql_;
    Options options_;

    State state_ = State::Inactive;
    FieldDefs fields_;
    QStringList origins_;  // the base-table column behind each field, when writable
    QString baseTable_;    // the one table the rows come from; empty when not writable

    // Row storage; mutable because a table dataset reads its rows on first use.
    mutable bool rowsLoaded_ = false;
    mutable RowStore store_;
    mutable std::vector<qint64> rowids_;
    mutable std::vector<int> order_;  // shown position -> store row
    mutable int current_ = -1;        // shown position, -1 when empty
    mutable bool eof_ = false;
    mutable bool bof_ = false;

    QVariantList buffer_;
    std::vector<bool> touched_;
    QString sort_;
};
