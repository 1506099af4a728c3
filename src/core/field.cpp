// Field definitions: what a dataset knows about each of its columns.
#include "core/field.h"

FieldType fieldTypeFromDecl(const QString& declType) {
    const QString t = declType.toUpper();
    if (t.isEmpty()) return FieldType::Unknown;
    if (t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("TIME"))) {
        return FieldType::DateTime;
    }
    if (t.contains(QLatin1String("INT"))) return FieldType::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("CLOB"))) {
        return FieldType::Text;
    }
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) || t.contains(QLatin1String("DOUB")) ||
        t.contains(QLatin1String("NUM")) || t.contains(QLatin1String("DEC"))) {
        return FieldType::Float;
    }
    if (t.contains(QLatin1String("BLOB"))) return FieldType::Blob;
    return FieldType::Unknown;
}
