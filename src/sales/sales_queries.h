// The statements of the sales window, composed from its fields exactly as the window runs
// them. The window reads its fields and calls these; they are tested as data.
#pragma once

#include <QString>
#include <QStringList>

class Connection;

// The search fields under the line grid and the serial field above the sales grid, as typed.
struct SalesLineFilters {
    QString category;
    QString name;
    QString serial;
    QString code;
    QString spec;
    QString operatorName;
    bool dateRange = false;  // "销售日期：" ticked
    QString fromDate;        // the date fields as shown, "yyyy-mm-dd"
    QString toDate;
};

// "查 询" on the lines: only lines with a member price, narrowed by every field holding text.
QString salesLineQuery(const SalesLineFilters& filters);
// "查 询" on the sales: only the serial field narrows them.
QString salesQuery(const QString& serial);

// "本 月": the lines and the sales of a month.
QString monthLinesQuery(int year, int month);
QString monthSalesQuery(int year, int month);

// "全部记录".
inline const QString kAllLinesQuery = QStringLiteral("select * from data1");
inline const QString kAllSalesQuery = QStringLiteral("select * from data3 ");

enum class ChartMeasure { Profit, Sales };
// The monthly chart of a year and the daily chart of a month.
QString monthlyChartQuery(ChartMeasure measure, const QString& year);
QString dailyChartQuery(ChartMeasure measure, const QString& month, const QString& year);

// The years of the chart fields: every year in which a sale was settled, and `thisYear`,
// ascending.
QStringList salesYears(Connection& db, int thisYear);
