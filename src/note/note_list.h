// The note line list: the grid of the current note (table data) on the main window, its
// columns and footer sums, the refresh every change ends with, the title sort and the
// row-change interlock of clicks.
#pragma once

#include <QObject>
#include <functional>

class Dataset;
class DBGrid;
class TMainForm;

class NoteList : public QObject {
    Q_OBJECT

public:
    static inline const QString kListSql = QStringLiteral("select * from data order by id");

    NoteList(TMainForm* mainForm, Dataset& query);

    // Re-reads the note in creation order, makes the newest line current, hides the
    // settlement panel.
    void refresh();

    int rowCount() const;
    // The footer texts other parts read: quantity (2.5), amount ("0.00") and the hidden profit.
    QString quantityFooter() const;
    QString amountFooter() const;
    QString profitFooter() const;

    DBGrid* grid() const { return grid_; }
    Dataset& query() const { return query_; }

    // Runs before a title sort re-orders the rows (the panels over the grid go away).
    void setBeforeSort(std::function<void()> action);

signals:
    // A click landed on another row than the last one clicked.
    void rowChangedByClick();

private:
    void cellClicked(int row);

    TMainForm* main_;
    Dataset& query_;
    DBGrid* grid_;
    int lastClickedRow_ = 0;
};
