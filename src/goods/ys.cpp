// Tysfm: "商品编码查找", picking goods from the catalogue instead of scanning them.
#include "goods/ys.h"

Tysfm::Tysfm(QWidget* mainWindow) : QDialog(mainWindow) {
    setObjectName(QStringLiteral("ysfm"));
    setWindowTitle(QStringLiteral("商品编码查找"));
}
