// Txstj: "销售明细", the settled sales and their lines.
#include "sales/Unit4.h"

Txstj::Txstj(QWidget* mainWindow) : QDialog(mainWindow) {
    setObjectName(QStringLiteral("xstj"));
    setWindowTitle(QStringLiteral("销售明细"));
}
