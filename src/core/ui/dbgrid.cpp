// DBGrid: the data grid over a dataset — titles, rows, footer, title sort, selection.
#include "core/ui/dbgrid.h"

#include <QApplication>

#include <QEvent>
#include <QHash>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPointer>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <limits>
#include <optional>

#include "core/dataset.h"
#include "core/formats.h"
#include "core/ui/dbgrid_header.h"
#include "core/ui/dbgrid_model.h"
#include "core/ui/guard.h"

namespace {

// Hands one widget's events to a function; the grid needs to see its viewport resize.
class EventHook : public QObject {
public:
    EventHook(QObject* parent, std::function<void(QEvent*)> hook) : QObject(parent), hook_(std::move(hook)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        hook_(event);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QEvent*)> hook_;
};

}  // namespace

class DBGrid::Private {
public:
    explicit Private(DBGrid* grid) : q(grid) {}

    void attach(Dataset* next);
    void detach();

    int datasetRow() const;  // 0-based current row of the dataset, -1 when none
    void syncViewToDataset();
    void pushViewToDataset(const QModelIndex& current);

    void onReset();
    void onInserted(int row);
    void onRemoved(int row);
    void onChanged(int row);
    void onTitleClicked(int viewColumn);
    void onContextMenu(const QPoint& pos);
    void onSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void shiftSelectionOrder(int from, int by);

    void applyWidths();
    void fitColumns();
    void showPending();

    void markFootersDirty();
    void ensureFooters() const;
    QString sumText(const QString& field, GridFooter::Format format) const;
    void announceSums();
    QString computeFooter(const GridColumn& column) const;

    DBGrid* q;
    QTableView* view = nullptr;
    GridModel* model = nullptr;
    GridTitleHeader* header = nullptr;
    GridFooterStrip* footer = nullptr;
    QLabel* pending = nullptr;  // "正在查询…" over the rows

    QPointer<Dataset> dataset;
    QList<QMetaObject::Connection> datasetLinks;
    QList<QMetaObject::Connection> viewLinks;

    QList<GridColumn> columns;
    TitleSort titleSort;
    bool titleSortEnabled = true;
    std::function<void()> beforeSort;
    bool fitToWidth = false;
    bool fitting = false;
    int footerRows = 0;
    bool layoutPending = true;  // rows or columns changed since the view last laid itself out

    // Both directions of the current-row link; each side ignores the echo of its own move.
    bool applying = false;  // the view is being moved to follow the dataset
    bool pushing = false;   // the dataset is being moved to follow the view

    // When each selected row was selected, for selectedRows() in selection order.
    QHash<int, qint64> selectedAt;
    qint64 selectionSerial = 0;

    mutable bool footersDirty = true;
    mutable QStringList footerTexts;  // by grid column
};

void DBGrid::Private::attach(Dataset* next) {
    detach();
    dataset = next;
    if (next) {
        datasetLinks << connect(next, &Dataset::rowsReset, q, [this] { onReset(); })
                     << connect(next, &Dataset::currentChanged, q,
                                [this] {
                                    if (!pushing) syncViewToDataset();
                                })
                     << connect(next, &Dataset::rowChanged, q, [this](int row) { onChanged(row); })
                     << connect(next, &Dataset::rowInserted, q, [this](int row) { onInserted(row); })
                     << connect(next, &Dataset::rowRemoved, q, [this](int row) { onRemoved(row); })
                     << connect(next, &QObject::destroyed, q, [this] { onReset(); })
                     << connect(next, &Dataset::pendingChanged, q, [this](bool) { showPending(); });
    }
    announceSums();
    applying = true;
    layoutPending = true;
    model->setDataset(next);
    applying = false;
    selectedAt.clear();
    markFootersDirty();
    syncViewToDataset();
    showPending();
}

void DBGrid::Private::detach() {
    for (const QMetaObject::Connection& link : datasetLinks) QObject::disconnect(link);
    datasetLinks.clear();
}

int DBGrid::Private::datasetRow() const {
    if (!dataset || !dataset->isOpen()) return -1;
    try {
        return dataset->recNo() - 1;
    } catch (const std::exception&) {
        return -1;
    }
}

