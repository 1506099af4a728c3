// The entry point of every operator action.
#include "core/ui/guard.h"

#include <exception>

#include "core/errors.h"
#include "core/ui/dialogs.h"

namespace {
QString textOf(const std::exception& e) {
    if (const auto* data = dynamic_cast<const DataError*>(&e)) return data->message();
    return QString::fromLocal8Bit(e.what());
}
}  // namespace

bool guard(QWidget* parent, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        showError(textOf(e), parent);
    }
    return false;
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showError(textOf(e));
    } catch (...) {
        showError(QStringLiteral("程序内部错误，操作没有完成。"));
    }
    return false;
}
