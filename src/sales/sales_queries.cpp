// The statements of the sales window.
#include "sales/sales_queries.h"

#include "core/jet_dialect.h"

namespace {
QString likeCondition(const char* column, const QString& text) {
    return QStringLiteral(" and ") + QLatin1String(column) + QStringLiteral(" like '%") + sqlText(text) +
           QStringLiteral("%'");
}

QString monthPatterns(int year, int month) {
    return QStringLiteral(" where day1 like '") + QString::number(year) + QStringLiteral("-") +
           QStringLiteral("%' and day1 like '") + QStringLiteral("%") + QString::number(month) + QStringLiteral("-") +
           QStringLiteral("%'");
}
}  // namespace

QString salesLineQuery(const SalesLineFilters& f) {
    QString sql = QStringLiteral("select * from data1 where [3]>0 ");
    const std::pair<const char*, const QString*> fields[] = {
        {"d", &f.category}, {"a", &f.name}, {"h", &f.serial}, {"c", &f.code}, {"b", &f.spec}, {"i", &f.operatorName}};
    for (const auto& [column, text] : fields) {
        if (!text->isEmpty()) sql += likeCondition(column, *text);
    }
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

QString dailyChartQuery(ChartMeasure measure, const QString& month, const QString& year) {
    const QString summed = measure == ChartMeasure::Profit ? QStringLiteral("sum([5]) as 总量 from data3")
                                                           : QStringLiteral("sum([4]) as 总量 from data1");
    return QStringLiteral("select day([day1]) as 日期,") + summed + QStringLiteral(" where month([day1])='") +
           sqlText(month) + QStringLiteral("' and year([day1])='") + sqlText(year) +
           QStringLiteral("'  group by day1 order by day1");
}
