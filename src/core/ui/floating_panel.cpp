// FloatingPanel: a panel the operator drags by its background, with a close picture.
#include "core/ui/floating_panel.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {
QPixmap closePicture() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(200, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(0, 0, 16, 16);
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(5, 5, 11, 11);
    p.drawLine(11, 5, 5, 11);
    return pm;
}
}  // namespace

FloatingPanel::FloatingPanel(QWidget* parent) : QFrame(parent), closeImage_(new QLabel(this)) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);
    setCursor(Qt::SizeAllCursor);
    closeImage_->setObjectName(QStringLiteral("closeImage"));
    closeImage_->setPixmap(closePicture());
    closeImage_->setCursor(Qt::PointingHandCursor);
    closeImage_->setFixedSize(16, 16);
    closeImage_->installEventFilter(this);
    hide();
}

void FloatingPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    closeImage_->move(width() - closeImage_->width() - 4, 4);
    closeImage_->raise();
}

bool FloatingPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == closeImage_ && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) emit closeClicked();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void FloatingPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        grabOffset_ = event->position().toPoint();
        raise();
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void FloatingPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !parentWidget()) return QFrame::mouseMoveEvent(event);
    QPoint target = mapToParent(event->position().toPoint()) - grabOffset_;
    // Stay inside the window: at least the panel's top-left corner remains reachable.
    const QRect area = parentWidget()->rect();
    target.setX(std::clamp(target.x(), area.left() - width() + 40, area.right() - 40));
    target.setY(std::clamp(target.y(), area.top(), area.bottom() - 20));
    move(target);
}

void FloatingPanel::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QFrame::mouseReleaseEvent(event);
}
