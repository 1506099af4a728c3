// The receipt in ESC/POS.
#include "core/escpos.h"

#include "core/formats.h"
#include "core/gbk.h"

namespace {

constexpr int kNarrowNameColumns = 12;

QByteArray job(const QStringList& lines, bool firstIsHeading, const EscPosOptions& options) {
    QByteArray out = EscPos::kInitialise + EscPos::kChineseMode;
    for (int i = 0; i < lines.size(); ++i) {
        if (i == 0 && firstIsHeading) {
            out += EscPos::kBoldOn + EscPos::kDoubleHeight + toGbk(lines[i]) + '\n' + EscPos::kNormalSize +
                   EscPos::kBoldOff;
        } else {
            out += toGbk(lines[i]) + '\n';
        }
    }
    out += EscPos::kFeed;
    if (options.cut) out += EscPos::kPartialCut;
    if (options.drawer) out += EscPos::kDrawerPulse;
    return out;
}

}  // namespace

int escPosColumns(int paperMm) {
    return paperMm == 58 ? 32 : 48;
}

QStringList escPosLines(const ReceiptInput& input, int paperMm) {
    const int columns = escPosColumns(paperMm);
    const bool narrow = paperMm == 58;
    QStringList out;
    for (const ReceiptText& t : receiptTexts(input, narrow ? kNarrowNameColumns : kReceiptNameColumns)) {
        if (t.kind == ReceiptText::Kind::Rule && narrow) {
            out.append(QString(columns, QLatin1Char('-')));
        } else {
            out += wrapAtColumns(t.text, columns);
        }
    }
    return out;
}

QByteArray escPosReceipt(const ReceiptInput& input, const EscPosOptions& options) {
    return job(escPosLines(input, options.paperMm), true, options);
}

QByteArray escPosTestPage(const EscPosOptions& options, const QDateTime& when) {
    const int columns = escPosColumns(options.paperMm);
    QStringList lines{QStringLiteral("小票打印机测试"),
                      QString(columns, QLatin1Char('-')),
                      QStringLiteral("中文：可口可乐 啤酒 收银"),
                      QStringLiteral("纸宽：%1 mm，每行 %2 个字符").arg(options.paperMm).arg(columns),
                      QStringLiteral("时间：") + formatDateTime(when),
                      QString(columns, QLatin1Char('-'))};
    QStringList out;
    for (const QString& l : lines) out += wrapAtColumns(l, columns);
    return job(out, true, options);
}
