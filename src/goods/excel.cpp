// Texcell: "Excel导入数据库", adding goods from a worksheet.
#include "goods/excel.h"

Texcell::Texcell(QWidget* mainWindow) : QDialog(mainWindow) {
    setObjectName(QStringLiteral("excell"));
    setWindowTitle(QStringLiteral("Excel导入数据库"));
}
