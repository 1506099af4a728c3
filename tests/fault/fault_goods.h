// The goods rows the kill test writes through the goods window: every field follows from the
// code and a version number, so a row read back after a kill shows whether it is one whole write.
#pragma once

#include <QString>

struct FaultGoods {
    QString code;
    int version = 0;

    QString name() const { return QStringLiteral("测试商品%1").arg(version); }
    QString category() const { return QStringLiteral("类别%1").arg(version % 7); }
    QString spec() const { return QStringLiteral("%1ml").arg(250 + version % 5 * 250); }
    QString supplier() const { return QStringLiteral("供货商%1").arg(version % 3); }
    QString unit() const { return version % 2 ? QStringLiteral("瓶") : QStringLiteral("个"); }
    double purchase() const { return version % 97 + 0.25; }
    QString purchasePrice() const { return QString::number(purchase(), 'f', 2); }
    QString salePrice() const { return QString::number(purchase() * 2, 'f', 2); }
    QString memberPrice() const { return QString::number(purchase() + 1, 'f', 2); }
};
