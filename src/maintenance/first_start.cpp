// TFirstStart: the choices of a start without a database.
#include "maintenance/first_start.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include "core/database_copy.h"
#include "core/database_file.h"
#include "core/errors.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/vendor.h"

namespace {

QPushButton* choice(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setMinimumHeight(34);
    return b;
}

}  // namespace

TFirstStart::TFirstStart(const QString& databasePath, QWidget* parent) : QDialog(parent), databasePath_(databasePath) {
    setObjectName(QStringLiteral("FirstStart"));
    setWindowTitle(Vendor::kProductTitle);
    setFont(songtiPixels(14));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(10);
    Label1 =
        new QLabel(QStringLiteral("欢迎使用%1！\n\n还没有数据库文件：\n%2\n\n请选择怎样开始：")
                       .arg(Boxes::kAppTitle, QDir::toNativeSeparators(QFileInfo(databasePath).absoluteFilePath())),
                   this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    layout->addWidget(Label1);
    Button1 = choice(QStringLiteral("Button1"), QStringLiteral("新建空数据库（开始营业）"), this);
    Button2 = choice(QStringLiteral("Button2"), QStringLiteral("新建演示数据库（先试用）"), this);
    Button3 = choice(QStringLiteral("Button3"), QStringLiteral("从备份恢复…"), this);
    Button4 = choice(QStringLiteral("Button4"), QStringLiteral("退出"), this);
    for (QPushButton* b : {Button1, Button2, Button3, Button4}) layout->addWidget(b);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TFirstStart::createEmpty);
    connect(Button2, &QPushButton::clicked, this, &TFirstStart::createDemo);
    connect(Button3, &QPushButton::clicked, this, &TFirstStart::restoreBackup);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(420);
}

void TFirstStart::create(bool demo) {
    try {
        // The demo's fourteen months of sales take a moment to write.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        createDatabaseFile(databasePath_, demo);
    } catch (const DataError& e) {
        showWarning(QStringLiteral("数据库没有建立：") + e.message(), this);
        return;
    }
    accept();
}

void TFirstStart::createEmpty() {
    create(false);
}

void TFirstStart::createDemo() {
    create(true);
}

// The backup is checked exactly as a restore checks it, and copied into place whole.
void TFirstStart::restoreBackup() {
    const QString source = Dialogs::current().openFileName(this, QStringLiteral("从备份恢复"), QDir::homePath(),
                                                           QStringLiteral("备份文件 (*.mdb);;所有文件 (*)"));
    if (source.isEmpty()) return;
    const DatabaseCopyResult result = restoreDatabase(source, databasePath_);
    if (!result.ok()) {
        showWarning(QStringLiteral("数据库恢复失败！\n") + result.problem, this);
        return;
    }
    showInfo(QStringLiteral("数据库恢复成功！"), this);
    accept();
}
