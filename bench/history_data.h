// A busy shop's history for the benchmarks: three years of sales, built once with plain
// engine calls and kept between runs (the file name carries the sizes and a version).
#pragma once

#include <QDate>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdio>

#include "core/connection.h"
#include "core/demo_sales.h"
#include "core/schema.h"

namespace bench {

// `lines` history lines in `sales` sales, evenly over the three years before `lastDay`; the
// goods are `goods` variants of the demo grocery. Returns the file, building it if missing.
inline QString historyDatabase(int lines, int sales, int goods, QDate lastDay = QDate(2026, 12, 9)) {
    const QString path = QDir::temp().filePath(QStringLiteral("zenlo-bench-history-v3-%1-%2-%3-%4.mdb")
                                                   .arg(lines)
                                                   .arg(sales)
                                                   .arg(goods)
                                                   .arg(lastDay.toString(Qt::ISODate)));
    if (QFile::exists(path)) return path;
    const QString building = path + QStringLiteral(".building");
    QFile::remove(building);
    std::printf("building %s (once)...\n", qPrintable(path));
    std::fflush(stdout);
    Connection db;
    db.create(building, kDatabaseKey);
    createSchema(db);
    SalesHistoryShape shape;
    shape.lines = lines;
    shape.sales = sales;
    shape.goods = goods;
    shape.firstDay = lastDay.addYears(-3);
    shape.lastDay = lastDay;
    shape.operators = {QStringLiteral("超级管理员"), QStringLiteral("王丽"), QStringLiteral("张强"),
                       QStringLiteral("李娜"), QStringLiteral("陈晨")};
    writeSalesHistory(db, shape, true);
    db.close();
    QFile::rename(building, path);
    return path;
}

}  // namespace bench
