// Required-field checks and filling a drop-down list with the distinct values of a column.
#pragma once

#include <QString>

class Dataset;
class QComboBox;
class QLineEdit;

// True when the box holds something besides blanks; otherwise a warning box with `message`,
// the focus into the box, and false. The box's text is never changed.
bool RequireEditText(QLineEdit* box, const QString& message);
bool RequireComboText(QComboBox* box, const QString& message);

// Clears the box (list and text) and fills it with the distinct values of `column` of `table`,
// ascending; a NULL value gives an empty entry. A failing statement leaves the box cleared and
// throws.
void FillComboFromColumn(Dataset& dataset, const QString& column, const QString& table, QComboBox* box);
// The same with the values already known: the list replaced, the text empty, nothing chosen.
void FillComboWithItems(QComboBox* box, const QStringList& items);
