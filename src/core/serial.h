// The sale serial: operator initials, year, month, day and counter, e.g. "CJG121122000002 "
// for 超级管理员 on 22 November 2012 with counter 2.
#pragma once

#include <QDate>
#include <QString>

// Three letters of the operator's pinyin initials in upper case, the year from its third
// digit on, month and day without leading zeros, the counter in at least six digits, and one
// blank. The blank is part of the serial as shown; it is trimmed wherever the serial is stored.
QString makeSerial(const QString& operatorName, const QDate& today, qint64 counter);
