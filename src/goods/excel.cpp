// Texcell: "Excel导入数据库", adding goods from a worksheet.
#include "goods/excel.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "core/formats.h"
#include "core/goods_import.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/key_filters.h"
#include "core/ui/pictures.h"
#include "core/ui/work_progress.h"

namespace {

QString startDir(const QLineEdit* path) {
    const QString text = trimBlanks(path->text());
    return text.isEmpty() ? QString() : QFileInfo(text).absolutePath();
}

}  // namespace

Texcell::Texcell(QWidget* mainWindow) : QDialog(mainWindow) {
    setObjectName(QStringLiteral("excell"));
    setWindowTitle(QStringLiteral("Excel导入数据库"));
    setFont(songtiPixels(14));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(24, 20, 24, 16);
    grid->setVerticalSpacing(12);
    Label1 = new QLabel(QStringLiteral("温馨提示：导入前请先备份您的数据库"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setStyleSheet(QStringLiteral("QLabel#Label1 { color: red; }"));
    grid->addWidget(Label1, 0, 0, 1, 3);

    grid->addWidget(new QLabel(QStringLiteral("Execl路径："), this), 1, 0);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(320);
    grid->addWidget(Edit1, 1, 1);
    Button1 = new QPushButton(QStringLiteral("打开Excel文件"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    grid->addWidget(Button1, 1, 2);

    grid->addWidget(new QLabel(QStringLiteral("数据库路径："), this), 2, 0);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    grid->addWidget(Edit2, 2, 1);
    Button2 = new QPushButton(QStringLiteral("选择数据库"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    grid->addWidget(Button2, 2, 2);

    importButton = new QToolButton(this);
    importButton->setObjectName(QStringLiteral("importButton"));
    importButton->setText(QStringLiteral("Excel自动导入"));
    importButton->setIcon(QIcon(glyphTile(QStringLiteral("导"), QColor(0x2e, 0x9d, 0x4f), 64)));
    importButton->setIconSize(QSize(48, 48));
    importButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    importButton->setMinimumWidth(120);
    grid->addWidget(importButton, 3, 0, 1, 3, Qt::AlignHCenter);

    for (QPushButton* b : {Button1, Button2}) b->setAutoDefault(false);
    enterMovesFocus(Edit1, Edit2);
    enterMovesFocus(Edit2, importButton);
    connect(Button1, &QPushButton::clicked, this, [this] { chooseExcelFile(); });
    connect(Button2, &QPushButton::clicked, this, [this] { chooseDatabase(); });
    connect(importButton, &QToolButton::clicked, this, onAction(this, [this] { import(); }));
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void Texcell::chooseExcelFile() {
    const QString path = Dialogs::current().openFileName(this, QStringLiteral("请选择相应的Excel文件"), startDir(Edit1),
                                                         QStringLiteral("Excel(*.xls)"));
    if (!path.isEmpty()) Edit1->setText(path);
}

void Texcell::chooseDatabase() {
    const QString path = Dialogs::current().openFileName(this, QStringLiteral("请选择相应的MDB文件"), startDir(Edit2),
                                                         QStringLiteral("access (*.mdb)"));
    if (!path.isEmpty()) Edit2->setText(path);
}

void Texcell::import() {
    const QString excel = trimBlanks(Edit1->text());
    const QString database = trimBlanks(Edit2->text());
    if (excel.isEmpty() || database.isEmpty()) {
        showWarning(QStringLiteral("请正确选择相关路径！"), this);
        return;
    }
    GoodsImportResult result;
    {
        WorkProgress progress(this, QStringLiteral("importProgress"), QStringLiteral("正在导入商品，请稍候……"));
        result = importGoods(excel, database, [&progress](int done, int total) { progress.step(done, total); });
    }
    if (result.failure != GoodsImportResult::Failure::None) {
        showWarning(importFailureText(result), this);
        return;
    }
    showWarning(GoodsImport::kSucceeded, this);
    if (refreshNoteList_) refreshNoteList_();
}
