// The entry point of every operator action: a data-layer error becomes an error box with the
// engine's own text and ends the action; no exception ever reaches the event loop.
#pragma once

#include <functional>

class QWidget;

// Returns false when the action stopped on an error.
bool guard(QWidget* parent, const std::function<void()>& action);
