// HistoryIndex: the sales history held in memory, column by column.
//
// Each column keeps a dictionary of its distinct values - texts as the engine's own UTF-8
// bytes in a block arena, numbers as they are - and per row the number of its value, two
// bytes wide until a column has more than 65 535 distinct values. Conditions are decided once
// per distinct value, with the engine's own rules (LIKE folds only ASCII letters, texts
// compare as UTF-8 bytes, a column's affinity converts the literal it meets), and then per
// row by a table lookup.
#include "core/history_index.h"

#include <sqlcipher/sqlite3.h>

#include <QMetaObject>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <limits>
#include <string_view>
#include <unordered_map>

#include "core/connection.h"
#include "core/errors.h"
#include "core/formats.h"
#include "core/sort_keys.h"

namespace {

// ---- how the engine compares values ----

enum class Affinity { Text, Numeric, Integer, Real, None };

// The engine's rules for a declared column type.
Affinity affinityOf(const QString& declType) {
    const QString t = declType.toUpper();
    if (t.contains(QLatin1String("INT"))) return Affinity::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT"))) {
        return Affinity::Text;
    }
    if (t.isEmpty() || t.contains(QLatin1String("BLOB"))) return Affinity::None;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB"))) {
        return Affinity::Real;
    }
    return Affinity::Numeric;
}

enum class Type : uint8_t { Null, Integer, Real, Text, Blob };

// One distinct value of a column; texts and blobs point into the column's arena.
struct Value {
    Type type = Type::Null;
    uint32_t size = 0;
    union {
        qint64 integer;
        double real;
        const char* bytes;
    };
    Value() : integer(0) {}
    std::string_view view() const { return {bytes, size}; }
};

unsigned char fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

