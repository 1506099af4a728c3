// zenlo-admin's commands, as a library so tests can run them.
#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// Creates a new encrypted database file with the six tables, the index and the super
// administrator, optionally with demo goods. The file appears whole or not at all, and an
// existing file is never touched. Throws DataError.
void createDatabaseFile(const QString& path, bool withDemoGoods);

// Runs `zenlo-admin <args...>`; returns the process exit code.
int runAdmin(const QStringList& args, QTextStream& out, QTextStream& err);
