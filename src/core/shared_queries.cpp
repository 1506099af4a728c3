// The three ways a window runs a composed statement on one of the data module's datasets.
#include "core/shared_queries.h"

#include "core/connection.h"

#include "core/dataset.h"

void OpenQuery(Dataset& dataset, const QString& sql) {
    dataset.close();
    dataset.setSql(sql);
    dataset.open();
}

int ExecQuery(Dataset& dataset, const QString& sql) {
    dataset.close();
    dataset.setSql(sql);
    return dataset.execSQL();
}

void OpenGroupedColumn(Dataset& dataset, const QString& column, const QString& table) {
    OpenQuery(dataset, QStringLiteral("select ") + column + QStringLiteral(" from ") + table +
                           QStringLiteral(" group by ") + column + QStringLiteral(" order by ") + column);
}

int loginCount(Connection& db, const QString& user) {
    return db.scalar(QStringLiteral("SELECT count(*) FROM rz WHERE username=?"), {user}).toInt();
}
