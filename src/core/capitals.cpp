// The amount in Chinese capitals for the delivery note.
#include "core/capitals.h"

#include <QStringList>

#include "core/gbk.h"

namespace {

const QString kDigits = QStringLiteral("零壹贰叁肆伍陆柒捌玖");

// The unit of each place, counted from 1 at the fen.
QString placeUnit(int k) {
    // clang-format off
    static const QStringList units = {
        QString(),               QStringLiteral("分"), QStringLiteral("角"), QString(),
        QStringLiteral("拾"),    QStringLiteral("佰"), QStringLiteral("仟"), QStringLiteral("万"),
        QStringLiteral("拾"),    QStringLiteral("佰"), QStringLiteral("仟"), QStringLiteral("亿"),
        QStringLiteral("拾"),    QStringLiteral("佰"), QStringLiteral("仟"), QStringLiteral("万亿"),
        QStringLiteral("拾"),    QStringLiteral("佰"), QStringLiteral("仟"), QStringLiteral("亿亿"),
        QStringLiteral("拾"),    QStringLiteral("佰"), QStringLiteral("仟"), QStringLiteral("万亿亿"),
        QStringLiteral("拾"),    QStringLiteral("佰"), QStringLiteral("仟"), QStringLiteral("亿亿亿"),
        QStringLiteral("拾"),    QStringLiteral("佰"), QStringLiteral("仟")};
    // clang-format on
    return k > 0 && k < units.size() ? units.at(k) : QString();
}

bool isSectionPlace(int k) {
    return k > 4 && (k + 1) % 4 == 0;
}

}  // namespace

Capitals amountInCapitals(const QString& amount) {
    Capitals out;
    for (QChar c : amount) {
        if (c.isDigit() && c.unicode() < 0x80) continue;
        if (c == QLatin1Char('.')) continue;
        // The code as the text's own byte: ASCII as is, anything else by its first GBK byte, and
        // a character GBK has no code for (or half of a pair) as the "?" it would be sent as.
        const QByteArray gbk = c.unicode() < 0x80 ? QByteArray(1, char(c.unicode())) : toGbk(QString(c));
        out.badCode = gbk.isEmpty() ? int('?') : int(uchar(gbk.at(0)));
        return out;
    }
    const int point = amount.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? amount : amount.left(point);
    QString fraction = point < 0 ? QString() : amount.mid(point + 1);
    fraction.remove(QLatin1Char('.'));
    fraction = (fraction + QStringLiteral("00")).left(2);
    QString fen = whole + fraction;
    while (fen.startsWith(QLatin1Char('0'))) fen.remove(0, 1);
    if (fen.isEmpty()) fen = QStringLiteral("0");

    const int n = fen.size();
    bool zeroPending = false;
    bool sectionOpen = true;
    QString result;
    for (int p = 1; p <= n; ++p) {
        const int digit = fen.at(p - 1).digitValue();
        const int k = n - p + 1;
        if (digit != 0) {
            if (zeroPending) result += kDigits.at(0);
            result += kDigits.at(digit) + placeUnit(k);
            zeroPending = false;
            sectionOpen = !isSectionPlace(k);
        } else {
            zeroPending = true;
            if (isSectionPlace(k) && sectionOpen) {
                result += placeUnit(k);
                zeroPending = false;
                sectionOpen = false;
            }
        }
        if (k == 3) {
            result += QStringLiteral("元");
            zeroPending = false;
        }
    }
    if (n >= 2 && fen.endsWith(QLatin1String("00"))) result += QStringLiteral("整");
    out.text = result;
    return out;
}
