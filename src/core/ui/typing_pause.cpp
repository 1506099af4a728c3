// Typing never waits for a query.
#include "core/ui/typing_pause.h"

#include <QComboBox>
#include <QLineEdit>

#include "core/ui/guard.h"

TypingPause::TypingPause(QWidget* owner, std::function<void()> query)
    : QObject(owner), owner_(owner), query_(std::move(query)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kPauseMs);
    connect(&timer_, &QTimer::timeout, this, [this] { guard(owner_, query_); });
}

void TypingPause::watch(QLineEdit* box) {
    connect(box, &QLineEdit::textEdited, this, [this] { timer_.start(); });
}

void TypingPause::watch(QComboBox* box) {
    if (box->lineEdit()) watch(box->lineEdit());
    connect(box, &QComboBox::activated, this, [this] { runNow(); });
}

bool TypingPause::clearEach(std::initializer_list<QLineEdit*> boxes) {
    timer_.stop();
    for (QLineEdit* box : boxes) {
        if (box->text().isEmpty()) continue;
        box->clear();
        if (!guard(owner_, query_)) return false;
    }
    return true;
}

void TypingPause::runNow() {
    timer_.stop();
    guard(owner_, query_);
}
