// The sale serial: operator initials, year, month, day and counter, e.g. "CJG121122000002 "
// for 超级管理员 on 22 November 2012 with counter 2.
#pragma once

#include <QDate>
#include <QString>
#include <optional>

// Three letters of the operator's pinyin initials in upper case, the year from its third
// digit on, month and day without leading zeros, the counter in at least six digits, and one
// blank. The blank is part of the serial as shown; it is trimmed wherever the serial is stored.
QString makeSerial(const QString& operatorName, const QDate& today, qint64 counter);

class Connection;

// A serial split into what comes before its counter and the counter: the counter is the last
// six or more digits (the width the serial was made with, `counter` telling how many when it
// ends with it). Nothing for a text that ends in fewer than six digits.
struct SerialParts {
    QString stem;
    qint64 counter = 0;
};
std::optional<SerialParts> splitSerial(const QString& serial, qint64 counter);

// The serial a sale may take: `serial` (trimmed) when no sale in data3 has it; otherwise the same
// stem with a counter past the highest one stored for that stem. A copy of config.ini that is
// old, emptied or never written would otherwise give a second sale a serial already used.
struct FreeSerial {
    QString serial;  // trimmed
    qint64 counter = 0;
    bool moved = false;  // the serial given was taken
};
FreeSerial freeSerial(Connection& db, const QString& serial, qint64 counter);
