// Tchangepassfm: "更改密码", a new password for a chosen operator.
#include "users/changepass.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/dm.h"
#include "core/formats.h"
#include "core/jet_dialect.h"
#include "core/shared_queries.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/input_helpers.h"
#include "core/ui/key_filters.h"
#include "core/ui/widget_makers.h"
#include "core/user_queries.h"

namespace {
QLineEdit* passwordBox(const QString& name, QWidget* parent) {
    auto* e = Make::edit(name, parent);
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(10);
    return e;
}
}  // namespace

Tchangepassfm::Tchangepassfm(QWidget* owner, Tdmfm& dm) : OnDemandWindow(owner), dm_(dm) {
    setObjectName(QStringLiteral("changepassfm"));
    setWindowTitle(QStringLiteral("更改密码"));
    setFont(songtiPixels(14));
    setFixedSize(380, 280);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(24, 18, 24, 14);
    grid->addWidget(new QLabel(QStringLiteral("选择操作员"), this), 0, 0);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    grid->addWidget(ComboBox1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("输入旧密码"), this), 1, 0);
    Edit1 = passwordBox(QStringLiteral("Edit1"), this);
    grid->addWidget(Edit1, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("输入新密码"), this), 2, 0);
    Edit14 = passwordBox(QStringLiteral("Edit14"), this);
    grid->addWidget(Edit14, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("新密码重复"), this), 3, 0);
    Edit15 = passwordBox(QStringLiteral("Edit15"), this);
    grid->addWidget(Edit15, 3, 1);
    Label28 = new QLabel(QStringLiteral("提示：密码只能输入字母和数字，最长10个字符！"), this);
    Label28->setObjectName(QStringLiteral("Label28"));
    grid->addWidget(Label28, 4, 0, 1, 2);
    CheckBox1 = new QCheckBox(QStringLiteral("更改完毕退出"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    grid->addWidget(CheckBox1, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    bitbtn4 = new QPushButton(QStringLiteral("更改密码"), this);
    bitbtn4->setObjectName(QStringLiteral("bitbtn4"));
    BitBtn1 = new QPushButton(QStringLiteral("退出"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    buttons->addStretch(1);
    buttons->addWidget(bitbtn4);
    buttons->addWidget(BitBtn1);
    grid->addLayout(buttons, 6, 0, 1, 2);

    connect(ComboBox1, &QComboBox::activated, Edit1, [this] { Edit1->setFocus(); });
    attachKeyFilter(Edit1, KeyFamily::LettersDigits, [this] { Edit14->setFocus(); });
    attachKeyFilter(Edit14, KeyFamily::LettersDigits, [this] { Edit15->setFocus(); });
    attachKeyFilter(Edit15, KeyFamily::LettersDigits, [this] { bitbtn4->setFocus(); });
    connect(bitbtn4, &QPushButton::clicked, this, onAction(this, [this] { changePassword(); }));
    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
}

void Tchangepassfm::formCreate() {
    guard(this, [this] {
        FillComboFromColumn(dm_.ADOQuery1, QStringLiteral("username"), QStringLiteral("userdb"), ComboBox1);
    });
    ComboBox1->setFocus();
}

void Tchangepassfm::changePassword() {
    const QString name = ComboBox1->currentText();
    const QString newPassword = trimBlanks(Edit14->text());
    const QString repeat = trimBlanks(Edit15->text());
    // Without a chosen operator no row would change; say so rather than report success.
    if (name.isEmpty()) {
        showWarning(QStringLiteral("请选择操作员！"), this);
        ComboBox1->setFocus();
        return;
    }
    if (!RequireEditText(Edit1, QStringLiteral("必须输入旧口令！"))) return;
    if (!RequireEditText(Edit14, QStringLiteral("新口令长度不能为空！"))) return;
    if (newPassword != repeat) {
        showInfo(QStringLiteral("两次输入的密码不一致！请重新输入！"), this);
        Edit15->clear();
        Edit15->setFocus();
        return;
    }
    ExecQuery(dm_.ADOQuery1, passwordUpdate(name, newPassword, false));
    showInfo(QStringLiteral("你已经成功修改了密码！下次运行程序时生效！"), this);
    if (CheckBox1->isChecked()) close();
    Edit1->clear();
    Edit14->clear();
    Edit15->clear();
}

void Tchangepassfm::closeEvent(QCloseEvent* event) {
    dm_.ADOQuery1.close();
    OnDemandWindow::closeEvent(event);
}
