// The progress box of long work that cannot be cancelled halfway (an import, a database copy):
// modal to its window, shown at once, kept up until the work returns, repainted at each step.
#pragma once

#include <QProgressDialog>

class WorkProgress {
public:
    // `name` becomes the box's objectName, so tests find it; the title is the window's.
    WorkProgress(QWidget* window, const QString& name, const QString& text);

    // Steps done of all, as the data steps report them.
    void step(qint64 done, qint64 total);

private:
    QProgressDialog box_;
};
