// Dataset: a named row set on the shared connection, as every window uses it.
#include "core/dataset.h"

#include <sqlcipher/sqlite3.h>

#include <QRegularExpression>
#include <algorithm>
#include <unordered_map>

#include "core/background_rows.h"
#include "core/connection.h"
#include "core/errors.h"
#include "core/formats.h"
#include "core/jet_dialect.h"
#include "core/row_provider.h"
#include "core/sort_keys.h"

namespace {

QString quoteName(const QString& name) {
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

constexpr const char* kRowidColumn = "__zenlo_rowid";

// The statement with its string literals emptied, for looking at its words.
QString withoutLiterals(const QString& sql) {
    static const QRegularExpression literal(QStringLiteral("'([^']|'')*'"));
    QString outside = sql;
    outside.replace(literal, QStringLiteral("''"));
    return outside;
}

// Only a plain single-table select can be written back row by row.
bool looksPlainSelect(const QString& sql) {
    static const QRegularExpression startsWithSelect(QStringLiteral("^\\s*select\\s"),
                                                     QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression grouped(
        QStringLiteral("\\b(group|distinct|union|join|having|intersect|except|limit)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    if (!startsWithSelect.match(sql).hasMatch()) return false;
    return !grouped.match(withoutLiterals(sql)).hasMatch();
}

bool hasOrderBy(const QString& sql) {
    static const QRegularExpression orderBy(QStringLiteral("\\border\\s+by\\b"),
                                            QRegularExpression::CaseInsensitiveOption);
    return orderBy.match(withoutLiterals(sql)).hasMatch();
}

QString withRowid(const QString& sql) {
    static const QRegularExpression select(QStringLiteral("^(\\s*select)(\\s)"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString out = sql;
    out.replace(select, QStringLiteral("\\1 rowid AS ") + QLatin1String(kRowidColumn) + QStringLiteral(",\\2"));
    return out;
}

std::optional<QString> normalizedDateTime(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})(?:[ T](\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?$"));
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

// "first,"a","b",NULL": a first column and the columns of the given fields.
QString selectList(const QString& first, const std::vector<int>& fields, const QStringList& names) {
    QString out = first;
    for (int f : fields) out += QLatin1Char(',') + (f >= 0 ? quoteName(names.at(f)) : QStringLiteral("NULL"));
    return out;
}

// The statement's column for each field, matched by name; -1 when the statement has none.
std::vector<int> columnMap(const Statement& st, const QStringList& names, int from) {
    std::vector<int> map;
    for (const QString& name : names) {
        int found = -1;
        for (int c = from; c < st.columnCount() && found < 0; ++c) {
            if (st.columnName(c).compare(name, Qt::CaseInsensitive) == 0) found = c;
        }
        map.push_back(found);
    }
    return map;
}

QVariantList rowOf(const Statement& st, const std::vector<int>& map) {
    QVariantList row;
    row.reserve(qsizetype(map.size()));
    for (int c : map) row.append(c >= 0 ? st.value(c) : QVariant());
    return row;
}

}  // namespace

Dataset::Dataset(Connection& connection, const QString& name, Kind kind, const QString& sqlOrTable, Options options,
                 QObject* parent)
    : QObject(parent),
      connection_(connection),
      name_(name),
      kind_(kind),
      sql_(sqlOrTable),
      options_(std::move(options)) {
    setObjectName(name);
    connection_.attach(this);
}

Dataset::~Dataset() {
    connection_.detach(this);
}

void Dataset::setSql(const QString& sql) {
    close();
    sql_ = sql;
}

void Dataset::setSummedFields(const QStringList& fields) {
    for (const QString& f : fields) {
        bool known = false;
        for (const QString& s : summedFields_) known = known || s.compare(f, Qt::CaseInsensitive) == 0;
        if (!known) {
            summedFields_.append(f);
            sumsValid_ = false;
        }
    }
}

void Dataset::setBackgroundRows(BackgroundRows* background) {
    if (background == background_) return;
    if (background_) disconnect(background_, nullptr, this, nullptr);
    background_ = background;
    if (!background) return;
    connect(background, &BackgroundRows::found, this, &Dataset::adoptFound);
    connect(background, &BackgroundRows::failed, this, &Dataset::adoptFailed);
}

void Dataset::forgetPending() const {
    if (pendingTicket_ == 0) return;
    if (background_) background_->cancel(pendingTicket_);
    pendingTicket_ = 0;
    emit const_cast<Dataset*>(this)->pendingChanged(false);
}

void Dataset::adoptFound(quint64 ticket, const ProvidedRows& rows) {
    if (ticket == 0 || ticket != pendingTicket_ || !isOpen()) return;
    pendingTicket_ = 0;
    rowids_ = rows.rowids;
    const std::vector<int> summed = summedFieldIndexes();
    sums_.assign(summed.size(), ColumnSum());
    for (size_t i = 0; i < summed.size() && i < rows.sums.size(); ++i) sums_[i] = rows.sums[i];
    sumsValid_ = true;
    forgetPages();
    order_.resize(rowids_.size());
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = int(i);
    current_ = order_.empty() ? -1 : pendingMove_ == PendingMove::Last ? int(order_.size()) - 1 : 0;
    // A sort chosen while the rows were looked for applies to them now.
    if (!sort_.isEmpty()) {
        try {
            applySort(sort_);
        } catch (const std::exception&) {
            sort_.clear();
        }
        if (pendingMove_ == PendingMove::Last && !order_.empty()) current_ = int(order_.size()) - 1;
    }
    emit pendingChanged(false);
    emit rowsReset();
    emit currentChanged();
}

void Dataset::adoptFailed(quint64 ticket, const QString& error) {
    if (ticket == 0 || ticket != pendingTicket_) return;
    pendingTicket_ = 0;
    emit pendingChanged(false);
    // The list stays empty; the error surfaces where lists show their errors, in a box.
    qWarning("%s: %s", qPrintable(name_), qPrintable(error));
    emit rowsReset();
}

void Dataset::requireOpen() const {
    if (state_ == State::Inactive) {
        throw DataError(QStringLiteral("数据集“%1”没有打开，不能进行此操作").arg(name_), DataError::Kind::State);
    }
}

void Dataset::requireBrowse(const char* action) const {
    requireOpen();
    if (state_ != State::Browse) {
        throw DataError(QStringLiteral("数据集“%1”正在编辑，不能%2").arg(name_, QString::fromUtf8(action)),
                        DataError::Kind::State);
    }
}

void Dataset::requireWritable() const {
    if (baseTable_.isEmpty()) {
        throw DataError(QStringLiteral("数据集“%1”不能修改").arg(name_), DataError::Kind::State);
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
    bool keyable = looksPlainSelect(engineSql);
    QStringList resultOrigins;
    for (int c = 0; c < columns; ++c) {
        resultFields.append({probe.columnName(c), fieldTypeFromDecl(probe.columnDeclType(c)), 0});
        const QString t = probe.columnTable(c);
        resultOrigins.append(probe.columnOrigin(c));
        if (t.isEmpty()) {
            keyable = false;
        } else if (table.isEmpty()) {
            table = t;
        } else if (t.compare(table, Qt::CaseInsensitive) != 0) {
            keyable = false;
        }
    }

    FieldDefs fields;
    QStringList names;
    QStringList origins;
    if (options_.declaredFields.isEmpty()) {
        fields = resultFields;
        origins = resultOrigins;
        for (const FieldDef& f : resultFields) names.append(f.name);
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
            names.append(resultFields[found].name);
            origins.append(resultOrigins.at(found));
        }
    }
    fields_ = fields;
    resultNames_ = names;
    origins_ = origins;
    keyTable_ = keyable ? table : QString();
    baseTable_ = keyable && !options_.readOnly ? table : QString();
    engineSql_ = engineSql;
    if (options_.windowed) {
        mode_ = keyable ? Mode::Keyed : Mode::Counted;
    } else {
        mode_ = Mode::Whole;
    }
    resetRows();
    try {
        if (mode_ == Mode::Keyed) {
            loadKeyed(engineSql_);
        } else if (mode_ == Mode::Counted) {
            loadCounted(engineSql_);
        } else {
            loadWhole(keyable ? withRowid(engineSql_) : engineSql_, keyable);
        }
    } catch (...) {
        resetRows();
        throw;
    }
}

void Dataset::openTable() {
    Statement info(connection_.handle(), QStringLiteral("PRAGMA table_info(") + quoteName(sql_) + QLatin1Char(')'));
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
    resultNames_ = origins;
    origins_ = origins;
    keyTable_ = sql_;
    baseTable_ = options_.readOnly ? QString() : sql_;
    engineSql_ = QStringLiteral("SELECT * FROM ") + quoteName(sql_);
    // A table is read by rowid a page at a time, and only when someone looks: a history table
    // costs nothing until it is browsed.
    mode_ = Mode::Keyed;
    resetRows();
}

void Dataset::resetRows() const {
    forgetPending();
    rowsLoaded_ = false;
    store_.clear(int(fields_.size()));
    rowids_.clear();
    countedRows_ = 0;
    order_.clear();
    current_ = -1;
    forgetPages();
    sums_.clear();
    sumsValid_ = false;
}

std::vector<int> Dataset::summedFieldIndexes() const {
    std::vector<int> out;
    for (const QString& f : summedFields_) out.push_back(fieldIndex(f));
    return out;
}

void Dataset::loadWhole(const QString& engineSql, bool withRowidColumn) const {
    Statement st(connection_.handle(), engineSql);
    const std::vector<int> map = columnMap(st, resultNames_, withRowidColumn ? 1 : 0);
    store_.clear(int(fields_.size()));
    rowids_.clear();
    order_.clear();
    forgetPages();
    sqlite3_stmt* raw = st.handle();
    while (st.step()) {
        const int row = store_.appendFromStatement(raw, map);
        if (withRowidColumn) rowids_.push_back(sqlite3_column_int64(raw, 0));
        order_.push_back(row);
    }
    mode_ = Mode::Whole;
    rowsLoaded_ = true;
    sumsValid_ = false;
    current_ = order_.empty() ? -1 : 0;
}

void Dataset::loadKeyed(const QString& engineSql) const {
    const std::vector<int> summed = summedFieldIndexes();
    QStringList sumOrigins;
    for (int f : summed) sumOrigins.append(f >= 0 ? origins_.at(f) : QString());
    std::optional<ProvidedRows> provided;
    if (provider_ && !hasOrderBy(engineSql) && !sumOrigins.contains(QString())) {
        provided = provider_->select(keyTable_, engineSql, sumOrigins);
    }
    rowids_.clear();
    sums_.assign(summed.size(), ColumnSum());
    forgetPending();
    if (provided) {
        rowids_ = std::move(provided->rowids);
        for (size_t i = 0; i < summed.size() && i < provided->sums.size(); ++i) sums_[i] = provided->sums[i];
    } else if (background_) {
        // Nothing in memory answers yet: the rows are looked for off the user-interface thread,
        // and the list stays empty and pending until they are found.
        RowsRequest request;
        request.sql = QStringLiteral("SELECT ") + selectList(QLatin1String(kRowidColumn), summed, resultNames_) +
                      QStringLiteral(" FROM (") + withRowid(engineSql) + QLatin1Char(')');
        request.sumColumns = int(summed.size());
        request.sortRowids = !hasOrderBy(engineSql);
        pendingTicket_ = background_->request(this, request);
        pendingMove_ = PendingMove::First;
        emit const_cast<Dataset*>(this)->pendingChanged(true);
    } else {
        // One pass finds the rows and adds up the footers; the other columns are not decoded.
        const QString select = selectList(QLatin1String(kRowidColumn), summed, resultNames_);
        Statement st(connection_.handle(), QStringLiteral("SELECT ") + select + QStringLiteral(" FROM (") +
                                               withRowid(engineSql) + QLatin1Char(')'));
        sqlite3_stmt* raw = st.handle();
        while (st.step()) {
            rowids_.push_back(sqlite3_column_int64(raw, 0));
            for (size_t i = 0; i < summed.size(); ++i) {
                const int type = sqlite3_column_type(raw, int(i) + 1);
                if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                    sums_[i].add(sqlite3_column_double(raw, int(i) + 1));
                } else if (type == SQLITE_TEXT) {
                    sums_[i].add(st.value(int(i) + 1));
                }
            }
        }
        // Without an ORDER BY the rows come in the order they were stored, whatever index the
        // engine chose to find them.
        if (!hasOrderBy(engineSql)) std::sort(rowids_.begin(), rowids_.end());
    }
    order_.resize(rowids_.size());
    for (size_t i = 0; i < order_.size(); ++i) order_[i] = int(i);
    mode_ = Mode::Keyed;
    rowsLoaded_ = true;
    sumsValid_ = true;
    current_ = order_.empty() ? -1 : 0;
}

void Dataset::loadCounted(const QString& engineSql) const {
    const std::vector<int> summed = summedFieldIndexes();
    const QString select = selectList(QStringLiteral("1"), summed, resultNames_);
    Statement st(connection_.handle(),
                 QStringLiteral("SELECT ") + select + QStringLiteral(" FROM (") + engineSql + QLatin1Char(')'));
    sums_.assign(summed.size(), ColumnSum());
    int count = 0;
    while (st.step()) {
        ++count;
        for (size_t i = 0; i < summed.size(); ++i) sums_[i].add(st.value(int(i) + 1));
    }
    countedRows_ = count;
    order_.resize(size_t(count));
    for (int i = 0; i < count; ++i) order_[size_t(i)] = i;
    mode_ = Mode::Counted;
    rowsLoaded_ = true;
    sumsValid_ = true;
    current_ = count == 0 ? -1 : 0;
}

void Dataset::ensureRows() const {
    requireOpen();
    if (rowsLoaded_) return;
    if (mode_ == Mode::Keyed) {
        loadKeyed(engineSql_);
    } else if (mode_ == Mode::Counted) {
        loadCounted(engineSql_);
    } else {
        loadWhole(keyTable_.isEmpty() ? engineSql_ : withRowid(engineSql_), !keyTable_.isEmpty());
    }
}

QString Dataset::quotedTable() const {
    return quoteName(baseTable_.isEmpty() ? keyTable_ : baseTable_);
}

void Dataset::close() {
    if (state_ == State::Inactive) return;
    state_ = State::Inactive;
    buffer_.clear();
    touched_.clear();
    fields_.clear();
    resultNames_.clear();
    origins_.clear();
    baseTable_.clear();
    keyTable_.clear();
    engineSql_.clear();
    resetRows();
    sort_.clear();
    wroteInTransaction_ = false;
    emit rowsReset();
}

int Dataset::execSQL() {
    close();
    return connection_.execute(translateJet(sql_));
}

// ---- pages of a windowed dataset ----

void Dataset::forgetPages() const {
    pages_.clear();
    pageIndex_.clear();
}

const Dataset::Page& Dataset::page(int index) const {
    const auto found = pageIndex_.find(index);
    if (found != pageIndex_.end()) {
        pages_.splice(pages_.begin(), pages_, found->second);
        return *pages_.front().second;
    }
    auto fresh = std::make_shared<Page>();
    const int from = index * kPageRows;
    if (mode_ == Mode::Keyed) {
        const int to = std::min(int(rowids_.size()), from + kPageRows);
        QStringList columns;
        for (const QString& o : origins_) columns.append(quoteName(o));
        QStringList marks;
        for (int i = from; i < to; ++i) marks.append(QStringLiteral("?"));
        fresh->rows.assign(size_t(std::max(0, to - from)), QVariantList(fields_.size()));
        std::optional<std::vector<QVariantList>> provided;
        if (provider_ && to > from && !origins_.contains(QString())) {
            provided = provider_->values(keyTable_, std::vector<qint64>(rowids_.begin() + from, rowids_.begin() + to),
                                         origins_);
        }
        if (provided && provided->size() == size_t(to - from)) {
            fresh->rows = std::move(*provided);
        } else if (to > from) {
            Statement st(connection_.handle(), QStringLiteral("SELECT rowid,") + columns.join(QLatin1Char(',')) +
                                                   QStringLiteral(" FROM ") + quoteName(keyTable_) +
                                                   QStringLiteral(" WHERE rowid IN (") + marks.join(QLatin1Char(',')) +
                                                   QLatin1Char(')'));
            std::unordered_map<qint64, int> at;
            for (int i = from; i < to; ++i) {
                st.bind(i - from + 1, rowids_[size_t(i)]);
                at.emplace(rowids_[size_t(i)], i - from);
            }
            std::vector<int> map(size_t(fields_.size()));
            for (size_t f = 0; f < map.size(); ++f) map[f] = int(f) + 1;
            while (st.step()) {
                const auto slot = at.find(sqlite3_column_int64(st.handle(), 0));
                if (slot != at.end()) fresh->rows[size_t(slot->second)] = rowOf(st, map);
            }
        }
    } else {
        Statement st(connection_.handle(), engineSql_ + QStringLiteral(" LIMIT ? OFFSET ?"));
        st.bind(1, kPageRows);
        st.bind(2, from);
        const std::vector<int> map = columnMap(st, resultNames_, 0);
        while (st.step()) fresh->rows.push_back(rowOf(st, map));
    }
    pages_.emplace_front(index, std::move(fresh));
    pageIndex_[index] = pages_.begin();
    while (int(pages_.size()) > kCachedPages) {
        pageIndex_.erase(pages_.back().first);
        pages_.pop_back();
    }
    return *pages_.front().second;
}

QVariant Dataset::cell(int readPos, int field) const {
    if (mode_ == Mode::Whole) return store_.value(readPos, field);
    const Page& p = page(readPos / kPageRows);
    const size_t slot = size_t(readPos % kPageRows);
    if (slot >= p.rows.size()) return QVariant();
    return p.rows[slot].value(field);
}

QVariantList Dataset::rowAt(int readPos) const {
    if (mode_ == Mode::Whole) return store_.row(readPos);
    const Page& p = page(readPos / kPageRows);
    const size_t slot = size_t(readPos % kPageRows);
    if (slot >= p.rows.size()) return QVariantList(fields_.size());
    return p.rows[slot];
}

qint64 Dataset::rowidAt(int readPos) const {
    return readPos >= 0 && size_t(readPos) < rowids_.size() ? rowids_[size_t(readPos)] : -1;
}

// ---- footer sums ----

void Dataset::addToSums(const QVariantList& row, int sign) const {
    if (!sumsValid_) return;
    const std::vector<int> summed = summedFieldIndexes();
    for (size_t i = 0; i < summed.size() && i < sums_.size(); ++i) {
        if (summed[i] < 0) continue;
        if (sign > 0) {
            sums_[i].add(row.value(summed[i]));
        } else {
            sums_[i].remove(row.value(summed[i]));
        }
    }
}

void Dataset::computeSums() const {
    const std::vector<int> summed = summedFieldIndexes();
    sums_.assign(summed.size(), ColumnSum());
    if (mode_ == Mode::Whole) {
        for (int readPos : order_) {
            for (size_t i = 0; i < summed.size(); ++i) {
                if (summed[i] >= 0) sums_[i].add(store_.value(readPos, summed[i]));
            }
        }
    } else if (mode_ == Mode::Counted) {
        loadCounted(engineSql_);
    } else {
        // A footer asked for after the rows were found: add it up over the rows still shown.
        const QString select = selectList(QStringLiteral("rowid"), summed, origins_);
        std::vector<qint64> shown;
        shown.reserve(order_.size());
        for (int readPos : order_) shown.push_back(rowids_[size_t(readPos)]);
        std::sort(shown.begin(), shown.end());
        Statement st(connection_.handle(),
                     QStringLiteral("SELECT ") + select + QStringLiteral(" FROM ") + quoteName(keyTable_));
        while (st.step()) {
            if (!std::binary_search(shown.begin(), shown.end(), sqlite3_column_int64(st.handle(), 0))) continue;
            for (size_t i = 0; i < summed.size(); ++i) sums_[i].add(st.value(int(i) + 1));
        }
    }
    sumsValid_ = true;
}

ColumnSum Dataset::columnSum(const QString& field) const {
    if (!isOpen()) return ColumnSum();
    ensureRows();
    const int idx = fieldIndex(field);
    if (idx < 0) return ColumnSum();
    qsizetype at = -1;
    for (qsizetype i = 0; i < summedFields_.size(); ++i) {
        if (summedFields_[i].compare(field, Qt::CaseInsensitive) == 0) at = i;
    }
    if (at < 0) {
        const_cast<Dataset*>(this)->summedFields_.append(field);
        at = summedFields_.size() - 1;
        sumsValid_ = false;
    }
    if (!sumsValid_ || size_t(at) >= sums_.size()) computeSums();
    return sums_[size_t(at)];
}

// ---- navigation ----

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
    pendingMove_ = PendingMove::First;
    setCurrent(order_.empty() ? -1 : 0);
    bof_ = true;
    eof_ = order_.empty();
}

void Dataset::last() {
    ensureRows();
    pendingMove_ = PendingMove::Last;
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

// ---- fields ----

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
    return cell(order_[size_t(current_)], idx);
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
    if (isNumberValue(v)) return v.toDouble();
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
    return cell(order_[size_t(row)], fieldIndex);
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
            if (isNumberValue(v)) return qint64(qRound64(v.toDouble()));
            if (const auto i = parseInteger(v.toString())) return *i;
            if (const auto n = parseNumber(v.toString())) return qint64(qRound64(*n));
            throw DataError(QStringLiteral("“%1”不是有效的整数").arg(v.toString()), DataError::Kind::Conversion);
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
            throw DataError(QStringLiteral("“%1”不是有效的日期").arg(v.toString()), DataError::Kind::Conversion);
        }
        case FieldType::Text:
            return isNumberValue(v) ? displayText(v, type) : v.toString();
        case FieldType::Blob:
            return v.toByteArray();
        case FieldType::Unknown:
            return v;
    }
    return v;
}

// ---- editing ----

void Dataset::append() {
    requireBrowse("新增记录");
    requireWritable();
    buffer_ = QVariantList(fields_.size());
    touched_.assign(size_t(fields_.size()), false);
    state_ = State::Insert;
}

void Dataset::edit() {
    requireBrowse("修改记录");
    requireWritable();
    ensureRows();
    if (current_ < 0) {
        throw DataError(QStringLiteral("数据集“%1”是空的，没有可修改的记录").arg(name_), DataError::Kind::State);
    }
    buffer_ = rowAt(order_[size_t(current_)]);
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
                                           QStringLiteral(" FROM ") + quotedTable() + QStringLiteral(" WHERE rowid=?"));
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
        wroteInTransaction_ = connection_.inTransaction();
        state_ = State::Browse;
        buffer_.clear();
        if (rowsLoaded_) {
            const QVariantList stored = readBack(rowid);
            int readPos = 0;
            if (mode_ == Mode::Whole) {
                readPos = store_.append(stored);
            } else {
                readPos = int(rowids_.size());
                const auto cached = pageIndex_.find(readPos / kPageRows);
                if (cached != pageIndex_.end()) {
                    pages_.erase(cached->second);
                    pageIndex_.erase(cached);
                }
            }
            rowids_.push_back(rowid);
            order_.push_back(readPos);
            addToSums(stored, 1);
            current_ = int(order_.size()) - 1;
            emit rowInserted(current_);
            emit currentChanged();
        }
        return;
    }
    // Edit
    const int readPos = order_[size_t(current_)];
    if (!names.isEmpty()) {
        const QVariantList before = rowAt(readPos);
        QStringList assignments;
        for (const QString& n : names) assignments.append(n + QStringLiteral("=?"));
        values.append(rowidAt(readPos));
        connection_.execute(QStringLiteral("UPDATE ") + quotedTable() + QStringLiteral(" SET ") +
                                assignments.join(QLatin1Char(',')) + QStringLiteral(" WHERE rowid=?"),
                            values);
        wroteInTransaction_ = connection_.inTransaction();
        const QVariantList stored = readBack(rowidAt(readPos));
        if (stored.size() == fields_.size()) {
            addToSums(before, -1);
            addToSums(stored, 1);
            if (mode_ == Mode::Whole) {
                store_.replace(readPos, stored);
            } else {
                const auto cached = pageIndex_.find(readPos / kPageRows);
                if (cached != pageIndex_.end()) {
                    cached->second->second->rows[size_t(readPos % kPageRows)] = stored;
                }
            }
        }
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
        throw DataError(QStringLiteral("数据集“%1”是空的，没有可删除的记录").arg(name_), DataError::Kind::State);
    }
    requireWritable();
    const int readPos = order_[size_t(current_)];
    const QVariantList before = sumsValid_ ? rowAt(readPos) : QVariantList();
    connection_.execute(QStringLiteral("DELETE FROM ") + quotedTable() + QStringLiteral(" WHERE rowid=?"),
                        {rowidAt(readPos)});
    wroteInTransaction_ = connection_.inTransaction();
    addToSums(before, -1);
    const int removed = current_;
    order_.erase(order_.begin() + removed);
    current_ = order_.empty() ? -1 : std::min(removed, int(order_.size()) - 1);
    emit rowRemoved(removed);
    emit currentChanged();
}

void Dataset::afterRollback() {
    if (!wroteInTransaction_) return;
    wroteInTransaction_ = false;
    if (!isOpen()) return;
    // Read again what the engine now holds, keeping the order and the place as far as they go.
    cancel();
    const int keep = current_;
    const QString sort = sort_;
    resetRows();
    try {
        ensureRows();
        if (!sort.isEmpty()) applySort(sort);
    } catch (const DataError&) {
        resetRows();
        rowsLoaded_ = true;  // nothing to show rather than a half state
    }
    if (!order_.empty()) current_ = std::clamp(keep, 0, int(order_.size()) - 1);
    emit rowsReset();
    emit currentChanged();
}

// ---- sorting ----

std::vector<int> Dataset::sortFieldsOrThrow(const QString& sort, std::vector<bool>* descending) const {
    std::vector<int> fields;
    for (const QString& part : sort.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        QStringList words = part.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty()) continue;
        bool desc = false;
        if (words.size() > 1) {
            const QString dir = words.last().toUpper();
            if (dir == QLatin1String("DESC") || dir == QLatin1String("ASC")) {
                desc = dir == QLatin1String("DESC");
                words.removeLast();
            }
        }
        const QString name = words.join(QLatin1Char(' '));
        const int idx = fieldIndex(name);
        if (idx < 0) throw DataError(QStringLiteral("%1: 找不到字段“%2”").arg(name_, name));
        fields.push_back(idx);
        descending->push_back(desc);
    }
    return fields;
}

