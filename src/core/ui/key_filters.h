// Keyboard habits of the counter: entry boxes that accept only some characters, Enter that
// moves the focus or starts the box's action, and Enter on a focused button pressing it.
#pragma once

#include <QChar>
#include <functional>

class QObject;
class QWidget;

enum class KeyFamily {
    Numeric,        // 0-9 and "."
    LettersDigits,  // 0-9, A-Z, a-z
};

// True for the characters a family lets through (Backspace and Enter always pass).
bool keyAllowed(KeyFamily family, QChar c);

// Drops every other typed character, blocks input methods and pasting, and runs `onEnter` on
// Enter (and `onEscape` on Esc, which is otherwise dropped like any refused key). The actions
// run under the error guard.
void attachKeyFilter(QWidget* box, KeyFamily family, std::function<void()> onEnter,
                     std::function<void()> onEscape = {});

// Enter in `box` moves the focus to `next` (boxes without a key filter).
void enterMovesFocus(QWidget* box, QWidget* next);

// Enter in `box` runs `action` (under the error guard).
void enterRuns(QWidget* box, std::function<void()> action);

// Installed once on the application: Enter on a focused push or tool button presses it, in
// main windows as in dialogs.
void installEnterPressesButtons(QObject* application);
