// The common start of a benchmark of the windows: an application (offscreen unless a platform
// is chosen), a fresh database in a temporary directory, dialogs that only record, and the
// catalogue filled with the given number of goods.
#pragma once

#include <QApplication>
#include <cstdio>

#include "bench_support.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"

namespace bench {

struct OffscreenByDefault {
    OffscreenByDefault() {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    }
};

struct WindowBench : OffscreenByDefault {
    WindowBench(int& argc, char** argv, int goods) : app(argc, argv) {
        std::printf("filling %d goods ...\n", goods);
        fillGoods(db.db(), goods);
    }
    QApplication app;
    TempDatabase db;
    RecordingDialogs dialogs;
};

}  // namespace bench
