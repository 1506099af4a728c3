// The amount in Chinese capitals for the delivery note: 1234.50 -> 壹仟贰佰叁拾肆元伍角.
#pragma once

#include <QString>

struct Capitals {
    QString text;      // empty for 0.00 and for a text that is no amount
    int badCode = -1;  // the code of the first character that is neither a digit nor "."
};

// Works on the digits of the text itself (never on a floating-point product): the digits before
// the point and exactly two after it, in fen.
Capitals amountInCapitals(const QString& amount);
