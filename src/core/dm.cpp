// Tdmfm: the data module — the one connection and the named datasets all windows share.
#include "core/dm.h"

#include <QFileInfo>

#include "core/errors.h"
#include "core/schema.h"

namespace {

using Kind = Dataset::Kind;

Dataset::Options staticCursor() {
    Dataset::Options o;
    o.staticCursor = true;
    return o;
}

Dataset::Options readOnly() {
    Dataset::Options o;
    o.readOnly = true;
    return o;
}

Dataset::Options declared(const QString& table) {
    Dataset::Options o = staticCursor();
    o.declaredFields = schemaTable(table).columns;
    return o;
}

// The long lists read their rows a page at a time.
Dataset::Options windowed(Dataset::Options o) {
    o.windowed = true;
    return o;
}

Dataset::Options lookupFields() {
    Dataset::Options o = readOnly();
    const QStringList texts = {QStringLiteral("商品编码"), QStringLiteral("商品类别"), QStringLiteral("商品名称"),
                               QStringLiteral("规格型号")};
    for (const QString& name : texts) o.declaredFields.append({name, FieldType::Text, 255});
    o.declaredFields.append({QStringLiteral("销售单价"), FieldType::Float, 0});
    o.declaredFields.append({QStringLiteral("供货商"), FieldType::Text, 255});
    return o;
}

const QString kSelectData = QStringLiteral("select * from data");
const QString kLookupSql = QStringLiteral(
    "select 商品编码,商品类别,商品名称,规格型号,销售单价,供货商 from sp group by "
    "商品编码,商品类别,商品名称,规格型号,销售单价,供货商 order by 商品编码");

}  // namespace

Tdmfm::Tdmfm(const QString& databasePath, QObject* parent)
    : QObject(parent),
      historyIndex(ADOConnection1, {QStringLiteral("data1"), QStringLiteral("data3")}),
      historyRows(ADOConnection1),
      ADOTable5(ADOConnection1, QStringLiteral("ADOTable5"), Kind::Table, QStringLiteral("data"), staticCursor(), this),
      ADOTable6(ADOConnection1, QStringLiteral("ADOTable6"), Kind::Table, QStringLiteral("data3"), staticCursor(),
                this),
      ADOTable2(ADOConnection1, QStringLiteral("ADOTable2"), Kind::Table, QStringLiteral("data1"), {}, this),
      ADOTable4(ADOConnection1, QStringLiteral("ADOTable4"), Kind::Table, QStringLiteral("sp"), staticCursor(), this),
      ADOTable1(ADOConnection1, QStringLiteral("ADOTable1"), Kind::Table, QStringLiteral("data"), staticCursor(), this),
      ADOTable3(ADOConnection1, QStringLiteral("ADOTable3"), Kind::Table, QStringLiteral("data"), {}, this),
      ADOQuery15(ADOConnection1, QStringLiteral("ADOQuery15"), Kind::Query, kSelectData,
                 declared(QStringLiteral("data")), this),
      ADOQuery7(ADOConnection1, QStringLiteral("ADOQuery7"), Kind::Query, kSelectData, declared(QStringLiteral("data")),
                this),
      ADOQuery8(ADOConnection1, QStringLiteral("ADOQuery8"), Kind::Query, kSelectData, declared(QStringLiteral("data")),
                this),
      ADOQuery6(ADOConnection1, QStringLiteral("ADOQuery6"), Kind::Query, QString(), readOnly(), this),
      ADOQuery2(ADOConnection1, QStringLiteral("ADOQuery2"), Kind::Query, QStringLiteral("select * from sp"), {}, this),
      ADOQuery12(ADOConnection1, QStringLiteral("ADOQuery12"), Kind::Query, QString(), windowed({}), this),
      ADOQuery4(ADOConnection1, QStringLiteral("ADOQuery4"), Kind::Query, QString(), readOnly(), this),
      ADOQuery5(ADOConnection1, QStringLiteral("ADOQuery5"), Kind::Query, kLookupSql, windowed(lookupFields()), this),
      ADOQuery13(ADOConnection1, QStringLiteral("ADOQuery13"), Kind::Query, QStringLiteral("select * from data1"),
                 windowed(declared(QStringLiteral("data1"))), this),
      ADOQuery9(ADOConnection1, QStringLiteral("ADOQuery9"), Kind::Query, QStringLiteral("select * from data3"),
                windowed(declared(QStringLiteral("data3"))), this),
      ADOQuery1(ADOConnection1, QStringLiteral("ADOQuery1"), Kind::Query, QStringLiteral("select * from data1"), {},
                this),
      ADOQuery3(ADOConnection1, QStringLiteral("ADOQuery3"), Kind::Query, QString(), {}, this),
      ADOQuery14(ADOConnection1, QStringLiteral("ADOQuery14"), Kind::Query, kSelectData, {}, this),
      databasePath_(databasePath),
      lock_(databasePath) {
    setObjectName(QStringLiteral("dmfm"));
    // Nothing is written to a file before its check has passed.
    checkGate_ = ADOConnection1.addWriteGate([this] {
        if (const std::optional<QString> problem = check_.waitForResult()) {
            throw DataError(QStringLiteral("数据库文件已经损坏（%1），不能再写入。").arg(*problem),
                            DataError::Kind::Damaged);
        }
    });
    connect(&check_, &BackgroundCheck::failed, this, &Tdmfm::databaseDamaged);
    for (Dataset* history : {&ADOQuery13, &ADOQuery9, &ADOTable2, &ADOTable6}) history->setRowProvider(&historyIndex);
    connectDatabase();
}

