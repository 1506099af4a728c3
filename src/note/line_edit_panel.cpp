// The line edit panel: price and quantity of one note line.
#include "note/line_edit_panel.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/dataset.h"
#include "core/formats.h"
#include "core/ui/MAIN.h"
#include "core/ui/dialogs.h"
#include "core/ui/floating_panel.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/key_filters.h"
#include "core/ui/widget_makers.h"
#include "note/note_list.h"

std::optional<LineValues> computeLine(const QString& price, const QString& quantity, const QString& purchasePrice) {
    const auto p = parseNumber(price);
    const auto q = parseNumber(quantity);
    if (!p || !q) return std::nullopt;
    // An empty purchase price counts as 0, as an empty number field does.
    const auto cost = trimBlanks(purchasePrice).isEmpty() ? std::optional<double>(0.0) : parseNumber(purchasePrice);
    if (!cost) return std::nullopt;
    const long double lp = *p, lq = *q, lc = *cost;
    return LineValues{formatGeneral(lp * lq), formatGeneral(lq * (lp - lc))};
}

QString lineSizeRefusal(const QString& price, const QString& quantity, double quantityBefore, double amountBefore) {
    const auto p = parseNumber(price);
    const auto q = parseNumber(quantity);
    if (!p || !q) return QString();
    const long double total = static_cast<long double>(*q) + quantityBefore;
    const long double amount = static_cast<long double>(*p) * *q + amountBefore;
    if (std::fabs(*p) <= kLineLimit && std::fabs(total) <= kLineLimit && std::fabs(amount) <= kLineLimit) {
        return QString();
    }
    return QStringLiteral(
               "数量或单价太大：一行的数量、单价和金额都不能超过 1000000000。\n"
               "请检查数量“%1”和单价“%2”（是不是把条码扫进了数量框？）。")
        .arg(quantity, price);
}

namespace {
QLineEdit* field(const QString& name, bool readOnly, QWidget* parent) {
    auto* e = Make::edit(name, parent);
    e->setReadOnly(readOnly);
    if (readOnly) e->setFocusPolicy(Qt::NoFocus);
    return e;
}
}  // namespace

LineEditPanel::LineEditPanel(TMainForm* mainForm, NoteList* noteList)
    : QObject(mainForm), panel(mainForm->linePanel), main_(mainForm), noteList_(noteList) {
    panel->setFont(songtiPixels(14));
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(14, 26, 14, 12);
    grid->setVerticalSpacing(8);
    grid->addWidget(new QLabel(QStringLiteral("销售单价："), panel), 0, 0);
    priceEdit = field(QStringLiteral("PriceEdit"), false, panel);
    grid->addWidget(priceEdit, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("会员价："), panel), 1, 0);
    memberPriceEdit = field(QStringLiteral("MemberPriceEdit"), true, panel);
    grid->addWidget(memberPriceEdit, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral(" 数 量："), panel), 2, 0);
    quantityEdit = field(QStringLiteral("QuantityEdit"), false, panel);
    quantityEdit->setText(QStringLiteral("1"));
    grid->addWidget(quantityEdit, 2, 1);
    auto* arrows = new QWidget(panel);
    auto* arrowColumn = new QVBoxLayout(arrows);
    arrowColumn->setContentsMargins(0, 0, 0, 0);
    arrowColumn->setSpacing(0);
    upButton = new QToolButton(arrows);
    upButton->setObjectName(QStringLiteral("UpButton"));
    upButton->setArrowType(Qt::UpArrow);
    upButton->setFixedSize(18, 12);
    upButton->setFocusPolicy(Qt::NoFocus);
    downButton = new QToolButton(arrows);
    downButton->setObjectName(QStringLiteral("DownButton"));
    downButton->setArrowType(Qt::DownArrow);
    downButton->setFixedSize(18, 12);
    downButton->setFocusPolicy(Qt::NoFocus);
    arrowColumn->addWidget(upButton);
    arrowColumn->addWidget(downButton);
    grid->addWidget(arrows, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("销售合计："), panel), 3, 0);
    amountEdit = field(QStringLiteral("AmountEdit"), true, panel);
    amountEdit->setText(QStringLiteral("0"));
    grid->addWidget(amountEdit, 3, 1, 1, 2);
    applyButton = new QPushButton(QStringLiteral("修 改"), panel);
    applyButton->setObjectName(QStringLiteral("ApplyButton"));
    applyButton->setEnabled(false);
    grid->addWidget(applyButton, 4, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    panel->hide();

    attachKeyFilter(priceEdit, KeyFamily::Numeric, [this] { quantityEdit->setFocus(); });
    attachKeyFilter(
        quantityEdit, KeyFamily::Numeric, [this] { applyButton->setFocus(); }, [this] { leave(); });
    connect(priceEdit, &QLineEdit::textChanged, this, &LineEditPanel::recompute);
    connect(quantityEdit, &QLineEdit::textChanged, this, &LineEditPanel::recompute);
    connect(upButton, &QToolButton::clicked, this, [this] { stepQuantity(1); });
    connect(downButton, &QToolButton::clicked, this, [this] { stepQuantity(-1); });
    connect(applyButton, &QPushButton::clicked, this, onAction(main_, [this] { apply(); }));
    connect(panel, &FloatingPanel::closeClicked, this, &LineEditPanel::close);
    connect(noteList_, &NoteList::rowChangedByClick, this, &LineEditPanel::disableApply);
    // "修 改" writes the line it loaded and no other: once another line is current, by mouse
    // or keyboard, it waits until the panel is opened again.
    connect(&noteList_->query(), &Dataset::currentChanged, this, [this] {
        if (applyButton->isEnabled() && currentLineId() != loadedLineId_) disableApply();
    });
}

