// GridModel: the visible grid columns over the dataset's rows.
#include "core/ui/dbgrid_model.h"

#include <exception>

#include "core/dataset.h"

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::setDataset(Dataset* dataset) {
    beginResetModel();
    dataset_ = dataset;
    resolveFields();
    rows_ = readRowCount();
    endResetModel();
}

void GridModel::setColumns(const QList<GridColumn>& columns) {
    beginResetModel();
    columns_.clear();
    for (int i = 0; i < columns.size(); ++i) {
        const GridColumn& c = columns.at(i);
        if (!c.visible) continue;
        columns_.append({i, c.field, c.title, c.alignment, c.titleColor, -1});
    }
    resolveFields();
    rows_ = readRowCount();
    endResetModel();
}

void GridModel::setTitleColor(const QColor& color) {
    titleColor_ = color;
    if (!columns_.isEmpty()) emit headerDataChanged(Qt::Horizontal, 0, int(columns_.size()) - 1);
}

int GridModel::gridColumn(int viewColumn) const {
    return viewColumn >= 0 && viewColumn < columns_.size() ? columns_.at(viewColumn).gridColumn : -1;
}

int GridModel::viewColumn(int gridColumn) const {
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns_.at(i).gridColumn == gridColumn) return i;
    }
    return -1;
}

void GridModel::resolveFields() {
    const bool open = dataset_ && dataset_->isOpen();
    for (ViewColumn& c : columns_) c.fieldIndex = open ? dataset_->fieldIndex(c.field) : -1;
}

// Errors of the data layer must not reach the view: a dataset that cannot be read shows no rows.
int GridModel::readRowCount() const {
    if (!dataset_ || !dataset_->isOpen()) return 0;
    try {
        return dataset_->recordCount();
    } catch (const std::exception&) {
        return 0;
    }
}

void GridModel::datasetReset() {
    beginResetModel();
    resolveFields();
    rows_ = readRowCount();
    endResetModel();
}

void GridModel::datasetRowInserted(int row) {
    const int now = readRowCount();
    if (now != rows_ + 1 || row < 0 || row > rows_) {
        datasetReset();  // out of step: start over rather than guess
        return;
    }
    beginInsertRows(QModelIndex(), row, row);
    rows_ = now;
    endInsertRows();
}

void GridModel::datasetRowRemoved(int row) {
    const int now = readRowCount();
    if (now != rows_ - 1 || row < 0 || row >= rows_) {
        datasetReset();
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    rows_ = now;
    endRemoveRows();
}

void GridModel::datasetRowChanged(int row) {
    if (row < 0 || row >= rows_ || columns_.isEmpty()) return;
    emit dataChanged(index(row, 0), index(row, int(columns_.size()) - 1));
}

void GridModel::markersChanged() {
    if (!columns_.isEmpty()) emit headerDataChanged(Qt::Horizontal, 0, int(columns_.size()) - 1);
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columns_.size()) {
        return QVariant();
    }
    const ViewColumn& c = columns_.at(index.column());
    switch (role) {
        case Qt::DisplayRole: {
            if (!dataset_ || !dataset_->isOpen() || c.fieldIndex < 0) return QVariant();
            try {
                return dataset_->textAt(index.row(), c.fieldIndex);
            } catch (const std::exception&) {
                return QVariant();
            }
        }
        case Qt::TextAlignmentRole:
            return int(c.alignment);  // the delegates of this Qt read the alignment as an int
        default:
            return QVariant();
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) {
        return QVariant();
    }
    const ViewColumn& c = columns_.at(section);
    switch (role) {
        case Qt::DisplayRole:
            return c.title;
        case Qt::BackgroundRole: {
            const QColor color = c.titleColor.isValid() ? c.titleColor : titleColor_;
            return color.isValid() ? QVariant(color) : QVariant();
        }
        case MarkerRole:
            return int(titleSort_ ? titleSort_->marker(c.gridColumn) : TitleSort::Marker::None);
        default:
            return QVariant();
    }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
