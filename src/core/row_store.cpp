// RowStore: the rows a dataset holds, packed tightly so that a million history lines fit.
#include "core/row_store.h"

#include <sqlcipher/sqlite3.h>

#include <cstring>

void RowStore::clear(int columns) {
    columns_ = columns;
    std::vector<char>().swap(arena_);
    std::vector<uint64_t>().swap(offsets_);
}

void RowStore::putBytes(Tag tag, const char* data, uint32_t size) {
    arena_.push_back(char(tag));
    const char* len = reinterpret_cast<const char*>(&size);
    arena_.insert(arena_.end(), len, len + sizeof size);
    arena_.insert(arena_.end(), data, data + size);
}

int RowStore::appendFromStatement(sqlite3_stmt* stmt, const std::vector<int>& map) {
    offsets_.push_back(arena_.size());
    for (int c = 0; c < columns_; ++c) {
        const int sc = map[size_t(c)];
        const int type = sc < 0 ? SQLITE_NULL : sqlite3_column_type(stmt, sc);
        switch (type) {
            case SQLITE_INTEGER: {
                const int64_t v = sqlite3_column_int64(stmt, sc);
                arena_.push_back(char(Int));
                const char* p = reinterpret_cast<const char*>(&v);
                arena_.insert(arena_.end(), p, p + sizeof v);
                break;
            }
            case SQLITE_FLOAT: {
                const double v = sqlite3_column_double(stmt, sc);
                arena_.push_back(char(Real));
                const char* p = reinterpret_cast<const char*>(&v);
                arena_.insert(arena_.end(), p, p + sizeof v);
                break;
            }
            case SQLITE_TEXT: {
                const char* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, sc));
                putBytes(Text, t, uint32_t(sqlite3_column_bytes(stmt, sc)));
                break;
            }
            case SQLITE_BLOB: {
                const char* b = static_cast<const char*>(sqlite3_column_blob(stmt, sc));
                putBytes(Blob, b, uint32_t(sqlite3_column_bytes(stmt, sc)));
                break;
            }
            default:
                arena_.push_back(char(Null));
        }
    }
    return int(offsets_.size()) - 1;
}

void RowStore::encode(const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        arena_.push_back(char(Null));
        return;
    }
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool: {
            const int64_t i = v.toLongLong();
            arena_.push_back(char(Int));
            const char* p = reinterpret_cast<const char*>(&i);
            arena_.insert(arena_.end(), p, p + sizeof i);
            return;
        }
        case QMetaType::Double:
        case QMetaType::Float: {
            const double d = v.toDouble();
            arena_.push_back(char(Real));
            const char* p = reinterpret_cast<const char*>(&d);
            arena_.insert(arena_.end(), p, p + sizeof d);
            return;
        }
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            putBytes(Blob, b.constData(), uint32_t(b.size()));
            return;
        }
        default: {
            const QByteArray t = v.toString().toUtf8();
            putBytes(Text, t.constData(), uint32_t(t.size()));
        }
    }
}

int RowStore::append(const QVariantList& values) {
    offsets_.push_back(arena_.size());
    for (int c = 0; c < columns_; ++c) encode(c < values.size() ? values.at(c) : QVariant());
    return int(offsets_.size()) - 1;
}

void RowStore::replace(int row, const QVariantList& values) {
    // The old bytes stay unused in the arena; edits are rare next to reads.
    offsets_[size_t(row)] = arena_.size();
    for (int c = 0; c < columns_; ++c) encode(c < values.size() ? values.at(c) : QVariant());
}

const char* RowStore::cell(int row, int column) const {
    const char* p = arena_.data() + offsets_[size_t(row)];
    for (int c = 0; c < column; ++c) {
        const uint8_t tag = uint8_t(*p++);
        if (tag == Int || tag == Real) {
            p += 8;
        } else if (tag == Text || tag == Blob) {
            uint32_t size;
            std::memcpy(&size, p, sizeof size);
            p += sizeof size + size;
        }
    }
    return p;
}

bool RowStore::isNull(int row, int column) const {
    return uint8_t(*cell(row, column)) == Null;
}

namespace {

// Reads the cell at p and moves p past it.
QVariant decode(const char*& p) {
    const uint8_t tag = uint8_t(*p++);
    switch (tag) {
        case RowStore::Int: {
            int64_t i;
            std::memcpy(&i, p, sizeof i);
            p += sizeof i;
            return QVariant(qint64(i));
        }
        case RowStore::Real: {
            double d;
            std::memcpy(&d, p, sizeof d);
            p += sizeof d;
            return QVariant(d);
        }
        case RowStore::Text:
        case RowStore::Blob: {
            uint32_t size;
            std::memcpy(&size, p, sizeof size);
            p += sizeof size;
            const char* data = p;
            p += size;
            if (tag == RowStore::Text) return QVariant(QString::fromUtf8(data, qsizetype(size)));
            return QVariant(QByteArray(data, qsizetype(size)));
        }
        default:
            return QVariant();
    }
}

}  // namespace

QVariant RowStore::value(int row, int column) const {
    const char* p = cell(row, column);
    return decode(p);
}

QVariantList RowStore::row(int r) const {
    QVariantList out;
    out.reserve(columns_);
    const char* p = arena_.data() + offsets_[size_t(r)];
    for (int c = 0; c < columns_; ++c) out.append(decode(p));
    return out;
}
