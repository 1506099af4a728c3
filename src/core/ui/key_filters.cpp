// Keyboard habits of the counter.
#include "core/ui/key_filters.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QRadioButton>
#include <QWidget>
#include <optional>

#include "core/ui/guard.h"

namespace {

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

class KeyFilter final : public QObject {
public:
    KeyFilter(QWidget* box, std::optional<KeyFamily> family, std::function<void()> onEnter,
              std::function<void()> onEscape)
        : QObject(box), box_(box), family_(family), onEnter_(std::move(onEnter)), onEscape_(std::move(onEscape)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (family_) {
            switch (event->type()) {
                // Composed input, and text dropped with the mouse, would bring characters the
                // filter never saw.
                case QEvent::InputMethod:
                case QEvent::DragEnter:
                case QEvent::DragMove:
                case QEvent::Drop:
                    return true;
                default:
                    break;
            }
        }
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        if (isEnter(key->key())) {
            if (onEnter_) guard(box_->window(), onEnter_);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            if (onEscape_) {
                guard(box_->window(), onEscape_);
                return true;
            }
            return family_.has_value();
        }
        if (!family_) return false;
        return refusesTyping(*key);
    }

    // Only typed characters are filtered: Tab, the arrows, Home, End, Backspace, Delete and
    // the editing shortcuts keep working, whatever text the platform attaches to them (X11
    // gives Delete the character U+007F).
    bool refusesTyping(const QKeyEvent& key) const {
        if (key.matches(QKeySequence::Paste)) return true;
        const Qt::KeyboardModifiers mods = key.modifiers();
        if (mods & (Qt::ControlModifier | Qt::MetaModifier)) return false;
        bool typesSomething = false;
        for (QChar c : key.text()) {
            if (!c.isPrint()) continue;
            typesSomething = true;
            if (!keyAllowed(*family_, c)) return true;
        }
        // Alt or AltGr turn keys into other characters than the ones printed on them.
        return typesSomething && (mods & (Qt::AltModifier | Qt::GroupSwitchModifier));
    }

private:
    QWidget* box_;
    std::optional<KeyFamily> family_;
    std::function<void()> onEnter_;
    std::function<void()> onEscape_;
};

class EnterPressesButtons final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (!isEnter(key->key()) || key->isAutoRepeat()) return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) {
            return false;
        }
        if (!button->hasFocus() || !button->isEnabled()) return false;
        button->animateClick();
        return true;
    }
};

}  // namespace

bool keyAllowed(KeyFamily family, QChar c) {
    const ushort u = c.unicode();
    const bool digit = u >= '0' && u <= '9';
    if (family == KeyFamily::Numeric) return digit || u == '.';
    return digit || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

void attachKeyFilter(QWidget* box, KeyFamily family, std::function<void()> onEnter, std::function<void()> onEscape) {
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->setContextMenuPolicy(Qt::NoContextMenu);
    box->setAcceptDrops(false);
    box->installEventFilter(new KeyFilter(box, family, std::move(onEnter), std::move(onEscape)));
}

void enterMovesFocus(QWidget* box, QWidget* next) {
    enterRuns(box, [next] { next->setFocus(Qt::TabFocusReason); });
}

void enterRuns(QWidget* box, std::function<void()> action) {
    box->installEventFilter(new KeyFilter(box, std::nullopt, std::move(action), {}));
}

void installEnterPressesButtons(QObject* application) {
    application->installEventFilter(new EnterPressesButtons(application));
}
