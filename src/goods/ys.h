// Tysfm: "商品编码查找", picking goods from the catalogue instead of scanning them.
#pragma once

#include <QDialog>

class Tysfm : public QDialog {
    Q_OBJECT

public:
    explicit Tysfm(QWidget* mainWindow);
};
