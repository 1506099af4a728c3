// The main window with its working parts on a data module, the administrator logged in, the
// show sequence run: the counter as the tests, the benchmarks and the crash test use it.
#pragma once

#include <QString>
#include <memory>

#include "core/dm.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/ui/MAIN.h"
#include "sale/counter.h"

struct CounterWindow {
    CounterWindow(Tdmfm& dm, const QString& programDir) {
        TMainForm::Environment env;
        env.programDir = programDir;
        env.isRemovableDrive = [](const QString&) { return true; };
        main = std::make_unique<TMainForm>(env);
        main->setDataModule(&dm);
        counter = new Counter(main.get(), dm);
        Session::setOperatorName(kSuperAdministrator);
        main->setLoginLogId(1);  // no login window here
        main->runShowSequence();
    }

    std::unique_ptr<TMainForm> main;
    Counter* counter = nullptr;
};
