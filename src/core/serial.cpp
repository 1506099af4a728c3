// The sale serial.
#include "core/serial.h"

#include <algorithm>

#include "core/connection.h"
#include "core/formats.h"
#include "core/pinyin.h"

QString makeSerial(const QString& operatorName, const QDate& today, qint64 counter) {
    const QString prefix = PinyinInitials(operatorName).left(3).toUpper();
    const QString year = QString::number(today.year()).mid(2, 3);
    return prefix + year + QString::number(today.month()) + QString::number(today.day()) +
           QString::asprintf("%.6lld ", static_cast<long long>(counter));
}

namespace {

QString counterDigits(qint64 counter) {
    return QString::asprintf("%.6lld", static_cast<long long>(counter));
}

bool taken(Connection& db, const QString& serial) {
    return db.scalar(QStringLiteral("SELECT 1 FROM data3 WHERE a=? LIMIT 1"), {serial}).isValid();
}

}  // namespace

std::optional<SerialParts> splitSerial(const QString& serial, qint64 counter) {
    const QString digits = counterDigits(counter);
    if (counter >= 0 && serial.endsWith(digits) && serial.size() > digits.size()) {
        return SerialParts{serial.left(serial.size() - digits.size()), counter};
    }
    qsizetype run = 0;
    while (run < serial.size() && serial.at(serial.size() - 1 - run).isDigit()) ++run;
    if (run < 6) return std::nullopt;
    return SerialParts{serial.left(serial.size() - 6), serial.right(6).toLongLong()};
}

FreeSerial freeSerial(Connection& db, const QString& serial, qint64 counter) {
    const QString trimmed = trimBlanks(serial);
    if (!taken(db, trimmed)) return {trimmed, counter, false};
    const std::optional<SerialParts> parts = splitSerial(trimmed, counter);
    const QString stem = parts ? parts->stem : trimmed;
    qint64 next = std::max(counter, parts ? parts->counter : 0);
    // The serials of the same stem, by the index on data3.a.
    Statement same(db.handle(), QStringLiteral("SELECT a FROM data3 WHERE a>=? AND a<?"));
    same.bind(1, stem);
    same.bind(2, stem + QChar(0xFFFF));
    while (same.step()) {
        const QString rest = same.value(0).toString().mid(stem.size());
        bool number = rest.size() >= 6;
        for (const QChar c : rest) number = number && c.isDigit();
        if (number) next = std::max(next, rest.toLongLong());
    }
    ++next;
    while (taken(db, stem + counterDigits(next))) ++next;
    return {stem + counterDigits(next), next, true};
}