void DBGrid::Private::syncViewToDataset() {
    QItemSelectionModel* selection = view->selectionModel();
    const int row = datasetRow();
    applying = true;
    if (row < 0 || row >= model->rowCount() || model->columnCount() == 0) {
        if (selection->currentIndex().isValid() || selection->hasSelection()) selection->clear();
    } else if (selection->currentIndex().row() != row || !selection->isRowSelected(row)) {
        const int column = std::max(0, selection->currentIndex().column());
        const QModelIndex index = model->index(row, std::min(column, model->columnCount() - 1));
        // Several rows picked by the operator stay picked while the program walks the dataset
        // (a delete of the selected rows does); otherwise the selection is the current row.
        const bool keepPicked =
            view->selectionMode() == QAbstractItemView::ExtendedSelection && selection->selectedRows().size() > 1;
        selection->setCurrentIndex(index, keepPicked ? QItemSelectionModel::NoUpdate
                                                     : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        // After a change of rows the scroll range is still the old one until laid out again.
        if (layoutPending) {
            view->doItemsLayout();
            layoutPending = false;
        }
        view->scrollTo(index);
    }
    applying = false;
}

void DBGrid::Private::pushViewToDataset(const QModelIndex& current) {
    if (applying || !current.isValid() || !dataset || !dataset->isOpen()) return;
    pushing = true;
    try {
        if (dataset->recNo() != current.row() + 1) dataset->setRecNo(current.row() + 1);
    } catch (const std::exception&) {
        // The dataset refused the move (it is being edited, or went away): the view follows it
        // back below.
    }
    pushing = false;
    if (datasetRow() != current.row()) syncViewToDataset();
}

void DBGrid::Private::onReset() {
    // Rows read again come in their stored order: a marker left on a title would show a sort
    // that no longer holds.
    if (!dataset || dataset->sort().isEmpty()) {
        bool marked = false;
        for (int c = 0; c < titleSort.columnCount(); ++c)
            marked = marked || titleSort.marker(c) != TitleSort::Marker::None;
        if (marked) {
            titleSort = TitleSort(int(columns.size()));
            model->markersChanged();
            header->viewport()->update();
        }
    }
    applying = true;
    layoutPending = true;
    model->datasetReset();
    applying = false;
    selectedAt.clear();
    markFootersDirty();
    syncViewToDataset();
}

void DBGrid::Private::onInserted(int row) {
    applying = true;
    layoutPending = true;
    model->datasetRowInserted(row);
    applying = false;
    shiftSelectionOrder(row, 1);
    markFootersDirty();
    if (!pushing) syncViewToDataset();
}

void DBGrid::Private::onRemoved(int row) {
    applying = true;
    layoutPending = true;
    model->datasetRowRemoved(row);
    applying = false;
    selectedAt.remove(row);
    shiftSelectionOrder(row + 1, -1);
    markFootersDirty();
}

void DBGrid::Private::onChanged(int row) {
    model->datasetRowChanged(row);
    markFootersDirty();
}

void DBGrid::Private::shiftSelectionOrder(int from, int by) {
    if (selectedAt.isEmpty()) return;
    QHash<int, qint64> moved;
    for (auto it = selectedAt.cbegin(); it != selectedAt.cend(); ++it) {
        moved.insert(it.key() >= from ? it.key() + by : it.key(), it.value());
    }
    selectedAt = std::move(moved);
}

void DBGrid::Private::onSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    for (const QItemSelectionRange& range : deselected) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (!view->selectionModel()->isRowSelected(row)) selectedAt.remove(row);
        }
    }
    for (const QItemSelectionRange& range : selected) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (!selectedAt.contains(row)) selectedAt.insert(row, ++selectionSerial);
        }
    }
}

void DBGrid::Private::onTitleClicked(int viewColumn) {
    if (!titleSortEnabled) return;
    const int column = model->gridColumn(viewColumn);
    if (column < 0 || !dataset || !dataset->isOpen()) return;
    const QString field = columns.at(column).field;
    bool sorted = false;
    guard(q, [&] {
        if (beforeSort) beforeSort();
        if (!dataset || !dataset->isOpen()) return;
        const QString sort = titleSort.click(column, field);
        model->markersChanged();
        dataset->setSort(sort);
        sorted = true;
    });
    header->viewport()->update();
    if (sorted) {
        emit q->titleClicked(column);
    } else {
        onReset();  // a failed sort may have left the rows in another order: show them as they are
    }
}