// Texts compare as UTF-8 bytes; NOCASE folds the ASCII letters only.
int compareBytes(std::string_view a, std::string_view b, bool nocase) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (nocase) {
            x = fold(x);
            y = fold(y);
        }
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The engine's order of two non-NULL values: numbers, then texts, then blobs.
int compareValues(const Value& a, const Value& b, bool nocase) {
    const auto cls = [](Type t) { return t == Type::Integer || t == Type::Real ? 1 : t == Type::Text ? 2 : 3; };
    if (cls(a.type) != cls(b.type)) return cls(a.type) < cls(b.type) ? -1 : 1;
    if (cls(a.type) == 1) {
        if (a.type == Type::Integer && b.type == Type::Integer) {
            return a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
        }
        const double x = a.type == Type::Integer ? double(a.integer) : a.real;
        const double y = b.type == Type::Integer ? double(b.integer) : b.real;
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return compareBytes(a.view(), b.view(), nocase && a.type == Type::Text);
}

// A real number as the engine writes it as text ("%!.15g": 2.0, 0.1, 1.0e+20).
QByteArray realText(double d) {
    QString s = QString::number(d, 'g', 15);
    if (std::isfinite(d) && !s.contains(QLatin1Char('.'))) {
        const qsizetype e = s.indexOf(QLatin1Char('e'));
        if (e < 0) {
            s += QStringLiteral(".0");
        } else {
            s.insert(e, QStringLiteral(".0"));
        }
    }
    return s.toUtf8();
}

QByteArray textOf(const Value& v) {
    switch (v.type) {
        case Type::Integer:
            return QByteArray::number(v.integer);
        case Type::Real:
            return realText(v.real);
        case Type::Text:
        case Type::Blob:
            return QByteArray(v.bytes, qsizetype(v.size));
        case Type::Null:
            break;
    }
    return QByteArray();
}

char32_t nextChar(const unsigned char*& p, const unsigned char* end) {
    char32_t c = *p++;
    if (c < 0x80) return c;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    c &= (0x3F >> more);
    while (more-- > 0 && p < end && (*p & 0xC0) == 0x80) c = (c << 6) | (*p++ & 0x3F);
    return c;
}

// The engine's LIKE on UTF-8: "%" any run, "_" one character, ASCII letters without case.
class LikePattern {
public:
    explicit LikePattern(const QByteArray& pattern) {
        const auto* p = reinterpret_cast<const unsigned char*>(pattern.constData());
        const auto* end = p + pattern.size();
        while (p < end) {
            const char32_t c = nextChar(p, end);
            chars_.push_back(c < 0x80 ? fold(static_cast<unsigned char>(c)) : c);
        }
        // "%text%" with no other wildcard is a search for the text.
        if (chars_.size() >= 2 && chars_.front() == U'%' && chars_.back() == U'%') {
            const QByteArray inner = pattern.mid(1, pattern.size() - 2);
            if (!inner.contains('%') && !inner.contains('_')) {
                substring_ = true;
                needle_ = inner;
                for (char& ch : needle_) ch = char(fold(static_cast<unsigned char>(ch)));
            }
        }
        anything_ = std::all_of(chars_.begin(), chars_.end(), [](char32_t c) { return c == U'%'; });
    }

    bool matches(std::string_view text) const {
        if (anything_) return true;
        if (substring_) return contains(text);
        std::vector<char32_t> s;
        s.reserve(text.size());
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        const auto* end = p + text.size();
        while (p < end) {
            const char32_t c = nextChar(p, end);
            s.push_back(c < 0x80 ? fold(static_cast<unsigned char>(c)) : c);
        }
        size_t pi = 0, si = 0, starP = std::string::npos, starS = 0;
        while (si < s.size()) {
            if (pi < chars_.size() && chars_[pi] == U'%') {
                starP = pi++;
                starS = si;
            } else if (pi < chars_.size() && (chars_[pi] == U'_' || chars_[pi] == s[si])) {
                ++pi;
                ++si;
            } else if (starP != std::string::npos) {
                pi = starP + 1;
                si = ++starS;
            } else {
                return false;
            }
        }
        while (pi < chars_.size() && chars_[pi] == U'%') ++pi;
        return pi == chars_.size();
    }

private:
    // Byte search with ASCII folding: no byte of a multi-byte character is ASCII, so this is
    // exactly the character search.
    bool contains(std::string_view text) const {
        const size_t n = size_t(needle_.size());
        if (n == 0) return true;
        if (text.size() < n) return false;
        for (size_t i = 0; i + n <= text.size(); ++i) {
            size_t k = 0;
            while (k < n && char(fold(static_cast<unsigned char>(text[i + k]))) == needle_[qsizetype(k)]) ++k;
            if (k == n) return true;
        }
        return false;
    }

    std::vector<char32_t> chars_;
    bool substring_ = false;
    bool anything_ = false;
    QByteArray needle_;
};

// ---- the statements answered ----

struct Condition {
    QString column;
    QString op;  // "like", "=", "<>", "<", "<=", ">", ">="
    QVariant literal;
};

struct ParsedSelect {
    QString table;
    std::vector<Condition> conditions;
};

struct Token {
    enum Kind { Word, Name, String, Number, Op, End } kind;
    QString text;
};

std::vector<Token> tokens(const QString& sql) {
    std::vector<Token> out;
    int i = 0;
    const int n = int(sql.size());
    while (i < n) {
        const QChar c = sql.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('\'')) {
            QString text;
            int j = i + 1;
            for (; j < n; ++j) {
                if (sql.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && sql.at(j + 1) == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        ++j;
                        continue;
                    }
                    break;
                }
                text += sql.at(j);
            }
            if (j >= n) return {};
            out.push_back({Token::String, text});
            i = j + 1;
        } else if (c == QLatin1Char('[') || c == QLatin1Char('"')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
            const int j = int(sql.indexOf(close, i + 1));
            if (j < 0) return {};
            out.push_back({Token::Name, sql.mid(i + 1, j - i - 1)});
            i = j + 1;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && sql.at(i + 1).isDigit())) {
            int j = i;
            while (j < n && (sql.at(j).isDigit() || sql.at(j) == QLatin1Char('.'))) ++j;
            if (j < n && (sql.at(j) == QLatin1Char('e') || sql.at(j) == QLatin1Char('E'))) {
                ++j;
                if (j < n && (sql.at(j) == QLatin1Char('+') || sql.at(j) == QLatin1Char('-'))) ++j;
                while (j < n && sql.at(j).isDigit()) ++j;
            }
            if (j < n && (sql.at(j).isLetter() || sql.at(j) == QLatin1Char('_'))) return {};
            out.push_back({Token::Number, sql.mid(i, j - i)});
            i = j;
        } else if (c.isLetter() || c == QLatin1Char('_') || c.unicode() >= 0x80) {
            int j = i;
            while (j < n &&
                   (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_') || sql.at(j).unicode() >= 0x80))
                ++j;
            out.push_back({Token::Word, sql.mid(i, j - i)});
            i = j;
        } else {
            const QString two = sql.mid(i, 2);
            if (two == QLatin1String(">=") || two == QLatin1String("<=") || two == QLatin1String("<>") ||
                two == QLatin1String("!=") || two == QLatin1String("==")) {
                out.push_back({Token::Op, two});
                i += 2;
            } else {
                out.push_back({Token::Op, QString(c)});
                ++i;
            }
        }
    }
    out.push_back({Token::End, QString()});
    return out;
}

