// BarChart: the bar charts of the sales statistics.
#include "core/ui/bar_chart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "core/formats.h"

BarChart::BarChart(QWidget* parent) : QWidget(parent) {
    setMinimumSize(300, 200);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

void BarChart::setTitle(const QString& title) {
    title_ = title;
    update();
}

void BarChart::setAxis(int from, int to, const QString& unit) {
    from_ = from;
    to_ = std::max(from + 1, to);
    unit_ = unit;
    update();
}

void BarChart::setBarColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void BarChart::setBarWidth(double share) {
    share_ = share;
    update();
}

void BarChart::setBars(const QList<Bar>& bars) {
    bars_ = bars;
    update();
}

QString BarChart::axisLabel(int step) const {
    return QString::number(step) + unit_;
}

QString BarChart::valueText(double value) {
    return formatGeneral(std::round(value * 100) / 100);
}

void BarChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetricsF fm(font());
    const double line = fm.height();
    // Room on the right for the label and the value of a bar at the end of the axis.
    const double rightRoom = std::max(14.0, fm.horizontalAdvance(QStringLiteral("00000.00")) / 2 + 4);
    QRectF plot = QRectF(rect()).adjusted(10 + fm.horizontalAdvance(QStringLiteral("000000")), line * 2 + 6, -rightRoom,
                                          -(line + 10));
    if (plot.width() < 20 || plot.height() < 20) return;

    QFont titleFont = font();
    titleFont.setBold(true);
    p.setFont(titleFont);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRectF(0, 4, width(), line + 4), Qt::AlignCenter, title_);
    p.setFont(font());

    double top = 0, low = 0;
    for (const Bar& b : bars_) {
        top = std::max(top, b.value);
        low = std::min(low, b.value);
    }
    if (top == low) top = 1;
    // Room above the highest bar (and below the deepest loss) for two lines of values.
    const double room = 2 * line + 4;
    const double barTop = plot.top() + (top > 0 ? room : 0);
    const double barBottom = plot.bottom() - (low < 0 ? room : 0);
    const auto xAt = [&](double position) { return plot.left() + (position - from_) / (to_ - from_) * plot.width(); };
    const auto yAt = [&](double value) { return barBottom - (value - low) / (top - low) * (barBottom - barTop); };

    // Axes, no grid lines.
    p.setPen(QPen(Qt::black, 1));
    const double zero = yAt(0);
    p.drawLine(QPointF(plot.left(), zero), QPointF(plot.right(), zero));
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    const int steps = to_ - from_;
    const int labelEvery =
        std::max(1, int(std::ceil(steps * fm.horizontalAdvance(axisLabel(to_)) / (plot.width() * 0.8))));
    for (int s = from_; s <= to_; ++s) {
        const double x = xAt(s);
        p.drawLine(QPointF(x, zero), QPointF(x, zero + 4));
        if ((s - from_) % labelEvery == 0) {
            p.drawText(QRectF(x - 40, plot.bottom() + 5, 80, line), Qt::AlignHCenter | Qt::AlignTop, axisLabel(s));
        }
    }
    // Round steps on the value axis: 1, 2 or 5 times a power of ten, about four of them.
    const double raw = (top - low) / 4;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / magnitude;
    const double step = (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * magnitude;
    for (double v = std::ceil(low / step) * step; v <= top + step * 1e-9; v += step) {
        const double y = yAt(v);
        p.drawLine(QPointF(plot.left() - 4, y), QPointF(plot.left(), y));
        p.drawText(QRectF(0, y - line / 2, plot.left() - 6, line), Qt::AlignRight | Qt::AlignVCenter, valueText(v));
    }

    // The values above the bars: a smaller type where the bars stand close, and where even that
    // is too wide, every other value one line higher, so that no two run into each other.
    const double slot = plot.width() / steps;
    QFont valueFont = font();
    double widest = 0;
    for (const Bar& b : bars_) widest = std::max(widest, fm.horizontalAdvance(valueText(b.value)));
    double valueLine = line;
    bool stagger = false;
    if (widest > slot * 0.95) {
        const double size = valueFont.pointSizeF() > 0 ? valueFont.pointSizeF() : 9;
        valueFont.setPointSizeF(std::max(7.0, size * slot * 0.95 / widest));
        const QFontMetricsF small(valueFont);
        valueLine = small.height();
        double narrowest = 0;
        for (const Bar& b : bars_) narrowest = std::max(narrowest, small.horizontalAdvance(valueText(b.value)));
        stagger = narrowest > slot * 0.95;
    }
    for (const Bar& b : bars_) {
        const double x = xAt(b.position);
        const double w = std::max(2.0, slot * share_);
        const double y = yAt(b.value);
        const QRectF bar(x - w / 2, std::min(y, zero), w, std::abs(zero - y));
        p.fillRect(bar, colour_);
        p.setPen(QPen(colour_.darker(160), 1));
        p.drawRect(bar);
        p.setPen(palette().color(QPalette::WindowText));
        p.setFont(valueFont);
        const double lift = stagger && (int(std::lround(b.position)) % 2 != 0) ? valueLine : 0;
        const QRectF value = b.value < 0 ? QRectF(x - 60, bar.bottom() + 2 + lift, 120, valueLine)
                                         : QRectF(x - 60, bar.top() - valueLine - 2 - lift, 120, valueLine);
        p.drawText(value, Qt::AlignHCenter | (b.value < 0 ? Qt::AlignTop : Qt::AlignBottom), valueText(b.value));
    }
}
