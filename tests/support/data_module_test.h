// Base of the tests that run statements through the data module: a fresh database and data
// module for every test function.
#pragma once

#include <QObject>
#include <memory>

#include "core/dm.h"
#include "support/temp_database.h"

class DataModuleTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<TempDatabase> db;
    std::unique_ptr<Tdmfm> dm;

private slots:
    void init() {
        db = std::make_unique<TempDatabase>();
        dm = std::make_unique<Tdmfm>(db->path());
    }
    void cleanup() {
        dm.reset();
        db.reset();
    }
};
