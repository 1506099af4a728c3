// GridModel: the item model behind DBGrid — the visible columns over a dataset's rows, read
// through the dataset on demand, so the grid never copies a row.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QPointer>

#include "core/dataset.h"
#include "core/title_sort.h"
#include "core/ui/dbgrid.h"

class GridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Header roles beyond Qt's own: the sort marker (a TitleSort::Marker as int).
    enum Role { MarkerRole = Qt::UserRole + 1 };

    explicit GridModel(QObject* parent = nullptr);

    void setDataset(Dataset* dataset);
    Dataset* dataset() const { return dataset_; }

    void setColumns(const QList<GridColumn>& columns);
    void setTitleColor(const QColor& color);
    void setTitleSort(const TitleSort* sort) { titleSort_ = sort; }

    // View columns are the visible grid columns; these map between the two numberings.
    int gridColumn(int viewColumn) const;
    int viewColumn(int gridColumn) const;  // -1 for a hidden or unknown column

    // Follow the dataset: the grid forwards its signals here.
    void datasetReset();
    void datasetRowInserted(int row);
    void datasetRowRemoved(int row);
    void datasetRowChanged(int row);
    void markersChanged();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct ViewColumn {
        int gridColumn = -1;
        QString field;
        QString title;
        Qt::Alignment alignment;
        QColor titleColor;
        int fieldIndex = -1;  // in the open dataset; -1 when closed or absent
    };

    void resolveFields();
    int readRowCount() const;

    QPointer<Dataset> dataset_;
    QList<ViewColumn> columns_;
    QColor titleColor_;
    const TitleSort* titleSort_ = nullptr;
    int rows_ = 0;  // the dataset's row count as last seen, so the view never reads past it
};
