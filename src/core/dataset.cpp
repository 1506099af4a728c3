// Dataset: a named row set on the shared connection, as every window uses it.
#include "core/dataset.h"

#include <sqlcipher/sqlite3.h>

#include <QCollator>
#include <QRegularExpression>
#include <algorithm>

#include "core/connection.h"
#include "core/errors.h"
#include "core/formats.h"
#include "core/jet_dialect.h"

namespace {

QString quoteName(const QString& name) {
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

constexpr const char* kRowidColumn = "__zenlo_rowid";

bool isNumeric(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Bool:
            return true;
        default:
            return false;
    }
}

// Only a plain single-table select can be written back row by row.
bool looksPlainSelect(const QString& sql) {
    static const QRegularExpression startsWithSelect(QStringLiteral("^\\s*select\\s"),
                                                     QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression grouped(
        QStringLiteral("\\b(group|distinct|union|join|having|intersect|except)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    if (!startsWithSelect.match(sql).hasMatch()) return false;
    // Words inside string literals do not count.
    QString outside = sql;
    static const QRegularExpression literal(QStringLiteral("'([^']|'')*'"));
    outside.replace(literal, QStringLiteral("''"));
    return !grouped.match(outside).hasMatch();
}

QString withRowid(const QString& sql) {
    static const QRegularExpression select(QStringLiteral("^(\\s*select)(\\s)"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString out = sql;
    out.replace(select, QStringLiteral("\\1 rowid AS ") + QLatin1String(kRowidColumn) +
                            QStringLiteral(",\\2"));
    return out;
}

const QCollator& textCollator() {
    static const QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    return collator;
}

int compareValues(const QVariant& a, const QVariant& b) {
    const bool an = !a.isValid() || a.isNull();
    const bool bn = !b.isValid() || b.isNull();
    if (an || bn) return an == bn ? 0 : (an ? -1 : 1);
    const bool anum = isNumeric(a);
    const bool bnum = isNumeric(b);
    if (anum && bnum) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (anum != bnum) return anum ? -1 : 1;
    return textCollator().compare(a.toString(), b.toString());
}

std::optional<QString> normalizedDateTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral(
        "^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?$"));
    const auto m = re.match(trimBlanks(text));
    if (!m.hasMatch()) return std::nullopt;
    const QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid()) return std::nullopt;
    QString out = d.toString(QStringLiteral("yyyy-MM-dd"));
    if (!m.captured(4).isEmpty()) {
        const QTime t(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
        if (!t.isValid()) return std::nullopt;
        if (t != QTime(0, 0)) out += QLatin1Char(' ') + t.toString(QStringLiteral("hh:mm:ss"));
    }
    return out;
}

}  // namespace

Dataset::Dataset(Connection& connection, const QString& name, Kind kind, const QString& sqlOrTable,
                 Options options, QObject* parent)
    : QObject(parent),
      connection_(connection),
      name_(name),
      kind_(kind),
      sql_(sqlOrTable),
      options_(std::move(options)) {
    setObjectName(name);
    connection_.attach(this);
}

Dataset::~Dataset() { connection_.detach(this); }

void Dataset::setSql(const QString& sql) {
    close();
    sql_ = sql;
}

void Dataset::requireOpen() const {
    if (state_ == State::Inactive) {
        throw DataError(QStringLiteral("数据集“%1”没有打开，不能进行此操作").arg(name_),
                        DataError::Kind::State);
    }
}

void Dataset::requireBrowse(const char* action) const {
    requireOpen();
    if (state_ != State::Browse) {
        throw DataError(QStringLiteral("数据集“%1”正在编辑，不能%2").arg(name_, QString::fromUtf8(action)),
                        DataError::Kind::State);
    }
}

void Dataset::open() {
    if (isOpen()) return;
    connection_.handle();
    if (kind_ == Kind::Query) {
        openQuery();
    } else {
        openTable();
    }
    state_ = State::Browse;
    emit rowsReset();
    emit currentChanged();
}

void Dataset::openQuery() {
    const QString engineSql = translateJet(sql_);
    Statement probe(connection_.handle(), engineSql);
    const int columns = probe.columnCount();
    if (columns == 0) {
        throw DataError(QStringLiteral("语句不返回记录集，不能打开：") + sql_);
    }
    FieldDefs resultFields;
    QString table;
    bool writable = !options_.readOnly && looksPlainSelect(engineSql);
    QStringList resultOrigins;
    for (int c = 0; c < columns; ++c) {
        resultFields.append({probe.columnName(c), fieldTypeFromDecl(probe.columnDeclType(c)), 0});
        const QString t = probe.columnTable(c);
        resultOrigins.append(probe.columnOrigin(c));
        if (t.isEmpty()) {
            writable = false;
        } else if (table.isEmpty()) {
            table = t;
        } else if (t.compare(table, Qt::CaseInsensitive) != 0) {
            writable = false;
        }
    }

    FieldDefs fields;
    QStringList origins;
    if (options_.declaredFields.isEmpty()) {
        fields = resultFields;
        origins = resultOrigins;
    } else {
        for (const FieldDef& declared : options_.declaredFields) {
            int found = -1;
            for (int c = 0; c < resultFields.size() && found < 0; ++c) {
                if (resultFields[c].name.compare(declared.name, Qt::CaseInsensitive) == 0) found = c;
            }
            if (found < 0) {
                throw DataError(QStringLiteral("%1: 找不到字段“%2”").arg(name_, declared.name));
            }
            fields.append(declared);
            origins.append(resultOrigins.at(found));
        }
    }
    fields_ = fields;
    origins_ = origins;
    baseTable_ = writable ? table : QString();
    loadRows(writable ? withRowid(engineSql) : engineSql, writable);
}

void Dataset::openTable() {
    Statement info(connection_.handle(),
                   QStringLiteral("PRAGMA table_info(") + quoteName(sql_) + QLatin1Char(')'));
    FieldDefs fields;
    QStringList origins;
    while (info.step()) {
        FieldDef f;
        f.name = info.value(1).toString();
        f.type = fieldTypeFromDecl(info.value(2).toString());
        f.counter = info.value(5).toInt() == 1 && f.type == FieldType::Integer;
        fields.append(f);
        origins.append(f.name);
    }
    if (fields.isEmpty()) throw DataError(QStringLiteral("no such table: ") + sql_);
    fields_ = fields;
    origins_ = origins;
    baseTable_ = options_.readOnly ? QString() : sql_;
    rowsLoaded_ = false;
    store_.clear(int(fields_.size()));
    rowids_.clear();
    order_.clear();
    current_ = -1;
}

void Dataset::loadRows(const QString& engineSql, bool withRowidColumn) const {
    Statement st(connection_.handle(), engineSql);
    std::vector<int> map;
    const int offset = withRowidColumn ? 1 : 0;
    for (const FieldDef& f : fields_) {
        int found = -1;
        for (int c = offset; c < st.columnCount() && found < 0; ++c) {
            if (st.columnName(c).compare(f.name, Qt::CaseInsensitive) == 0) found = c;
        }
        map.push_back(found);
    }
    store_.clear(int(fields_.size()));
    rowids_.clear();
    order_.clear();
    sqlite3_stmt* raw = st.handle();
    while (st.step()) {
        const int row = store_.appendFromStatement(raw, map);
        if (withRowidColumn) rowids_.push_back(sqlite3_column_int64(raw, 0));
        order_.push_back(row);
    }
    rowsLoaded_ = true;
    current_ = order_.empty() ? -1 : 0;
}

void Dataset::ensureRows() const {
    requireOpen();
    if (rowsLoaded_) return;
    loadRows(QStringLiteral("SELECT rowid AS ") + QLatin1String(kRowidColumn) +
                 QStringLiteral(", * FROM ") + quotedTable(),
             true);
}

QString Dataset::quotedTable() const { return quoteName(baseTable_.isEmpty() ? sql_ : baseTable_); }

void Dataset::close() {
    if (state_ == State::Inactive) return;
    state_ = State::Inactive;
    buffer_.clear();
    touched_.clear();
    fields_.clear();
    origins_.clear();
    baseTable_.clear();
    store_.clear(0);
    rowids_.clear();
    order_.clear();
    current_ = -1;
    rowsLoaded_ = false;
    sort_.clear();
    emit rowsReset();
}

int Dataset::execSQL() {
    close();
    return connection_.execute(translateJet(sql_));
}

int Dataset::recordCount() const {
    ensureRows();
    return int(order_.size());
}

int Dataset::recNo() const {
    ensureRows();
    return current_ + 1;
}

void Dataset::setCurrent(int row) {
    eof_ = false;
    bof_ = false;
    if (row == current_) return;
    current_ = row;
    emit currentChanged();
}

void Dataset::setRecNo(int recNo) {
    ensureRows();
    if (order_.empty()) return;
    setCurrent(std::clamp(recNo, 1, int(order_.size())) - 1);
}

void Dataset::first() {
    ensureRows();
    setCurrent(order_.empty() ? -1 : 0);
    bof_ = true;
    eof_ = order_.empty();
}

void Dataset::last() {
    ensureRows();
    setCurrent(int(order_.size()) - 1);
    eof_ = true;
    bof_ = order_.empty();
}

void Dataset::next() {
    ensureRows();
    if (current_ + 1 < int(order_.size())) {
        setCurrent(current_ + 1);
    } else {
        eof_ = true;
    }
}

void Dataset::prior() {
    ensureRows();
    if (current_ > 0) {
        setCurrent(current_ - 1);
    } else {
        bof_ = true;
    }
}

bool Dataset::eof() const {
    ensureRows();
    return order_.empty() || eof_;
}

bool Dataset::bof() const {
    ensureRows();
    return order_.empty() || bof_;
}

int Dataset::fieldIndex(const QString& name) const {
    for (int i = 0; i < fields_.size(); ++i) {
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QVariant Dataset::value(const QString& field) const {
    ensureRows();
    const int idx = fieldIndex(field);
    if (idx < 0) throw DataError(QStringLiteral("%1: 找不到字段“%2”").arg(name_, field));
    if (state_ == State::Edit || state_ == State::Insert) return buffer_.at(idx);
    if (current_ < 0) return QVariant();
    return store_.value(order_[size_t(current_)], idx);
}

QString Dataset::text(const QString& field) const {
    return displayText(value(field), fields_.at(fieldIndex(field)).type);
}

bool Dataset::isNull(const QString& field) const {
    const QVariant v = value(field);
    return !v.isValid() || v.isNull();
}

std::optional<double> Dataset::numberOf(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return std::nullopt;
    if (isNumeric(v)) return v.toDouble();
    if (v.typeId() == QMetaType::QString) return parseNumber(v.toString());
    return std::nullopt;
}

namespace {
double numberOrThrow(const QVariant& v) {
    if (const auto n = Dataset::numberOf(v)) return *n;
    throw DataError(QStringLiteral("“%1”不是有效的数值").arg(v.toString()), DataError::Kind::Conversion);
}
}  // namespace

double Dataset::asFloat(const QString& field) const {
    const QVariant v = value(field);
    if (!v.isValid() || v.isNull()) return 0;
    return numberOrThrow(v);
}

QVariant Dataset::valueAt(int row, int fieldIndex) const {
    ensureRows();
    if (row < 0 || row >= int(order_.size()) || fieldIndex < 0 || fieldIndex >= fields_.size()) {
        return QVariant();
    }
    if (row == current_ && (state_ == State::Edit)) return buffer_.at(fieldIndex);
    return store_.value(order_[size_t(row)], fieldIndex);
}

QString Dataset::textAt(int row, int fieldIndex) const {
    if (fieldIndex < 0 || fieldIndex >= fields_.size()) return QString();
    return displayText(valueAt(row, fieldIndex), fields_.at(fieldIndex).type);
}

QString Dataset::displayText(const QVariant& value, FieldType type) {
    if (!value.isValid() || value.isNull()) return QString();
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            return formatGeneral(value.toDouble());
        case QMetaType::LongLong:
        case QMetaType::Int:
            return QString::number(value.toLongLong());
        case QMetaType::QByteArray:
            return QStringLiteral("(BLOB)");
        default:
            break;
    }
    QString s = value.toString();
    if (type == FieldType::DateTime && s.endsWith(QLatin1String(" 00:00:00"))) s.chop(9);
    return s;
}

QVariant Dataset::convertForField(int idx, const QVariant& v) const {
    if (!v.isValid() || v.isNull()) return QVariant();
    const FieldType type = fields_.at(idx).type;
    switch (type) {
        case FieldType::Float:
            return numberOrThrow(v);
        case FieldType::Integer: {
            if (isNumeric(v)) return qint64(qRound64(v.toDouble()));
            if (const auto i = parseInteger(v.toString())) return *i;
            if (const auto n = parseNumber(v.toString())) return qint64(qRound64(*n));
            throw DataError(QStringLiteral("“%1”不是有效的整数").arg(v.toString()),
                            DataError::Kind::Conversion);
        }
        case FieldType::DateTime: {
            if (v.typeId() == QMetaType::QDate) {
                return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
            }
            if (v.typeId() == QMetaType::QDateTime) {
                const QDateTime dt = v.toDateTime();
                QString out = dt.date().toString(QStringLiteral("yyyy-MM-dd"));
                if (dt.time() != QTime(0, 0)) {
                    out += QLatin1Char(' ') + dt.time().toString(QStringLiteral("hh:mm:ss"));
                }
                return out;
            }
            if (const auto s = normalizedDateTime(v.toString())) return *s;
            throw DataError(QStringLiteral("“%1”不是有效的日期").arg(v.toString()),
                            DataError::Kind::Conversion);
        }
        case FieldType::Text:
            return isNumeric(v) ? displayText(v, type) : v.toString();
        case FieldType::Blob:
            return v.toByteArray();
        case FieldType::Unknown:
            return v;
    }
    return v;
}

void Dataset::append() {
    requireBrowse("新增记录");
    if (baseTable_.isEmpty()) {
        throw DataError(QStringLiteral("数据集“%1”不能修改").arg(name_), DataError::Kind::State);
    }
    buffer_ = QVariantList(fields_.size());
    touched_.assign(size_t(fields_.size()), false);
    state_ = State::Insert;
}

void Dataset::edit() {
    requireBrowse("修改记录");
    if (baseTable_.isEmpty()) {
        throw DataError(QStringLiteral("数据集“%1”不能修改").arg(name_), DataError::Kind::State);
    }
    ensureRows();
    if (current_ < 0) {
        throw DataError(QStringLiteral("数据集“%1”是空的，没有可修改的记录").arg(name_),
                        DataError::Kind::State);
    }
    buffer_ = store_.row(order_[size_t(current_)]);
    touched_.assign(size_t(fields_.size()), false);
    state_ = State::Edit;
}

void Dataset::setValue(const QString& field, const QVariant& value) {
    if (state_ != State::Edit && state_ != State::Insert) {
        throw DataError(QStringLiteral("数据集“%1”不在编辑状态").arg(name_), DataError::Kind::State);
    }
    const int idx = fieldIndex(field);
    if (idx < 0) throw DataError(QStringLiteral("%1: 找不到字段“%2”").arg(name_, field));
    buffer_[idx] = convertForField(idx, value);
    touched_[size_t(idx)] = true;
}

QVariantList Dataset::readBack(qint64 rowid) const {
    QStringList columns;
    for (const QString& o : origins_) columns.append(quoteName(o));
    Statement st(connection_.handle(), QStringLiteral("SELECT ") + columns.join(QLatin1Char(',')) +
                                           QStringLiteral(" FROM ") + quotedTable() +
                                           QStringLiteral(" WHERE rowid=?"));
    st.bind(1, rowid);
    QVariantList out;
    if (st.step()) {
        for (int c = 0; c < st.columnCount(); ++c) out.append(st.value(c));
    }
    return out;
}

void Dataset::post() {
    if (state_ == State::Browse) return;
    requireOpen();
    QStringList names;
    QVariantList values;
    for (int i = 0; i < fields_.size(); ++i) {
        if (!touched_[size_t(i)]) continue;
        names.append(quoteName(origins_.at(i)));
        values.append(buffer_.at(i));
    }
    if (state_ == State::Insert) {
        QString sql = QStringLiteral("INSERT INTO ") + quotedTable();
        if (names.isEmpty()) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks;
            for (int i = 0; i < names.size(); ++i) marks.append(QStringLiteral("?"));
            sql += QStringLiteral(" (") + names.join(QLatin1Char(',')) + QStringLiteral(") VALUES (") +
                   marks.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        connection_.execute(sql, values);
        const qint64 rowid = connection_.lastInsertRowId();
        state_ = State::Browse;
        buffer_.clear();
        if (rowsLoaded_) {
            QVariantList stored = readBack(rowid);
            const int row = store_.append(stored);
            rowids_.push_back(rowid);
            order_.push_back(row);
            current_ = int(order_.size()) - 1;
            emit rowInserted(current_);
            emit currentChanged();
        }
        return;
    }
    // Edit
    const int storeRow = order_[size_t(current_)];
    if (!names.isEmpty()) {
        QStringList assignments;
        for (const QString& n : names) assignments.append(n + QStringLiteral("=?"));
        values.append(rowids_[size_t(storeRow)]);
        connection_.execute(QStringLiteral("UPDATE ") + quotedTable() + QStringLiteral(" SET ") +
                                assignments.join(QLatin1Char(',')) +
                                QStringLiteral(" WHERE rowid=?"),
                            values);
        QVariantList stored = readBack(rowids_[size_t(storeRow)]);
        if (stored.size() == fields_.size()) store_.replace(storeRow, stored);
    }
    state_ = State::Browse;
    buffer_.clear();
    emit rowChanged(current_);
}

void Dataset::cancel() {
    if (state_ != State::Edit && state_ != State::Insert) return;
    state_ = State::Browse;
    buffer_.clear();
    touched_.clear();
}

void Dataset::deleteRecord() {
    requireBrowse("删除记录");
    ensureRows();
    if (current_ < 0) {
        throw DataError(QStringLiteral("数据集“%1”是空的，没有可删除的记录").arg(name_),
                        DataError::Kind::State);
    }
    if (baseTable_.isEmpty()) {
        throw DataError(QStringLiteral("数据集“%1”不能修改").arg(name_), DataError::Kind::State);
    }
    const int storeRow = order_[size_t(current_)];
    connection_.execute(QStringLiteral("DELETE FROM ") + quotedTable() +
                            QStringLiteral(" WHERE rowid=?"),
                        {rowids_[size_t(storeRow)]});
    const int removed = current_;
    order_.erase(order_.begin() + removed);
    current_ = order_.empty() ? -1 : std::min(removed, int(order_.size()) - 1);
    emit rowRemoved(removed);
    emit currentChanged();
}

void Dataset::setSort(const QString& sort) {
    ensureRows();
    applySort(sort);
    sort_ = sort;
    emit rowsReset();
    emit currentChanged();
}

void Dataset::applySort(const QString& sort) {
    struct Key {
        int field;
        bool descending;
    };
    // Every key is checked before the rows move, so a bad sort leaves them as they were.
    std::vector<Key> keys;
    for (const QString& part : sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QStringList words = part.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty()) continue;
        bool descending = false;
        if (words.size() > 1) {
            const QString dir = words.last().toUpper();
            if (dir == QLatin1String("DESC") || dir == QLatin1String("ASC")) {
                descending = dir == QLatin1String("DESC");
                words.removeLast();
            }
        }
        const QString name = words.join(QLatin1Char(' '));
        const int idx = fieldIndex(name);
        if (idx < 0) throw DataError(QStringLiteral("%1: 找不到字段“%2”").arg(name_, name));
        keys.push_back({idx, descending});
    }
    const int keep = current_ >= 0 ? order_[size_t(current_)] : -1;
    std::sort(order_.begin(), order_.end());
    if (!keys.empty()) {
        // One read per row and key, then compare the copies.
        std::vector<std::vector<QVariant>> values(keys.size());
        for (size_t k = 0; k < keys.size(); ++k) {
            values[k].resize(size_t(store_.rowCount()));
            for (int row : order_) values[k][size_t(row)] = store_.value(row, keys[k].field);
        }
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
            for (size_t k = 0; k < keys.size(); ++k) {
                const int c = compareValues(values[k][size_t(a)], values[k][size_t(b)]);
                if (c != 0) return keys[k].descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    current_ = -1;
    for (size_t i = 0; i < order_.size(); ++i) {
        if (order_[i] == keep) current_ = int(i);
    }
    if (current_ < 0 && !order_.empty()) current_ = 0;
}
