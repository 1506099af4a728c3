// Number and date texts as the screens, the database and the printouts use them.
#include "core/formats.h"

#include <QRegularExpression>
#include <cmath>
#include <cstdio>

namespace {

QString g_shortDateFormat = QStringLiteral("yyyy-MM-dd");

// Turns C's "1.5e+20" / "1e-05" exponent into the "1.5E20" / "1E-5" form shop software shows.
QString tidyExponent(QString s) {
    const int e = s.indexOf(QLatin1Char('e'));
    if (e < 0) return s;
    QString mantissa = s.left(e);
    QString exponent = s.mid(e + 1);
    bool negative = exponent.startsWith(QLatin1Char('-'));
    if (exponent.startsWith(QLatin1Char('+')) || negative) exponent.remove(0, 1);
    while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0'))) exponent.remove(0, 1);
    return mantissa + QLatin1Char('E') + (negative ? QStringLiteral("-") : QString()) + exponent;
}

// Digits of |value| rounded to 15 significant digits, and the decimal exponent of the first.
struct Decimal {
    bool negative = false;
    QByteArray digits;  // exactly 15 digits, no point
    int exponent = 0;   // value = 0.d1d2... * 10^(exponent+1)
};

Decimal toDecimal(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);  // d.dddddddddddddde±xx
    Decimal d;
    const char* p = buf;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    while (*p && *p != 'e') {
        if (*p != '.') d.digits.append(*p);
        ++p;
    }
    if (*p == 'e') d.exponent = std::atoi(p + 1);
    return d;
}

QString fixed2FromDecimal(const Decimal& d) {
    // Integer part digits count = exponent + 1; we need the digits up to 10^-2 and one more to round.
    const int keep = d.exponent + 1 + 2;  // number of digits up to and including the hundredths
    QByteArray digits = d.digits;
    if (keep < 0) return QStringLiteral("0.00");
    // Work on a number string of `keep` digits, rounded by digit `keep` (0-based).
    QByteArray kept = digits.left(std::max(keep, 0));
    while (kept.size() < keep) kept.append('0');
    bool roundUp = keep < digits.size() && digits.at(keep) >= '5';
    if (roundUp) {
        int i = kept.size() - 1;
        while (i >= 0) {
            if (kept[i] == '9') {
                kept[i] = '0';
                --i;
            } else {
                kept[i] = char(kept[i] + 1);
                break;
            }
        }
        if (i < 0) kept.prepend('1');
    }
    while (kept.size() < 3) kept.prepend('0');
    QByteArray intPart = kept.left(kept.size() - 2);
    while (intPart.size() > 1 && intPart.startsWith('0')) intPart.remove(0, 1);
    const QByteArray frac = kept.right(2);
    const bool allZero = intPart == "0" && frac == "00";
    QString out = QString::fromLatin1(intPart) + QLatin1Char('.') + QString::fromLatin1(frac);
    if (d.negative && !allZero) out.prepend(QLatin1Char('-'));
    return out;
}

}  // namespace

QString formatGeneral(double value) {
    if (value == 0 || std::isnan(value)) return QStringLiteral("0");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return tidyExponent(QString::fromLatin1(buf));
}

QString formatGeneral(long double value) {
    if (value == 0 || std::isnan(value)) return QStringLiteral("0");
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.15Lg", value);
    return tidyExponent(QString::fromLatin1(buf));
}

QString formatFixed2(double value) {
    if (std::isnan(value) || std::isinf(value)) return formatGeneral(value);
    if (value == 0) return QStringLiteral("0.00");
    return fixed2FromDecimal(toDecimal(value));
}

QString formatTenThousandthsFixed2(qint64 n) {
    const bool negative = n < 0;
    quint64 a = negative ? quint64(-(n + 1)) + 1 : quint64(n);
    quint64 hundredths = (a + 50) / 100;  // half away from zero
    QString out = QString::number(hundredths / 100) + QLatin1Char('.') +
                  QStringLiteral("%1").arg(hundredths % 100, 2, 10, QLatin1Char('0'));
    if (negative && hundredths != 0) out.prepend(QLatin1Char('-'));
    return out;
}

QString formatTenThousandthsGeneral(qint64 n) {
    const bool negative = n < 0;
    quint64 a = negative ? quint64(-(n + 1)) + 1 : quint64(n);
    QString out = QString::number(a / 10000);
    quint64 frac = a % 10000;
    if (frac != 0) {
        QString f = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0'))) f.chop(1);
        out += QLatin1Char('.') + f;
    }
    if (negative && a != 0) out.prepend(QLatin1Char('-'));
    return out;
}

std::optional<double> parseNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString t = trimBlanks(text);
    if (!number.match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    double v = t.toDouble(&ok);
    if (!ok) {
        // QString::toDouble refuses a trailing point ("12.").
        QString fixed = t;
        fixed.replace(QStringLiteral(".e"), QStringLiteral("e")).replace(QStringLiteral(".E"), QStringLiteral("E"));
        if (fixed.endsWith(QLatin1Char('.'))) fixed.chop(1);
        v = fixed.toDouble(&ok);
    }
    if (!ok || std::isinf(v)) return std::nullopt;
    return v;
}

std::optional<qint64> parseInteger(const QString& text) {
    static const QRegularExpression integer(QStringLiteral("^[+-]?\\d+$"));
    const QString t = trimBlanks(text);
    if (!integer.match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    qint64 v = t.toLongLong(&ok);
    if (!ok) return std::nullopt;
    return v;
}

QString trimBlanks(const QString& text) {
    int begin = 0;
    int end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20) ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20) --end;
    if (begin == 0 && end == text.size()) return text;
    return text.mid(begin, end - begin);
}

QString shortDateFormat() {
    return g_shortDateFormat;
}
void setShortDateFormat(const QString& qtFormat) {
    g_shortDateFormat = qtFormat;
}

QString formatDate(const QDate& date) {
    return date.toString(g_shortDateFormat);
}

QString formatTime(const QTime& time) {
    return time.toString(QStringLiteral("hh:mm:ss"));
}

QString formatDateTime(const QDateTime& moment) {
    return formatDate(moment.date()) + QLatin1Char(' ') + formatTime(moment.time());
}

std::optional<QDate> parseDate(const QString& text) {
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    const auto m = iso.match(trimBlanks(text));
    if (!m.hasMatch()) return std::nullopt;
    QDate d(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!d.isValid()) return std::nullopt;
    return d;
}
