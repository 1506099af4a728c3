// Trepair: "数据库备份", copying the database to a backup file and back.
#include "maintenance/repairdb.h"

Trepair::Trepair(QWidget* owner) : OnDemandWindow(owner) {
    setObjectName(QStringLiteral("repair"));
    setWindowTitle(QStringLiteral("数据库备份"));
}
