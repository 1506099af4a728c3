// Something that can answer a windowed dataset's questions faster than the engine: which rows
// a statement selects (with their footer sums) and how they sort. The history index answers
// them for the sales tables from memory. Whatever it cannot answer, it declines, and the
// dataset asks the engine instead; both must give the same rows in the same order.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>
#include <utility>
#include <vector>

#include "core/column_sum.h"

struct ProvidedRows {
    std::vector<qint64> rowids;   // ascending: the order a statement without ORDER BY gives
    std::vector<ColumnSum> sums;  // one per column asked for
};

class RowProvider {
public:
    virtual ~RowProvider() = default;

    // The rows of `table` that `engineSql` (already in the engine's dialect) selects, and the
    // sums of `sumColumns` over them; nothing when the statement is not one it understands.
    virtual std::optional<ProvidedRows> select(const QString& table, const QString& engineSql,
                                               const QStringList& sumColumns) = 0;

    // Positions 0..n-1 of `rowids` in the grids' sort order by the columns given (name and
    // descending), ties in position order; nothing when it cannot.
    virtual std::optional<std::vector<int>> order(const QString& table, const std::vector<qint64>& rowids,
                                                  const std::vector<std::pair<QString, bool>>& keys) = 0;

    // The values of `columns` in the rows `rowids` of `table`, one list per rowid in that order,
    // typed as the engine gives them; nothing when it cannot (a row or column it does not know).
    virtual std::optional<std::vector<QVariantList>> values(const QString& table, const std::vector<qint64>& rowids,
                                                            const QStringList& columns) = 0;
};
