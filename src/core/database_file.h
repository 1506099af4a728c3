// A new database file of the program, whole or not at all: for zenlo-admin init and the first
// start of the program.
#pragma once

#include <QString>

// Creates a new encrypted database file with the six tables, the indexes and the super
// administrator, optionally with demo goods and their sales. The file appears whole or not at
// all, and an existing file is never touched. Throws DataError.
void createDatabaseFile(const QString& path, bool withDemoGoods);
