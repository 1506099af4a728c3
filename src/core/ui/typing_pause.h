// Typing never waits for a query: what the operator types into a search box runs its query
// after a short pause in typing, and a keystroke during the pause starts the pause again, so
// only the last text is looked up. A change the program makes itself (clearing the boxes,
// putting a serial into one) is not typing: the window runs its query for it at once.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <initializer_list>

class QComboBox;
class QLineEdit;
class QWidget;

class TypingPause : public QObject {
    Q_OBJECT

public:
    static constexpr int kPauseMs = 120;

    // `query` runs under the error guard, with `owner` as the parent of an error box.
    TypingPause(QWidget* owner, std::function<void()> query);

    void watch(QLineEdit* box);
    void watch(QComboBox* box);  // typing into it pauses; choosing from its list runs at once

    bool isPending() const { return timer_.isActive(); }
    void cancel() { timer_.stop(); }
    // Runs the query now, instead of a pending one.
    void runNow();
    // The windows' "清空条件": the pending query dropped, then each box that holds text emptied
    // and the query run at once, box after box in the order given. Stops at the first query
    // that fails (its error shown); false then.
    bool clearEach(std::initializer_list<QLineEdit*> boxes);

private:
    QWidget* owner_;
    std::function<void()> query_;
    QTimer timer_;
};
