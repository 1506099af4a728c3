// Texcell: "Excel导入数据库", adding goods from a worksheet.
#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class Texcell : public QDialog {
    Q_OBJECT

public:
    explicit Texcell(QWidget* mainWindow);

    // Runs after a successful import: the main window's note list.
    void setRefreshNoteList(std::function<void()> refresh) { refreshNoteList_ = std::move(refresh); }

    void chooseExcelFile();  // "打开Excel文件"
    void chooseDatabase();   // "选择数据库"
    void import();           // "Excel自动导入"

    QLabel* Label1;             // the notice to back up first
    QLineEdit* Edit1;           // Excel path
    QPushButton* Button1;       // 打开Excel文件
    QLineEdit* Edit2;           // database path
    QPushButton* Button2;       // 选择数据库
    QToolButton* importButton;  // Excel自动导入

private:
    std::function<void()> refreshNoteList_;
};
