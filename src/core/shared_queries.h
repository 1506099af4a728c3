// The three ways a window runs a composed statement on one of the data module's datasets.
// The texts are passed on exactly as composed.
#pragma once

#include <QString>

class Dataset;

// Close, replace the SQL text, open: the current row is the first of the new rows.
void OpenQuery(Dataset& dataset, const QString& sql);
// Close, replace the SQL text, run it as a command; the dataset stays closed.
int ExecQuery(Dataset& dataset, const QString& sql);
// The distinct values of a column expression in ascending order.
void OpenGroupedColumn(Dataset& dataset, const QString& column, const QString& table);

class Connection;

// How many logins of `user` the login log holds.
int loginCount(Connection& db, const QString& user);
