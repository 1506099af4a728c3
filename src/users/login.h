// Tloginfm: "用户登录", the login that starts every run. On success it writes the login log
// row, names the operator in the status bar and applies the rights for the rest of the run;
// a failed or abandoned login ends the program.
#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TMainForm;
class Tdmfm;

// Said once, at the super administrator's first login with the initial password.
inline const QString kChangeInitialPassword = QStringLiteral(
    "欢迎使用！超级管理员现在用的是初始密码，谁都知道它。请在“设 置”菜单的“修改密码”中换成只有您知道的密码。");

class Tloginfm : public QDialog {
    Q_OBJECT

public:
    explicit Tloginfm(TMainForm* mainForm);

    // The data module is made after the login window; it is handed over when the program wires
    // itself.
    void setDataModule(Tdmfm* dm) { dm_ = dm; }

    // What the close step asks of the main window's working parts.
    void setRefreshNoteList(std::function<void()> refresh) { refreshNoteList_ = std::move(refresh); }
    void setNoteTotals(std::function<void()> totals) { noteTotals_ = std::move(totals); }
    // What the rights step hides elsewhere for everyone but the super administrator.
    void setLimitedRights(std::function<void()> limit) { limitedRights_ = std::move(limit); }

    bool succeeded() const { return succeeded_; }
    bool exitMarked() const { return exitMarked_; }

    void loginCheck();   // "登录"
    void exitClicked();  // "退出"

    QComboBox* ComboBox1;  // 用户名称
    QLineEdit* Edit1;      // 输入密码
    QLabel* Label3;        // the initial password hint
    QPushButton* bitbtn4;  // 登录
    QPushButton* BitBtn1;  // 退出, not shown
    QPushButton* Button1;  // 桌面快捷, not shown: showing the window does its work

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void closeStep();
    void applyRights(const QString& user);
    void writeLoginLog(const QString& user);

    TMainForm* main_;
    Tdmfm* dm_ = nullptr;
    std::function<void()> refreshNoteList_;
    std::function<void()> noteTotals_;
    std::function<void()> limitedRights_;
    bool succeeded_ = false;
    bool exitMarked_ = false;
    bool closeStepDone_ = false;
};
