// The database layout in one place: the six tables, their columns and types, the index, and
// the first user. The admin tool creates files from it; the data module declares its fields
// from it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "core/field.h"

class Connection;

// The password every data file of this program is encrypted with.
inline constexpr const char kDatabaseKey[] = "mt7qzb.rwk";
// The database file, relative to the working directory (the program's own directory).
inline constexpr const char kDatabaseFile[] = "data.mdb";
// The one user allowed everything; the name alone decides.
inline const QString kSuperAdministrator = QStringLiteral("超级管理员");
// What new users get and what a reset sets. The login window shows it as a hint.
inline const QString kDefaultPassword = QStringLiteral("888");

struct TableDef {
    QString name;
    FieldDefs columns;
};

const QList<TableDef>& schemaTables();
const TableDef& schemaTable(const QString& name);  // throws std::out_of_range when unknown

// CREATE TABLE and CREATE INDEX statements, in order.
QStringList schemaStatements();
// The indexes alone; a file made before one of them existed gets it when it is opened.
QStringList schemaIndexStatements();
void ensureSchemaIndexes(Connection& connection);

// Creates the tables and the super administrator on an empty connection, in one transaction.
void createSchema(Connection& connection);
