// The progress box of long work.
#include "core/ui/work_progress.h"

#include <algorithm>

WorkProgress::WorkProgress(QWidget* window, const QString& name, const QString& text)
    : box_(text, QString(), 0, 1, window) {
    box_.setObjectName(name);
    box_.setWindowTitle(window->windowTitle());
    box_.setWindowModality(Qt::WindowModal);
    box_.setMinimumDuration(0);
    box_.setAutoClose(false);
    box_.setAutoReset(false);
}

void WorkProgress::step(qint64 done, qint64 total) {
    // A modal progress box repaints itself on every new value.
    box_.setMaximum(int(std::max<qint64>(total, 1)));
    box_.setValue(int(done));
}
