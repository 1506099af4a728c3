// About fifty goods of a small Chinese grocery, for the demo database.
#pragma once

#include <QList>
#include <QString>

struct DemoGoods {
    QString code;  // EAN-13 with its check digit
    QString category;
    QString name;
    QString spec;
    double purchasePrice;
    double salePrice;
    double memberPrice;
    QString unit;
    QString supplier;
};

const QList<DemoGoods>& demoGoods();

// The EAN-13 check digit of twelve digits.
int ean13CheckDigit(const QString& twelveDigits);