bool keyword(const Token& t, const char* word) {
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// "select * from T [where c op v [and ...]]" and nothing else.
std::optional<ParsedSelect> parseSelect(const QString& sql) {
    const std::vector<Token> t = tokens(sql);
    if (t.size() < 5) return std::nullopt;
    size_t i = 0;
    if (!keyword(t[i++], "select") || t[i++].text != QLatin1String("*") || !keyword(t[i++], "from"))
        return std::nullopt;
    if (t[i].kind != Token::Word && t[i].kind != Token::Name) return std::nullopt;
    ParsedSelect out;
    out.table = t[i++].text;
    if (keyword(t[i], "where")) {
        ++i;
        while (true) {
            if (t[i].kind != Token::Word && t[i].kind != Token::Name) return std::nullopt;
            if (t[i].kind == Token::Word && (keyword(t[i], "not") || keyword(t[i], "and") || keyword(t[i], "or"))) {
                return std::nullopt;
            }
            Condition c;
            c.column = t[i++].text;
            if (keyword(t[i], "like")) {
                ++i;
                if (t[i].kind != Token::String) return std::nullopt;
                c.op = QStringLiteral("like");
                c.literal = t[i++].text;
            } else {
                static const QStringList ops = {QStringLiteral("="),  QStringLiteral("=="), QStringLiteral("<>"),
                                                QStringLiteral("!="), QStringLiteral("<"),  QStringLiteral("<="),
                                                QStringLiteral(">"),  QStringLiteral(">=")};
                if (t[i].kind != Token::Op || !ops.contains(t[i].text)) return std::nullopt;
                c.op = t[i].text == QLatin1String("==")   ? QStringLiteral("=")
                       : t[i].text == QLatin1String("!=") ? QStringLiteral("<>")
                                                          : t[i].text;
                ++i;
                QString sign;
                if (t[i].kind == Token::Op && (t[i].text == QLatin1String("-") || t[i].text == QLatin1String("+"))) {
                    sign = t[i++].text;
                }
                if (t[i].kind == Token::String && sign.isEmpty()) {
                    c.literal = t[i++].text;
                } else if (t[i].kind == Token::Number) {
                    const QString number = sign + t[i++].text;
                    if (number.contains(QLatin1Char('.')) || number.contains(QLatin1Char('e')) ||
                        number.contains(QLatin1Char('E'))) {
                        c.literal = number.toDouble();
                    } else {
                        bool ok = false;
                        const qint64 v = number.toLongLong(&ok);
                        if (!ok) return std::nullopt;
                        c.literal = v;
                    }
                } else {
                    return std::nullopt;
                }
            }
            out.conditions.push_back(c);
            if (keyword(t[i], "and")) {
                ++i;
                continue;
            }
            break;
        }
    }
    if (t[i].kind == Token::Op && t[i].text == QLatin1String(";")) ++i;
    if (t[i].kind != Token::End) return std::nullopt;
    return out;
}

// A text literal the engine would take as a number when it meets a numeric column.
std::optional<Value> asNumber(const QString& text) {
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    static const QRegularExpression real(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    Value v;
    if (integer.match(text).hasMatch()) {
        bool ok = false;
        v.integer = text.trimmed().toLongLong(&ok);
        if (ok) {
            v.type = Type::Integer;
            return v;
        }
    }
    if (real.match(text).hasMatch()) {
        v.type = Type::Real;
        v.real = text.trimmed().toDouble();
        return v;
    }
    return std::nullopt;
}

}  // namespace

// ---- the tables in memory ----

struct IndexedColumn {
    QString name;
    Affinity affinity = Affinity::None;
    bool nocase = false;
    bool isRowid = false;  // the table's INTEGER PRIMARY KEY: the rowid itself

    std::vector<Value> values = std::vector<Value>(1);  // by id; id 0 is NULL
    std::deque<std::vector<char>> arena;                // text and blob bytes, never moved
    std::unordered_map<std::string_view, uint32_t> textIds;
    std::unordered_map<std::string_view, uint32_t> blobIds;
    std::unordered_map<qint64, uint32_t> integerIds;
    std::unordered_map<quint64, uint32_t> realIds;

    std::vector<uint16_t> narrow;  // id by row while every id fits two bytes
    std::vector<uint32_t> wide;
    bool isWide = false;
    std::vector<int> ranks;  // sort rank by id, for this many values

    const char* keep(const char* data, size_t size) {
        if (arena.empty() || arena.back().capacity() - arena.back().size() < size) {
            arena.emplace_back();
            arena.back().reserve(std::max<size_t>(size, 64 * 1024));
        }
        std::vector<char>& block = arena.back();
        const char* at = block.data() + block.size();
        block.insert(block.end(), data, data + size);
        return at;
    }

    uint32_t add(const Value& v) {
        values.push_back(v);
        return uint32_t(values.size() - 1);
    }

    // The id of the value in column `c` of the stepped statement, adding it when new.
    uint32_t idIn(sqlite3_stmt* st, int c) {
        switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: {
                const qint64 i = sqlite3_column_int64(st, c);
                const auto found = integerIds.find(i);
                if (found != integerIds.end()) return found->second;
                Value v;
                v.type = Type::Integer;
                v.integer = i;
                return integerIds[i] = add(v);
            }
            case SQLITE_FLOAT: {
                const double d = sqlite3_column_double(st, c);
                quint64 bits = 0;
                std::memcpy(&bits, &d, sizeof bits);
                const auto found = realIds.find(bits);
                if (found != realIds.end()) return found->second;
                Value v;
                v.type = Type::Real;
                v.real = d;
                return realIds[bits] = add(v);
            }
            case SQLITE_TEXT:
            case SQLITE_BLOB: {
                const bool text = sqlite3_column_type(st, c) == SQLITE_TEXT;
                const char* data = text ? reinterpret_cast<const char*>(sqlite3_column_text(st, c))
                                        : static_cast<const char*>(sqlite3_column_blob(st, c));
                const size_t size = size_t(sqlite3_column_bytes(st, c));
                auto& ids = text ? textIds : blobIds;
                const auto found = ids.find(std::string_view(data ? data : "", size));
                if (found != ids.end()) return found->second;
                Value v;
                v.type = text ? Type::Text : Type::Blob;
                v.size = uint32_t(size);
                v.bytes = keep(data ? data : "", size);
                const uint32_t id = add(v);
                ids.emplace(v.view(), id);
                return id;
            }
            default:
                return 0;
        }
    }

    uint32_t at(size_t row) const {
        if (isWide) return row < wide.size() ? wide[row] : 0;
        return row < narrow.size() ? narrow[row] : 0;
    }

    void set(size_t row, uint32_t id) {
        if (id > 0xFFFF && !isWide) {
            wide.assign(narrow.begin(), narrow.end());
            narrow = {};
            isWide = true;
        }
        if (isWide) {
            if (id == 0 && row >= wide.size()) return;
            if (row >= wide.size()) wide.resize(row + 1, 0);
            wide[row] = id;
        } else {
            if (id == 0 && row >= narrow.size()) return;
            if (row >= narrow.size()) narrow.resize(row + 1, 0);
            narrow[row] = uint16_t(id);
        }
    }

    void insertRow(size_t row) {
        if (isWide && row < wide.size()) wide.insert(wide.begin() + qsizetype(row), 0);
        if (!isWide && row < narrow.size()) narrow.insert(narrow.begin() + qsizetype(row), 0);
    }

    // The values as the datasets hold them, for sorting.
    QVariant variant(uint32_t id) const {
        const Value& v = values[id];
        switch (v.type) {
            case Type::Integer:
                return QVariant(v.integer);
            case Type::Real:
                return QVariant(v.real);
            case Type::Text:
                return QVariant(QString::fromUtf8(v.bytes, qsizetype(v.size)));
            case Type::Blob:
                return QVariant(QByteArray(v.bytes, qsizetype(v.size)));
            case Type::Null:
                break;
        }
        return QVariant();
    }

    const std::vector<int>& sortRanksById() {
        if (ranks.size() != values.size()) {
            std::vector<QVariant> all;
            all.reserve(values.size());
            for (uint32_t id = 0; id < values.size(); ++id) all.push_back(variant(id));
            ranks = sortRanks(all);
        }
        return ranks;
    }

    qint64 bytes() const {
        qint64 total = qint64(narrow.capacity()) * 2 + qint64(wide.capacity()) * 4 + qint64(ranks.capacity()) * 4 +
                       qint64(values.capacity()) * qint64(sizeof(Value));
        for (const auto& block : arena) total += qint64(block.capacity());
        total += qint64(textIds.size() + blobIds.size() + integerIds.size() + realIds.size()) * 48;
        return total;
    }
};

