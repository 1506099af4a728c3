// Field definitions: what a dataset knows about each of its columns.
#pragma once

#include <QList>
#include <QString>

enum class FieldType {
    Unknown,  // an expression: typed by its values
    Integer,  // whole numbers and counters
    Float,    // doubles: prices, quantities, amounts
    Text,
    DateTime,  // "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss" text
    Blob,
};

struct FieldDef {
    QString name;
    FieldType type = FieldType::Unknown;
    int size = 0;  // characters, for text columns
    bool counter = false;
};

using FieldDefs = QList<FieldDef>;

// The engine's declared column type ("DOUBLE", "TEXT(255)", "DATETIME" ...) as a field type.
FieldType fieldTypeFromDecl(const QString& declType);
