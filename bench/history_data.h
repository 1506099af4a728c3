// A busy shop's history for the benchmarks: three years of sales, built once with plain
// engine calls and kept between runs (the file name carries the sizes and a version).
#pragma once

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <cstdio>

#include "../tools/demo_goods.h"
#include "core/connection.h"
#include "core/schema.h"

namespace bench {

inline const QStringList& operatorNames() {
    static const QStringList names = {QStringLiteral("超级管理员"), QStringLiteral("王丽"), QStringLiteral("张强"),
                                      QStringLiteral("李娜"), QStringLiteral("陈晨")};
    return names;
}

inline QString historyCodeOf(int goods) {
    return QString::number(6900000000000LL + goods);
}

// `lines` history lines in `sales` sales, evenly over the three years before `lastDay`; the
// goods are `goods` variants of the demo grocery. Returns the file, building it if missing.
inline QString historyDatabase(int lines, int sales, int goods, QDate lastDay = QDate(2026, 12, 9)) {
    const QString path = QDir::temp().filePath(QStringLiteral("zenlo-bench-history-v2-%1-%2-%3-%4.mdb")
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
    QRandomGenerator random(20261209);
    const QList<DemoGoods>& demo = demoGoods();
    const QDate firstDay = lastDay.addYears(-3);
    const int days = int(firstDay.daysTo(lastDay)) + 1;
    {
        Transaction tx(db);
        Statement sp(
            db.handle(),
            QStringLiteral("INSERT INTO sp (商品编码,商品类别,商品名称,规格型号,进货单价,销售单价,会员价,单位,供货商) "
                           "VALUES (?,?,?,?,?,?,?,?,?)"));
        for (int g = 0; g < goods; ++g) {
            const DemoGoods& d = demo.at(g % demo.size());
            const int variant = g / int(demo.size());
            sp.bind(1, historyCodeOf(g));
            sp.bind(2, d.category);
            sp.bind(3, variant == 0 ? d.name : d.name + QString::number(variant));
            sp.bind(4, d.spec);
            sp.bind(5, d.purchasePrice);
            sp.bind(6, d.salePrice);
            sp.bind(7, d.memberPrice);
            sp.bind(8, d.unit);
            sp.bind(9, d.supplier);
            while (sp.step()) {
            }
            sp.reset();
        }
        Statement line(db.handle(), QStringLiteral("INSERT INTO data1 (a,b,c,d,h,i,z,[1],[2],[3],[4],[5],[6],[7],day1) "
                                                   "VALUES (?,?,?,?,?,?,?,?,?,?,?,0,?,?,?)"));
        Statement sale(
            db.handle(),
            QStringLiteral("INSERT INTO data3 (a,b,[1],[2],[3],[4],[5],[6],[7],day1) VALUES (?,?,?,?,?,?,?,0,0,?)"));
        int written = 0;
        for (int s = 0; s < sales; ++s) {
            const QDate day = firstDay.addDays(qint64(s) * days / sales);
            const QString op = operatorNames().at(int(random.bounded(operatorNames().size())));
            const QString serial = QStringLiteral("CJG%1%2%3%4")
                                       .arg(day.year() % 100)
                                       .arg(day.month())
                                       .arg(day.day())
                                       .arg(s, 6, 10, QLatin1Char('0'));
            const int count = int((qint64(s + 1) * lines) / sales) - written;
            double total = 0, profit = 0;
            for (int l = 0; l < count; ++l) {
                const int g = int(random.bounded(goods));
                const DemoGoods& d = demo.at(g % demo.size());
                const int variant = g / int(demo.size());
                const double quantity = 1 + random.bounded(5);
                const double amount = quantity * d.salePrice;
                line.bind(1, variant == 0 ? d.name : d.name + QString::number(variant));
                line.bind(2, d.spec);
                line.bind(3, historyCodeOf(g));
                line.bind(4, d.category);
                line.bind(5, serial);
                line.bind(6, op);
                line.bind(7, d.unit);
                line.bind(8, d.purchasePrice);
                line.bind(9, quantity);
                line.bind(10, random.bounded(50) == 0 ? 0.0 : d.memberPrice);  // a few lines without
                line.bind(11, d.salePrice);
                line.bind(12, amount);
                line.bind(13, quantity * (d.salePrice - d.purchasePrice));
                line.bind(14, day.toString(Qt::ISODate));
                while (line.step()) {
                }
                line.reset();
                total += amount;
                profit += quantity * (d.salePrice - d.purchasePrice);
            }
            written += count;
            sale.bind(1, serial);
            sale.bind(2, op);
            sale.bind(3, total);
            sale.bind(4, total);
            sale.bind(5, total + 10);
            sale.bind(6, 10.0);
            sale.bind(7, profit);
            sale.bind(8, day.toString(Qt::ISODate));
            while (sale.step()) {
            }
            sale.reset();
        }
        tx.commit();
    }
    db.close();
    QFile::rename(building, path);
    return path;
}

}  // namespace bench
