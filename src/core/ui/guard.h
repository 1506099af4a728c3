// The entry point of every operator action: a data-layer error becomes an error box with the
// engine's own text and ends the action; no exception ever reaches the event loop.
#pragma once

#include <QApplication>
#include <functional>

class QWidget;

// Returns false when the action stopped on an error.
bool guard(QWidget* parent, const std::function<void()>& action);

// A slot that runs `action` under the guard, whatever the signal passes:
//     connect(button, &QPushButton::clicked, this, onAction(this, [this] { save(); }));
template <class Action>
auto onAction(QWidget* parent, Action action) {
    return [parent, action](auto&&...) { guard(parent, action); };
}

// The last safety net: an exception that an event handler let through is shown like any
// other error instead of crossing the event loop.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};
