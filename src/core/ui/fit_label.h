// A label for large figures: when its text is wider than the label, the text is drawn in a
// smaller font instead of widening the label (and with it the window) or being cut off.
#pragma once

#include <QFont>
#include <QLabel>

class FitLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QFont shownFont READ shownFont)

public:
    explicit FitLabel(const QString& text = QString(), QWidget* parent = nullptr);

    // The label's own font, made smaller until the text fits the label's width.
    QFont shownFont() const;

    // As high as the font needs, as wide as nothing: the layout decides the width.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