void DBGrid::Private::onContextMenu(const QPoint& pos) {
    const QModelIndex index = view->indexAt(pos);
    if (index.isValid()) {
        QItemSelectionModel* selection = view->selectionModel();
        const int before = selection->currentIndex().row();
        // A right click inside a multi-row selection keeps it, as the menu may act on all of it.
        if (view->selectionMode() == QAbstractItemView::ExtendedSelection && selection->isRowSelected(index.row())) {
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        } else {
            selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        // A menu that moved the current row counts as a click on it: the same rules follow.
        if (index.row() != before) emit q->cellClicked(index.row() + 1);
    }
    emit q->popupRequested(view->viewport()->mapToGlobal(pos));
}

void DBGrid::Private::applyWidths() {
    for (int v = 0; v < model->columnCount(); ++v) {
        header->resizeSection(v, std::max(1, columns.at(model->gridColumn(v)).width));
    }
    fitColumns();
}

void DBGrid::Private::fitColumns() {
    if (!fitToWidth || fitting) return;
    const int available = view->viewport()->width();
    qint64 total = 0;
    for (int v = 0; v < model->columnCount(); ++v) {
        total += std::max(1, columns.at(model->gridColumn(v)).width);
    }
    if (available <= 0 || total <= 0) return;
    fitting = true;
    // Cumulative rounding: the widths add up to the viewport's width exactly.
    qint64 cumulative = 0;
    int previousEnd = 0;
    for (int v = 0; v < model->columnCount(); ++v) {
        cumulative += std::max(1, columns.at(model->gridColumn(v)).width);
        const int end = int(cumulative * available / total);
        header->resizeSection(v, std::max(1, end - previousEnd));
        previousEnd = end;
    }
    fitting = false;
}

void DBGrid::Private::showPending() {
    const bool on = dataset && dataset->isPending();
    if (on) {
        pending->setGeometry(view->viewport()->geometry());
        pending->raise();
    }
    pending->setVisible(on);
    markFootersDirty();
}

void DBGrid::Private::markFootersDirty() {
    footersDirty = true;
    footer->update();
}

// The dataset keeps the sums (as whole ten-thousandths, see ColumnSum): a windowed list adds
// them up while it finds its rows, so the footer never reads every row.
QString DBGrid::Private::sumText(const QString& field, GridFooter::Format format) const {
    const ColumnSum sum = dataset ? dataset->columnSum(field) : ColumnSum();
    return sum.text(format == GridFooter::Format::Fixed2);
}

void DBGrid::Private::announceSums() {
    if (!dataset) return;
    QStringList fields;
    for (const GridColumn& c : columns) {
        if (c.footer.kind == GridFooter::Kind::Sum) fields.append(c.field);
    }
    dataset->setSummedFields(fields);
}

QString DBGrid::Private::computeFooter(const GridColumn& column) const {
    switch (column.footer.kind) {
        case GridFooter::Kind::None:
            return QString();
        case GridFooter::Kind::Text:
            return column.footer.text;
        case GridFooter::Kind::Sum:
            if (dataset && dataset->isPending()) return QString();
            try {
                return sumText(column.field, column.footer.format);
            } catch (const std::exception&) {
                return ColumnSum().text(column.footer.format == GridFooter::Format::Fixed2);
            }
    }
    return QString();
}

void DBGrid::Private::ensureFooters() const {
    if (!footersDirty && footerTexts.size() == columns.size()) return;
    footerTexts.clear();
    for (const GridColumn& column : columns) footerTexts.append(computeFooter(column));
    footersDirty = false;
}

// ---- DBGrid ------------------------------------------------------------------------------

DBGrid::DBGrid(QWidget* parent) : QWidget(parent), d(new Private(this)) {
    d->view = new QTableView(this);
    d->header = new GridTitleHeader(d->view);
    d->view->setHorizontalHeader(d->header);
    d->model = new GridModel(this);
    d->model->setTitleSort(&d->titleSort);
    d->view->setModel(d->model);

    QTableView* view = d->view;
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setWordWrap(false);
    view->setCornerButtonEnabled(false);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    d->footer = new GridFooterStrip(
        view,
        [this](int viewColumn) {
            const int column = d->model->gridColumn(viewColumn);
            if (column < 0) return GridFooterStrip::Cell{};
            d->ensureFooters();
            return GridFooterStrip::Cell{d->footerTexts.value(column), d->columns.at(column).footer.alignment};
        },
        this);
    d->footer->setRowHeight(view->verticalHeader()->defaultSectionSize());
    d->footer->hide();
    d->pending = new QLabel(QString::fromUtf8(kPendingText), view);
    d->pending->setObjectName(QStringLiteral("PendingLabel"));
    d->pending->setAlignment(Qt::AlignCenter);
    d->pending->setAttribute(Qt::WA_TransparentForMouseEvents);
    d->pending->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view, 1);
    layout->addWidget(d->footer);

    QItemSelectionModel* selection = view->selectionModel();
    d->viewLinks << connect(selection, &QItemSelectionModel::currentRowChanged, this,
                            [this](const QModelIndex& current, const QModelIndex&) { d->pushViewToDataset(current); })
                 << connect(selection, &QItemSelectionModel::selectionChanged, this,
                            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                                d->onSelectionChanged(selected, deselected);
                            })
                 << connect(view, &QAbstractItemView::clicked, this,
                            [this](const QModelIndex& index) {
                                if (index.isValid()) emit cellClicked(index.row() + 1);
                            })
                 << connect(view, &QAbstractItemView::pressed, this,
                            [this](const QModelIndex& index) {
                                // The right button takes the row on its press, as the left
                                // one does on its click.
                                if (index.isValid() && (QApplication::mouseButtons() & Qt::RightButton)) {
                                    emit cellClicked(index.row() + 1);
                                }
                            })
                 << connect(view, &QAbstractItemView::doubleClicked, this,
                            [this](const QModelIndex&) { emit doubleClicked(); })
                 << connect(view, &QWidget::customContextMenuRequested, this,
                            [this](const QPoint& pos) { d->onContextMenu(pos); })
                 << connect(d->header, &QHeaderView::sectionClicked, this,
                            [this](int section) { d->onTitleClicked(section); });

    view->viewport()->installEventFilter(new EventHook(view->viewport(), [this](QEvent* event) {
        if (event->type() == QEvent::Resize) {
            d->fitColumns();
            if (d->pending->isVisible()) d->pending->setGeometry(d->view->viewport()->geometry());
        }
    }));
}

