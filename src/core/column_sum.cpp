// The sum a grid footer shows under a column.
#include "core/column_sum.h"

#include <cmath>

#include "core/dataset.h"
#include "core/formats.h"

namespace {
constexpr long double kLimit = 9.0e18L;
}  // namespace

void ColumnSum::change(const QVariant& value, int sign) {
    if (const auto n = Dataset::numberOf(value)) change(*n, sign);
}

void ColumnSum::change(double value, int sign) {
    if (!std::isfinite(value)) return;
    plain += sign * static_cast<long double>(value);
    const long double scaled = static_cast<long double>(value) * 10000.0L;
    if (overflow || scaled > kLimit || scaled < -kLimit) {
        overflow = true;
        return;
    }
    const long double next = static_cast<long double>(tenThousandths) + sign * std::rint(scaled);
    if (next > kLimit || next < -kLimit) {
        overflow = true;
        return;
    }
    tenThousandths = static_cast<qint64>(next);
}

void ColumnSum::add(const ColumnSum& other) {
    plain += other.plain;
    overflow = overflow || other.overflow;
    if (overflow) return;
    const long double next = static_cast<long double>(tenThousandths) + other.tenThousandths;
    if (next > kLimit || next < -kLimit) {
        overflow = true;
    } else {
        tenThousandths += other.tenThousandths;
    }
}

QString ColumnSum::text(bool fixedTwoDecimals) const {
    if (overflow) return formatGeneral(static_cast<double>(plain));
    return fixedTwoDecimals ? formatTenThousandthsFixed2(tenThousandths) : formatTenThousandthsGeneral(tenThousandths);
}
