// The sales window's statements, text for text, and what they select.
#include <QtTest>

#include "core/jet_dialect.h"
#include "sales/sales_queries.h"
#include "support/test_registry.h"

Q_DECLARE_METATYPE(SalesLineFilters)

class TestSalesQueries : public QObject {
    Q_OBJECT

private slots:
    void lineQueries_data() {
        QTest::addColumn<SalesLineFilters>("filters");
        QTest::addColumn<QString>("sql");
        QTest::newRow("nothing typed") << SalesLineFilters{} << "select * from data1 where [3]>0 ";
        SalesLineFilters name;
        name.name = QStringLiteral("可乐");
        QTest::newRow("a name") << name << "select * from data1 where [3]>0  and a like '%可乐%'";
        SalesLineFilters all;
        all.category = QStringLiteral("饮料");
        all.name = QStringLiteral("可乐 ");  // as typed, blank and all
        all.serial = QStringLiteral("CJG");
        all.code = QStringLiteral("690");
        all.spec = QStringLiteral("500");
        all.operatorName = QStringLiteral("王");
        all.dateRange = true;
        all.fromDate = QStringLiteral("2026-12-01");
        all.toDate = QStringLiteral("2026-12-09");
        QTest::newRow("every field, in the window's order")
            << all
            << "select * from data1 where [3]>0  and d like '%饮料%' and a like '%可乐 %' and h like '%CJG%' and c "
               "like "
               "'%690%' and b like '%500%' and i like '%王%' and day1>=#2026-12-01# and day1<=#2026-12-09#";
        SalesLineFilters quote;
        quote.name = QStringLiteral("O'Brien");
        QTest::newRow("a quote stays a value") << quote << "select * from data1 where [3]>0  and a like '%O''Brien%'";
    }
    void lineQueries() {
        QFETCH(SalesLineFilters, filters);
        QFETCH(QString, sql);
        QCOMPARE(salesLineQuery(filters), sql);
    }

    void otherStatements() {
        QCOMPARE(salesQuery(QStringLiteral("CJG1212")), QStringLiteral("select * from data3 where a like '%CJG1212%'"));
        QCOMPARE(monthLinesQuery(2026, 3),
                 QStringLiteral("select * from data1 where day1 like '2026-%' and day1 like '%3-%'"));
        QCOMPARE(monthSalesQuery(2026, 12),
                 QStringLiteral("select * from data3 where day1 like '2026-%' and day1 like '%12-%'"));
        QCOMPARE(monthlyChartQuery(ChartMeasure::Profit, QStringLiteral("2013")),
                 QStringLiteral("select month([day1]) as 月份,sum([5]) as 总量 from data3 where year([day1])='2013' "
                                "group by month([day1])"));
        QCOMPARE(monthlyChartQuery(ChartMeasure::Sales, QStringLiteral("2013")),
                 QStringLiteral("select month([day1]) as 月份,sum([2]) as 总量 from data3 where year([day1])='2013' "
                                "group by month([day1])"));
        QCOMPARE(dailyChartQuery(ChartMeasure::Profit, QStringLiteral("12"), QStringLiteral("2013")),
                 QStringLiteral("select day([day1]) as 日期,sum([5]) as 总量 from data3 where month([day1])='12' and "
                                "year([day1])='2013'  group by day1 order by day1"));
        QCOMPARE(dailyChartQuery(ChartMeasure::Sales, QStringLiteral("1"), QStringLiteral("2013")),
                 QStringLiteral("select day([day1]) as 日期,sum([2]) as 总量 from data3 where month([day1])='1' and "
                                "year([day1])='2013'  group by day1 order by day1"));
        // The month view reaches the engine as a range on the date.
        QCOMPARE(translateJet(monthLinesQuery(2026, 12)),
                 QStringLiteral("select * from data1 where day1>='2026-12-01' and day1<'2027-01-01'"));
    }
};

ZENLO_TEST(TestSalesQueries)
#include "tst_sales_queries.moc"
