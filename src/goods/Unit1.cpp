// TForm1: "商品管理", the goods catalogue.
#include "goods/Unit1.h"

#include <QAction>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QResizeEvent>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/dm.h"
#include "core/formats.h"
#include "core/goods_steps.h"
#include "core/jet_dialect.h"
#include "core/pinyin.h"
#include "core/shared_queries.h"
#include "core/ui/dbgrid.h"
#include "core/ui/dialogs.h"
#include "core/ui/floating_panel.h"
#include "core/ui/fonts.h"
#include "core/ui/grid_export.h"
#include "core/ui/grid_print.h"
#include "core/ui/guard.h"
#include "core/ui/input_helpers.h"
#include "core/ui/key_filters.h"
#include "core/ui/pictures.h"
#include "core/ui/report_render.h"
#include "core/ui/typing_pause.h"
#include "core/ui/widget_makers.h"
#include "core/vendor.h"
#include "goods/labels.h"

namespace {

constexpr int kGridHeightAllowance = 170;  // the grid is the window's height less this

GridColumn column(const QString& field, int width) {
    GridColumn c;
    c.field = field;
    c.title = field;
    c.width = width;
    c.alignment = Qt::AlignCenter;
    return c;
}

using Make::button;
using Make::edit;

QToolButton* pictureButton(const QString& name, const QString& text, const QString& glyph, const QColor& colour,
                           QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setIcon(QIcon(glyphTile(glyph, colour, 48)));
    b->setIconSize(QSize(24, 24));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}

const QString kCodeColumn = QStringLiteral("商品编码");

}  // namespace

QString goodsSearchQuery(const GoodsConditions& c) {
    return QStringLiteral("select * from sp where 销售单价<>0") +
           likeConditions({{QStringLiteral("商品编码"), c.code},
                           {QStringLiteral("商品类别"), c.category},
                           {QStringLiteral("商品名称"), c.name},
                           {QStringLiteral("规格型号"), c.spec},
                           {QStringLiteral("供货商"), c.supplier}});
}