void Dataset::setSort(const QString& sort) {
    ensureRows();
    applySort(sort);
    sort_ = sort;
    emit rowsReset();
    emit currentChanged();
}

void Dataset::applySort(const QString& sort) {
    // Every key is checked before the rows move, so a bad sort leaves them as they were.
    std::vector<bool> descending;
    const std::vector<int> keys = sortFieldsOrThrow(sort, &descending);
    const int keep = current_ >= 0 ? order_[size_t(current_)] : -1;
    if (!keys.empty() && mode_ == Mode::Counted) {
        // Grouped rows have no rowids to sort by: read them whole, as a small list is.
        loadWhole(engineSql_, false);
    }
    // The rows still shown, in the order they were read.
    std::vector<int> alive = order_;
    std::sort(alive.begin(), alive.end());
    if (!keys.empty() && !alive.empty()) {
        std::optional<std::vector<int>> ordered;
        if (mode_ == Mode::Keyed && provider_) {
            std::vector<qint64> rowids;
            rowids.reserve(alive.size());
            for (int readPos : alive) rowids.push_back(rowids_[size_t(readPos)]);
            std::vector<std::pair<QString, bool>> named;
            for (size_t k = 0; k < keys.size(); ++k) named.emplace_back(origins_.at(keys[k]), descending[k]);
            ordered = provider_->order(keyTable_, rowids, named);
        }
        if (!ordered) {
            std::vector<RankKey> rankKeys(keys.size());
            std::vector<std::vector<QVariant>> values(keys.size(), std::vector<QVariant>(alive.size()));
            if (mode_ == Mode::Keyed) {
                // One pass over the table for the sort columns of the rows shown.
                std::unordered_map<qint64, size_t> at;
                at.reserve(alive.size());
                for (size_t i = 0; i < alive.size(); ++i) at.emplace(rowids_[size_t(alive[i])], i);
                const QString select = selectList(QStringLiteral("rowid"), keys, origins_);
                Statement st(connection_.handle(),
                             QStringLiteral("SELECT ") + select + QStringLiteral(" FROM ") + quoteName(keyTable_));
                while (st.step()) {
                    const auto slot = at.find(sqlite3_column_int64(st.handle(), 0));
                    if (slot == at.end()) continue;
                    for (size_t k = 0; k < keys.size(); ++k) values[k][slot->second] = st.value(int(k) + 1);
                }
            } else {
                for (size_t i = 0; i < alive.size(); ++i) {
                    for (size_t k = 0; k < keys.size(); ++k) values[k][i] = store_.value(alive[i], keys[k]);
                }
            }
            for (size_t k = 0; k < keys.size(); ++k) {
                rankKeys[k].ranks = sortRanks(values[k]);
                rankKeys[k].descending = descending[k];
            }
            ordered = orderByRanks(int(alive.size()), rankKeys);
        }
        std::vector<int> sorted;
        sorted.reserve(alive.size());
        for (int i : *ordered) sorted.push_back(alive[size_t(i)]);
        alive = std::move(sorted);
    }
    order_ = std::move(alive);
    current_ = -1;
    for (size_t i = 0; i < order_.size(); ++i) {
        if (order_[i] == keep) current_ = int(i);
    }
    if (current_ < 0 && !order_.empty()) current_ = 0;
}
