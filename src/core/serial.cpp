// The sale serial.
#include "core/serial.h"

#include "core/pinyin.h"

QString makeSerial(const QString& operatorName, const QDate& today, qint64 counter) {
    const QString prefix = PinyinInitials(operatorName).left(3).toUpper();
    const QString year = QString::number(today.year()).mid(2, 3);
    return prefix + year + QString::number(today.month()) + QString::number(today.day()) +
           QString::asprintf("%.6lld ", static_cast<long long>(counter));
}
