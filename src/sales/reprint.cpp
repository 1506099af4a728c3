// Printing a settled sale again.
#include "sales/reprint.h"

#include <cmath>

#include "core/connection.h"
#include "core/formats.h"

std::optional<SaleReprint> saleReprint(Connection& db, const QString& serial, const QDateTime& now) {
    Statement sale(db.handle(),
                   QStringLiteral("SELECT a,b,[1],[2],[3],[4],day1,h,i,j,k FROM data3 WHERE a=? ORDER BY ID LIMIT 1"));
    sale.bind(1, serial);
    if (!sale.step()) return std::nullopt;
    const auto number = [&sale](int column) { return sale.value(column).toDouble(); };
    const QString day = sale.value(6).toString().left(10);

    SaleReprint out;
    ReceiptInput& r = out.receipt;
    r.serial = sale.value(0).toString();
    r.cashier = sale.value(1).toString();
    r.noteDate = day;
    r.reprintedAt = formatDate(now.date()) + QLatin1Char(' ') + formatTime(now.time());
    r.total = formatFixed2(number(2));
    r.received = formatFixed2(number(3));
    r.cash = number(4);
    r.change = number(5);
    r.reprint = true;

    DeliveryNoteInput& n = out.deliveryNote;
    n.serial = r.serial;
    n.operatorName = r.cashier;
    n.amountText = r.total;
    n.today = QDate::fromString(day, Qt::ISODate);
    n.customerName = sale.value(7).toString();
    n.customerAddress = sale.value(8).toString();
    n.contact = sale.value(9).toString();
    n.phone = sale.value(10).toString();
    n.reprint = true;

    Statement lines(db.handle(), QStringLiteral("SELECT a,b,z,[2],[4],[6] FROM data1 WHERE h=? ORDER BY ID"));
    lines.bind(1, serial);
    double sum = 0;
    while (lines.step()) {
        const double quantity = lines.value(3).toDouble(), price = lines.value(4).toDouble(),
                     amount = lines.value(5).toDouble();
        r.goods.append({lines.value(0).toString(), quantity, amount});
        n.lines.append(
            {lines.value(0).toString(), lines.value(1).toString(), lines.value(2).toString(), quantity, price, amount});
        sum += amount;
    }
    // The stored total is what was paid; lines that no longer add up to it were deleted since.
    if (std::fabs(sum - number(2)) >= 0.005) r.note = n.note = kLinesDeletedNote;
    return out;
}
