// The statements of the sales window.
#include "sales/sales_queries.h"

#include <set>

#include "core/connection.h"
#include "core/jet_dialect.h"

namespace {
QString monthPatterns(int year, int month) {
    return QStringLiteral(" where day1 like '") + QString::number(year) + QStringLiteral("-") +
           QStringLiteral("%' and day1 like '") + QStringLiteral("%") + QString::number(month) + QStringLiteral("-") +
           QStringLiteral("%'");
}
}  // namespace

QString salesLineQuery(const SalesLineFilters& f) {
    QString sql = QStringLiteral("select * from data1 where [3]>0 ");
    sql += likeConditions({{QStringLiteral("d"), f.category},
                           {QStringLiteral("a"), f.name},
                           {QStringLiteral("h"), f.serial},
                           {QStringLiteral("c"), f.code},
                           {QStringLiteral("b"), f.spec},
                           {QStringLiteral("i"), f.operatorName}});
    if (f.dateRange) {
        sql += QStringLiteral(" and day1>=") + QStringLiteral("#") + f.fromDate + QStringLiteral("#") +
               QStringLiteral(" and day1<=") + QStringLiteral("#") + f.toDate + QStringLiteral("#");
    }
    return sql;
}

QString salesQuery(const QString& serial) {
    return QStringLiteral("select * from data3 where a like '%") + sqlText(serial) + QStringLiteral("%'");
}

QString monthLinesQuery(int year, int month) {
    return QStringLiteral("select * from data1") + monthPatterns(year, month);
}

QString monthSalesQuery(int year, int month) {
    return QStringLiteral("select * from data3") + monthPatterns(year, month);
}

QString monthlyChartQuery(ChartMeasure measure, const QString& year) {
    return QStringLiteral("select month([day1]) as 月份,sum([") +
           (measure == ChartMeasure::Profit ? QStringLiteral("5") : QStringLiteral("2")) +
           QStringLiteral("]) as 总量 from data3 where year([day1])='") + sqlText(year) +
           QStringLiteral("' group by month([day1])");
}

// Sales per day are the amounts received, as in the monthly chart.
QString dailyChartQuery(ChartMeasure measure, const QString& month, const QString& year) {
    return QStringLiteral("select day([day1]) as 日期,sum([") +
           (measure == ChartMeasure::Profit ? QStringLiteral("5") : QStringLiteral("2")) +
           QStringLiteral("]) as 总量 from data3 where month([day1])='") + sqlText(month) +
           QStringLiteral("' and year([day1])='") + sqlText(year) + QStringLiteral("'  group by day1 order by day1");
}

QStringList salesYears(Connection& db, int thisYear) {
    std::set<int> years{thisYear};
    // The date index gives the first and the last year at once; the years between are looked
    // up one by one, each as a range the index answers. The bounds end in "-": a bare "2025"
    // would be taken for a number by the date column and compare below every text.
    const int first = db.scalar(QStringLiteral("SELECT substr(min(day1),1,4) FROM data3 WHERE day1>='1000-'")).toInt();
    const int last = db.scalar(QStringLiteral("SELECT substr(max(day1),1,4) FROM data3 WHERE day1<'A'")).toInt();
    if (first >= 1000 && last <= 9999 && first <= last) {
        for (int year = first; year <= last; ++year) {
            if (years.count(year)) continue;
            const QVariant found = db.scalar(QStringLiteral("SELECT 1 FROM data3 WHERE day1>=? AND day1<? LIMIT 1"),
                                             {QStringLiteral("%1-").arg(year), QStringLiteral("%1-").arg(year + 1)});
            if (found.isValid() && !found.isNull()) years.insert(year);
        }
    }
    QStringList out;
    for (int year : years) out.append(QString::number(year));
    return out;
}
