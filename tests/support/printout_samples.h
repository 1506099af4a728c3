// Printouts of known sales, for the layout and printing tests.
#pragma once

#include "core/receipt_layout.h"
#include "sale/Unit2.h"

inline ReceiptInput oneLineReceipt() {
    ReceiptInput in;
    in.serial = QStringLiteral("CJG121122000002 ");
    in.cashier = QStringLiteral("超级管理员");
    in.noteDate = QStringLiteral("2012-11-22");
    in.time = QStringLiteral("15:04:09");
    in.goods = {{QStringLiteral("可口可乐"), 2, 25}};
    in.total = QStringLiteral("25.00");
    in.received = QStringLiteral("25.00");
    in.cash = 30;
    in.change = 5;
    return in;
}

inline ReceiptInput twoLineReceipt() {
    ReceiptInput in = oneLineReceipt();
    in.goods = {{QStringLiteral("可口可乐"), 2, 5}, {QStringLiteral("青岛啤酒500ml易拉罐装整箱特价"), 12, 60}};
    in.total = QStringLiteral("65.00");
    in.received = QStringLiteral("65.00");
    in.cash = 100;
    in.change = 35;
    return in;
}

// A delivery note of `lines` lines of 2 × 2.5 = 5 each.
inline DeliveryNoteInput noteWithLines(int lines) {
    DeliveryNoteInput in;
    in.serial = QStringLiteral("CJG121122000002 ");
    in.operatorName = QStringLiteral("超级管理员");
    in.today = QDate(2012, 11, 22);
    double total = 0;
    for (int i = 0; i < lines; ++i) {
        in.lines.append(
            {QStringLiteral("商品%1").arg(i + 1), QStringLiteral("500ml"), QStringLiteral("瓶"), 2, 2.5, 5});
        total += 5;
    }
    in.amountText = QString::number(total, 'f', 2);
    return in;
}
