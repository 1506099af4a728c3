// Tuserglfm: "用户管理—(管理员专用)".
#include "users/usergl.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/dm.h"
#include "core/formats.h"
#include "core/jet_dialect.h"
#include "core/schema.h"
#include "core/shared_queries.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/key_filters.h"
#include "core/ui/widget_makers.h"
#include "core/user_queries.h"
#include "core/user_steps.h"

namespace {

using Make::button;

QLineEdit* chosenName(const QString& name, QWidget* parent) {
    auto* e = Make::edit(name, parent);
    e->setReadOnly(true);
    return e;
}

}  // namespace

Tuserglfm::Tuserglfm(QWidget* owner, Tdmfm& dm) : OnDemandWindow(owner), dm_(dm) {
    setObjectName(QStringLiteral("userglfm"));
    setWindowTitle(QStringLiteral("用户管理—(管理员专用)"));
    setFont(songtiPixels(14));
    setFixedSize(520, 330);

    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("管理员密码："), this));
    LabeledEdit1 = new QLineEdit(this);
    LabeledEdit1->setObjectName(QStringLiteral("LabeledEdit1"));
    LabeledEdit1->setEchoMode(QLineEdit::Password);
    LabeledEdit1->setMaxLength(10);
    top->addWidget(LabeledEdit1);
    BitBtn3 = button(QStringLiteral("BitBtn3"), QStringLiteral("登录"), this);
    BitBtn2 = button(QStringLiteral("BitBtn2"), QStringLiteral("退出"), this);
    top->addWidget(BitBtn3);
    top->addWidget(BitBtn2);
    outer->addLayout(top);

    auto* body = new QHBoxLayout;
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(new QLabel(QStringLiteral("用户列表"), this));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setFixedWidth(160);
    listColumn->addWidget(ListBox1);
    body->addLayout(listColumn);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto* resetPage = new QWidget;
    auto* r = new QGridLayout(resetPage);
    r->addWidget(new QLabel(QStringLiteral("你选择的用户名："), resetPage), 0, 0);
    Edit5 = chosenName(QStringLiteral("Edit5"), resetPage);
    r->addWidget(Edit5, 0, 1);
    BitBtn5 = button(QStringLiteral("BitBtn5"), QStringLiteral("初始化密码"), resetPage);
    BitBtn4 = button(QStringLiteral("BitBtn4"), QStringLiteral("提示"), resetPage);
    r->addWidget(BitBtn5, 1, 0);
    r->addWidget(BitBtn4, 1, 1);
    r->addWidget(new QLabel(QStringLiteral("请在左边列表中选择用户"), resetPage), 2, 0, 1, 2);
    PageControl1->addTab(resetPage, QStringLiteral("初始化密码"));

    auto* addPage = new QWidget;
    auto* a = new QGridLayout(addPage);
    a->addWidget(new QLabel(QStringLiteral("新增用户名："), addPage), 0, 0);
    Edit6 = new QLineEdit(addPage);
    Edit6->setObjectName(QStringLiteral("Edit6"));
    a->addWidget(Edit6, 0, 1);
    BitBtn7 = button(QStringLiteral("BitBtn7"), QStringLiteral("增加用户"), addPage);
    a->addWidget(BitBtn7, 1, 1);
    PageControl1->addTab(addPage, QStringLiteral("增加用户"));

    auto* deletePage = new QWidget;
    auto* d = new QGridLayout(deletePage);
    d->addWidget(new QLabel(QStringLiteral("你选择的用户名："), deletePage), 0, 0);
    Edit7 = chosenName(QStringLiteral("Edit7"), deletePage);
    d->addWidget(Edit7, 0, 1);
    BitBtn9 = button(QStringLiteral("BitBtn9"), QStringLiteral("删除用户"), deletePage);
    d->addWidget(BitBtn9, 1, 1);
    d->addWidget(new QLabel(QStringLiteral("请在左边列表中选择用户"), deletePage), 2, 0, 1, 2);
    PageControl1->addTab(deletePage, QStringLiteral("删除用户"));
    body->addWidget(PageControl1, 1);
    outer->addLayout(body, 1);

    // Locked until the administrator's password is checked.
    ListBox1->setEnabled(false);
    PageControl1->setEnabled(false);
    PageControl1->setCurrentIndex(0);

    attachKeyFilter(LabeledEdit1, KeyFamily::LettersDigits, [this] { BitBtn3->setFocus(); });
    auto act = [this](QPushButton* b, void (Tuserglfm::*op)()) {
        connect(b, &QPushButton::clicked, this, onAction(this, [this, op] { (this->*op)(); }));
    };
    act(BitBtn3, &Tuserglfm::checkAdministrator);
    act(BitBtn5, &Tuserglfm::resetPassword);
    act(BitBtn7, &Tuserglfm::addUser);
    act(BitBtn9, &Tuserglfm::deleteUser);
    connect(BitBtn2, &QPushButton::clicked, this, &QWidget::close);
    connect(BitBtn4, &QPushButton::clicked, this, [this] {
        showInfo(QStringLiteral("初始化口令用于忘记密码的用户，将口令更改为:") + kDefaultPassword, this);
    });
    connect(ListBox1, &QListWidget::currentTextChanged, this, [this](const QString& name) {
        Edit5->setText(name);
        Edit7->setText(name);
    });
}

void Tuserglfm::formCreate() {
    guard(this, [this] { fillUserList(); });
    LabeledEdit1->setFocus();
}

bool Tuserglfm::isUnlocked() const {
    return PageControl1->isEnabled();
}

void Tuserglfm::fillUserList() {
    ListBox1->clear();
    OpenQuery(dm_.ADOQuery1, userNamesQuery());
    QStringList names;
    for (int row = 0; row < dm_.ADOQuery1.recordCount(); ++row) names.append(dm_.ADOQuery1.textAt(row, 0));
    ListBox1->addItems(names);
}

void Tuserglfm::checkAdministrator() {
    const UserStepResult check = checkAdministratorPassword(dm_.ADOQuery1, LabeledEdit1->text());
    showInfo(check.message, this);
    if (!check.done) return;
    ListBox1->setEnabled(true);
    PageControl1->setEnabled(true);
    LabeledEdit1->clear();
}

void Tuserglfm::resetPassword() {
    showInfo(resetUserPassword(dm_.ADOQuery1, Edit5->text()).message, this);
}

void Tuserglfm::addUser() {
    const UserStepResult added = ::addUser(dm_.ADOQuery1, Edit6->text());
    showInfo(added.message, this);
    if (added.refillList) fillUserList();
}

void Tuserglfm::deleteUser() {
    const UserStepResult allowed = deletionRefusal(Edit7->text());
    if (!allowed.done) {
        showInfo(allowed.message, this);
        return;
    }
    if (Dialogs::current().yesNo(
            this, Boxes::kConfirmTitle,
            QStringLiteral("你真的要删除用户：") + trimBlanks(Edit7->text()) + QStringLiteral("吗?"), false,
            Dialogs::Icon::Question)) {
        showInfo(::deleteUser(dm_.ADOQuery1, Edit7->text()).message, this);
        Edit7->clear();
    }
    fillUserList();
}

void Tuserglfm::closeEvent(QCloseEvent* event) {
    dm_.ADOQuery1.close();
    OnDemandWindow::closeEvent(event);
}