Tdmfm::~Tdmfm() {
    historyIndex.stop();
    historyRows.stop();
    check_.stop();
    ADOConnection1.removeWriteGate(checkGate_);
    ADOConnection1.close();
}

void Tdmfm::connectDatabase() {
    if (ADOConnection1.isOpen()) return;
    // A directory where no lock file can be made cannot take a restore either: go on without.
    if (lock_.tryLock(Connection::kBusyTimeoutMs) == DatabaseLock::State::HeldElsewhere) {
        throw DataError(QStringLiteral("数据库正在被另一个程序使用。"), DataError::Kind::InUse);
    }
    try {
        ADOConnection1.open(databasePath_, QByteArray(kDatabaseKey));
        // Its tables first, then its pages: at once for a file of ordinary size, in the
        // background for a large one (the first write waits for that check).
        const QString file = QFileInfo(databasePath_).absoluteFilePath();
        if (const QString missing = schemaProblem(ADOConnection1); !missing.isEmpty()) {
            throw DataError(missing, DataError::Kind::Damaged);
        }
        if (QFileInfo(databasePath_).size() <= checkAtOnceBytes) {
            if (const QString damage = pagesProblem(ADOConnection1, file); !damage.isEmpty()) {
                throw DataError(damage, DataError::Kind::Damaged);
            }
        } else {
            check_.start(databasePath_, QByteArray(kDatabaseKey));
        }
        ensureSchemaIndexes(ADOConnection1);
    } catch (...) {
        check_.stop();
        ADOConnection1.close();
        lock_.unlock();
        throw;
    }
    historyRows.setDatabase(databasePath_, QByteArray(kDatabaseKey));
    if (historyIndexWanted_) historyIndex.start(databasePath_, QByteArray(kDatabaseKey));
}

void Tdmfm::disconnectDatabase() {
    // The file may be replaced while disconnected: what the index holds is forgotten.
    historyIndex.stop();
    historyRows.stop();
    check_.stop();
    ADOConnection1.close();
    lock_.unlock();
}

void Tdmfm::startHistoryIndex() {
    historyIndexWanted_ = true;
    for (Dataset* history : {&ADOQuery13, &ADOQuery9}) history->setBackgroundRows(&historyRows);
    if (ADOConnection1.isOpen() && !historyIndex.isReady()) historyIndex.start(databasePath_, QByteArray(kDatabaseKey));
}
