// TFirstStart: what the program offers when it finds no database - a new empty one to open the
// shop with, a demo one to try it, one restored from a backup, or leaving. No command line.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TFirstStart : public QDialog {
    Q_OBJECT

public:
    TFirstStart(const QString& databasePath, QWidget* parent = nullptr);

    // The choices; each ends the dialog accepted once the file is there, or says why not.
    void createEmpty();
    void createDemo();
    void restoreBackup();

    QLabel* Label1;
    QPushButton* Button1;  // 新建空数据库（开始营业）
    QPushButton* Button2;  // 新建演示数据库（先试用）
    QPushButton* Button3;  // 从备份恢复…
    QPushButton* Button4;  // 退出

private:
    void create(bool demo);

    QString databasePath_;
};
