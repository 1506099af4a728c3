// The statements of code entry: the goods of a scanned code, the note's line of it, and the
// merge of a second scan into that line.
#pragma once

#include <QString>
#include <QVariantList>

// Code entry's form of the catalogue look-up (the code trimmed; two blanks end the text).
QString scannedGoodsQuery(const QString& code);
// The note's line of a code, compared as typed.
QString noteLineQuery(const QString& code);

// A statement whose numbers travel as bound values.
struct BoundStatement {
    QString sql;
    QVariantList values;
};
// A scan of a code already on the note adds its quantity, amount and profit to that line.
BoundStatement noteLineMerge(double quantity, double amount, double profit, const QString& code);
