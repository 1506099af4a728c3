// Txstj: "销售明细", the settled sales and their lines.
#include "sales/Unit4.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/dm.h"
#include "core/formats.h"
#include "core/session.h"
#include "core/settings_stores.h"
#include "core/shared_queries.h"
#include "core/ui/bar_chart.h"
#include "core/ui/dbgrid.h"
#include "core/ui/dialogs.h"
#include "core/ui/floating_panel.h"
#include "core/ui/fonts.h"
#include "core/ui/grid_export.h"
#include "core/ui/grid_print.h"
#include "core/ui/guard.h"
#include "core/ui/input_helpers.h"
#include "core/ui/typing_pause.h"
#include "core/ui/widget_makers.h"
#include "sale/Unit2.h"
#include "sale/receipt_document.h"
#include "sales/reprint.h"
#include "sales/sales_queries.h"

namespace {

Dataset::Options readOnlyQuery() {
    Dataset::Options o;
    o.readOnly = true;
    return o;
}

constexpr int kPageHeightAllowance = 20;  // the page area is the window's outer height less this
constexpr double kBarShare = 0.15;

GridColumn column(const QString& field, const QString& title, int width,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    GridColumn c;
    c.field = field;
    c.title = title;
    c.width = width;
    c.alignment = alignment;
    return c;
}

GridColumn summed(GridColumn c) {
    c.footer.kind = GridFooter::Kind::Sum;
    c.footer.alignment = Qt::AlignRight | Qt::AlignVCenter;
    return c;
}

using Make::button;
using Make::edit;

QComboBox* comboBox(const QString& name, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

QDateEdit* dateField(const QString& name, QWidget* parent) {
    auto* d = new QDateEdit(QDate::currentDate(), parent);
    d->setObjectName(name);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    d->setCalendarPopup(true);
    return d;
}

// The fields of a sold line the deletion panel shows, with their captions.
const std::pair<const char*, const char*> kDeletionFields[] = {
    {"a", "商品名称："}, {"b", "规格型号："}, {"c", "商品编码："}, {"d", "类  别："}, {"day1", "销售日期："},
    {"2", "数  量："},   {"3", "会员价："},   {"4", "单  价："},   {"6", "金  额："}, {"z", "单  位："}};

const QString kSerialColumn = QStringLiteral("h");
const QString kCompanyValue = QStringLiteral("company");
const QString kAddressValue = QStringLiteral("address");

}  // namespace

Txstj::Txstj(QWidget* mainWindow, Tdmfm& dm)
    : QDialog(mainWindow),
      dm_(dm),
      monthlyQuery_(std::make_unique<Dataset>(dm.ADOConnection1, QStringLiteral("DBChart1Query"), Dataset::Kind::Query,
                                              QString(), readOnlyQuery(), this)),
      dailyQuery_(std::make_unique<Dataset>(dm.ADOConnection1, QStringLiteral("DBChart3Query"), Dataset::Kind::Query,
                                            QString(), readOnlyQuery(), this)) {
    setObjectName(QStringLiteral("xstj"));
    setWindowTitle(QStringLiteral("销售明细"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setFont(songtiPixels(13));
    resize(1060, 700);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    // The first page: the sales above, their lines below, the search fields at the bottom.
    auto* linesPage = new QWidget(PageControl1);
    linesPage->setObjectName(QStringLiteral("TabSheet1"));
    auto* page = new QVBoxLayout(linesPage);
    page->setContentsMargins(4, 4, 4, 4);

    auto* serialBar = new QHBoxLayout;
    Edit51 = edit(QStringLiteral("Edit51"), linesPage);
    Button17 = button(QStringLiteral("Button17"), QStringLiteral("查 询"), linesPage);
    Button18 = button(QStringLiteral("Button18"), QStringLiteral("全 部"), linesPage);
    serialBar->addWidget(new QLabel(QStringLiteral("销售单流水号："), linesPage));
    serialBar->addWidget(Edit51);
    serialBar->addWidget(Button17);
    serialBar->addWidget(Button18);
    serialBar->addStretch(1);
    page->addLayout(serialBar);

    DBGridEh2 = new DBGrid(linesPage);
    DBGridEh2->setObjectName(QStringLiteral("DBGridEh2"));
    DBGridEh2->setColumns(
        {column(QStringLiteral("a"), QStringLiteral("销售单|流水号"), 130),
         column(QStringLiteral("b"), QStringLiteral("销售单|操作人"), 70),
         column(QStringLiteral("1"), QStringLiteral("销 售|应收"), 70, Qt::AlignRight | Qt::AlignVCenter),
         column(QStringLiteral("2"), QStringLiteral("销 售|实收"), 70, Qt::AlignRight | Qt::AlignVCenter),
         column(QStringLiteral("3"), QStringLiteral("销 售|现金"), 70, Qt::AlignRight | Qt::AlignVCenter),
         column(QStringLiteral("4"), QStringLiteral("销 售|找零"), 60, Qt::AlignRight | Qt::AlignVCenter),
         column(QStringLiteral("5"), QStringLiteral("销 售|利润"), 60, Qt::AlignRight | Qt::AlignVCenter),
         column(QStringLiteral("7"), QStringLiteral("销 售|欠款"), 60, Qt::AlignRight | Qt::AlignVCenter),
         column(QStringLiteral("day1"), QStringLiteral("销 售|日 期"), 85, Qt::AlignCenter),
         column(QStringLiteral("h"), QStringLiteral("客 户|名 称"), 100),
         column(QStringLiteral("i"), QStringLiteral("客 户|地 址"), 120),
         column(QStringLiteral("j"), QStringLiteral("客 户|联系人"), 70),
         column(QStringLiteral("k"), QStringLiteral("客 户|联系方式"), 90)});
    DBGridEh2->setRowHeight(22);
    DBGridEh2->setFooterRowCount(1);
    DBGridEh2->setFitToWidth(true);
    DBGridEh2->setTitleSortEnabled(true);
    DBGridEh2->setToolTip(QStringLiteral("双击查看这笔销售的明细，右键可以补打小票和送货单"));
    DBGridEh2->setDataset(&dm_.ADOQuery9);
    page->addWidget(DBGridEh2, 2);

    DBGridEh1 = new DBGrid(linesPage);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    GridColumn total = column(kSerialColumn, QStringLiteral("销售单|流水号"), 130);
    total.footer.kind = GridFooter::Kind::Text;
    total.footer.text = QStringLiteral("合计");
    DBGridEh1->setColumns(
        {total, column(QStringLiteral("i"), QStringLiteral("销售单|操作人"), 70),
         column(QStringLiteral("a"), QStringLiteral("商 品 信 息| 名 称"), 140),
         column(QStringLiteral("b"), QStringLiteral("商 品 信 息|规格型号"), 90),
         column(QStringLiteral("c"), QStringLiteral("商 品 信 息| 编 码"), 110),
         column(QStringLiteral("d"), QStringLiteral("商 品 信 息|类 别"), 70),
         column(QStringLiteral("4"), QStringLiteral("销 售 信 息|单 价"), 60, Qt::AlignRight | Qt::AlignVCenter),
         summed(
             column(QStringLiteral("2"), QStringLiteral("销 售 信 息|数 量"), 60, Qt::AlignRight | Qt::AlignVCenter)),
         column(QStringLiteral("z"), QStringLiteral("销 售 信 息|单位"), 45, Qt::AlignCenter),
         summed(
             column(QStringLiteral("6"), QStringLiteral("销 售 信 息|金 额"), 70, Qt::AlignRight | Qt::AlignVCenter)),
         column(QStringLiteral("day1"), QStringLiteral("销 售 信 息|日 期"), 85, Qt::AlignCenter),
         summed(
             column(QStringLiteral("7"), QStringLiteral("销 售 信 息|净利润"), 70, Qt::AlignRight | Qt::AlignVCenter)),
         column(QStringLiteral("j"), QStringLiteral("备 注|备 注"), 90)});
    DBGridEh1->setRowHeight(22);
    DBGridEh1->setFooterRowCount(1);
    DBGridEh1->setFitToWidth(true);
    DBGridEh1->setTitleSortEnabled(true);
    DBGridEh1->setToolTip(QStringLiteral("双击查看整笔销售，点列标题可以排序"));
    DBGridEh1->setDataset(&dm_.ADOQuery13);
    page->addWidget(DBGridEh1, 3);

    auto* search = new QGroupBox(QStringLiteral(" 快速查询"), linesPage);
    search->setObjectName(QStringLiteral("GroupBox1"));
    auto* s = new QGridLayout(search);
    ComboBox4 = comboBox(QStringLiteral("ComboBox4"), search);
    Edit23 = edit(QStringLiteral("Edit23"), search);
    Edit29 = edit(QStringLiteral("Edit29"), search);
    Edit29->setToolTip(QStringLiteral("输入字母拼音查询"));
    Edit25 = edit(QStringLiteral("Edit25"), search);
    Edit14 = edit(QStringLiteral("Edit14"), search);
    CheckBox6 = new QCheckBox(QStringLiteral("销售日期："), search);
    CheckBox6->setObjectName(QStringLiteral("CheckBox6"));
    DBDateTimeEditEh2 = dateField(QStringLiteral("DBDateTimeEditEh2"), search);
    DBDateTimeEditEh3 = dateField(QStringLiteral("DBDateTimeEditEh3"), search);
    const std::pair<const char*, QWidget*> searchFields[] = {{"类  别：", ComboBox4},
                                                             {"商品名称：", Edit23},
                                                             {"规格型号：", Edit29},
                                                             {"商品编码：", Edit25},
                                                             {"操作人：", Edit14}};
    int at = 0;
    for (const auto& [caption, field] : searchFields) {
        s->addWidget(new QLabel(QString::fromUtf8(caption), search), at / 4, (at % 4) * 2);
        s->addWidget(field, at / 4, (at % 4) * 2 + 1);
        s->setColumnStretch((at % 4) * 2 + 1, 1);
        ++at;
    }
    auto* range = new QHBoxLayout;
    range->addWidget(CheckBox6);
    range->addWidget(DBDateTimeEditEh2);
    range->addWidget(new QLabel(QStringLiteral("至"), search));
    range->addWidget(DBDateTimeEditEh3);
    range->addStretch(1);
    s->addLayout(range, 1, 2, 1, 6);
    Button4 = button(QStringLiteral("Button4"), QStringLiteral("查 询"), search);
    Button3 = button(QStringLiteral("Button3"), QStringLiteral("本 月"), search);
    Button19 = button(QStringLiteral("Button19"), QStringLiteral("当 天"), search);
    Button16 = button(QStringLiteral("Button16"), QStringLiteral("全部记录"), search);
    Button15 = button(QStringLiteral("Button15"), QStringLiteral("清空条件"), search);
    auto* actions = new QHBoxLayout;
    for (QPushButton* b : {Button4, Button3, Button19, Button16, Button15}) actions->addWidget(b);
    s->addLayout(actions, 0, 8, 2, 1);
    page->addWidget(search);

    // Kept for the stored values; the page never shows it.
    settingsGroup = new QGroupBox(QStringLiteral(" 个性信息设置"), linesPage);
    settingsGroup->setObjectName(QStringLiteral("GroupBox2"));
    auto* g = new QGridLayout(settingsGroup);
    Edit15 = edit(QStringLiteral("Edit15"), settingsGroup);
    Edit1 = edit(QStringLiteral("Edit1"), settingsGroup);
    g->addWidget(new QLabel(QStringLiteral("单位名称："), settingsGroup), 0, 0);
    g->addWidget(Edit15, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("电话地址："), settingsGroup), 1, 0);
    g->addWidget(Edit1, 1, 1);
    settingsGroup->hide();

    // The deletion panel floats over the lines.
    Panel1 = new FloatingPanel(linesPage);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* p = new QGridLayout(Panel1);
    p->setContentsMargins(14, 24, 14, 12);
    auto* heading = new QLabel(QStringLiteral("删除这条销售明细"), Panel1);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    p->addWidget(heading, 0, 0, 1, 2);
    int row = 1;
    for (const auto& [field, caption] : kDeletionFields) {
        auto* value = edit(QStringLiteral("DeletionValue_") + QLatin1String(field), Panel1);
        value->setReadOnly(true);
        value->setProperty("field", QString::fromLatin1(field));
        deletionValues.append(value);
        p->addWidget(new QLabel(QString::fromUtf8(caption), Panel1), row, 0);
        p->addWidget(value, row, 1);
        ++row;
    }
    Button6 = button(QStringLiteral("Button6"), QStringLiteral("删 除"), Panel1);
    p->addWidget(Button6, row, 1);
    Panel1->resize(300, 380);
    Panel1->move(380, 120);
    Panel1->hide();

    // The line grid's menu; some entries are never shown, the Delete key still acts.
    linesMenu = new QMenu(this);
    receiptItem = linesMenu->addAction(QStringLiteral("POS小票(销售单)打印"));
    modifyItem = linesMenu->addAction(QStringLiteral("修 改 "));
    deleteItem = linesMenu->addAction(QStringLiteral("删 除"));
    exportItem = linesMenu->addAction(QStringLiteral("导出Excel"));
    printItem = linesMenu->addAction(QStringLiteral("打 印"));
    for (QAction* hidden : {receiptItem, modifyItem, deleteItem}) hidden->setVisible(false);
    deleteItem->setShortcut(QKeySequence(Qt::Key_Delete));
    exportItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    printItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    deleteKey = new QAction(this);
    deleteKey->setShortcut(QKeySequence(Qt::Key_Delete));
    for (QAction* a : {deleteKey, exportItem, printItem}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        DBGridEh1->addAction(a);
    }

    salesMenu = new QMenu(this);
    reprintReceiptItem = salesMenu->addAction(QStringLiteral("补打POS小票"));
    reprintNoteItem = salesMenu->addAction(QStringLiteral("补打送货单"));

    PageControl1->addTab(linesPage, QStringLiteral("销售明细"));

    // The second page: the month-by-month chart of a year and the day-by-day chart of a month.
    auto* chartsPage = new QWidget(PageControl1);
    chartsPage->setObjectName(QStringLiteral("TabSheet2"));
    auto* c = new QVBoxLayout(chartsPage);
    DBChart1 = new BarChart(chartsPage);
    DBChart1->setObjectName(QStringLiteral("DBChart1"));
    DBChart1->setTitle(QStringLiteral("月销售报表统计"));
    DBChart1->setAxis(0, 12, QStringLiteral("月"));
    DBChart1->setBarColour(Qt::yellow);
    DBChart1->setBarWidth(kBarShare);
    ComboBox1 = comboBox(QStringLiteral("ComboBox1"), chartsPage);
    Button1 = button(QStringLiteral("Button1"), QStringLiteral("查询利润"), chartsPage);
    Button13 = button(QStringLiteral("Button13"), QStringLiteral("查询销售额"), chartsPage);
    auto* monthly = new QHBoxLayout;
    monthly->addWidget(ComboBox1);
    monthly->addWidget(new QLabel(QStringLiteral("年"), chartsPage));
    monthly->addWidget(Button1);
    monthly->addWidget(Button13);
    monthly->addStretch(1);
    c->addWidget(DBChart1, 1);
    c->addLayout(monthly);

    DBChart3 = new BarChart(chartsPage);
    DBChart3->setObjectName(QStringLiteral("DBChart3"));
    DBChart3->setTitle(QStringLiteral("日销售报表统计"));
    DBChart3->setAxis(0, 32, QStringLiteral("日"));
    DBChart3->setBarColour(QColor(0xff, 0x80, 0x40));
    DBChart3->setBarWidth(kBarShare);
    ComboBox3 = comboBox(QStringLiteral("ComboBox3"), chartsPage);
    ComboBox2 = comboBox(QStringLiteral("ComboBox2"), chartsPage);
    for (int m = 1; m <= 12; ++m) ComboBox2->addItem(QString::number(m));
    Button2 = button(QStringLiteral("Button2"), QStringLiteral("查询利润"), chartsPage);
    Button14 = button(QStringLiteral("Button14"), QStringLiteral("查询销售额"), chartsPage);
    auto* daily = new QHBoxLayout;
    daily->addWidget(ComboBox3);
    daily->addWidget(new QLabel(QStringLiteral("年"), chartsPage));
    daily->addWidget(ComboBox2);
    daily->addWidget(new QLabel(QStringLiteral("月份"), chartsPage));
    daily->addWidget(Button2);
    daily->addWidget(Button14);
    daily->addStretch(1);
    c->addWidget(DBChart3, 1);
    c->addLayout(daily);
    c->addStretch(0);
    PageControl1->addTab(chartsPage, QStringLiteral("销售统计"));

    // Typing runs the query after a pause; buttons, choices and program changes run it at once.
    typing_ = new TypingPause(this, [this] { query(); });
    for (QLineEdit* e : {Edit23, Edit29, Edit25, Edit14, Edit51}) typing_->watch(e);
    typing_->watch(ComboBox4);
    for (QPushButton* b : {Button4, Button17}) connect(b, &QPushButton::clicked, this, [this] { typing_->runNow(); });
    const std::pair<QPushButton*, void (Txstj::*)()> views[] = {
        {Button3, &Txstj::thisMonth},   {Button19, &Txstj::today},           {Button16, &Txstj::allRecords},
        {Button18, &Txstj::allRecords}, {Button15, &Txstj::clearConditions}, {Button6, &Txstj::deleteLine}};
    for (const auto& [b, op] : views) {
        connect(b, &QPushButton::clicked, this, onAction(this, [this, op = op] { (this->*op)(); }));
    }
    connect(Button1, &QPushButton::clicked, this, onAction(this, [this] { monthlyChart(true); }));
    connect(Button13, &QPushButton::clicked, this, onAction(this, [this] { monthlyChart(false); }));
    connect(Button2, &QPushButton::clicked, this, onAction(this, [this] { dailyChart(true); }));
    connect(Button14, &QPushButton::clicked, this, onAction(this, [this] { dailyChart(false); }));

    connect(DBGridEh1, &DBGrid::doubleClicked, this, onAction(this, [this] { lineDoubleClicked(); }));
    connect(DBGridEh2, &DBGrid::doubleClicked, this, onAction(this, [this] { saleDoubleClicked(); }));
    connect(DBGridEh1, &DBGrid::cellClicked, this, [this] { hideDeletionPanel(); });
    // The panel always shows the line "删 除" removes: moving to another line closes it.
    connect(&dm_.ADOQuery13, &Dataset::currentChanged, this, [this] { hideDeletionPanel(); });
    connect(&dm_.ADOQuery13, &Dataset::rowsReset, this, [this] { hideDeletionPanel(); });
    for (DBGrid* grid : {DBGridEh1, DBGridEh2}) grid->setBeforeSort([this] { hideDeletionPanel(); });
    connect(DBGridEh1, &DBGrid::popupRequested, linesMenu, [this](const QPoint& at) { linesMenu->popup(at); });
    connect(DBGridEh2, &DBGrid::popupRequested, salesMenu, [this](const QPoint& at) { salesMenu->popup(at); });
    connect(deleteKey, &QAction::triggered, this, onAction(this, [this] { askDelete(); }));
    connect(deleteItem, &QAction::triggered, this, onAction(this, [this] { askDelete(); }));
    connect(exportItem, &QAction::triggered, this, onAction(this, [this] { exportLines(); }));
    connect(printItem, &QAction::triggered, this, onAction(this, [this] { printLines(); }));
    connect(reprintReceiptItem, &QAction::triggered, this, onAction(this, [this] { reprintReceipt(); }));
    connect(reprintNoteItem, &QAction::triggered, this, onAction(this, [this] { reprintDeliveryNote(); }));
    connect(Panel1, &FloatingPanel::closeClicked, Panel1, &QWidget::hide);
    connect(Edit15, &QLineEdit::textChanged, this,
            [](const QString& text) { UserKey::pos().setValue(kCompanyValue, text); });
    connect(Edit1, &QLineEdit::textChanged, this,
            [](const QString& text) { UserKey::pos().setValue(kAddressValue, text); });
}

Txstj::~Txstj() = default;

void Txstj::setChartsVisible(bool visible) {
    DBChart1->setVisible(visible);
    DBChart3->setVisible(visible);
}

void Txstj::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    showStep();
}

// Each step stands on its own: a chart that fails shows its box, and the month's lines and
// the stored settings still load.
void Txstj::showStep() {
    ComboBox2->setCurrentText(QString::number(QDate::currentDate().month()));
    DBDateTimeEditEh2->setDate(QDate::currentDate());
    DBDateTimeEditEh3->setDate(QDate::currentDate());
    guard(this, [this] { fillYears(); });
    guard(this, [this] { monthlyChart(true); });
    guard(this, [this] { dailyChart(true); });
    guard(this, [this] { thisMonth(); });
    const QSignalBlocker company(Edit15), address(Edit1);
    Edit15->setText(UserKey::pos().value(kCompanyValue).value_or(QString()));
    Edit1->setText(UserKey::pos().value(kAddressValue).value_or(QString()));
}

// The years with sales, and this year. A year already in a field stays chosen when it is one
// of them; anything else typed there (a mistyped "20x5") gives way to this year.
void Txstj::fillYears() {
    const int thisYear = QDate::currentDate().year();
    const QStringList years = salesYears(dm_.ADOConnection1, thisYear);
    for (QComboBox* box : {ComboBox1, ComboBox3}) {
        const QString chosen = years.contains(box->currentText()) ? box->currentText() : QString::number(thisYear);
        const QSignalBlocker quiet(box);
        box->clear();
        box->addItems(years);
        box->setCurrentText(chosen);
    }
}

SalesLineFilters Txstj::filters() const {
    SalesLineFilters f;
    f.category = ComboBox4->currentText();
    f.name = Edit23->text();
    f.serial = Edit51->text();
    f.code = Edit25->text();
    f.spec = Edit29->text();
    f.operatorName = Edit14->text();
    f.dateRange = CheckBox6->isChecked();
    f.fromDate = DBDateTimeEditEh2->date().toString(QStringLiteral("yyyy-MM-dd"));
    f.toDate = DBDateTimeEditEh3->date().toString(QStringLiteral("yyyy-MM-dd"));
    return f;
}

void Txstj::query() {
    typing_->cancel();
    OpenQuery(dm_.ADOQuery13, salesLineQuery(filters()));
    OpenQuery(dm_.ADOQuery9, salesQuery(Edit51->text()));
    hideDeletionPanel();
}

// The history index knows the categories without reading a million lines again. While it is
// still being read the list is filled the moment it is ready (asking the engine would read
// every line on the user-interface thread); with no index at all, the engine is asked.
void Txstj::refillCategories() {
    if (const std::optional<QVariantList> values =
            dm_.historyIndex.distinctValues(QStringLiteral("data1"), QStringLiteral("d"))) {
        QStringList items;
        items.reserve(values->size());
        for (const QVariant& v : *values) items.append(v.toString());
        FillComboWithItems(ComboBox4, items);
        return;
    }
    if (dm_.historyIndex.isBuilding()) {
        if (!categoriesWaiting_) {
            categoriesWaiting_ = connect(&dm_.historyIndex, &HistoryIndex::ready, this, [this] {
                disconnect(categoriesWaiting_);
                categoriesWaiting_ = {};
                guard(this, [this] { refillCategories(); });
            });
        }
        return;
    }
    FillComboFromColumn(dm_.ADOQuery1, QStringLiteral("d"), QStringLiteral("data1"), ComboBox4);
    dm_.ADOQuery1.close();
}

void Txstj::thisMonth() {
    typing_->cancel();
    refillCategories();
    const QDate now = QDate::currentDate();
    OpenQuery(dm_.ADOQuery13, monthLinesQuery(now.year(), now.month()));
    OpenQuery(dm_.ADOQuery9, monthSalesQuery(now.year(), now.month()));
    dm_.ADOQuery13.last();
    hideDeletionPanel();
}

void Txstj::today() {
    CheckBox6->setChecked(true);
    query();
}

void Txstj::allRecords() {
    typing_->cancel();
    refillCategories();
    OpenQuery(dm_.ADOQuery13, kAllLinesQuery);
    OpenQuery(dm_.ADOQuery9, kAllSalesQuery);
    dm_.ADOQuery13.last();
    hideDeletionPanel();
}

// Emptying a field that held text is a change of it, and runs the query with what is left;
// the category and the date range are put back afterwards without running anything.
void Txstj::clearConditions() {
    if (!typing_->clearEach({Edit23, Edit25, Edit29})) return;
    ComboBox4->setCurrentIndex(-1);
    ComboBox4->setCurrentText(QString());
    CheckBox6->setChecked(false);
}

void Txstj::lineDoubleClicked() {
    const Dataset& lines = dm_.ADOQuery13;
    if (!lines.isOpen() || lines.isEmpty()) return;
    const QString serial = lines.text(kSerialColumn);
    if (serial.isEmpty()) return;
    Edit51->setText(serial);
    query();
}

void Txstj::saleDoubleClicked() {
    const Dataset& sales = dm_.ADOQuery9;
    if (!sales.isOpen() || sales.isEmpty()) return;
    const QString serial = sales.text(QStringLiteral("a"));
    if (serial.isEmpty()) return;
    Edit51->setText(serial);
    query();
}

void Txstj::hideDeletionPanel() {
    Panel1->hide();
}

void Txstj::askDelete() {
    const Dataset& lines = dm_.ADOQuery13;
    if (!lines.isOpen() || lines.isEmpty() || lines.text(kSerialColumn).isEmpty()) return;
    for (QLineEdit* value : std::as_const(deletionValues)) {
        value->setText(lines.text(value->property("field").toString()));
    }
    Panel1->show();
    Panel1->raise();
}

void Txstj::deleteLine() {
    Dataset& lines = dm_.ADOQuery13;
    if (!lines.isOpen() || lines.isEmpty()) {
        hideDeletionPanel();
        return;
    }
    // A failing delete leaves the line and the open panel as they were, with the error box.
    lines.deleteRecord();
    thisMonth();
    for (QLineEdit* value : std::as_const(deletionValues)) value->clear();
    hideDeletionPanel();
    monthlyChart(true);
    dailyChart(true);
    showInfo(QStringLiteral("删除销售记录成功！"), this);
}

void Txstj::drawChart(BarChart* chart, Dataset& query) {
    QList<BarChart::Bar> bars;
    for (int row = 0; row < query.recordCount(); ++row) {
        const QVariant position = query.valueAt(row, 0);
        if (position.isNull()) continue;
        bars.append({position.toDouble(), query.valueAt(row, 1).toDouble()});
    }
    chart->setBars(bars);
}

void Txstj::monthlyChart(bool profit) {
    DBChart1->clearBars();
    OpenQuery(*monthlyQuery_,
              monthlyChartQuery(profit ? ChartMeasure::Profit : ChartMeasure::Sales, ComboBox1->currentText()));
    drawChart(DBChart1, *monthlyQuery_);
}

void Txstj::dailyChart(bool profit) {
    DBChart3->clearBars();
    OpenQuery(*dailyQuery_, dailyChartQuery(profit ? ChartMeasure::Profit : ChartMeasure::Sales,
                                            ComboBox2->currentText(), ComboBox3->currentText()));
    drawChart(DBChart3, *dailyQuery_);
}

void Txstj::exportLines() {
    exportGrid(this, *DBGridEh1, QStringLiteral("销 售 报 表"), Session::operatorName());
}

void Txstj::printLines() {
    printGrid(this, *DBGridEh1,
              {QString(), QStringLiteral("销 售 统 计 报 表"),
               QStringLiteral("制表人：") + Session::operatorName() + QStringLiteral("    日期：") +
                   formatDate(QDate::currentDate())});
}

std::optional<SaleReprint> Txstj::selectedSale() {
    const Dataset& sales = dm_.ADOQuery9;
    if (!sales.isOpen() || sales.isEmpty() || sales.text(QStringLiteral("a")).isEmpty()) {
        showInfo(QStringLiteral("请先在上面的列表中选中要补打的销售单。"), this);
        return std::nullopt;
    }
    const QString serial = sales.text(QStringLiteral("a"));
    std::optional<SaleReprint> sale = saleReprint(dm_.ADOConnection1, serial, QDateTime::currentDateTime());
    if (!sale) showWarning(QStringLiteral("找不到流水号为 %1 的销售单，它可能已被删除。").arg(serial), this);
    return sale;
}

void Txstj::reprintReceipt() {
    const std::optional<SaleReprint> sale = selectedSale();
    if (!sale) return;
    QString error;
    if (!printReceipt(sale->receipt, &error)) {
        showError(QStringLiteral("POS小票打印失败：") + error, this);
    }
}

void Txstj::reprintDeliveryNote() {
    const std::optional<SaleReprint> sale = selectedSale();
    if (!sale || !deliveryNote_) return;
    deliveryNote_->showDeliveryNote(this, sale->deliveryNote);
}

void Txstj::done(int result) {
    typing_->cancel();
    monthlyQuery_->close();
    dailyQuery_->close();
    dm_.ADOQuery13.close();
    if (refreshNoteList_) guard(this, refreshNoteList_);
    QDialog::done(result);
}

void Txstj::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int outer = frameGeometry().height();
    PageControl1->setGeometry(0, 0, width(), std::clamp(outer - kPageHeightAllowance, 0, height()));
}
