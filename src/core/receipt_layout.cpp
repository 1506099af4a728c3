// The POS receipt as data.
#include "core/receipt_layout.h"

#include "core/formats.h"
#include "core/gbk.h"
#include "core/vendor.h"

namespace {
constexpr int kNameColumns = 18;
}

QString receiptNameColumn(const QString& name) {
    const int width = displayColumns(name);
    if (width < kNameColumns) return name + QString(kNameColumns - width, QLatin1Char(' '));
    QString cut;
    int used = 0;
    for (int i = 0; i < name.size(); ++i) {
        const int step = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QString ch = name.mid(i, step);
        const int w = displayColumns(ch);
        if (used + w > kNameColumns) break;
        cut += ch;
        used += w;
        i += step - 1;
    }
    return cut + QLatin1Char(' ');
}

QString receiptGoodsLine(const ReceiptGoods& goods) {
    return receiptNameColumn(goods.name) + QLatin1Char(' ') + formatGeneral(goods.quantity) + QStringLiteral("      ") +
           formatGeneral(goods.amount);
}

QList<ReceiptLine> receiptLayout(const ReceiptInput& in) {
    QList<ReceiptLine> out;
    auto line = [&out](int y, const QString& text) { out.append({y, 8, false, text}); };
    out.append(
        {0, 10, true, QStringLiteral("      POS小票销售凭证") + (in.reprint ? QStringLiteral("（补打）") : QString())});
    line(40, kReceiptRule);
    line(60, QStringLiteral("销售单号：") + in.serial);
    line(90, QStringLiteral("收银员：") + in.cashier);
    line(120, QStringLiteral("打印时间：") + in.noteDate + QLatin1Char(' ') + in.time + QLatin1Char(' '));
    line(150, kReceiptRule);
    line(180, QStringLiteral("商品名称         数量     金额 "));
    int y = 210;
    for (const ReceiptGoods& g : in.goods) {
        line(y, receiptGoodsLine(g));
        y += 30;
    }
    if (!in.note.isEmpty()) {
        line(y, in.note);
        y += 30;
    }
    line(y, kReceiptRule);
    line(y + 30, QStringLiteral("总计:") + in.total + QStringLiteral("元  实收:") + in.received + QStringLiteral("元"));
    line(y + 60, QStringLiteral("现金:") + formatFixed2(in.cash) + QStringLiteral("元  找零:") +
                     formatFixed2(in.change) + QStringLiteral("元"));
    line(y + 90, kReceiptRule);
    line(y + 120, QStringLiteral("ZenloPOS收银软件提供打印技术支持"));
    line(y + 150, Vendor::kPrintLine);
    line(y + 180, kReceiptRule);
    line(y + 210, QStringLiteral("         欢迎下次惠顾        "));
    line(y + 240, kReceiptRule);
    return out;
}
