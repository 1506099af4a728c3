// Datasets: open, navigate, edit, post, delete, sort, declared fields and conversions.
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>
#include <numeric>

#include "core/dm.h"
#include "core/errors.h"
#include "core/shared_queries.h"
#include "core/sort_keys.h"
#include "support/data_module_test.h"
#include "support/test_registry.h"

class TestDataset : public DataModuleTest {
    Q_OBJECT

    void addLine(const QString& code, const QString& name, double price, double qty) {
        db->exec(QStringLiteral("INSERT INTO data (c,a,[4],[2],[6]) VALUES (?,?,?,?,?)"),
                 {code, name, price, qty, price * qty});
    }

private slots:

    void navigationAndFieldAccess() {
        addLine(QStringLiteral("A"), QStringLiteral("甲"), 2.5, 4);
        addLine(QStringLiteral("B"), QStringLiteral("乙"), 3, 1);
        Dataset& q = dm->ADOQuery15;
        OpenQuery(q, QStringLiteral("select * from data order by id"));
        QCOMPARE(q.recordCount(), 2);
        QCOMPARE(q.recNo(), 1);
        QCOMPARE(q.text(QStringLiteral("c")), QStringLiteral("A"));
        QCOMPARE(q.text(QStringLiteral("6")), QStringLiteral("10"));
        QCOMPARE(q.text(QStringLiteral("4")), QStringLiteral("2.5"));
        QCOMPARE(q.asFloat(QStringLiteral("2")), 4.0);
        QVERIFY(q.isNull(QStringLiteral("b")));
        q.next();
        QCOMPARE(q.text(QStringLiteral("c")), QStringLiteral("B"));
        QVERIFY(!q.eof());
        q.next();
        QVERIFY(q.eof());
        QCOMPARE(q.recNo(), 2);
        q.first();
        QCOMPARE(q.recNo(), 1);
        q.last();
        QCOMPARE(q.text(QStringLiteral("a")), QStringLiteral("乙"));
        QVERIFY_THROWS_EXCEPTION(DataError, q.value(QStringLiteral("nosuch")));
    }

    void emptyAndClosedDatasets() {
        Dataset& q = dm->ADOQuery15;
        OpenQuery(q, QStringLiteral("select * from data order by id"));
        QCOMPARE(q.recordCount(), 0);
        QCOMPARE(q.recNo(), 0);
        QVERIFY(q.eof());
        // An empty list reads as empty fields, not as an error.
        QCOMPARE(q.text(QStringLiteral("c")), QString());
        QVERIFY_THROWS_EXCEPTION(DataError, q.deleteRecord());
        QVERIFY_THROWS_EXCEPTION(DataError, q.edit());
        q.close();
        QVERIFY_THROWS_EXCEPTION(DataError, q.recordCount());
    }