TForm1::TForm1(QWidget* mainWindow, Tdmfm& dm) : QDialog(mainWindow), dm_(dm) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("商品管理"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setFont(songtiPixels(13));
    resize(1000, 640);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);

    grid = new DBGrid(this);
    grid->setObjectName(QStringLiteral("DBGridEh1"));
    grid->setToolTip(QStringLiteral("双击进行修改和新建，点列标题可以排序"));
    grid->setColumns({column(QStringLiteral("商品编码"), 120), column(QStringLiteral("商品类别"), 100),
                      column(QStringLiteral("商品名称"), 160), column(QStringLiteral("规格型号"), 120),
                      column(QStringLiteral("进货单价"), 80), column(QStringLiteral("销售单价"), 80),
                      column(QStringLiteral("会员价"), 80), column(QStringLiteral("单位"), 80),
                      column(QStringLiteral("供货商"), 100)});
    grid->setFooterRowCount(1);
    grid->setMultiSelect(true);
    grid->setTitleSortEnabled(true);
    grid->setDataset(&dm_.ADOQuery12);
    layout->addWidget(grid);

    auto* bar = new QWidget(this);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    auto* conditions = new QGroupBox(QStringLiteral("条件查询"), bar);
    auto* c = new QGridLayout(conditions);
    codeCondition = edit(QStringLiteral("Edit1"), conditions);
    categoryCondition = edit(QStringLiteral("Edit2"), conditions);
    nameCondition = edit(QStringLiteral("Edit3"), conditions);
    specCondition = edit(QStringLiteral("Edit4"), conditions);
    supplierCondition = edit(QStringLiteral("Edit5"), conditions);
    const std::pair<const char*, QLineEdit*> conditionFields[] = {{"商品编码：", codeCondition},
                                                                  {"商品类别：", categoryCondition},
                                                                  {"商品名称：", nameCondition},
                                                                  {"规格型号：", specCondition},
                                                                  {"供货商：", supplierCondition}};
    int at = 0;
    for (const auto& [caption, field] : conditionFields) {
        c->addWidget(new QLabel(QString::fromUtf8(caption), conditions), at / 3, (at % 3) * 2);
        c->addWidget(field, at / 3, (at % 3) * 2 + 1);
        ++at;
    }
    searchButton = button(QStringLiteral("Button1"), QStringLiteral("查  询"), conditions);
    clearButton = button(QStringLiteral("Button2"), QStringLiteral("清空条件"), conditions);
    c->addWidget(searchButton, 1, 4);
    c->addWidget(clearButton, 1, 5);
    barLayout->addWidget(conditions, 1);
    auto* buttons = new QGridLayout;
    newButton = button(QStringLiteral("Button3"), QStringLiteral("新 建"), bar);
    deleteButton = button(QStringLiteral("Button4"), QStringLiteral("删 除"), bar);
    allButton = button(QStringLiteral("Button5"), QStringLiteral("全部记录"), bar);
    exportButton = button(QStringLiteral("Button6"), QStringLiteral("导出Excel"), bar);
    printButton = button(QStringLiteral("Button7"), QStringLiteral("打 印"), bar);
    labelsButton = pictureButton(QStringLiteral("LabelsButton"), QStringLiteral("条形码打印"), QStringLiteral("码"),
                                 QColor(0x33, 0x33, 0x33), bar);
    importButton = pictureButton(QStringLiteral("ImportButton"), QStringLiteral("Excel导入"), QStringLiteral("导"),
                                 QColor(0x21, 0x7a, 0x3c), bar);
    buttons->addWidget(newButton, 0, 0);
    buttons->addWidget(deleteButton, 0, 1);
    buttons->addWidget(allButton, 0, 2);
    buttons->addWidget(exportButton, 1, 0);
    buttons->addWidget(printButton, 1, 1);
    buttons->addWidget(labelsButton, 0, 3);
    buttons->addWidget(importButton, 1, 3);
    barLayout->addLayout(buttons);
    layout->addWidget(bar);
    layout->addStretch(1);
    auto* status = new QStatusBar(this);
    status->showMessage(QStringLiteral("回车加入"));
    status->setSizeGripEnabled(false);
    layout->addWidget(status);

    // The entry panel floats over the grid.
    panel = new FloatingPanel(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    auto* p = new QGridLayout(panel);
    p->setContentsMargins(14, 24, 14, 12);
    codeEdit = edit(QStringLiteral("CodeEdit"), panel);
    categoryEdit = edit(QStringLiteral("CategoryEdit"), panel);
    nameEdit = edit(QStringLiteral("NameEdit"), panel);
    specEdit = edit(QStringLiteral("SpecEdit"), panel);
    supplierEdit = edit(QStringLiteral("SupplierEdit"), panel);
    purchasePriceEdit = edit(QStringLiteral("PurchasePriceEdit"), panel);
    salePriceEdit = edit(QStringLiteral("SalePriceEdit"), panel);
    memberPriceEdit = edit(QStringLiteral("MemberPriceEdit"), panel);
    unitEdit = edit(QStringLiteral("UnitEdit"), panel);
    const std::pair<const char*, QLineEdit*> fields[] = {
        {"商品编码：", codeEdit},      {"商品类别：", categoryEdit},         {"商品名称：", nameEdit},
        {"规格型号：", specEdit},      {"供货商：", supplierEdit},           {"进货单价：", purchasePriceEdit},
        {"销售单价：", salePriceEdit}, {"会员价/批发价：", memberPriceEdit}, {"单 位：", unitEdit}};
    int row = 0;
    for (const auto& [caption, field] : fields) {
        p->addWidget(new QLabel(QString::fromUtf8(caption), panel), row, 0);
        p->addWidget(field, row, 1, 1, 2);
        ++row;
    }
    addButton = button(QStringLiteral("PanelNewButton"), QStringLiteral("新 建"), panel);
    modifyButton = button(QStringLiteral("PanelModifyButton"), QStringLiteral("修 改"), panel);
    p->addWidget(addButton, row, 1);
    p->addWidget(modifyButton, row, 2);
    panel->resize(330, 370);
    panel->move(340, 40);

    // Enter goes through the panel in its order; prices take only price keys.
    for (int i = 0; i < 5; ++i) enterMovesFocus(fields[i].second, fields[i + 1].second);
    attachKeyFilter(purchasePriceEdit, KeyFamily::Numeric, [this] { salePriceEdit->setFocus(); });
    attachKeyFilter(salePriceEdit, KeyFamily::Numeric, [this] { memberPriceEdit->setFocus(); });
    attachKeyFilter(memberPriceEdit, KeyFamily::Numeric, [this] { unitEdit->setFocus(); });
    enterMovesFocus(unitEdit, addButton);

    popupMenu = new QMenu(this);
    newItem = popupMenu->addAction(QStringLiteral("新  建"));
    deleteItem = popupMenu->addAction(QStringLiteral("删  除"));
    deleteSelectedItem = popupMenu->addAction(QStringLiteral("多行删除"));
    allItem = popupMenu->addAction(QStringLiteral("全部记录"));
    popupMenu->addSeparator();
    exportItem = popupMenu->addAction(QStringLiteral("导出EXCEL"));
    printItem = popupMenu->addAction(QStringLiteral("打  印"));

    typing_ = new TypingPause(this, [this] { search(); });
    for (QLineEdit* e : {codeCondition, categoryCondition, nameCondition, specCondition, supplierCondition}) {
        typing_->watch(e);
    }
    connect(searchButton, &QPushButton::clicked, this, [this] { typing_->runNow(); });
    connect(clearButton, &QPushButton::clicked, this, onAction(this, [this] { clearConditions(); }));
    for (auto [b, a, op] :
         {std::tuple{newButton, newItem, &TForm1::newGoods}, std::tuple{deleteButton, deleteItem, &TForm1::deleteGoods},
          std::tuple{allButton, allItem, &TForm1::listAll},
          std::tuple{exportButton, exportItem, &TForm1::exportToExcel},
          std::tuple{printButton, printItem, &TForm1::printList}}) {
        connect(b, &QPushButton::clicked, this, onAction(this, [this, op = op] { (this->*op)(); }));
        // A popup entry acts even while its button is disabled.
        connect(a, &QAction::triggered, this, onAction(this, [this, op = op] { (this->*op)(); }));
    }
    connect(deleteSelectedItem, &QAction::triggered, this, onAction(this, [this] { deleteSelected(); }));
    connect(addButton, &QPushButton::clicked, this, onAction(this, [this] { addGoods(); }));
    connect(modifyButton, &QPushButton::clicked, this, onAction(this, [this] { modifyGoods(); }));
    connect(labelsButton, &QToolButton::clicked, this, onAction(this, [this] { printLabels(); }));
    connect(importButton, &QToolButton::clicked, this, [this] {
        if (importWindow_) importWindow_->exec();
    });
    connect(grid, &DBGrid::cellClicked, this, onAction(this, [this] { loadRow(grid->currentRow()); }));
    connect(grid, &DBGrid::doubleClicked, this, [this] {
        panel->show();
        panel->raise();
    });
    connect(grid, &DBGrid::popupRequested, popupMenu, [this](const QPoint& at) { popupMenu->popup(at); });
    connect(panel, &FloatingPanel::closeClicked, panel, &QWidget::hide);
    setRowButtons(false);
}

