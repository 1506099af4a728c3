// The program's own statement texts, run unchanged through the data module's datasets.
#include <QtTest>

#include "core/dm.h"
#include "core/errors.h"
#include "core/jet_dialect.h"
#include "core/shared_queries.h"
#include "support/data_module_test.h"
#include "support/test_registry.h"

class TestJetStatements : public DataModuleTest {
    Q_OBJECT

    void addNoteLine(const QString& code, double qty, double amount,
                     const QString& day = QStringLiteral("2013-01-05")) {
        db->exec(QStringLiteral("INSERT INTO data (a,b,c,d,e,g,h,i,z,[1],[2],[3],[4],[5],[6],[7],day1) "
                                "VALUES ('名称','规格',?,'饮料','E','供货','CJG1',"
                                "'超级管理员','瓶',1.2,?,1.8,2,0,?,0.8,?)"),
                 {code, qty, amount, day});
    }

    void addSale(const QString& serial, const QString& day, double received, double profit) {
        db->exec(QStringLiteral("INSERT INTO data3 (a,b,[1],[2],[3],[4],[5],[6],[7],day1) "
                                "VALUES (?,'超级管理员',?,?,?,0,?,0,0,?)"),
                 {serial, received, received, received, profit, day});
    }

private slots:

    void archiveInsertCopiesEveryLine() {
        addNoteLine(QStringLiteral("A1"), 2, 4);
        addNoteLine(QStringLiteral("B2"), 1.5, 3);
        ExecQuery(dm->ADOQuery8, QStringLiteral("insert into data1(a,b,c,d,h,i,z,1,2,3,4,5,6,7,8,day1)  select "
                                                "a,b,c,d,h,i,z,[1],[2],[3],[4],[5],[6],[7],[8],day1 from data"));
        QCOMPARE(db->count(QStringLiteral("data1")), 2);
        QCOMPARE(db->scalar(QStringLiteral("SELECT [2] FROM data1 WHERE c='B2'")).toDouble(), 1.5);
        QCOMPARE(db->scalar(QStringLiteral("SELECT day1 FROM data1 WHERE c='A1'")).toString(),
                 QStringLiteral("2013-01-05"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT h FROM data1 WHERE c='A1'")).toString(), QStringLiteral("CJG1"));
        // Columns outside the list are not copied.
        QVERIFY(db->scalar(QStringLiteral("SELECT e FROM data1 WHERE c='A1'")).isNull());
        QVERIFY(db->scalar(QStringLiteral("SELECT g FROM data1 WHERE c='A1'")).isNull());
    }

    void archiveInsertOfAnEmptyNoteCopiesNothing() {
        ExecQuery(dm->ADOQuery8, QStringLiteral("insert into data1(a,b,c,d,h,i,z,1,2,3,4,5,6,7,8,day1)  select "
                                                "a,b,c,d,h,i,z,[1],[2],[3],[4],[5],[6],[7],[8],day1 from data"));
        QCOMPARE(db->count(QStringLiteral("data1")), 0);
    }

    void mergeUpdateWithBracketedDigits() {
        addNoteLine(QStringLiteral("A1"), 1, 2);
        ExecQuery(dm->ADOQuery2, QStringLiteral("update data set [2]=[2]+1,[6]=[6]+2.5,[7]=[7]+0.5 "
                                                "where c='A1'"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT [2] FROM data")).toDouble(), 2.0);
        QCOMPARE(db->scalar(QStringLiteral("SELECT [6] FROM data")).toDouble(), 4.5);
        QCOMPARE(db->scalar(QStringLiteral("SELECT [7] FROM data")).toDouble(), 1.3);
    }

    void dateLiteralsBetweenHashes() {
        addNoteLine(QStringLiteral("A1"), 1, 2, QStringLiteral("2013-01-04"));
        addNoteLine(QStringLiteral("B2"), 1, 2, QStringLiteral("2013-01-05"));
        addNoteLine(QStringLiteral("C3"), 1, 2, QStringLiteral("2013-01-06"));
        ExecQuery(dm->ADOQuery8, QStringLiteral("insert into data1(a,b,c,d,h,i,z,1,2,3,4,5,6,7,8,day1)  select "
                                                "a,b,c,d,h,i,z,[1],[2],[3],[4],[5],[6],[7],[8],day1 from data"));
        OpenQuery(dm->ADOQuery13, QStringLiteral("select * from data1 where [3]>0 ") + QStringLiteral(" and day1>=") +
                                      QStringLiteral("#2013-01-05#") + QStringLiteral(" and day1<=") +
                                      QStringLiteral("#2013-01-06#"));
        QCOMPARE(dm->ADOQuery13.recordCount(), 2);
        // A short month and day are the same date.
        OpenQuery(dm->ADOQuery13, QStringLiteral("select * from data1 where day1>=#2013-1-6#"));
        QCOMPARE(dm->ADOQuery13.recordCount(), 1);
        // An empty date field gives a malformed literal: an error, not an empty result.
        QVERIFY_THROWS_EXCEPTION(DataError,
                                 OpenQuery(dm->ADOQuery13, QStringLiteral("select * from data1 where day1>=##")));
    }

    void datePartsAgainstQuotedNumbers() {
        addSale(QStringLiteral("S1"), QStringLiteral("2013-01-05"), 25, 5);
        addSale(QStringLiteral("S2"), QStringLiteral("2013-01-05"), 10, 2);
        addSale(QStringLiteral("S3"), QStringLiteral("2013-03-01"), 7, 1);
        addSale(QStringLiteral("S4"), QStringLiteral("2012-01-05"), 99, 9);
        OpenQuery(dm->ADOQuery2, QStringLiteral("select month([day1]) as 月份,sum([5]) as 总量 from data3 where "
                                                "year([day1])='") +
                                     QStringLiteral("2013") + QStringLiteral("' group by month([day1])"));
        QCOMPARE(dm->ADOQuery2.recordCount(), 2);
        dm->ADOQuery2.first();
        QCOMPARE(dm->ADOQuery2.value(QStringLiteral("月份")).toInt(), 1);
        QCOMPARE(dm->ADOQuery2.asFloat(QStringLiteral("总量")), 7.0);

        OpenQuery(dm->ADOQuery2, QStringLiteral("select day([day1]) as 日期,sum([5]) as 总量 from data3 where "
                                                "month([day1])='") +
                                     QStringLiteral("1") + QStringLiteral("' and year([day1])='") +
                                     QStringLiteral("2013") + QStringLiteral("'  group by day1 order by day1"));
        QCOMPARE(dm->ADOQuery2.recordCount(), 1);
        QCOMPARE(dm->ADOQuery2.value(QStringLiteral("日期")).toInt(), 5);

        // A month that is no number fails with the type-mismatch error.
        QVERIFY_THROWS_EXCEPTION(DataError,
                                 OpenQuery(dm->ADOQuery2, QStringLiteral("select day([day1]) as 日期 from data3 "
                                                                         "where month([day1])='x'")));
        QVERIFY(!dm->ADOQuery2.isOpen());
    }

    void aliasesAndAggregates() {
        db->exec(QStringLiteral("INSERT INTO rz (username,btime) VALUES ('a','2013-01-05 10:00:00')"));
        db->exec(QStringLiteral("INSERT INTO rz (username,btime) VALUES ('b','2013-01-05 11:00:00')"));
        OpenQuery(dm->ADOQuery1, QStringLiteral("select max(id) as maxid from rz"));
        QCOMPARE(dm->ADOQuery1.value(QStringLiteral("maxid")).toInt(), 2);
    }

    void likeAndChineseColumnNames() {
        db->addGoods(QStringLiteral("6901"), QStringLiteral("可口可乐"), 3, 2);
        db->addGoods(QStringLiteral("6902"), QStringLiteral("雪碧"), 0, 2);
        OpenQuery(dm->ADOQuery6,
                  QStringLiteral("select * from sp where 商品编码='") + QStringLiteral("6901") + QStringLiteral("'  "));
        QCOMPARE(dm->ADOQuery6.recordCount(), 1);
        QCOMPARE(dm->ADOQuery6.text(QStringLiteral("商品名称")), QStringLiteral("可口可乐"));
        OpenQuery(dm->ADOQuery5, QStringLiteral("select * from sp where [销售单价]>0 ") +
                                     QStringLiteral(" and 商品名称 like '%") + QStringLiteral("可乐") +
                                     QStringLiteral("%'"));
        QCOMPARE(dm->ADOQuery5.recordCount(), 1);
        OpenQuery(dm->ADOQuery5, QStringLiteral("select * from sp where [销售单价]>0 "));
        QCOMPARE(dm->ADOQuery5.recordCount(), 1);
        // Codes compare without regard to ASCII case.
        db->addGoods(QStringLiteral("abc"), QStringLiteral("小写"), 1, 1);
        OpenQuery(dm->ADOQuery6, QStringLiteral("select * from sp where 商品编码='ABC'  "));
        QCOMPARE(dm->ADOQuery6.recordCount(), 1);
    }

    void quoteFollowedDirectlyByWhere() {
        db->exec(QStringLiteral("INSERT INTO rz (username,btime) VALUES ('a','2013-01-05 10:00:00')"));
        ExecQuery(dm->ADOQuery1, QStringLiteral("update rz set jtime='") + QStringLiteral("2013-01-05 18:30:00") +
                                     QStringLiteral("'") + QStringLiteral("where id=") + QStringLiteral("1"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT jtime FROM rz WHERE id=1")).toString(),
                 QStringLiteral("2013-01-05 18:30:00"));
    }

    void usersWithoutColumnList() {
        ExecQuery(dm->ADOQuery1, QStringLiteral("Insert into userdb values ('") + QStringLiteral("张三") +
                                     QStringLiteral("'") + QStringLiteral(",'") + QStringLiteral("888") +
                                     QStringLiteral("')"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT passwd FROM userdb WHERE username='张三'")).toString(),
                 QStringLiteral("888"));
        // A third column breaks the two-value insert instead of filling it silently.
        db->exec(QStringLiteral("ALTER TABLE userdb ADD COLUMN extra TEXT"));
        QVERIFY_THROWS_EXCEPTION(DataError, ExecQuery(dm->ADOQuery1, QStringLiteral("Insert into userdb values "
                                                                                    "('李四','888')")));
    }

    void emptyingTheNote() {
        addNoteLine(QStringLiteral("A1"), 1, 2);
        ExecQuery(dm->ADOQuery7, QStringLiteral("delete   from   data "));
        QCOMPARE(db->count(QStringLiteral("data")), 0);
    }

    void quotesInValuesStayValues() {
        db->addGoods(QStringLiteral("a'b"), QStringLiteral("带引号"), 1, 1);
        db->addGoods(QStringLiteral("6901"), QStringLiteral("可乐"), 3, 2);
        OpenQuery(dm->ADOQuery6, QStringLiteral("select * from sp where 商品编码='") + sqlText(QStringLiteral("a'b")) +
                                     QStringLiteral("'  "));
        QCOMPARE(dm->ADOQuery6.recordCount(), 1);
        // A value written to widen the condition finds nothing and changes nothing.
        OpenQuery(dm->ADOQuery6, QStringLiteral("select * from sp where 商品编码='") +
                                     sqlText(QStringLiteral("x' or '1'='1")) + QStringLiteral("'  "));
        QCOMPARE(dm->ADOQuery6.recordCount(), 0);
        ExecQuery(dm->ADOQuery1, QStringLiteral("delete from userdb where username='") +
                                     sqlText(QStringLiteral("x' or ''='")) + QStringLiteral("'"));
        QCOMPARE(db->count(QStringLiteral("userdb")), 1);
        // Nor can a second statement ride along.
        QVERIFY_THROWS_EXCEPTION(DataError, ExecQuery(dm->ADOQuery1, QStringLiteral("delete from rz; delete from sp")));
        QCOMPARE(db->count(QStringLiteral("sp")), 2);
    }

    void translationLeavesOtherTextAlone() {
        const QString s = QStringLiteral("select * from sp where 商品名称 like '%#1#%' and [2]>0 ");
        QCOMPARE(translateJet(s), s);
        QCOMPARE(translateJet(QStringLiteral("insert into t(a,1,[2]) values ('1,2',3,4)")),
                 QStringLiteral("insert into t(a,[1],[2]) values ('1,2',3,4)"));
        QCOMPARE(translateJet(QStringLiteral("x where year(d)= '2013'")),
                 QStringLiteral("x where (year(d)= 2013 and d>='2013-01-01' and d<'2014-01-01')"));
        // The goods lookup's groups come in grouped order, without sorting them again.
        QCOMPARE(translateJet(QStringLiteral("select a,b from sp group by a,b order by a")),
                 QStringLiteral("select a,b from sp group by a,b order by a,b"));
        QCOMPARE(translateJet(QStringLiteral("select a,b from sp group by a,b order by b")),
                 QStringLiteral("select a,b from sp group by a,b order by b"));
        QCOMPARE(translateJet(QStringLiteral("select a,b from sp group by a,b order by a desc")),
                 QStringLiteral("select a,b from sp group by a,b order by a desc"));
        // Other comparisons of a year keep their form.
        QCOMPARE(translateJet(QStringLiteral("x where year(d)>'2013'")), QStringLiteral("x where year(d)>2013"));
    }

    // The month view's two patterns mean this month: in January they must not take November,
    // and in a year ending in 1 not the whole year.
    void theMonthViewIsTheMonth_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("codes");
        QTest::newRow("January 2021") << 2021 << 1 << "J";
        QTest::newRow("November 2021") << 2021 << 11 << "N";
        QTest::newRow("December 2021") << 2021 << 12 << "D";
        QTest::newRow("January 2022") << 2022 << 1 << "K";
        QTest::newRow("a month without sales") << 2021 << 2 << "";
    }
    void theMonthViewIsTheMonth() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, codes);
        for (const auto& [code, day] : {std::pair{"J", "2021-01-31"}, std::pair{"N", "2021-11-01"},
                                        std::pair{"D", "2021-12-31"}, std::pair{"K", "2022-01-01"}}) {
            db->exec(QStringLiteral("INSERT INTO data1 (c,[3],day1) VALUES (?,1,?)"),
                     {QString::fromLatin1(code), QString::fromLatin1(day)});
        }
        const QString y = QString::number(year), m = QString::number(month);
        const QString sql = QStringLiteral("select * from data1 where day1 like '") + y + QStringLiteral("-") +
                            QStringLiteral("%' and day1 like '") + QStringLiteral("%") + m + QStringLiteral("-") +
                            QStringLiteral("%'");
        OpenQuery(dm->ADOQuery1, sql);
        QString found;
        for (int r = 0; r < dm->ADOQuery1.recordCount(); ++r)
            found += dm->ADOQuery1.textAt(r, dm->ADOQuery1.fieldIndex(QStringLiteral("c")));
        QCOMPARE(found, codes);
        // It runs as a range on the date, which the date index serves.
        QVERIFY(
            translateJet(sql).contains(QStringLiteral("day1>='%1-%2-01'").arg(y).arg(month, 2, 10, QLatin1Char('0'))));
        QVERIFY(!translateJet(sql).contains(QLatin1String("like")));
    }
};

ZENLO_TEST(TestJetStatements)
#include "tst_jet_statements.moc"
