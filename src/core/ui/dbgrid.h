// DBGrid: the one data grid of the program — columns over a dataset, two-level titles
// ("上|下"), a footer row with sums or fixed texts, the title-click sort with its markers,
// whole-row and multi-row selection. The dataset stays the one source of rows and of the
// current row; the grid only shows them.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QWidget>
#include <functional>

#include "core/title_sort.h"

class Dataset;
class QTableView;

struct GridFooter {
    enum class Kind { None, Sum, Text };
    enum class Format { General, Fixed2 };  // 2.5 / "0.00"
    Kind kind = Kind::None;
    Format format = Format::General;
    QString text;  // the fixed text of a Text footer
    Qt::Alignment alignment = Qt::AlignCenter;
};

struct GridColumn {
    QString field;
    QString title;  // "上|下" gives a two-level title; equal upper texts side by side merge
    int width = 80;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool visible = true;
    QColor titleColor;  // the title cell's background; invalid = the grid's default
    GridFooter footer;
};

class DBGrid : public QWidget {
    Q_OBJECT

public:
    explicit DBGrid(QWidget* parent = nullptr);
    ~DBGrid() override;

    void setDataset(Dataset* dataset);
    Dataset* dataset() const;

    void setColumns(const QList<GridColumn>& columns);
    const QList<GridColumn>& columns() const;
    int columnIndexByField(const QString& field) const;  // -1 when absent

    void setRowHeight(int pixels);
    void setFooterRowCount(int rows);         // 0 or 1
    int footerRowCount() const;               // as set
    void setMultiSelect(bool on);             // Ctrl/Shift select several rows
    void setFitToWidth(bool on);              // column widths follow the grid's width
    void setTitleColor(const QColor& color);  // the default title background

    // A title click first runs `beforeSort`, then applies the title sort to the dataset.
    void setTitleSortEnabled(bool on);
    void setBeforeSort(std::function<void()> action);
    TitleSort::Marker sortMarker(int column) const;

    // 1-based position of the dataset's current row among the rows shown; 0 when none.
    int currentRow() const;
    // Shown positions (0-based) of the selected rows, in the order they were selected.
    QList<int> selectedRows() const;

    // The footer as shown: the sum in its format, the fixed text, or empty.
    QString footerText(int column) const;
    QString footerTextOfField(const QString& field) const;

    // The text over the rows while the dataset's rows are still being looked for.
    static constexpr const char* kPendingText = "正在查询…";
    bool showsPending() const;

    // The inner view, for tests and for shortcuts that act while the grid has the focus.
    QTableView* view() const;

signals:
    void cellClicked(int row);  // 1-based row number under a left or right click
    void doubleClicked();
    void popupRequested(const QPoint& globalPos);
    void titleClicked(int column);

private:
    class Private;
    Private* d;
};
