// Datasets: open, navigate, edit, post, delete, sort, declared fields and conversions.
#include <QSignalSpy>
#include <QtTest>

#include "core/dm.h"
#include "core/errors.h"
#include "core/shared_queries.h"
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
        QVERIFY_THROWS_EXCEPTION(DataError,
                                 OpenQuery(dm->ADOQuery5, QStringLiteral("select 商品编码 from sp")));
        QVERIFY(!dm->ADOQuery5.isOpen());
        db->addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2);
        OpenQuery(dm->ADOQuery5, QStringLiteral("select * from sp where [销售单价]>0 "));
        QCOMPARE(dm->ADOQuery5.fieldCount(), 6);
        QCOMPARE(dm->ADOQuery5.field(4).name, QStringLiteral("销售单价"));
        // Only the declared fields are there, even though the statement returned more.
        QVERIFY(!dm->ADOQuery5.hasField(QStringLiteral("进货单价")));
        // The note query declares the note columns; a statement over another table fails.
        QVERIFY_THROWS_EXCEPTION(DataError,
                                 OpenQuery(dm->ADOQuery15, QStringLiteral("select * from sp")));
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

ZENLO_TEST(TestDataset)
#include "tst_dataset.moc"
