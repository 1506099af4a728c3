// Tloginfm: "用户登录", the login that starts every run.
#include "users/login.h"

#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "core/dm.h"
#include "core/formats.h"
#include "core/jet_dialect.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/shared_queries.h"
#include "core/ui/MAIN.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/input_helpers.h"
#include "core/ui/key_filters.h"
#include "core/user_queries.h"
#include "users/desktop_shortcut.h"

Tloginfm::Tloginfm(TMainForm* mainForm) : QDialog(mainForm), main_(mainForm) {
    setObjectName(QStringLiteral("loginfm"));
    setWindowTitle(QStringLiteral("用户登录"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(songtiPixels(14));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(24, 20, 24, 16);
    grid->setVerticalSpacing(12);
    grid->addWidget(new QLabel(QStringLiteral("用户名称："), this), 0, 0);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setMinimumWidth(200);
    grid->addWidget(ComboBox1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("输入密码："), this), 1, 0);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setMaxLength(10);
    grid->addWidget(Edit1, 1, 1);
    Label3 = new QLabel(QStringLiteral("初始登陆密码：") + kDefaultPassword, this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setStyleSheet(QStringLiteral("QLabel#Label3 { color: red; }"));
    grid->addWidget(Label3, 2, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    bitbtn4 = new QPushButton(QStringLiteral("登录"), this);
    bitbtn4->setObjectName(QStringLiteral("bitbtn4"));
    bitbtn4->setAutoDefault(false);
    BitBtn1 = new QPushButton(QStringLiteral("退出"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn1->hide();
    Button1 = new QPushButton(QStringLiteral("桌面快捷"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setEnabled(false);
    Button1->hide();
    buttons->addWidget(bitbtn4);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(Button1);
    buttons->addStretch(1);
    grid->addLayout(buttons, 3, 0, 1, 2);

    enterMovesFocus(ComboBox1, Edit1);
    connect(ComboBox1, &QComboBox::activated, Edit1, [this] { Edit1->setFocus(); });
    attachKeyFilter(Edit1, KeyFamily::LettersDigits, [this] { bitbtn4->setFocus(); });
    connect(bitbtn4, &QPushButton::clicked, this, onAction(this, [this] { loginCheck(); }));
    connect(BitBtn1, &QPushButton::clicked, this, &Tloginfm::exitClicked);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void Tloginfm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    closeStepDone_ = false;
    writeDesktopShortcut(userDesktopDirectory(), programShortcut());
    guard(this, [this] {
        FillComboFromColumn(dm_->ADOQuery1, QStringLiteral("username"), QStringLiteral("userdb"), ComboBox1);
    });
    ComboBox1->setFocus();
    if (ComboBox1->count() > 0) ComboBox1->setCurrentIndex(0);
}

void Tloginfm::loginCheck() {
    const QString user = ComboBox1->currentText();
    const QString password = trimBlanks(Edit1->text());
    if (!RequireComboText(ComboBox1, QStringLiteral("必须选择用户！"))) return;
    if (!RequireEditText(Edit1, QStringLiteral("必须输入密码！"))) return;
    OpenQuery(dm_->ADOQuery1, userWithPasswordQuery(user, password));
    if (dm_->ADOQuery1.recordCount() == 1) {
        succeeded_ = true;
        accept();
        return;
    }
    showInfo(QStringLiteral("密码不正确！请重新输入！"), this);
    Edit1->clear();
    Edit1->setFocus();
}

void Tloginfm::exitClicked() {
    exitMarked_ = true;
    succeeded_ = false;
    if (refreshNoteList_) guard(this, refreshNoteList_);
    reject();
}

void Tloginfm::done(int result) {
    QDialog::done(result);
    if (closeStepDone_) return;
    closeStepDone_ = true;
    closeStep();
}

void Tloginfm::closeStep() {
    if (dm_) dm_->ADOQuery1.close();
    if (refreshNoteList_) guard(main_, refreshNoteList_);
    if (exitMarked_ || !succeeded_) {
        main_->close();
        return;
    }
    const QString user = ComboBox1->currentText();
    Session::setOperatorName(user);
    if (noteTotals_) guard(main_, noteTotals_);
    main_->setStatusText(1, QStringLiteral("操作员：") + user);
    main_->Edit47->setFocus();
    applyRights(user);
    guard(main_, [this, &user] { writeLoginLog(user); });
    // The first login of a new shop's administrator with the password everybody knows.
    if (Session::isSuperAdministrator(user) && trimBlanks(Edit1->text()) == kDefaultPassword) {
        guard(main_, [this, &user] {
            if (loginCount(dm_->ADOConnection1, user) == 1) showInfo(kChangeInitialPassword, main_);
        });
    }
}

void Tloginfm::applyRights(const QString& user) {
    if (Session::isSuperAdministrator(user)) return;
    main_->changePasswordItem->setVisible(false);
    main_->userManagementItem->setVisible(false);
    main_->receiptPrinterItem->setVisible(false);
    main_->ToolButton1->hide();
    if (limitedRights_) limitedRights_();
}

void Tloginfm::writeLoginLog(const QString& user) {
    ExecQuery(dm_->ADOQuery1, loginLogInsert(user, QDateTime::currentDateTime()));
    OpenQuery(dm_->ADOQuery1, lastLoginLogQuery());
    main_->setLoginLogId(dm_->ADOQuery1.value(QStringLiteral("maxid")).toInt());
}