    void declaredFieldsMustBePresent() {
        // The lookup query declares six catalogue columns; a result without them cannot open.
        QVERIFY_THROWS_EXCEPTION(DataError, OpenQuery(dm->ADOQuery5, QStringLiteral("select 商品编码 from sp")));
        QVERIFY(!dm->ADOQuery5.isOpen());
        db->addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2);
        OpenQuery(dm->ADOQuery5, QStringLiteral("select * from sp where [销售单价]>0 "));
        QCOMPARE(dm->ADOQuery5.fieldCount(), 6);
        QCOMPARE(dm->ADOQuery5.field(4).name, QStringLiteral("销售单价"));
        // Only the declared fields are there, even though the statement returned more.
        QVERIFY(!dm->ADOQuery5.hasField(QStringLiteral("进货单价")));
        // The note query declares the note columns; a statement over another table fails.
        QVERIFY_THROWS_EXCEPTION(DataError, OpenQuery(dm->ADOQuery15, QStringLiteral("select * from sp")));
    }

    void editPostWritesTheCurrentRowBack() {
        addLine(QStringLiteral("A"), QStringLiteral("甲"), 2, 1);
        addLine(QStringLiteral("B"), QStringLiteral("乙"), 3, 1);
        Dataset& q = dm->ADOQuery15;
        OpenQuery(q, QStringLiteral("select * from data order by id"));
        q.last();
        QSignalSpy changed(&q, &Dataset::rowChanged);
        q.edit();
        q.setValue(QStringLiteral("2"), QStringLiteral("4"));
        q.setValue(QStringLiteral("6"), 12.0);
        QCOMPARE(q.text(QStringLiteral("2")), QStringLiteral("4"));  // the pending value
        q.post();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(db->scalar(QStringLiteral("SELECT [2] FROM data WHERE c='B'")).toDouble(), 4.0);
        QCOMPARE(db->scalar(QStringLiteral("SELECT [6] FROM data WHERE c='B'")).toDouble(), 12.0);
        QCOMPARE(db->scalar(QStringLiteral("SELECT [2] FROM data WHERE c='A'")).toDouble(), 1.0);
        QCOMPARE(q.text(QStringLiteral("6")), QStringLiteral("12"));
    }

    void editingATableWithoutKeyUsesTheRow() {
        // The catalogue has no id column; two rows even share a code.
        db->addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2);
        db->addGoods(QStringLiteral("6901"), QStringLiteral("可乐二"), 3, 2);
        OpenQuery(dm->ADOQuery12, QStringLiteral("select * from sp"));
        dm->ADOQuery12.last();
        dm->ADOQuery12.edit();
        dm->ADOQuery12.setValue(QStringLiteral("销售单价"), 3.5);
        dm->ADOQuery12.post();
        QCOMPARE(db->scalar(QStringLiteral("SELECT 销售单价 FROM sp WHERE 商品名称='可乐二'")).toDouble(), 3.5);
        QCOMPARE(db->scalar(QStringLiteral("SELECT 销售单价 FROM sp WHERE 商品名称='可乐'")).toDouble(), 3.0);
    }

    void badValuesAreRefusedBeforeWriting() {
        addLine(QStringLiteral("A"), QStringLiteral("甲"), 2, 1);
        Dataset& q = dm->ADOQuery15;
        OpenQuery(q, QStringLiteral("select * from data order by id"));
        q.edit();
        QVERIFY_THROWS_EXCEPTION(DataError, q.setValue(QStringLiteral("2"), QStringLiteral("1.2.3")));
        QVERIFY_THROWS_EXCEPTION(DataError, q.setValue(QStringLiteral("2"), QStringLiteral("")));
        QVERIFY_THROWS_EXCEPTION(DataError, q.setValue(QStringLiteral("day1"), QStringLiteral("2013-02-30")));
        q.cancel();
        QCOMPARE(db->scalar(QStringLiteral("SELECT [2] FROM data")).toDouble(), 1.0);
        // Texts that are numbers are converted as a person typed them.
        q.edit();
        q.setValue(QStringLiteral("4"), QStringLiteral("12."));
        q.setValue(QStringLiteral("3"), QStringLiteral(".5"));
        q.setValue(QStringLiteral("day1"), QStringLiteral("2013-1-5"));
        q.post();
        QCOMPARE(db->scalar(QStringLiteral("SELECT [4] FROM data")).toDouble(), 12.0);
        QCOMPARE(db->scalar(QStringLiteral("SELECT [3] FROM data")).toDouble(), 0.5);
        QCOMPARE(db->scalar(QStringLiteral("SELECT day1 FROM data")).toString(), QStringLiteral("2013-01-05"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT typeof([4]) FROM data")).toString(), QStringLiteral("real"));
    }

    void appendThroughTheTableDataset() {
        Dataset& t = dm->ADOTable5;
        t.open();
        t.append();
        t.setValue(QStringLiteral("a"), QStringLiteral("新行"));
        t.setValue(QStringLiteral("2"), 1.0);
        t.setValue(QStringLiteral("day1"), QDate(2013, 1, 5));
        t.post();
        t.append();
        t.setValue(QStringLiteral("a"), QStringLiteral("第二行"));
        t.post();
        QCOMPARE(db->count(QStringLiteral("data")), 2);
        // The counter is the engine's; the rows come back in insertion order.
        QCOMPARE(t.recordCount(), 2);
        t.last();
        QCOMPARE(t.text(QStringLiteral("a")), QStringLiteral("第二行"));
        QCOMPARE(t.value(QStringLiteral("id")).toInt(), 2);
        // After the rows are read, a further append shows up at once.
        t.append();
        t.setValue(QStringLiteral("a"), QStringLiteral("第三行"));
        t.post();
        QCOMPARE(t.recordCount(), 3);
        QCOMPARE(t.text(QStringLiteral("a")), QStringLiteral("第三行"));
    }

    void deleteRemovesTheCurrentRow() {
        addLine(QStringLiteral("A"), QStringLiteral("甲"), 2, 1);
        addLine(QStringLiteral("B"), QStringLiteral("乙"), 3, 1);
        addLine(QStringLiteral("C"), QStringLiteral("丙"), 4, 1);
        Dataset& q = dm->ADOQuery15;
        OpenQuery(q, QStringLiteral("select * from data order by id"));
        q.setRecNo(2);
        q.deleteRecord();
        QCOMPARE(db->count(QStringLiteral("data")), 2);
        QCOMPARE(db->count(QStringLiteral("data"), QStringLiteral("c='B'")), 0);
        QCOMPARE(q.recordCount(), 2);
        QCOMPARE(q.text(QStringLiteral("c")), QStringLiteral("C"));
        q.deleteRecord();
        QCOMPARE(q.text(QStringLiteral("c")), QStringLiteral("A"));
    }

    void readOnlyDatasetsNeverWrite() {
        db->addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2);
        OpenQuery(dm->ADOQuery6, QStringLiteral("select * from sp"));
        QVERIFY_THROWS_EXCEPTION(DataError, dm->ADOQuery6.edit());
        QVERIFY_THROWS_EXCEPTION(DataError, dm->ADOQuery6.deleteRecord());
        // Grouped rows cannot be written back either.
        OpenQuery(dm->ADOQuery2, QStringLiteral("select 商品编码 from sp group by 商品编码"));
        QVERIFY_THROWS_EXCEPTION(DataError, dm->ADOQuery2.edit());
    }

    void clientSideSort() {
        addLine(QStringLiteral("B"), QStringLiteral("乙"), 10, 1);
        addLine(QStringLiteral("A"), QStringLiteral("甲"), 2.5, 1);
        addLine(QStringLiteral("C"), QStringLiteral("丙"), 3, 1);
        Dataset& q = dm->ADOQuery15;
        OpenQuery(q, QStringLiteral("select * from data order by id"));
        q.setRecNo(3);  // C stays current through the sorts
        auto codes = [&q] {
            QString s;
            for (int i = 0; i < q.recordCount(); ++i) s += q.textAt(i, q.fieldIndex(QStringLiteral("c")));
            return s;
        };
        q.setSort(QStringLiteral("4 DESC"));
        QCOMPARE(codes(), QStringLiteral("BCA"));  // numbers compare as numbers: 10 > 3 > 2.5
        QCOMPARE(q.text(QStringLiteral("c")), QStringLiteral("C"));
        q.setSort(QStringLiteral("4"));
        QCOMPARE(codes(), QStringLiteral("ACB"));
        q.setSort(QStringLiteral("c DESC"));
        QCOMPARE(codes(), QStringLiteral("CBA"));
        q.setSort(QString());
        QCOMPARE(codes(), QStringLiteral("BAC"));
        q.setSort(QStringLiteral("c"));
        // Reopening forgets the order.
        q.close();
        OpenQuery(q, QStringLiteral("select * from data order by id"));
        QCOMPARE(codes(), QStringLiteral("BAC"));
        q.setRecNo(2);
        QVERIFY_THROWS_EXCEPTION(DataError, q.setSort(QStringLiteral("a, nosuch DESC")));
        QCOMPARE(codes(), QStringLiteral("BAC"));  // a bad sort moves nothing
        QCOMPARE(q.text(QStringLiteral("c")), QStringLiteral("A"));
        QCOMPARE(q.sort(), QString());
    }

    void disconnectingClosesEveryDataset() {
        OpenQuery(dm->ADOQuery15, QStringLiteral("select * from data order by id"));
        dm->ADOTable5.open();
        dm->disconnectDatabase();
        QVERIFY(!dm->ADOQuery15.isOpen());
        QVERIFY(!dm->ADOTable5.isOpen());
        QVERIFY_THROWS_EXCEPTION(DataError, dm->ADOTable5.open());
        dm->connectDatabase();
        dm->ADOTable5.open();
        QVERIFY(dm->ADOTable5.isOpen());
    }

    void openingAnOpenDatasetKeepsIt() {
        addLine(QStringLiteral("A"), QStringLiteral("甲"), 2, 1);
        dm->ADOTable5.open();
        dm->ADOTable5.last();
        addLine(QStringLiteral("B"), QStringLiteral("乙"), 2, 1);
        dm->ADOTable5.open();
        QCOMPARE(dm->ADOTable5.recordCount(), 1);  // the rows read before, unchanged
    }
};

