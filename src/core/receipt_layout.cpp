// The POS receipt as data.
#include "core/receipt_layout.h"

#include "core/formats.h"
#include "core/gbk.h"
#include "core/vendor.h"

QString receiptNameColumn(const QString& name, int columns) {
    const int width = displayColumns(name);
    if (width < columns) return name + QString(columns - width, QLatin1Char(' '));
    return wrapAtColumns(name, columns).first() + QLatin1Char(' ');
}

QString receiptGoodsLine(const ReceiptGoods& goods, int nameColumns) {
    return receiptNameColumn(goods.name, nameColumns) + QLatin1Char(' ') + formatGeneral(goods.quantity) +
           QStringLiteral("      ") + formatGeneral(goods.amount);
}

QList<ReceiptText> receiptTexts(const ReceiptInput& in, int nameColumns) {
    using Kind = ReceiptText::Kind;
    QList<ReceiptText> out;
    auto text = [&out](const QString& t) { out.append({Kind::Text, t}); };
    auto rule = [&out] { out.append({Kind::Rule, kReceiptRule}); };
    out.append({Kind::Heading,
                QStringLiteral("      POS小票销售凭证") + (in.reprint ? QStringLiteral("（补打）") : QString())});
    rule();
    text(QStringLiteral("销售单号：") + in.serial);
    text(QStringLiteral("收银员：") + in.cashier);
    if (in.reprint) {
        // The sale's day and the moment of printing again; the day with today's clock would
        // be neither.
        text(QStringLiteral("销售日期：") + in.noteDate);
        text(QStringLiteral("补打时间：") + in.reprintedAt);
    } else {
        text(QStringLiteral("打印时间：") + in.noteDate + QLatin1Char(' ') + in.time + QLatin1Char(' '));
    }
    rule();
    // The titles stand over the columns of the goods lines.
    text(nameColumns == kReceiptNameColumns
             ? QStringLiteral("商品名称         数量     金额 ")
             : receiptNameColumn(QStringLiteral("商品名称"), nameColumns) + QStringLiteral(" 数量   金额"));
    for (const ReceiptGoods& g : in.goods) text(receiptGoodsLine(g, nameColumns));
    if (!in.note.isEmpty()) text(in.note);
    rule();
    text(QStringLiteral("总计:") + in.total + QStringLiteral("元  实收:") + in.received + QStringLiteral("元"));
    text(QStringLiteral("现金:") + formatFixed2(in.cash) + QStringLiteral("元  找零:") + formatFixed2(in.change) +
         QStringLiteral("元"));
    rule();
    text(QStringLiteral("ZenloPOS收银软件提供打印技术支持"));
    text(Vendor::kPrintLine);
    rule();
    text(QStringLiteral("         欢迎下次惠顾        "));
    rule();
    return out;
}

// The heading at the top in 10 point bold, the first rule 40 dots down, then a line every 30
// dots from 60.
QList<ReceiptLine> receiptLayout(const ReceiptInput& in) {
    QList<ReceiptLine> out;
    const QList<ReceiptText> texts = receiptTexts(in);
    for (int i = 0; i < texts.size(); ++i) {
        const bool heading = texts[i].kind == ReceiptText::Kind::Heading;
        const int y = i == 0 ? 0 : i == 1 ? 40 : 60 + 30 * (i - 2);
        out.append({y, heading ? 10.0 : 8.0, heading, texts[i].text});
    }
    return out;
}