void TForm1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    guard(this, [this] { openWindow(); });
}

void TForm1::openWindow() {
    dm_.ADOTable4.open();
    listAll();
    setRowButtons(false);
}

void TForm1::listAll() {
    typing_->cancel();
    OpenQuery(dm_.ADOQuery12, kAllGoodsQuery);
    dm_.ADOQuery12.last();
}

void TForm1::setRowButtons(bool enabled) {
    deleteButton->setEnabled(enabled);
    modifyButton->setEnabled(enabled);
}

void TForm1::loadRow(int row) {
    Dataset& list = dm_.ADOQuery12;
    if (row <= 0 || !list.isOpen()) return;
    if (list.text(kCodeColumn).isEmpty()) return;
    setRowButtons(true);
    codeEdit->setText(list.text(kCodeColumn));
    loadedCode_ = list.text(kCodeColumn);
    memberPriceEdit->setText(list.text(QStringLiteral("会员价")));
    categoryEdit->setText(list.text(QStringLiteral("商品类别")));
    nameEdit->setText(list.text(QStringLiteral("商品名称")));
    specEdit->setText(list.text(QStringLiteral("规格型号")));
    purchasePriceEdit->setText(list.text(QStringLiteral("进货单价")));
    salePriceEdit->setText(list.text(QStringLiteral("销售单价")));
    unitEdit->setText(list.text(QStringLiteral("单位")));
    supplierEdit->setText(list.text(QStringLiteral("供货商")));
}

void TForm1::newGoods() {
    panel->show();
    panel->raise();
    emptyPanel(false);
    codeEdit->setFocus();
}

void TForm1::emptyPanel(bool keepMemberPrice) {
    for (QLineEdit* e :
         {codeEdit, categoryEdit, nameEdit, specEdit, supplierEdit, purchasePriceEdit, salePriceEdit, unitEdit}) {
        e->clear();
    }
    if (!keepMemberPrice) memberPriceEdit->clear();
}

bool TForm1::duplicateRefused(bool modifying) {
    const bool exists = goodsCodeExists(dm_.ADOQuery4, codeEdit->text());
    if (!exists || (modifying && codeEdit->text() == loadedCode_)) return false;
    showInfo(QStringLiteral("商品编码已经存在，请重新输入！"), this);
    codeEdit->clear();
    codeEdit->setFocus();
    return true;
}

bool TForm1::requiredMissing() {
    return !(RequireEditText(codeEdit, QStringLiteral("商品编码必须输入！")) &&
             RequireEditText(nameEdit, QStringLiteral("商品名称必须输入！")) &&
             RequireEditText(purchasePriceEdit, QStringLiteral("进货单价必须输入！")) &&
             RequireEditText(salePriceEdit, QStringLiteral("销售单价必须输入！")) &&
             RequireEditText(memberPriceEdit, QStringLiteral("会员价/批发价必须输入！")));
}

