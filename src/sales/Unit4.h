// Txstj: "销售明细", the settled sales and their lines.
#pragma once

#include <QDialog>

class Txstj : public QDialog {
    Q_OBJECT

public:
    explicit Txstj(QWidget* mainWindow);
};
