// The window opener for the windows made on demand (user management, change password,
// backup): show the one that exists, or make a new one that frees itself when closed.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <cstring>

// A window made on demand: centred on the screen, modeless, deleted when closed. Its
// creation code runs in formCreate(), after the opener has stored the reference to it.
class OnDemandWindow : public QWidget {
    Q_OBJECT

public:
    explicit OnDemandWindow(QWidget* owner);
    virtual void formCreate() {}
    void centreOnScreen();
    bool isClosing() const { return closing_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool closing_ = false;
};

// `args` go to the constructor after the owner when a new window is made.
template <class T, class... Args>
T* openWindow(QPointer<T>& ref, QWidget* owner, Args&&... args) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (std::strcmp(w->metaObject()->className(), T::staticMetaObject.className()) != 0) continue;
        T* found = static_cast<T*>(w);
        if (found->isClosing()) continue;  // closed and about to be freed
        if (found->isMinimized()) {
            found->showNormal();
        } else {
            found->setAttribute(Qt::WA_ShowWithoutActivating, true);
            found->show();
            found->setAttribute(Qt::WA_ShowWithoutActivating, false);
        }
        found->setVisible(true);
        found->raise();
        found->activateWindow();
        found->setFocus();
        ref = found;
        return found;
    }
    T* created = new T(owner, std::forward<Args>(args)...);
    ref = created;
    created->formCreate();
    created->centreOnScreen();
    created->show();
    return created;
}
