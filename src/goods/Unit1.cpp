// TForm1: "商品管理", the goods catalogue.
#include "goods/Unit1.h"

TForm1::TForm1(QWidget* mainWindow) : QDialog(mainWindow) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("商品管理"));
}