struct IndexedTable {
    QString name;
    std::vector<IndexedColumn> columns;
    std::vector<qint64> rowids;  // ascending
    std::vector<uint8_t> dead;

    int column(const QString& name) const {
        for (size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
        }
        return -1;
    }

    // The current row of "SELECT rowid, * FROM table".
    void upsert(sqlite3_stmt* st) {
        const qint64 rowid = sqlite3_column_int64(st, 0);
        auto it = std::lower_bound(rowids.begin(), rowids.end(), rowid);
        const size_t row = size_t(it - rowids.begin());
        if (it == rowids.end()) {
            rowids.push_back(rowid);
            dead.push_back(0);
        } else if (*it != rowid) {
            rowids.insert(it, rowid);
            dead.insert(dead.begin() + qsizetype(row), 0);
            for (IndexedColumn& c : columns) c.insertRow(row);
        } else {
            dead[row] = 0;
        }
        for (size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].isRowid) continue;
            columns[c].set(row, columns[c].idIn(st, int(c) + 1));
        }
    }

    void remove(qint64 rowid) {
        const auto it = std::lower_bound(rowids.begin(), rowids.end(), rowid);
        if (it != rowids.end() && *it == rowid) dead[size_t(it - rowids.begin())] = 1;
    }

    qint64 bytes() const {
        qint64 total = qint64(rowids.capacity()) * 8 + qint64(dead.capacity());
        for (const IndexedColumn& c : columns) total += c.bytes();
        return total;
    }
};

