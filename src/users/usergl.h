// Tuserglfm: "用户管理—(管理员专用)". Locked until the super administrator's password is
// checked; then it resets passwords to the default, adds users and deletes them.
#pragma once

class Tdmfm;

#include "core/ui/window_opener.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

class Tuserglfm : public OnDemandWindow {
    Q_OBJECT

public:
    Tuserglfm(QWidget* owner, Tdmfm& dm);
    void formCreate() override;

    bool isUnlocked() const;

    void checkAdministrator();  // "登录"
    void resetPassword();       // "初始化密码"
    void addUser();             // "增加用户"
    void deleteUser();          // "删除用户"
    void fillUserList();

    QLineEdit* LabeledEdit1;  // 管理员密码
    QPushButton* BitBtn3;     // 登录
    QPushButton* BitBtn2;     // 退出
    QListWidget* ListBox1;    // 用户列表
    QTabWidget* PageControl1;
    QLineEdit* Edit5;      // the chosen name, page 初始化密码
    QPushButton* BitBtn5;  // 初始化密码
    QPushButton* BitBtn4;  // 提示
    QLineEdit* Edit6;      // 新增用户名
    QPushButton* BitBtn7;  // 增加用户
    QLineEdit* Edit7;      // the chosen name, page 删除用户
    QPushButton* BitBtn9;  // 删除用户

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Tdmfm& dm_;
};
