// Required-field checks and filling a drop-down list with the distinct values of a column.
#include "core/ui/input_helpers.h"

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

#include "core/dataset.h"
#include "core/formats.h"
#include "core/shared_queries.h"
#include "core/ui/dialogs.h"

namespace {
bool require(QWidget* box, const QString& text, const QString& message) {
    if (!trimBlanks(text).isEmpty()) return true;
    showWarning(message, box->window());
    box->setFocus(Qt::OtherFocusReason);
    return false;
}
}  // namespace

bool RequireEditText(QLineEdit* box, const QString& message) {
    return require(box, box->text(), message);
}

bool RequireComboText(QComboBox* box, const QString& message) {
    return require(box, box->currentText(), message);
}

void FillComboFromColumn(Dataset& dataset, const QString& column, const QString& table, QComboBox* box) {
    box->clear();
    box->setCurrentText(QString());
    OpenGroupedColumn(dataset, column, table);
    const int count = dataset.recordCount();
    const int field = std::max(dataset.fieldIndex(column), 0);
    QStringList items;
    items.reserve(count);
    for (int row = 0; row < count; ++row) items.append(dataset.textAt(row, field));
    FillComboWithItems(box, items);
}

void FillComboWithItems(QComboBox* box, const QStringList& items) {
    box->clear();
    box->addItems(items);
    box->setCurrentIndex(-1);
    box->setCurrentText(QString());
}
