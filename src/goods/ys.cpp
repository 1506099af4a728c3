// Tysfm: "商品编码查找" — pick goods from the catalogue instead of scanning them.
#include "goods/ys.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/dm.h"
#include "core/jet_dialect.h"
#include "core/shared_queries.h"
#include "core/ui/MAIN.h"
#include "core/ui/dbgrid.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/typing_pause.h"
#include "core/ui/widget_makers.h"
#include "sale/code_entry.h"

namespace {

GridColumn column(const QString& field, int width) {
    GridColumn c;
    c.field = field;
    c.title = field;
    c.width = width;
    c.alignment = Qt::AlignCenter;
    return c;
}

using Make::edit;

}  // namespace

QString goodsLookupQuery(const QString& name, const QString& code, const QString& spec, const QString& category) {
    return QStringLiteral("select * from sp where [销售单价]>0 ") +
           likeConditions({{QStringLiteral("商品名称"), name},
                           {QStringLiteral("商品编码"), code},
                           {QStringLiteral("规格型号"), spec},
                           {QStringLiteral("商品类别"), category}});
}

Tysfm::Tysfm(QWidget* mainWindow, Tdmfm& dm) : QDialog(mainWindow), dm_(dm) {
    setObjectName(QStringLiteral("ysfm"));
    setWindowTitle(QStringLiteral("商品编码查找"));
    setFont(songtiPixels(14));
    resize(900, 560);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("请选择下面的商品（双击直接选择商品）"), this));
    grid = new DBGrid(this);
    grid->setObjectName(QStringLiteral("DBGridEh1"));
    grid->setToolTip(QStringLiteral("双击直接选择商品，点列标题可以排序"));
    grid->setTitleColor(QColor(0x87, 0xce, 0xeb));
    grid->setColumns({column(QStringLiteral("商品编码"), 120), column(QStringLiteral("商品类别"), 120),
                      column(QStringLiteral("商品名称"), 150), column(QStringLiteral("规格型号"), 150),
                      column(QStringLiteral("销售单价"), 120), column(QStringLiteral("供货商"), 150)});
    grid->setDataset(&dm_.ADOQuery5);
    layout->addWidget(grid, 1);

    auto* group = new QGroupBox(QStringLiteral(" 输入查询"), this);
    auto* g = new QGridLayout(group);
    nameEdit = edit(QStringLiteral("Edit1"), group);
    codeEdit = edit(QStringLiteral("Edit2"), group);
    specEdit = edit(QStringLiteral("Edit3"), group);
    categoryEdit = edit(QStringLiteral("Edit4"), group);
    g->addWidget(new QLabel(QStringLiteral("商品名称："), group), 0, 0);
    g->addWidget(nameEdit, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("商品编码："), group), 0, 2);
    g->addWidget(codeEdit, 0, 3);
    g->addWidget(new QLabel(QStringLiteral("规格型号："), group), 1, 0);
    g->addWidget(specEdit, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("商品类别："), group), 1, 2);
    g->addWidget(categoryEdit, 1, 3);
    searchButton = new QPushButton(QStringLiteral("查  询"), group);
    clearButton = new QPushButton(QStringLiteral("清空条件"), group);
    g->addWidget(searchButton, 0, 4);
    g->addWidget(clearButton, 1, 4);
    layout->addWidget(group);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    selectButton = new QPushButton(QStringLiteral("选定"), this);
    selectButton->setObjectName(QStringLiteral("SelectButton"));
    cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("CancelButton"));
    for (QPushButton* b : {searchButton, clearButton, selectButton, cancelButton}) b->setAutoDefault(false);
    buttons->addWidget(selectButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);

    // Typing searches after a pause; a hundred thousand goods never hold the keyboard up.
    typing_ = new TypingPause(this, [this] { search(); });
    for (QLineEdit* e : {nameEdit, codeEdit, specEdit, categoryEdit}) typing_->watch(e);
    connect(searchButton, &QPushButton::clicked, this, [this] { typing_->runNow(); });
    connect(clearButton, &QPushButton::clicked, this, &Tysfm::clearConditions);
    connect(selectButton, &QPushButton::clicked, this, onAction(this, [this] { select(); }));
    connect(grid, &DBGrid::doubleClicked, this, onAction(this, [this] { select(); }));
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void Tysfm::setCodeEntry(TMainForm* mainForm, CodeEntry* entry) {
    main_ = mainForm;
    entry_ = entry;
}

void Tysfm::prepareForCodeEntry() {
    mode = 1;
    OpenQuery(dm_.ADOQuery5, kGroupedSql);
}

void Tysfm::openForCodeEntry() {
    if (!guard(this, [this] { prepareForCodeEntry(); })) return;
    exec();
}

void Tysfm::search() {
    OpenQuery(dm_.ADOQuery5,
              goodsLookupQuery(nameEdit->text(), codeEdit->text(), specEdit->text(), categoryEdit->text()));
}

void Tysfm::clearConditions() {
    // Each box that held text is a change, searched at once, one after another.
    typing_->clearEach({nameEdit, codeEdit, specEdit, categoryEdit});
}

void Tysfm::select() {
    if (mode == 1 && main_ && entry_) {
        Dataset& list = dm_.ADOQuery5;
        const QString code = list.isOpen() ? list.text(QStringLiteral("商品编码")) : QString();
        main_->Edit47->setText(code);
        entry_->entryFromLookup();
    }
    accept();
}

void Tysfm::done(int result) {
    QDialog::done(result);
    dm_.ADOQuery5.close();
}