QVariant LineEditPanel::currentLineId() const {
    const Dataset& line = noteList_->query();
    return line.isOpen() ? line.value(QStringLiteral("id")) : QVariant();
}

void LineEditPanel::recompute() {
    const QString price = priceEdit->text();
    const QString quantity = quantityEdit->text();
    if (price.isEmpty() || quantity.isEmpty()) return;
    // A text that is no number yet (a lone point) is simply not recomputed.
    if (const auto values = computeLine(price, quantity, QString())) amountEdit->setText(values->amount);
}

bool LineEditPanel::lineComputation() {
    const auto values = computeLine(priceEdit->text(), quantityEdit->text(), staging.purchasePrice);
    if (!values) return false;
    amountEdit->setText(values->amount);
    staging.profit = values->profit;
    return true;
}

void LineEditPanel::stepQuantity(int delta) {
    // The arrows count whole pieces from the quantity shown, within their own range.
    const double shown = parseNumber(quantityEdit->text()).value_or(0);
    const int position = std::clamp(int(std::floor(shown)), 0, 100);
    quantityEdit->setText(QString::number(std::clamp(position + delta, 0, 100)));
}

void LineEditPanel::open(QLineEdit* focus) {
    Dataset& line = noteList_->query();
    if (!line.isOpen() || line.text(QStringLiteral("c")).isEmpty()) return;
    loadedLineId_ = currentLineId();
    applyButton->setEnabled(true);
    panel->show();
    panel->raise();
    priceEdit->setText(line.text(QStringLiteral("4")));
    memberPriceEdit->setText(line.text(QStringLiteral("3")));
    quantityEdit->setText(line.text(QStringLiteral("2")));
    amountEdit->setText(line.text(QStringLiteral("6")));
    staging.purchasePrice = line.text(QStringLiteral("1"));
    focus->setFocus();
    focus->selectAll();
}

void LineEditPanel::openOnQuantity() {
    open(quantityEdit);
}
void LineEditPanel::openOnPrice() {
    open(priceEdit);
}

void LineEditPanel::apply() {
    if (!applyButton->isEnabled() || currentLineId() != loadedLineId_) {
        disableApply();
        return;
    }
    if (!parseNumber(priceEdit->text())) {
        showWarning(QStringLiteral("销售单价“%1”不是有效的数字，请重新输入！").arg(priceEdit->text()), main_);
        priceEdit->setFocus();
        return;
    }
    if (!parseNumber(quantityEdit->text())) {
        showWarning(QStringLiteral("数量“%1”不是有效的数字，请重新输入！").arg(quantityEdit->text()), main_);
        quantityEdit->setFocus();
        return;
    }
    if (const QString refusal = lineSizeRefusal(priceEdit->text(), quantityEdit->text(), 0, 0); !refusal.isEmpty()) {
        showWarning(refusal, main_);
        quantityEdit->setFocus();
        quantityEdit->selectAll();
        return;
    }
    if (!lineComputation()) {
        showWarning(QStringLiteral("这一行的进货单价不是有效的数字，不能修改。"), main_);
        return;
    }
    Dataset& line = noteList_->query();
    const QString member = trimBlanks(memberPriceEdit->text());
    line.edit();
    try {
        line.setValue(QStringLiteral("4"), priceEdit->text());
        line.setValue(QStringLiteral("3"), member.isEmpty() ? QVariant() : QVariant(member));
        line.setValue(QStringLiteral("2"), quantityEdit->text());
        line.setValue(QStringLiteral("6"), amountEdit->text());
        line.setValue(QStringLiteral("7"), staging.profit);
        line.post();
    } catch (...) {
        line.cancel();
        throw;
    }
    noteList_->refresh();
    panel->hide();
    quantityEdit->setText(QStringLiteral("1"));
    emit lineChanged();
    main_->Edit47->setFocus();
}

void LineEditPanel::close() {
    panel->hide();
    priceEdit->clear();
    quantityEdit->setText(QStringLiteral("1"));
    amountEdit->setText(QStringLiteral("0"));
    memberPriceEdit->clear();
    staging.purchasePrice.clear();
    disableApply();
}

void LineEditPanel::leave() {
    panel->hide();
    main_->Edit47->setFocus();
}

void LineEditPanel::disableApply() {
    applyButton->setEnabled(false);
}
