// Everything a window test needs: a fresh database, the recording dialogs and the data module.
#pragma once

#include <memory>

#include "core/dm.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"

struct UiFixture {
    UiFixture();
    ~UiFixture();

    TempDatabase db;
    RecordingDialogs dialogs;
    std::unique_ptr<Tdmfm> dm;
};
