// Printing a grid: its rows as a banded report - "Page. N" over a double line on every page,
// the title line and a heading before the grid on the first page, the column titles on every
// page, one row per record growing to hold its text, the grid's footer row (its totals) after
// the last row, and a closing text below it; the totals and the closing text never stand alone
// on a last page.
// Columns keep the grid's proportions across the page width; a grid wider than an upright
// page prints across it, and one wider still in a smaller text (not below 7 pt).
#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include "core/report.h"

class Dataset;
class DBGrid;
class QWidget;
struct GridColumn;

struct GridPrintTexts {
    QString title;   // the title line at the top of the first page
    QString before;  // bold and centred above the grid
    QString after;   // below the last row; "%[Today]" becomes today's date
    ReportAlign afterAlign = ReportAlign::Right;
    // The grid's footer row as it shows it, by column ("合计", the sums); none or all empty
    // prints no footer row.
    QStringList footers = {};
};

// The report of the visible columns: detail fields are named by the columns' fields.
ReportDefinition gridReport(const QList<GridColumn>& columns, const GridPrintTexts& texts);

// A dataset's rows for a report, read as the report's pages are painted.
class DatasetRows : public ReportRows {
public:
    explicit DatasetRows(const Dataset& dataset) : dataset_(dataset) {}
    int rowCount() const override;
    QString text(int row, const QString& column) const override;

private:
    const Dataset& dataset_;
    mutable QHash<QString, int> fields_;  // field index by column name
};

// Shows the print preview of the grid's rows, from which they are printed.
void printGrid(QWidget* parent, const DBGrid& grid, const GridPrintTexts& texts);