namespace {

// A few thousand history lines with the values that make sorting and summing hard: NULLs,
// equal values, Chinese and Latin texts, numbers stored as text, negative amounts.
void fillHistory(TempDatabase& db, int lines) {
    QRandomGenerator random(7);
    const QStringList names = {QStringLiteral("可口可乐"), QStringLiteral("百事可乐"),
                               QStringLiteral("啤酒"),     QStringLiteral("abc"),
                               QStringLiteral("ABC"),      QStringLiteral("Zebra"),
                               QStringLiteral("矿泉水"),   QStringLiteral("10"),
                               QStringLiteral("9"),        QString()};
    Connection& c = db.db();
    Transaction tx(c);
    for (int i = 0; i < lines; ++i) {
        const QString name = names.at(int(random.bounded(names.size())));
        c.execute(
            QStringLiteral("INSERT INTO data1 (a,c,h,[2],[3],[6],day1) VALUES (?,?,?,?,?,?,?)"),
            {name.isEmpty() ? QVariant() : QVariant(name), QString::number(random.bounded(50)),
             QStringLiteral("S%1").arg(i / 4), double(random.bounded(5)),
             random.bounded(10) == 0 ? QVariant() : QVariant(1.5),
             random.bounded(100) == 0 ? QVariant(QStringLiteral("2.5")) : QVariant(random.bounded(-100, 10000) / 100.0),
             QDate(2026, 1, 1).addDays(random.bounded(365)).toString(Qt::ISODate)});
    }
    tx.commit();
}

QList<QVariantList> shownRows(const Dataset& d) {
    QList<QVariantList> rows;
    for (int r = 0; r < d.recordCount(); ++r) {
        QVariantList row;
        for (int f = 0; f < d.fieldCount(); ++f) row.append(d.valueAt(r, f));
        rows.append(row);
    }
    return rows;
}

}  // namespace

