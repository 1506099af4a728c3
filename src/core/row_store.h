// RowStore: the rows a dataset holds, packed tightly so that a million history lines fit.
//
// Each row is one run of bytes in a shared arena: per column a tag byte, then 8 bytes for a
// number or a length and the UTF-8 bytes for a text. A NULL costs one byte, which matters for
// the history tables where most columns are reserved and empty.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

struct sqlite3_stmt;

class RowStore {
public:
    enum Tag : uint8_t { Null = 0, Int = 1, Real = 2, Text = 3, Blob = 4 };

    void clear(int columns);
    int columnCount() const { return columns_; }
    int rowCount() const { return int(offsets_.size()); }

    // Appends the current row of a stepped statement; `map[i]` is the statement column that
    // feeds store column i (or -1 for NULL).
    int appendFromStatement(sqlite3_stmt* stmt, const std::vector<int>& map);
    int append(const QVariantList& values);
    void replace(int row, const QVariantList& values);

    QVariant value(int row, int column) const;
    bool isNull(int row, int column) const;
    QVariantList row(int row) const;

private:
    const char* cell(int row, int column) const;
    void encode(const QVariant& v);
    void putBytes(Tag tag, const char* data, uint32_t size);

    int columns_ = 0;
    std::vector<char> arena_;
    std::vector<uint64_t> offsets_;
};
