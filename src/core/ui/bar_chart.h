// BarChart: the bar charts of the sales statistics — a title, a horizontal axis with a fixed
// range and labelled whole steps ("1月", "2日"), one thin bar per value at its position with the
// value written above it; no legend, no grid lines. Drawn by hand so that the axes and the
// values stay exactly as the counter expects them.
#pragma once

#include <QColor>
#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

class BarChart : public QWidget {
    Q_OBJECT

public:
    struct Bar {
        double position = 0;
        double value = 0;
    };

    explicit BarChart(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    // The horizontal axis runs from `from` to `to`, labelled at every whole step with the number
    // followed by `unit`.
    void setAxis(int from, int to, const QString& unit);
    void setBarColour(const QColor& colour);
    // Bars are this share of the space between two whole steps.
    void setBarWidth(double share);
    void setBars(const QList<Bar>& bars);
    void clearBars() { setBars({}); }

    const QString& title() const { return title_; }
    const QList<Bar>& bars() const { return bars_; }
    int axisFrom() const { return from_; }
    int axisTo() const { return to_; }
    QString axisLabel(int step) const;
    // The value as written above its bar.
    static QString valueText(double value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    int from_ = 0;
    int to_ = 12;
    QString unit_;
    QColor colour_ = Qt::yellow;
    double share_ = 0.15;
    QList<Bar> bars_;
};