// The journal and sync settings are what the durability promise rests on; a rollback must not
// leave rows in the datasets that the file does not hold.
class TestDurability : public DataModuleTest {
    Q_OBJECT

private slots:
    void confirmedSalesSurviveAPowerCut() {
        Connection& c = dm->ADOConnection1;
        QCOMPARE(c.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
        QCOMPARE(c.scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 2);  // FULL
        QCOMPARE(c.scalar(QStringLiteral("PRAGMA busy_timeout")).toInt(), Connection::kBusyTimeoutMs);
    }

    void aRolledBackPostLeavesNoPhantomRow() {
        Dataset& sales = dm->ADOTable6;
        sales.open();
        QCOMPARE(sales.recordCount(), 0);
        db->exec(QStringLiteral("INSERT INTO data (c,a,[2]) VALUES ('A','甲',1)"));
        Dataset& note = dm->ADOQuery15;
        OpenQuery(note, QStringLiteral("select * from data order by id"));
        {
            Transaction tx(dm->ADOConnection1);
            sales.append();
            sales.setValue(QStringLiteral("a"), QStringLiteral("S1"));
            sales.post();
            QCOMPARE(sales.recordCount(), 1);
            note.edit();
            note.setValue(QStringLiteral("2"), 5);
            note.post();
            QCOMPARE(note.text(QStringLiteral("2")), QStringLiteral("5"));
        }  // not committed
        QCOMPARE(db->count(QStringLiteral("data3")), 0);
        QCOMPARE(sales.recordCount(), 0);
        QCOMPARE(note.text(QStringLiteral("2")), QStringLiteral("1"));
        // A committed post stays.
        {
            Transaction tx(dm->ADOConnection1);
            sales.append();
            sales.setValue(QStringLiteral("a"), QStringLiteral("S2"));
            sales.post();
            tx.commit();
        }
        QCOMPARE(sales.recordCount(), 1);
        QCOMPARE(sales.text(QStringLiteral("a")), QStringLiteral("S2"));
    }

    void indexesAreAddedToOlderFiles() {
        db->exec(QStringLiteral("DROP INDEX data1_day1"));
        db->exec(QStringLiteral("DROP INDEX sp_lookup"));
        dm.reset();
        dm = std::make_unique<Tdmfm>(db->path());
        QCOMPARE(db->count(QStringLiteral("sqlite_master"), QStringLiteral("type='index'")), 5);
    }
};

// Windowed lists read their rows a page at a time; they must show exactly what a list read
// whole shows, through sorting, editing and deleting.
class TestWindowedDataset : public DataModuleTest {
    Q_OBJECT

private slots:
    void sortOrderEqualsTheComparisonOrder() {
        QRandomGenerator random(11);
        const QList<QVariant> pool = {QVariant(),
                                      QVariant(3),
                                      QVariant(2.5),
                                      QVariant(-1.0),
                                      QVariant(qint64(10)),
                                      QVariant(QStringLiteral("啊")),
                                      QVariant(QStringLiteral("吧")),
                                      QVariant(QStringLiteral("abc")),
                                      QVariant(QStringLiteral("ABC")),
                                      QVariant(QStringLiteral("10")),
                                      QVariant(QStringLiteral("2")),
                                      QVariant(QStringLiteral("中国")),
                                      QVariant(QStringLiteral("")),
                                      QVariant(QStringLiteral("Ω"))};
        for (int round = 0; round < 50; ++round) {
            std::vector<QVariant> values;
            for (int i = 0; i < 200; ++i) values.push_back(pool.at(int(random.bounded(pool.size()))));
            const bool descending = round % 2 == 1;
            std::vector<int> expected(values.size());
            std::iota(expected.begin(), expected.end(), 0);
            std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
                const int c = compareSortValues(values[size_t(a)], values[size_t(b)]);
                return descending ? c > 0 : c < 0;
            });
            QCOMPARE(orderByRanks(int(values.size()), {{sortRanks(values), descending}}), expected);
        }
    }

    void windowedListsShowWhatWholeListsShow() {
        fillHistory(*db, 1500);
        const QStringList statements = {
            QStringLiteral("select * from data1"),
            QStringLiteral("select * from data1 where [3]>0  and a like '%可乐%'"),
            QStringLiteral("select * from data1 where day1>=#2026-03-01# and day1<=#2026-03-31#"),
            QStringLiteral("select * from data1 where a like '%zzz%'"),
        };
        Dataset whole(dm->ADOConnection1, QStringLiteral("whole"), Dataset::Kind::Query, QString(), {}, this);
        Dataset& windowed = dm->ADOQuery13;
        QVERIFY(windowed.options().windowed);
        windowed.setSummedFields({QStringLiteral("2"), QStringLiteral("6")});
        for (const QString& sql : statements) {
            OpenQuery(windowed, sql);
            // The same statement read whole, in the order rows were stored.
            OpenQuery(whole, sql + (sql.contains(QLatin1String("where")) ? QString() : QStringLiteral(" where 1=1")) +
                                 QStringLiteral(" order by rowid"));
            QCOMPARE(windowed.recordCount(), whole.recordCount());
            QCOMPARE(shownRows(windowed).size(), whole.recordCount());
            for (int r = 0; r < whole.recordCount(); ++r) {
                for (const QString& f :
                     {QStringLiteral("ID"), QStringLiteral("a"), QStringLiteral("6"), QStringLiteral("day1")}) {
                    QCOMPARE(windowed.valueAt(r, windowed.fieldIndex(f)), whole.valueAt(r, whole.fieldIndex(f)));
                }
            }
            for (const QString& f : {QStringLiteral("2"), QStringLiteral("6")}) {
                QCOMPARE(windowed.columnSum(f).text(true), whole.columnSum(f).text(true));
            }
            for (const QString& sort :
                 {QStringLiteral("a"), QStringLiteral("6 DESC"), QStringLiteral("c"), QStringLiteral("a DESC, 6")}) {
                windowed.setSort(sort);
                whole.setSort(sort);
                for (int r = 0; r < whole.recordCount(); ++r) {
                    QCOMPARE(windowed.valueAt(r, windowed.fieldIndex(QStringLiteral("ID"))),
                             whole.valueAt(r, whole.fieldIndex(QStringLiteral("ID"))));
                }
            }
        }
    }

    void editingAWindowedList() {
        fillHistory(*db, 300);
        Dataset& lines = dm->ADOQuery13;
        lines.setSummedFields({QStringLiteral("6")});
        OpenQuery(lines, QStringLiteral("select * from data1"));
        const auto dbSum = [this] { return ColumnSum(); };
        (void)dbSum;
        const auto total = [this] {
            Dataset check(dm->ADOConnection1, QStringLiteral("check"), Dataset::Kind::Query, QString(), {}, this);
            OpenQuery(check, QStringLiteral("select * from data1"));
            return check.columnSum(QStringLiteral("6")).text(true);
        };
        QCOMPARE(lines.columnSum(QStringLiteral("6")).text(true), total());
        lines.setRecNo(200);  // beyond the first pages
        const QVariant id = lines.value(QStringLiteral("ID"));
        lines.edit();
        lines.setValue(QStringLiteral("6"), 1000.25);
        lines.post();
        QCOMPARE(db->scalar(QStringLiteral("SELECT [6] FROM data1 WHERE ID=?"), {id}).toDouble(), 1000.25);
        QCOMPARE(lines.text(QStringLiteral("6")), QStringLiteral("1000.25"));
        QCOMPARE(lines.columnSum(QStringLiteral("6")).text(true), total());
        lines.deleteRecord();
        QCOMPARE(lines.recordCount(), 299);
        QCOMPARE(db->count(QStringLiteral("data1")), 299);
        QCOMPARE(lines.columnSum(QStringLiteral("6")).text(true), total());
        QVERIFY(lines.value(QStringLiteral("ID")) != id);
    }

    void groupedListsCountAndPage() {
        for (int i = 0; i < 150; ++i) {
            db->addGoods(QStringLiteral("69%1").arg(i % 140, 4, 10, QLatin1Char('0')), QStringLiteral("货%1").arg(i), 2,
                         1);
        }
        Dataset& lookup = dm->ADOQuery5;
        QVERIFY(lookup.options().windowed);
        OpenQuery(lookup, lookup.sql());
        Dataset whole(dm->ADOConnection1, QStringLiteral("whole"), Dataset::Kind::Query, QString(), {}, this);
        OpenQuery(whole, lookup.sql());
        QCOMPARE(lookup.recordCount(), whole.recordCount());
        QCOMPARE(lookup.recordCount(), 150);
        for (int r = 0; r < whole.recordCount(); r += 7) {
            QCOMPARE(lookup.textAt(r, 2), whole.textAt(r, 2));
        }
        lookup.setSort(QStringLiteral("商品名称 DESC"));
        whole.setSort(QStringLiteral("商品名称 DESC"));
        for (int r = 0; r < whole.recordCount(); ++r) QCOMPARE(lookup.textAt(r, 2), whole.textAt(r, 2));
        QVERIFY_THROWS_EXCEPTION(DataError, lookup.edit());
    }

    void tablesAreReadOnlyWhenLookedAt() {
        fillHistory(*db, 200);
        Dataset& history = dm->ADOTable2;
        history.open();
        QCOMPARE(history.recordCount(), 200);
        history.last();
        QCOMPARE(history.value(QStringLiteral("ID")).toInt(), 200);
        QVERIFY(history.isWindowed());
    }
};

ZENLO_TEST(TestDurability)
ZENLO_TEST(TestWindowedDataset)
ZENLO_TEST(TestDataset)
#include "tst_dataset.moc"
