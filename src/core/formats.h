// Number and date texts as the screens, the database and the printouts use them.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>

// Shortest general form with at most 15 significant digits: 12.5, 3, 0.3, 1E20.
QString formatGeneral(double value);
QString formatGeneral(long double value);

// Fixed point with exactly two decimals, rounded half away from zero on the
// 15-digit decimal form of the value (so 2.345 gives 2.35, as a person expects).
// Serves both the "0.00" totals and the two-decimal change amount.
QString formatFixed2(double value);

// Sums kept as whole ten-thousandths (see FooterSum), rendered without touching floating point.
QString formatTenThousandthsFixed2(qint64 tenThousandths);
QString formatTenThousandthsGeneral(qint64 tenThousandths);

// A number typed by the operator or held as text: optional blanks, optional sign, digits with at
// most one point ("12." and ".5" are fine), optional exponent. Anything else is not a number.
std::optional<double> parseNumber(const QString& text);

// Whole numbers for counters kept as text.
std::optional<qint64> parseInteger(const QString& text);

// Removes leading and trailing blanks and control characters (everything up to U+0020),
// and nothing else: a full-width blank is a character like any other.
QString trimBlanks(const QString& text);

// The process-wide date texts: "yyyy-mm-dd", and the long time form after a blank.
QString shortDateFormat();
void setShortDateFormat(const QString& qtFormat);
QString formatDate(const QDate& date);
QString formatDateTime(const QDateTime& moment);
QString formatTime(const QTime& time);  // "hh:mm:ss"
std::optional<QDate> parseDate(const QString& text);
