// The goods window's data steps, without its widgets: what a goods row is written with, which
// price is no number, and whether a code is taken.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

class Dataset;

// The panel's texts as typed.
struct GoodsEntry {
    QString code, category, name, spec, supplier, unit;
    QString purchasePrice, salePrice, memberPrice;
};

// The columns of sp and their values, in the order they are set: texts trimmed of blanks,
// prices as numbers, the pinyin initials of supplier, name and category. Every price must be a
// number (firstBadPrice says which is not).
QList<QPair<QString, QVariant>> goodsRowValues(const GoodsEntry& entry);

// The first price of purchase, sale and member price that is no number: 0, 1 or 2 and the
// warning to give; -1 and no text when all three are numbers.
struct PriceProblem {
    int index = -1;
    QString message;
};
PriceProblem firstBadPrice(const GoodsEntry& entry);

// Whether sp holds a row of `code`, looked up through `lookup` (left closed).
bool goodsCodeExists(Dataset& lookup, const QString& code);
// The goods window's look-up of one code.
QString goodsCodeQuery(const QString& code);
