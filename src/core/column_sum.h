// The sum a grid footer shows under a column: kept as whole ten-thousandths, so that adding
// many prices never shows floating-point dust; a sum too large for that falls back to the
// plain sum in the general form.
#pragma once

#include <QString>
#include <QVariant>

struct ColumnSum {
    qint64 tenThousandths = 0;
    long double plain = 0;
    bool overflow = false;

    // Values that are no numbers (empty, text) count as nothing.
    void add(const QVariant& value) { change(value, 1); }
    void remove(const QVariant& value) { change(value, -1); }
    void add(double value) { change(value, 1); }
    void remove(double value) { change(value, -1); }
    void add(const ColumnSum& other);

    // "0.00" or the shortest general form.
    QString text(bool fixedTwoDecimals) const;

private:
    void change(const QVariant& value, int sign);
    void change(double value, int sign);
};