namespace {

// The columns of a table with what the engine compares them by.
std::vector<IndexedColumn> describe(Connection& db, const QString& table) {
    std::vector<IndexedColumn> columns;
    Statement info(db.handle(), QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
    while (info.step()) {
        IndexedColumn c;
        c.name = info.value(1).toString();
        c.affinity = affinityOf(info.value(2).toString());
        c.isRowid = info.value(5).toInt() == 1 &&
                    info.value(2).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        const char* collation = nullptr;
        const QByteArray tableName = table.toUtf8(), columnName = c.name.toUtf8();
        if (sqlite3_table_column_metadata(db.handle(), "main", tableName.constData(), columnName.constData(), nullptr,
                                          &collation, nullptr, nullptr, nullptr) == SQLITE_OK &&
            collation) {
            c.nocase = qstricmp(collation, "NOCASE") == 0;
        }
        columns.push_back(std::move(c));
    }
    return columns;
}

// Decides a condition for every distinct value of its column: one byte per id.
std::vector<uint8_t> decide(const IndexedColumn& column, const Condition& c) {
    std::vector<uint8_t> byId(column.values.size(), 0);
    if (!c.literal.isValid() || c.literal.isNull()) return byId;
    if (c.op == QLatin1String("like")) {
        const LikePattern pattern(c.literal.toString().toUtf8());
        for (size_t id = 1; id < column.values.size(); ++id) {
            const Value& v = column.values[id];
            if (v.type == Type::Text) {
                byId[id] = pattern.matches(v.view()) ? 1 : 0;
            } else {
                const QByteArray text = textOf(v);  // numbers are matched as the engine writes them
                byId[id] = pattern.matches(std::string_view(text.constData(), size_t(text.size()))) ? 1 : 0;
            }
        }
        return byId;
    }
    // The column's affinity applies to the literal it is compared with.
    Value literal;
    QByteArray literalBytes;
    const bool numericColumn = column.affinity == Affinity::Numeric || column.affinity == Affinity::Integer ||
                               column.affinity == Affinity::Real;
    if (c.literal.typeId() == QMetaType::QString) {
        const std::optional<Value> number = numericColumn ? asNumber(c.literal.toString()) : std::nullopt;
        if (number) {
            literal = *number;
        } else {
            literalBytes = c.literal.toString().toUtf8();
            literal.type = Type::Text;
        }
    } else if (c.literal.typeId() == QMetaType::Double) {
        literal.type = Type::Real;
        literal.real = c.literal.toDouble();
    } else {
        literal.type = Type::Integer;
        literal.integer = c.literal.toLongLong();
    }
    if (column.affinity == Affinity::Text && literal.type != Type::Text) {
        literalBytes = textOf(literal);
        literal.type = Type::Text;
    }
    if (literal.type == Type::Text) {
        literal.bytes = literalBytes.constData();
        literal.size = uint32_t(literalBytes.size());
    }
    for (size_t id = 1; id < column.values.size(); ++id) {
        const int r = compareValues(column.values[id], literal, column.nocase);
        bool ok = false;
        if (c.op == QLatin1String("=")) {
            ok = r == 0;
        } else if (c.op == QLatin1String("<>")) {
            ok = r != 0;
        } else if (c.op == QLatin1String("<")) {
            ok = r < 0;
        } else if (c.op == QLatin1String("<=")) {
            ok = r <= 0;
        } else if (c.op == QLatin1String(">")) {
            ok = r > 0;
        } else {
            ok = r >= 0;
        }
        byId[id] = ok ? 1 : 0;
    }
    return byId;
}

std::optional<double> numberIn(const Value& v) {
    switch (v.type) {
        case Type::Integer:
            return double(v.integer);
        case Type::Real:
            return v.real;
        case Type::Text:
            return parseNumber(QString::fromUtf8(v.bytes, qsizetype(v.size)));
        default:
            return std::nullopt;
    }
}

bool wasInterrupted(const DataError& e) {
    return e.message().contains(QLatin1String("interrupted"));
}

}  // namespace

// ---- HistoryIndex ----

HistoryIndex::HistoryIndex(Connection& main, const QStringList& tables, QObject* parent)
    : QObject(parent), main_(main), tables_(tables) {
    main_.setRowListener([this](const char* table, qint64 rowid) {
        const QString name = QString::fromUtf8(table);
        for (const QString& t : tables_) {
            if (t.compare(name, Qt::CaseInsensitive) == 0) touched_[t].insert(rowid);
        }
    });
    gateId_ = main_.addWriteGate([this] {
        std::lock_guard<std::mutex> lock(readerMutex_);
        if (reader_) reader_->interrupt();
    });
}

HistoryIndex::~HistoryIndex() {
    stop();
    main_.setRowListener({});
    main_.removeWriteGate(gateId_);
}

void HistoryIndex::start(const QString& path, const QByteArray& key) {
    stop();
    stopping_ = false;
    buildDone_ = false;
    buildFailed_ = false;
    const unsigned generation = ++generation_;
    touched_.clear();
    builder_ = std::thread([this, path, key, generation] { build(path, key, generation); });
}

void HistoryIndex::stop() {
    stopping_ = true;
    ++generation_;
    {
        std::lock_guard<std::mutex> lock(readerMutex_);
        if (reader_) reader_->interrupt();
    }
    if (builder_.joinable()) builder_.join();
    ready_.clear();
    {
        std::lock_guard<std::mutex> lock(buildMutex_);
        built_.clear();
    }
    touched_.clear();
    isReady_ = false;
}

bool HistoryIndex::isReady() const {
    return isReady_;
}

bool HistoryIndex::isBuilding() const {
    return !isReady_ && builder_.joinable() && !buildFailed_;
}

bool HistoryIndex::waitUntilReady(int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!isReady_ && std::chrono::steady_clock::now() < until) {
        if (buildDone_) {
            if (builder_.joinable()) builder_.join();
            adopt(generation_);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return isReady_;
}

qint64 HistoryIndex::memoryBytes() const {
    qint64 total = 0;
    for (const auto& t : ready_) total += t->bytes();
    return total;
}

void HistoryIndex::build(QString path, QByteArray key, unsigned generation) {
    std::vector<std::unique_ptr<IndexedTable>> tables;
    try {
        auto reader = std::make_unique<Connection>();
        reader->openReadOnly(path, key);
        {
            std::lock_guard<std::mutex> lock(readerMutex_);
            reader_ = std::move(reader);
        }
        // A writer on the main connection interrupts whatever the reader does: let it finish,
        // then do that step again (the chunks go on from the last row read).
        const auto retrying = [this](const std::function<void()>& step) {
            while (!stopping_) {
                try {
                    step();
                    return;
                } catch (const DataError& e) {
                    if (!wasInterrupted(e) || stopping_) throw;
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            }
        };
        for (const QString& name : tables_) {
            auto table = std::make_unique<IndexedTable>();
            table->name = name;
            retrying([&] { table->columns = describe(*reader_, name); });
            qint64 after = std::numeric_limits<qint64>::min();
            bool more = true;
            while (more && !stopping_) {
                retrying([&] {
                    Statement st(reader_->handle(),
                                 QStringLiteral("SELECT rowid, * FROM \"%1\" WHERE rowid>? ORDER BY rowid LIMIT %2")
                                     .arg(name)
                                     .arg(kChunkRows));
                    st.bind(1, after);
                    int read = 0;
                    while (st.step()) {
                        table->upsert(st.handle());
                        after = table->rowids.back();
                        ++read;
                    }
                    more = read == kChunkRows;
                });
            }
            tables.push_back(std::move(table));
        }
    } catch (const std::exception&) {
        tables.clear();  // the index stays unready; the datasets ask the engine
    }
    {
        std::lock_guard<std::mutex> lock(readerMutex_);
        reader_.reset();
    }
    if (!stopping_ && generation == generation_ && tables.size() == size_t(tables_.size())) {
        std::lock_guard<std::mutex> lock(buildMutex_);
        built_ = std::move(tables);
    } else {
        buildFailed_ = true;
    }
    buildDone_ = true;
    QMetaObject::invokeMethod(
        this, [this, generation] { adopt(generation); }, Qt::QueuedConnection);
}

void HistoryIndex::adopt(unsigned generation) {
    if (generation != generation_ || isReady_) return;
    std::lock_guard<std::mutex> lock(buildMutex_);
    if (built_.empty()) return;
    ready_ = std::move(built_);
    built_.clear();
    isReady_ = true;
    emit ready();
}

IndexedTable* HistoryIndex::tableNamed(const QString& name) const {
    for (const auto& t : ready_) {
        if (t->name.compare(name, Qt::CaseInsensitive) == 0) return t.get();
    }
    return nullptr;
}

bool HistoryIndex::catchUp() {
    if (!isReady_ || !main_.isOpen() || main_.inTransaction()) return false;
    for (auto& [name, rowids] : touched_) {
        IndexedTable* table = tableNamed(name);
        if (!table || rowids.empty()) continue;
        Statement st(main_.handle(), QStringLiteral("SELECT rowid, * FROM \"%1\" WHERE rowid=?").arg(name));
        for (qint64 rowid : rowids) {
            st.reset();
            st.bind(1, rowid);
            if (st.step()) {
                table->upsert(st.handle());
            } else {
                table->remove(rowid);
            }
        }
        rowids.clear();
    }
    return true;
}

std::optional<ProvidedRows> HistoryIndex::select(const QString& tableName, const QString& engineSql,
                                                 const QStringList& sumColumns) {
    const std::optional<ParsedSelect> parsed = parseSelect(engineSql);
    if (!parsed || parsed->table.compare(tableName, Qt::CaseInsensitive) != 0) return std::nullopt;
    IndexedTable* table = tableNamed(tableName);
    if (!table || !catchUp()) return std::nullopt;

    struct Test {
        const IndexedColumn* column;
        std::vector<uint8_t> byId;
    };
    std::vector<Test> tests;
    for (const Condition& c : parsed->conditions) {
        const int col = table->column(c.column);
        if (col < 0 || table->columns[size_t(col)].isRowid) return std::nullopt;
        const IndexedColumn& column = table->columns[size_t(col)];
        tests.push_back({&column, decide(column, c)});
    }
    std::vector<const IndexedColumn*> sumColumnsAt;
    std::vector<std::vector<std::optional<double>>> sumValues;
    for (const QString& name : sumColumns) {
        const int col = table->column(name);
        if (col < 0 || table->columns[size_t(col)].isRowid) return std::nullopt;
        const IndexedColumn& column = table->columns[size_t(col)];
        sumColumnsAt.push_back(&column);
        std::vector<std::optional<double>> numbers;
        numbers.reserve(column.values.size());
        for (const Value& v : column.values) numbers.push_back(numberIn(v));
        sumValues.push_back(std::move(numbers));
    }

    ProvidedRows out;
    out.sums.assign(sumColumnsAt.size(), ColumnSum());
    const size_t rows = table->rowids.size();
    for (size_t r = 0; r < rows; ++r) {
        if (table->dead[r]) continue;
        bool all = true;
        for (const Test& t : tests) {
            if (!t.byId[t.column->at(r)]) {
                all = false;
                break;
            }
        }
        if (!all) continue;
        out.rowids.push_back(table->rowids[r]);
        for (size_t s = 0; s < sumColumnsAt.size(); ++s) {
            const std::optional<double>& n = sumValues[s][sumColumnsAt[s]->at(r)];
            if (n) out.sums[s].add(*n);
        }
    }
    return out;
}

std::optional<std::vector<int>> HistoryIndex::order(const QString& tableName, const std::vector<qint64>& rowids,
                                                    const std::vector<std::pair<QString, bool>>& keys) {
    IndexedTable* table = tableNamed(tableName);
    if (!table || !catchUp()) return std::nullopt;
    // The table's row of each rowid: a walk along both when the rowids ascend, as a list's do.
    std::vector<uint32_t> rowOf(rowids.size());
    size_t walk = 0;
    for (size_t i = 0; i < rowids.size(); ++i) {
        if (i > 0 && rowids[i] <= rowids[i - 1]) walk = 0;
        while (walk < table->rowids.size() && table->rowids[walk] < rowids[i]) ++walk;
        if (walk >= table->rowids.size() || table->rowids[walk] != rowids[i]) {
            const auto it = std::lower_bound(table->rowids.begin(), table->rowids.end(), rowids[i]);
            if (it == table->rowids.end() || *it != rowids[i]) return std::nullopt;
            walk = size_t(it - table->rowids.begin());
        }
        rowOf[i] = uint32_t(walk);
    }
    std::vector<RankKey> rankKeys;
    for (const auto& [name, descending] : keys) {
        const int col = table->column(name);
        if (col < 0) return std::nullopt;
        IndexedColumn& column = table->columns[size_t(col)];
        RankKey key;
        key.descending = descending;
        if (column.isRowid) {
            std::vector<QVariant> values;
            values.reserve(rowids.size());
            for (qint64 id : rowids) values.emplace_back(id);
            key.ranks = sortRanks(values);
        } else {
            const std::vector<int>& ranks = column.sortRanksById();
            key.ranks.resize(rowids.size());
            for (size_t i = 0; i < rowids.size(); ++i) key.ranks[i] = ranks[column.at(rowOf[i])];
        }
        rankKeys.push_back(std::move(key));
    }
    // One set of ranks is kept: those of the columns just sorted by. A column sorted before
    // gives its ranks back.
    for (IndexedColumn& column : table->columns) {
        const bool sorted = std::any_of(keys.begin(), keys.end(), [&column](const auto& key) {
            return key.first.compare(column.name, Qt::CaseInsensitive) == 0;
        });
        if (!sorted) std::vector<int>().swap(column.ranks);
    }
    return orderByRanks(int(rowids.size()), rankKeys);
}

std::optional<std::vector<QVariantList>> HistoryIndex::values(const QString& tableName,
                                                              const std::vector<qint64>& rowids,
                                                              const QStringList& columnNames) {
    IndexedTable* table = tableNamed(tableName);
    if (!table || !catchUp()) return std::nullopt;
    std::vector<const IndexedColumn*> columns;
    for (const QString& name : columnNames) {
        const int col = table->column(name);
        if (col < 0) return std::nullopt;
        columns.push_back(&table->columns[size_t(col)]);
    }
    std::vector<QVariantList> out;
    out.reserve(rowids.size());
    for (qint64 rowid : rowids) {
        const auto it = std::lower_bound(table->rowids.begin(), table->rowids.end(), rowid);
        if (it == table->rowids.end() || *it != rowid) return std::nullopt;
        const size_t row = size_t(it - table->rowids.begin());
        if (table->dead[row]) return std::nullopt;
        QVariantList& values = out.emplace_back();
        values.reserve(qsizetype(columns.size()));
        for (const IndexedColumn* c : columns) values.append(c->isRowid ? QVariant(rowid) : c->variant(c->at(row)));
    }
    return out;
}

std::optional<QVariantList> HistoryIndex::distinctValues(const QString& tableName, const QString& columnName) {
    IndexedTable* table = tableNamed(tableName);
    if (!table || !catchUp()) return std::nullopt;
    const int col = table->column(columnName);
    if (col < 0) return std::nullopt;
    const IndexedColumn& column = table->columns[size_t(col)];
    if (column.isRowid) return std::nullopt;
    // The last row holding each value: of values the column's collation takes for one ("Coke",
    // "COKE"), the engine shows the one of the group's last row.
    constexpr size_t kAbsent = std::numeric_limits<size_t>::max();
    std::vector<size_t> lastRow(column.values.size(), kAbsent);
    for (size_t r = 0; r < table->rowids.size(); ++r) {
        if (!table->dead[r]) lastRow[column.at(r)] = r;
    }
    std::vector<uint32_t> ids;
    for (uint32_t id = 0; id < lastRow.size(); ++id) {
        if (lastRow[id] != kAbsent) ids.push_back(id);
    }
    // Values group by the column's own rules ("Coke" and "COKE" are one group), and the groups
    // list in the Chinese order of the value each shows, as "order by c COLLATE chinese" does.
    const auto same = [&column](uint32_t a, uint32_t b) {
        if (a == 0 || b == 0) return a == b;
        return compareValues(column.values[a], column.values[b], column.nocase) == 0;
    };
    std::sort(ids.begin(), ids.end(), [&column](uint32_t a, uint32_t b) {
        if (a == 0 || b == 0) return a == 0 && b != 0;  // NULL first
        return compareValues(column.values[a], column.values[b], column.nocase) < 0;
    });
    std::vector<uint32_t> shown;
    for (size_t i = 0; i < ids.size();) {
        size_t pick = i, j = i + 1;
        for (; j < ids.size() && same(ids[i], ids[j]); ++j) {
            if (lastRow[ids[j]] > lastRow[ids[pick]]) pick = j;
        }
        shown.push_back(ids[pick]);
        i = j;
    }
    std::stable_sort(shown.begin(), shown.end(), [&column](uint32_t a, uint32_t b) {
        if (a == 0 || b == 0) return a == 0 && b != 0;
        const Value& x = column.values[a];
        const Value& y = column.values[b];
        if (x.type == Type::Text && y.type == Type::Text) {
            return compareChineseUtf8(x.bytes, int(x.size), y.bytes, int(y.size)) < 0;
        }
        return compareValues(x, y, false) < 0;
    });
    QVariantList out;
    out.reserve(qsizetype(shown.size()));
    for (uint32_t id : shown) out.append(column.variant(id));
    return out;
}
