// The small makers every window builds with: each widget carries its component's name as its
// objectName, so tests and style sheets find it whatever the layout.
#pragma once

#include <QString>

class QLineEdit;
class QPushButton;
class QWidget;

namespace Make {
QLineEdit* edit(const QString& name, QWidget* parent);
// A push button that Enter in a box of the window never presses by itself.
QPushButton* button(const QString& name, const QString& text, QWidget* parent);
}  // namespace Make
