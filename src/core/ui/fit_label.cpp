// A label for large figures that shrinks its text to fit.
#include "core/ui/fit_label.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

FitLabel::FitLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QFont FitLabel::shownFont() const {
    QFont shown = font();
    const double available = contentsRect().width();
    const double needed = QFontMetricsF(shown).horizontalAdvance(text());
    if (needed <= available || available <= 0) return shown;
    const bool pixels = shown.pixelSize() > 0;
    double size = pixels ? shown.pixelSize() : shown.pointSizeF();
    // Proportional first, then a step at a time for what rounding leaves over.
    size = std::floor(size * available / needed);
    for (; size > 6; size -= 1) {
        if (pixels) {
            shown.setPixelSize(int(size));
        } else {
            shown.setPointSizeF(size);
        }
        if (QFontMetricsF(shown).horizontalAdvance(text()) <= available) break;
    }
    return shown;
}

QSize FitLabel::minimumSizeHint() const {
    return QSize(0, QLabel::minimumSizeHint().height());
}

void FitLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(shownFont());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, text());
}
