// Texcell: "Excel导入数据库", adding goods from a worksheet.
#pragma once

#include <QDialog>

class Texcell : public QDialog {
    Q_OBJECT

public:
    explicit Texcell(QWidget* mainWindow);
};