DBGrid::~DBGrid() {
    // The parts go first, while the private part they call back into still exists.
    d->detach();
    for (const QMetaObject::Connection& link : d->viewLinks) QObject::disconnect(link);
    delete d->footer;
    delete d->view;
    delete d;
    d = nullptr;
}

void DBGrid::setDataset(Dataset* dataset) {
    d->attach(dataset);
}

Dataset* DBGrid::dataset() const {
    return d->dataset;
}

void DBGrid::setColumns(const QList<GridColumn>& columns) {
    d->columns = columns;
    d->announceSums();
    d->titleSort = TitleSort(int(columns.size()));
    d->applying = true;
    d->model->setColumns(columns);
    d->applying = false;
    d->selectedAt.clear();
    d->applyWidths();
    d->markFootersDirty();
    // The title height depends on the levels of the new titles.
    d->header->updateGeometry();
    d->view->doItemsLayout();
    d->layoutPending = false;
    d->syncViewToDataset();
}

const QList<GridColumn>& DBGrid::columns() const {
    return d->columns;
}

int DBGrid::columnIndexByField(const QString& field) const {
    for (int i = 0; i < d->columns.size(); ++i) {
        if (d->columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

void DBGrid::setRowHeight(int pixels) {
    QHeaderView* rows = d->view->verticalHeader();
    rows->setMinimumSectionSize(std::min(pixels, rows->minimumSectionSize()));
    rows->setDefaultSectionSize(pixels);
    d->footer->setRowHeight(pixels);
}

void DBGrid::setFooterRowCount(int rows) {
    d->footerRows = std::clamp(rows, 0, 1);
    d->footer->setVisible(d->footerRows > 0);
}

int DBGrid::footerRowCount() const {
    return d->footerRows;
}

void DBGrid::setMultiSelect(bool on) {
    d->view->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void DBGrid::setFitToWidth(bool on) {
    d->fitToWidth = on;
    d->view->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    d->applyWidths();
}

void DBGrid::setTitleColor(const QColor& color) {
    d->model->setTitleColor(color);
    d->header->viewport()->update();
}

void DBGrid::setTitleSortEnabled(bool on) {
    d->titleSortEnabled = on;
}

void DBGrid::setBeforeSort(std::function<void()> action) {
    d->beforeSort = std::move(action);
}

TitleSort::Marker DBGrid::sortMarker(int column) const {
    return d->titleSort.marker(column);
}

int DBGrid::currentRow() const {
    return d->datasetRow() + 1;
}

QList<int> DBGrid::selectedRows() const {
    QList<int> rows;
    for (const QModelIndex& index : d->view->selectionModel()->selectedRows()) {
        rows.append(index.row());
    }
    const qint64 unknown = std::numeric_limits<qint64>::max();
    std::sort(rows.begin(), rows.end(), [this, unknown](int a, int b) {
        const qint64 sa = d->selectedAt.value(a, unknown);
        const qint64 sb = d->selectedAt.value(b, unknown);
        return sa != sb ? sa < sb : a < b;
    });
    return rows;
}

QString DBGrid::footerText(int column) const {
    if (column < 0 || column >= d->columns.size()) return QString();
    d->ensureFooters();
    return d->footerTexts.value(column);
}

QString DBGrid::footerTextOfField(const QString& field) const {
    return footerText(columnIndexByField(field));
}

bool DBGrid::showsPending() const {
    return !d->pending->isHidden();
}

QTableView* DBGrid::view() const {
    return d->view;
}