GoodsEntry TForm1::entry() const {
    return {codeEdit->text(),          categoryEdit->text(),  nameEdit->text(),
            specEdit->text(),          supplierEdit->text(),  unitEdit->text(),
            purchasePriceEdit->text(), salePriceEdit->text(), memberPriceEdit->text()};
}

bool TForm1::pricesRefused() {
    const PriceProblem problem = firstBadPrice(entry());
    if (problem.index < 0) return false;
    QLineEdit* field = QList<QLineEdit*>{purchasePriceEdit, salePriceEdit, memberPriceEdit}.at(problem.index);
    showWarning(problem.message, this);
    field->setFocus();
    field->selectAll();
    return true;
}

void TForm1::writeRow(Dataset& target) {
    try {
        for (const auto& [column, value] : goodsRowValues(entry())) target.setValue(column, value);
        target.post();
    } catch (...) {
        target.cancel();
        throw;
    }
}

void TForm1::addGoods() {
    if (duplicateRefused(false) || requiredMissing() || pricesRefused()) return;
    Dataset& table = dm_.ADOTable4;
    table.open();
    table.append();
    writeRow(table);
    emptyPanel(false);
    listAll();
    setRowButtons(false);
}

void TForm1::modifyGoods() {
    if (duplicateRefused(true) || requiredMissing() || pricesRefused()) return;
    Dataset& list = dm_.ADOQuery12;
    // The row written is the one the panel was loaded from, never a row moved to since.
    if (!list.isOpen() || list.text(kCodeColumn) != loadedCode_) {
        showWarning(QStringLiteral("请先在列表中点选要修改的商品。"), this);
        setRowButtons(false);
        return;
    }
    list.edit();
    writeRow(list);
    emptyPanel(false);
    listAll();
    setRowButtons(false);
}

void TForm1::deleteGoods() {
    if (confirmOkCancel(QStringLiteral("你真的要删除选中资料吗？"), this)) {
        Dataset& list = dm_.ADOQuery12;
        if (list.isOpen() && list.recordCount() > 0) {
            list.deleteRecord();
            showInfo(QStringLiteral("删除成功！"), this);
        }
        setRowButtons(false);
    }
    emptyPanel(true);
    listAll();
}

void TForm1::deleteSelected() {
    Dataset& list = dm_.ADOQuery12;
    QList<int> rows = grid->selectedRows();
    // From the last row up, so that the rows still to go keep their places.
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows) {
        list.setRecNo(row + 1);
        list.deleteRecord();
    }
}

void TForm1::search() {
    OpenQuery(dm_.ADOQuery12, goodsSearchQuery({codeCondition->text(), categoryCondition->text(), nameCondition->text(),
                                                specCondition->text(), supplierCondition->text()}));
}

void TForm1::clearConditions() {
    typing_->clearEach({codeCondition, categoryCondition, nameCondition, specCondition, supplierCondition});
}

void TForm1::exportToExcel() {
    exportGrid(this, *grid, QStringLiteral("全部商品清单"), QStringLiteral("VantroPOS收银系统"));
}

void TForm1::printList() {
    printGrid(this, *grid,
              {QStringLiteral("VantroPOS收银系统 ") + Vendor::kWebSite, QStringLiteral("全 部 商 品 报 表"),
               QStringLiteral("%[Today]")});
}

void TForm1::printLabels() {
    // 2.fr3 is a FastReport template, a report format this program does not read: the built-in
    // sheet stands in for it, and the operator is told once.
    if (!templateNoticeShown_ && QFile::exists(QStringLiteral("2.fr3"))) {
        templateNoticeShown_ = true;
        showInfo(QStringLiteral("标签模板文件 2.fr3 是另一种报表格式，本程序不能读取，现按内置的标签格式打印。"), this);
    }
    const LabelRows rows(dm_.ADOQuery12);
    const ReportDocument sheet(labelSheet(), rows);
    Dialogs::current().preview(this, sheet, QSize(1024, 800));
}

void TForm1::done(int result) {
    closeStep();
    QDialog::done(result);
}

void TForm1::closeStep() {
    typing_->cancel();
    for (Dataset* d : {&dm_.ADOTable4, &dm_.ADOQuery12, &dm_.ADOQuery4, &dm_.ADOQuery1, &dm_.ADOQuery2}) d->close();
    setRowButtons(false);
    emptyPanel(true);
    panel->hide();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    grid->setFixedHeight(std::max(120, height() - kGridHeightAllowance));
}
