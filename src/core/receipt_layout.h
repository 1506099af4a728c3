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
    QString reprintedAt;  // "yyyy-mm-dd hh:mm:ss": when it was printed again
    QString note;         // a line after the goods, when the goods are not all there any more
};

inline const QString kReceiptRule = QStringLiteral("-------------------------------");
inline const QString kReceiptFont = QStringLiteral("宋体");

// The goods name column of an 80 mm receipt; a 58 mm one has 12.
inline constexpr int kReceiptNameColumns = 18;

// The goods name in exactly `columns` display columns (a GBK double-byte character takes two):
// padded with blanks, or cut to its longest start of at most that many columns that splits no
// character, followed by one blank.
QString receiptNameColumn(const QString& name, int columns = kReceiptNameColumns);
QString receiptGoodsLine(const ReceiptGoods& goods, int nameColumns = kReceiptNameColumns);

// The receipt's texts in print order, whatever prints them: the painter places them at dot
// positions, the receipt printer's own commands print them line by line.
struct ReceiptText {
    enum class Kind { Heading, Rule, Text };
    Kind kind = Kind::Text;
    QString text;
};
QList<ReceiptText> receiptTexts(const ReceiptInput& input, int nameColumns = kReceiptNameColumns);

QList<ReceiptLine> receiptLayout(const ReceiptInput& input);
