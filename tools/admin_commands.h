// zenlo-admin's commands, as a library so tests can run them.
#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

#include "core/database_file.h"

// Runs `zenlo-admin <args...>`; returns the process exit code.
int runAdmin(const QStringList& args, QTextStream& out, QTextStream& err);
