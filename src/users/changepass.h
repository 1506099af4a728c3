// Tchangepassfm: "更改密码", a new password for a chosen operator.
#pragma once

class Tdmfm;

#include "core/ui/window_opener.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Tchangepassfm : public OnDemandWindow {
    Q_OBJECT

public:
    Tchangepassfm(QWidget* owner, Tdmfm& dm);
    void formCreate() override;

    void changePassword();  // "更改密码"

    QComboBox* ComboBox1;  // 选择操作员
    QLineEdit* Edit1;      // 输入旧密码
    QLineEdit* Edit14;     // 输入新密码
    QLineEdit* Edit15;     // 新密码重复
    QLabel* Label28;
    QCheckBox* CheckBox1;  // 更改完毕退出
    QPushButton* bitbtn4;  // 更改密码
    QPushButton* BitBtn1;  // 退出

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Tdmfm& dm_;
};
