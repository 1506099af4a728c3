// A made-up sales history: sales and their lines over a span of days, of the demo grocery's
// goods (or numbered variants of them), as the settlement would have written them. The demo
// database gets a few months of it; the benchmarks get three busy years.
#pragma once

#include <QDate>
#include <QStringList>

class Connection;

struct SalesHistoryShape {
    int lines = 0;
    int sales = 0;
    // Goods sold: the demo goods when this is at most their number; more are numbered variants
    // of them with codes of their own (see historyCodeOf).
    int goods = 0;
    QDate firstDay;
    QDate lastDay;
    QStringList operators;
    quint32 seed = 20261209;
};

// The code of goods number `goods` in a history of variants.
QString historyCodeOf(int goods);

// Writes the sales and lines in one transaction; with `withGoods` also the goods rows of the
// variants (the demo goods themselves are written by the demo).
void writeSalesHistory(Connection& db, const SalesHistoryShape& shape, bool withGoods);
