// FloatingPanel: a panel drawn above the main window's grid that the operator drags by its
// background, with a small close picture in its top-right corner.
#pragma once

#include <QFrame>
#include <QPoint>

class QLabel;

class FloatingPanel : public QFrame {
    Q_OBJECT

public:
    explicit FloatingPanel(QWidget* parent = nullptr);
    QLabel* closeImage() const { return closeImage_; }

signals:
    void closeClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* closeImage_;
    bool dragging_ = false;
    QPoint grabOffset_;
};
