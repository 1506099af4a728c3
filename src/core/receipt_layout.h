// The POS receipt as data: every text with its y position in printer dots, its size and weight.
// One painter routine draws it (receipt_document); tests check the data.
#pragma once

#include <QList>
#include <QString>

struct ReceiptLine {
    int y = 0;  // printer dots from the top of the printable area
    double pointSize = 8;
    bool bold = false;
    QString text;
};

struct ReceiptGoods {
    QString name;
    double quantity = 0;
    double amount = 0;
};

struct ReceiptInput {
    QString serial;    // as shown beside "销售流水号：", untrimmed
    QString cashier;   // the operator
    QString noteDate;  // "yyyy-mm-dd"
    QString time;      // "hh:mm:ss"
    QList<ReceiptGoods> goods;
    QString total;     // "0.00"
    QString received;  // "0.00"
    double cash = 0;
    double change = 0;
    // A receipt printed again later says so in its heading, so it is never taken for a sale.
    bool reprint = false;
    QString note;  // a line after the goods, when the goods are not all there any more
};

inline const QString kReceiptRule = QStringLiteral("-------------------------------");
inline const QString kReceiptFont = QStringLiteral("宋体");

// The goods name in exactly 18 display columns (a GBK double-byte character takes two): padded
// with blanks, or cut to its longest start of at most 18 columns that splits no character,
// followed by one blank.
QString receiptNameColumn(const QString& name);
QString receiptGoodsLine(const ReceiptGoods& goods);

QList<ReceiptLine> receiptLayout(const ReceiptInput& input);
