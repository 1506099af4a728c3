// TForm1: "商品管理", the goods catalogue.
#pragma once

#include <QDialog>

class TForm1 : public QDialog {
    Q_OBJECT

public:
    explicit TForm1(QWidget* mainWindow);
};
