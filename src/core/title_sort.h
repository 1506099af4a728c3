// The column-title sort every grid shares: the marker a column shows decides the order a click
// applies, then the marker moves on (none -> down -> up -> down ...), and the other columns
// lose theirs. So the first click sorts descending, the second ascending, and so on.
#pragma once

#include <QString>
#include <QVector>

class TitleSort {
public:
    enum class Marker { None, Down, Up };

    explicit TitleSort(int columns = 0) : markers_(columns, Marker::None) {}
    void resize(int columns) { markers_.resize(columns); }
    int columnCount() const { return int(markers_.size()); }

    // Returns the sort text to apply ("商品编码" or "商品编码 DESC") and moves the markers.
    QString click(int column, const QString& fieldName);
    Marker marker(int column) const;

private:
    QVector<Marker> markers_;
};
