// The column-title sort every grid shares.
#include "core/title_sort.h"

QString TitleSort::click(int column, const QString& fieldName) {
    if (column < 0) return QString();
    if (column >= markers_.size()) markers_.resize(column + 1);
    const Marker before = markers_[column];
    const QString sort = before == Marker::Down ? fieldName : fieldName + QStringLiteral(" DESC");
    for (Marker& m : markers_) m = Marker::None;
    markers_[column] = before == Marker::Down ? Marker::Up : Marker::Down;
    return sort;
}

TitleSort::Marker TitleSort::marker(int column) const {
    return column >= 0 && column < markers_.size() ? markers_[column] : Marker::None;
}
