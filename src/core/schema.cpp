// The database layout in one place.
#include "core/schema.h"

#include <QRegularExpression>

#include <stdexcept>

#include "core/connection.h"

namespace {

FieldDef text(const QString& name, int size = 255) {
    return {name, FieldType::Text, size};
}
FieldDef dbl(const QString& name) {
    return {name, FieldType::Float, 0};
}
FieldDef date(const QString& name) {
    return {name, FieldType::DateTime, 0};
}
FieldDef counter(const QString& name) {
    return {name, FieldType::Integer, 0, true};
}

FieldDefs digits(int from, int to) {
    FieldDefs out;
    for (int i = from; i <= to; ++i) out.append(dbl(QString::number(i)));
    return out;
}

FieldDefs letters(const QString& which, int size = 255) {
    FieldDefs out;
    for (QChar c : which) out.append(text(QString(c), size));
    return out;
}

FieldDefs dates(const QList<int>& which) {
    FieldDefs out;
    for (int i : which) out.append(date(QStringLiteral("day%1").arg(i)));
    return out;
}

QList<TableDef> buildTables() {
    QList<TableDef> tables;
    // Lines of the note being built at the counter.
    tables.append(
        {QStringLiteral("data"), FieldDefs{counter(QStringLiteral("id"))} + letters(QStringLiteral("abc")) +
                                     FieldDefs{text(QStringLiteral("d"), 20)} + letters(QStringLiteral("ef")) +
                                     letters(QStringLiteral("gh"), 20) + FieldDefs{text(QStringLiteral("i"), 0)} +
                                     FieldDefs{text(QStringLiteral("z"), 20)} + digits(1, 9) + dates({1, 6})});
    // Sales history lines. The texts are declared 20 wide but copies of 255-wide note texts
    // land here, so the stored width is 255.
    tables.append({QStringLiteral("data1"), FieldDefs{counter(QStringLiteral("ID"))} +
                                                letters(QStringLiteral("abcdefghijklmnopqrstuvwxyz")) + digits(1, 9) +
                                                dates({1, 2, 3, 4, 5, 6}) +
                                                FieldDefs{{QStringLiteral("a5"), FieldType::Integer, 0}}});
    // One row per settled sale.
    tables.append({QStringLiteral("data3"), FieldDefs{counter(QStringLiteral("ID"))} +
                                                letters(QStringLiteral("abcdefghijklmnopqrstuvwxyz")) + digits(1, 9) +
                                                dates({1, 2, 3, 4, 5, 6})});
    // Goods catalogue.
    tables.append(
        {QStringLiteral("sp"),
         {text(QStringLiteral("商品编码")), text(QStringLiteral("商品类别")), text(QStringLiteral("商品名称")),
          text(QStringLiteral("规格型号")), dbl(QStringLiteral("进货单价")), dbl(QStringLiteral("销售单价")),
          dbl(QStringLiteral("会员价")), text(QStringLiteral("单位"), 0), text(QStringLiteral("供货商")),
          text(QStringLiteral("ghspy"), 0), text(QStringLiteral("sppy"), 0), text(QStringLiteral("lbpy"), 0)}});
    // Users: name first, password second; new users are inserted without a column list.
    tables.append({QStringLiteral("userdb"), {text(QStringLiteral("username"), 0), text(QStringLiteral("passwd"), 0)}});
    // Login log.
    tables.append({QStringLiteral("rz"),
                   {counter(QStringLiteral("id")), text(QStringLiteral("username"), 0), date(QStringLiteral("btime")),
                    date(QStringLiteral("jtime"))}});
    return tables;
}

QString columnSql(const QString& table, const FieldDef& f) {
    const QString name = QLatin1Char('"') + f.name + QLatin1Char('"');
    if (f.counter) return name + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
    switch (f.type) {
        case FieldType::Float:
            return name + QStringLiteral(" DOUBLE");
        case FieldType::Integer:
            return name + QStringLiteral(" INTEGER");
        case FieldType::DateTime:
            return name + QStringLiteral(" DATETIME");
        default:
            break;
    }
    // Texts compare without regard to ASCII case (a code typed in small letters finds its
    // goods); passwords are the exception and compare exactly.
    const QString type = f.size > 0 ? QStringLiteral(" TEXT(%1)").arg(f.size) : QStringLiteral(" TEXT");
    const bool exact = table == QLatin1String("userdb") && f.name == QLatin1String("passwd");
    return name + type + (exact ? QString() : QStringLiteral(" COLLATE NOCASE"));
}

}  // namespace

const QList<TableDef>& schemaTables() {
    static const QList<TableDef> tables = buildTables();
    return tables;
}

const TableDef& schemaTable(const QString& name) {
    for (const TableDef& t : schemaTables()) {
        if (t.name == name) return t;
    }
    throw std::out_of_range("unknown table");
}

QStringList schemaStatements() {
    QStringList out;
    for (const TableDef& t : schemaTables()) {
        QStringList columns;
        for (const FieldDef& f : t.columns) columns.append(columnSql(t.name, f));
        out.append(QStringLiteral("CREATE TABLE \"%1\" (%2)").arg(t.name, columns.join(QStringLiteral(", "))));
    }
    out.append(schemaIndexStatements());
    return out;
}

QStringList schemaIndexStatements() {
    return {
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"sp_商品编码\" ON \"sp\" (\"商品编码\")"),
        // The goods lookup groups the catalogue by these six columns in this order: read from
        // this index, its first rows come without sorting the whole catalogue.
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"sp_lookup\" ON \"sp\" "
                       "(\"商品编码\",\"商品类别\",\"商品名称\",\"规格型号\",\"销售单价\",\"供货商\")"),
        // The day and month views and the charts find their dates as ranges.
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"data1_day1\" ON \"data1\" (\"day1\")"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"data3_day1\" ON \"data3\" (\"day1\")"),
        // A serial is looked up before it is stored: no sale may take one a sale has.
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"data3_a\" ON \"data3\" (\"a\")"),
    };
}

void ensureSchemaIndexes(Connection& connection) {
    QStringList missing;
    for (const QString& statement : schemaIndexStatements()) {
        static const QRegularExpression name(QStringLiteral("EXISTS \"([^\"]+)\""));
        const QString index = name.match(statement).captured(1);
        if (connection
                .scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='index' AND name=?"), {index})
                .toInt() == 0) {
            missing.append(statement);
        }
    }
    if (missing.isEmpty()) return;
    Transaction tx(connection);
    for (const QString& statement : missing) connection.execute(statement);
    tx.commit();
}

void createSchema(Connection& connection) {
    Transaction tx(connection);
    for (const QString& statement : schemaStatements()) connection.execute(statement);
    connection.execute(QStringLiteral("INSERT INTO userdb (username, passwd) VALUES (?, ?)"),
                       {kSuperAdministrator, kDefaultPassword});
    tx.commit();
}
