// Small helpers for the benchmarks: timing, medians and a filled database.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "core/connection.h"

namespace bench {

inline double millis(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// `count` goods with codes 690000000000 + i, through plain engine calls.
inline void fillGoods(Connection& db, int count) {
    Transaction tx(db);
    Statement insert(
        db.handle(),
        QStringLiteral("INSERT INTO sp (商品编码,商品类别,商品名称,规格型号,进货单价,销售单价,会员价,单位,供货商) "
                       "VALUES (?,?,?,?,?,?,?,?,?)"));
    for (int i = 0; i < count; ++i) {
        insert.bind(1, QString::number(690000000000LL + i));
        insert.bind(2, QStringLiteral("类别%1").arg(i % 40));
        insert.bind(3, QStringLiteral("测试商品%1号").arg(i));
        insert.bind(4, QStringLiteral("规格%1").arg(i % 13));
        insert.bind(5, 1.0 + (i % 50) * 0.1);
        insert.bind(6, 2.0 + (i % 50) * 0.15);
        insert.bind(7, 1.8 + (i % 50) * 0.15);
        insert.bind(8, QStringLiteral("个"));
        insert.bind(9, QStringLiteral("供货商%1").arg(i % 25));
        while (insert.step()) {
        }
        insert.reset();
    }
    tx.commit();
}

inline void report(const char* what, double ours, double floor, double goal) {
    std::printf("%-52s %9.3f ms   floor %8.3f ms   ratio %6.2f   goal %7.1f ms  %s\n", what, ours, floor,
                floor > 0 ? ours / floor : 0.0, goal, ours <= goal ? "ok" : "OVER");
}

}  // namespace bench
