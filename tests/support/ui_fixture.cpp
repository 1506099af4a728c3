// Everything a window test needs.
#include "support/ui_fixture.h"

#include <QApplication>

#include "core/session.h"
#include "core/ui/key_filters.h"

UiFixture::UiFixture() : dm(std::make_unique<Tdmfm>(db.path())) {
    Session::reset();
    static bool buttonsInstalled = false;
    if (!buttonsInstalled) {
        installEnterPressesButtons(qApp);
        buttonsInstalled = true;
    }
}

UiFixture::~UiFixture() {
    Session::reset();
}
