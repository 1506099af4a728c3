// The entry point of every operator action.
#include "core/ui/guard.h"

#include <exception>

#include "core/errors.h"
#include "core/ui/dialogs.h"

bool guard(QWidget* parent, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const DataError& e) {
        showError(e.message(), parent);
    } catch (const std::exception& e) {
        showError(QString::fromLocal8Bit(e.what()), parent);
    }
    return false;
}
