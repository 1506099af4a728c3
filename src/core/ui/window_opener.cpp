// The window opener for the windows made on demand.
#include "core/ui/window_opener.h"

#include <QCloseEvent>
#include <QScreen>

OnDemandWindow::OnDemandWindow(QWidget* owner) : QWidget(owner, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
}

void OnDemandWindow::centreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void OnDemandWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) closing_ = true;
}
