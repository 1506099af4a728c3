// HistoryIndex: the sales history held in memory, column by column.
#include "core/history_index.h"

#include <sqlcipher/sqlite3.h>

#include <QHash>
#include <QMetaObject>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <functional>
#include <cmath>
#include <limits>

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

bool isNumber(const QVariant& v) {
    return v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int;
}

bool isNull(const QVariant& v) { return !v.isValid() || v.isNull(); }

// A real number as the engine writes it as text ("%!.15g": 2.0, 0.1, 1.0e+20).
QString engineText(const QVariant& v) {
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        QString s = QString::number(d, 'g', 15);
        if (std::isfinite(d) && !s.contains(QLatin1Char('.'))) {
            const qsizetype e = s.indexOf(QLatin1Char('e'));
            if (e < 0) {
                s += QStringLiteral(".0");
            } else {
                s.insert(e, QStringLiteral(".0"));
            }
        }
        return s;
    }
    if (v.typeId() == QMetaType::QByteArray) return QString::fromUtf8(v.toByteArray());
    return v.toString();
}

// A text literal the engine would take as a number when it meets a numeric column.
std::optional<QVariant> asNumber(const QString& text) {
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    static const QRegularExpression real(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    if (integer.match(text).hasMatch()) {
        bool ok = false;
        const qint64 i = text.trimmed().toLongLong(&ok);
        if (ok) return QVariant(i);
    }
    if (real.match(text).hasMatch()) return QVariant(text.trimmed().toDouble());
    return std::nullopt;
}

std::vector<char32_t> codePoints(const QString& s, bool foldAscii) {
    std::vector<char32_t> out;
    out.reserve(size_t(s.size()));
    for (char32_t c : s.toUcs4()) {
        if (foldAscii && c >= U'A' && c <= U'Z') c += 32;
        out.push_back(c);
    }
    return out;
}

// Text against text: code point order (the engine compares UTF-8 bytes), NOCASE folding only
// the ASCII letters.
int compareTexts(const QString& a, const QString& b, bool nocase) {
    const std::vector<char32_t> x = codePoints(a, nocase);
    const std::vector<char32_t> y = codePoints(b, nocase);
    const auto r = std::lexicographical_compare_three_way(x.begin(), x.end(), y.begin(), y.end());
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int typeClass(const QVariant& v) {
    if (isNull(v)) return 0;
    if (isNumber(v)) return 1;
    if (v.typeId() == QMetaType::QByteArray) return 3;
    return 2;
}

// The engine's order of two non-NULL values: numbers, then texts, then blobs.
int compareEngine(const QVariant& a, const QVariant& b, bool nocase) {
    const int ca = typeClass(a), cb = typeClass(b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 1) {
        if (a.typeId() != QMetaType::Double && b.typeId() != QMetaType::Double) {
            const qint64 x = a.toLongLong(), y = b.toLongLong();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (ca == 3) {
        const QByteArray x = a.toByteArray(), y = b.toByteArray();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return compareTexts(a.toString(), b.toString(), nocase);
}

// The engine's LIKE: "%" any run, "_" one character, ASCII letters without case.
bool likeMatch(const std::vector<char32_t>& p, const std::vector<char32_t>& s) {
    size_t pi = 0, si = 0;
    size_t starP = std::string::npos, starS = 0;
    while (si < s.size()) {
        if (pi < p.size() && p[pi] == U'%') {
            starP = pi++;
            starS = si;
        } else if (pi < p.size() && (p[pi] == U'_' || p[pi] == s[si])) {
            ++pi;
            ++si;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'%') ++pi;
    return pi == p.size();
}

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
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_') || sql.at(j).unicode() >= 0x80)) ++j;
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
    if (!keyword(t[i++], "select") || t[i++].text != QLatin1String("*") || !keyword(t[i++], "from")) return std::nullopt;
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
                c.op = t[i].text == QLatin1String("==") ? QStringLiteral("=")
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
                    if (number.contains(QLatin1Char('.')) || number.contains(QLatin1Char('e')) || number.contains(QLatin1Char('E'))) {
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

QString valueKey(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
            return QStringLiteral("i") + QString::number(v.toLongLong());
        case QMetaType::Double:
            return QStringLiteral("r") + QString::number(v.toDouble(), 'g', 17);
        case QMetaType::QByteArray:
            return QStringLiteral("b") + QString::fromLatin1(v.toByteArray().toHex());
        default:
            return QStringLiteral("t") + v.toString();
    }
}

}  // namespace

// ---- the tables in memory ----

struct IndexedColumn {
    QString name;
    Affinity affinity = Affinity::None;
    bool nocase = false;
    bool isRowid = false;           // the table's INTEGER PRIMARY KEY: the rowid itself
    std::vector<QVariant> values;   // by id; id 0 is NULL
    QHash<QString, uint32_t> ids;
    std::vector<uint32_t> rows;     // id by row; rows past the end are NULL
    std::vector<int> ranks;         // sort rank by id, when computed for this many values

    IndexedColumn() { values.emplace_back(); }

    uint32_t idOf(const QVariant& v) {
        if (isNull(v)) return 0;
        const QString key = valueKey(v);
        const auto found = ids.constFind(key);
        if (found != ids.constEnd()) return *found;
        const uint32_t id = uint32_t(values.size());
        values.push_back(v);
        ids.insert(key, id);
        return id;
    }
    uint32_t at(size_t row) const { return row < rows.size() ? rows[row] : 0; }
    void set(size_t row, uint32_t id) {
        if (id == 0 && row >= rows.size()) return;
        if (row >= rows.size()) rows.resize(row + 1, 0);
        rows[row] = id;
    }
    const std::vector<int>& sortRanksById() {
        if (ranks.size() != values.size()) ranks = sortRanks(values);
        return ranks;
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

    // `values` by column, as "SELECT rowid, *" gives them after the rowid.
    void upsert(qint64 rowid, const QVariantList& values) {
        auto it = std::lower_bound(rowids.begin(), rowids.end(), rowid);
        size_t row = size_t(it - rowids.begin());
        if (it == rowids.end()) {
            rowids.push_back(rowid);
            dead.push_back(0);
        } else if (*it != rowid) {
            rowids.insert(it, rowid);
            dead.insert(dead.begin() + qsizetype(row), 0);
            for (IndexedColumn& c : columns) {
                if (row < c.rows.size()) c.rows.insert(c.rows.begin() + qsizetype(row), 0);
            }
        } else {
            dead[row] = 0;
        }
        for (size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].isRowid) continue;
            columns[c].set(row, columns[c].idOf(values.value(qsizetype(c))));
        }
    }

    void remove(qint64 rowid) {
        const auto it = std::lower_bound(rowids.begin(), rowids.end(), rowid);
        if (it != rowids.end() && *it == rowid) dead[size_t(it - rowids.begin())] = 1;
    }

    qint64 bytes() const {
        qint64 total = qint64(rowids.size()) * 9;
        for (const IndexedColumn& c : columns) {
            total += qint64(c.rows.capacity()) * 4 + qint64(c.ranks.capacity()) * 4;
            for (const QVariant& v : c.values) total += 48 + (v.typeId() == QMetaType::QString ? v.toString().size() * 4 : 0);
        }
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
        c.isRowid = info.value(5).toInt() == 1 && info.value(2).toString().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
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

QVariantList valuesAfterRowid(const Statement& st) {
    QVariantList values;
    for (int c = 1; c < st.columnCount(); ++c) values.append(st.value(c));
    return values;
}

// Whether the value of a row meets a condition, as the engine decides it.
bool meets(const QVariant& value, const Condition& c, const IndexedColumn& column) {
    if (isNull(value) || isNull(c.literal)) return false;
    if (c.op == QLatin1String("like")) {
        return likeMatch(codePoints(c.literal.toString(), true), codePoints(engineText(value), true));
    }
    // The column's affinity applies to the literal it is compared with.
    QVariant literal = c.literal;
    const bool numericColumn = column.affinity == Affinity::Numeric || column.affinity == Affinity::Integer ||
                               column.affinity == Affinity::Real;
    if (numericColumn && literal.typeId() == QMetaType::QString) {
        if (const auto n = asNumber(literal.toString())) literal = *n;
    } else if (column.affinity == Affinity::Text && isNumber(literal)) {
        literal = engineText(literal);
    }
    const int r = compareEngine(value, literal, column.nocase);
    if (c.op == QLatin1String("=")) return r == 0;
    if (c.op == QLatin1String("<>")) return r != 0;
    if (c.op == QLatin1String("<")) return r < 0;
    if (c.op == QLatin1String("<=")) return r <= 0;
    if (c.op == QLatin1String(">")) return r > 0;
    return r >= 0;
}

std::optional<double> numberIn(const QVariant& v) {
    if (isNull(v)) return std::nullopt;
    if (isNumber(v)) return v.toDouble();
    if (v.typeId() == QMetaType::QString) return parseNumber(v.toString());
    return std::nullopt;
}

bool wasInterrupted(const DataError& e) { return e.message().contains(QLatin1String("interrupted")); }

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
    main_.setWriteGate([this] {
        std::lock_guard<std::mutex> lock(readerMutex_);
        if (reader_) reader_->interrupt();
    });
}

HistoryIndex::~HistoryIndex() {
    stop();
    main_.setRowListener({});
    main_.setWriteGate({});
}

void HistoryIndex::start(const QString& path, const QByteArray& key) {
    stop();
    stopping_ = false;
    buildDone_ = false;
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

bool HistoryIndex::isReady() const { return isReady_; }

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
                    Statement st(reader_->handle(), QStringLiteral("SELECT rowid, * FROM \"%1\" WHERE rowid>? ORDER BY rowid LIMIT %2")
                                                        .arg(name)
                                                        .arg(kChunkRows));
                    st.bind(1, after);
                    int read = 0;
                    while (st.step()) {
                        const qint64 rowid = sqlite3_column_int64(st.handle(), 0);
                        table->upsert(rowid, valuesAfterRowid(st));
                        after = rowid;
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
    }
    buildDone_ = true;
    QMetaObject::invokeMethod(this, [this, generation] { adopt(generation); }, Qt::QueuedConnection);
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
                table->upsert(rowid, valuesAfterRowid(st));
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

    // Each condition decided once per distinct value of its column.
    struct Test {
        const IndexedColumn* column;
        std::vector<uint8_t> byId;
        bool rowid;
    };
    std::vector<Test> tests;
    for (const Condition& c : parsed->conditions) {
        const int col = table->column(c.column);
        if (col < 0) return std::nullopt;
        const IndexedColumn& column = table->columns[size_t(col)];
        Test test{&column, {}, column.isRowid};
        if (column.isRowid) return std::nullopt;  // not asked by the windows; the engine knows best
        test.byId.resize(column.values.size());
        for (size_t id = 1; id < column.values.size(); ++id) test.byId[id] = meets(column.values[id], c, column) ? 1 : 0;
        tests.push_back(std::move(test));
    }
    std::vector<int> sumAt;
    std::vector<std::vector<std::optional<double>>> sumValues;
    for (const QString& name : sumColumns) {
        const int col = table->column(name);
        if (col < 0 || table->columns[size_t(col)].isRowid) return std::nullopt;
        sumAt.push_back(col);
        std::vector<std::optional<double>> numbers;
        for (const QVariant& v : table->columns[size_t(col)].values) numbers.push_back(numberIn(v));
        sumValues.push_back(std::move(numbers));
    }

    ProvidedRows out;
    out.sums.assign(sumAt.size(), ColumnSum());
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
        for (size_t s = 0; s < sumAt.size(); ++s) {
            const std::optional<double>& n = sumValues[s][table->columns[size_t(sumAt[s])].at(r)];
            if (n) out.sums[s].add(*n);
        }
    }
    return out;
}

std::optional<std::vector<int>> HistoryIndex::order(const QString& tableName, const std::vector<qint64>& rowids,
                                                    const std::vector<std::pair<QString, bool>>& keys) {
    IndexedTable* table = tableNamed(tableName);
    if (!table || !catchUp()) return std::nullopt;
    std::vector<size_t> rowOf(rowids.size());
    for (size_t i = 0; i < rowids.size(); ++i) {
        const auto it = std::lower_bound(table->rowids.begin(), table->rowids.end(), rowids[i]);
        if (it == table->rowids.end() || *it != rowids[i]) return std::nullopt;
        rowOf[i] = size_t(it - table->rowids.begin());
    }
    std::vector<RankKey> rankKeys;
    for (const auto& [name, descending] : keys) {
        const int col = table->column(name);
        if (col < 0) return std::nullopt;
        IndexedColumn& column = table->columns[size_t(col)];
        RankKey key;
        key.descending = descending;
        key.ranks.resize(rowids.size());
        if (column.isRowid) {
            std::vector<QVariant> values;
            for (qint64 id : rowids) values.emplace_back(id);
            key.ranks = sortRanks(values);
        } else {
            const std::vector<int>& ranks = column.sortRanksById();
            for (size_t i = 0; i < rowids.size(); ++i) key.ranks[i] = ranks[column.at(rowOf[i])];
        }
        rankKeys.push_back(std::move(key));
    }
    return orderByRanks(int(rowids.size()), rankKeys);
}
