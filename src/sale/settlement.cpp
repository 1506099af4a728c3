// Settlement: the panel that takes the cash, shows the change, and settles the note.
#include "sale/settlement.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTime>

#include "core/connection.h"
#include "core/dm.h"
#include "core/formats.h"
#include "core/jet_dialect.h"
#include "core/receipt_layout.h"
#include "core/serial.h"
#include "core/session.h"
#include "core/settlement_steps.h"
#include "core/shared_queries.h"
#include "core/ui/MAIN.h"
#include "core/ui/dialogs.h"
#include "core/ui/fit_label.h"
#include "core/ui/floating_panel.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/key_filters.h"
#include "core/ui/pictures.h"
#include "core/ui/widget_makers.h"
#include "note/line_edit_panel.h"
#include "note/note_list.h"
#include "sale/Unit2.h"
#include "sale/note_editing.h"
#include "sale/receipt_document.h"

namespace {

QLabel* bigLabel(const QString& name, const QColor& colour, QWidget* parent) {
    auto* l = new FitLabel(QString(), parent);
    l->setObjectName(name);
    l->setFont(songtiPixels(48, true));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    return l;
}

using Make::edit;

}  // namespace

Settlement::Settlement(TMainForm* mainForm, Tdmfm& dm, NoteList* noteList, NoteEditing* editing,
                       LineEditPanel* linePanel)
    : QObject(mainForm), main_(mainForm), dm_(dm), noteList_(noteList), editing_(editing), linePanel_(linePanel) {
    FloatingPanel* panel = main_->Panel1;
    panel->setFont(songtiPixels(16, true));
    panel->resize(kNarrowWidth, 383);

    auto* narrow = new QWidget(panel);
    narrow->setObjectName(QStringLiteral("NarrowPart"));
    narrow->setGeometry(0, 0, kNarrowWidth, 383);
    auto* grid = new QGridLayout(narrow);
    grid->setContentsMargins(18, 24, 18, 12);
    grid->setVerticalSpacing(4);
    auto caption = [narrow](const QString& text) {
        auto* l = new QLabel(text, narrow);
        l->setFont(songtiPixels(24, true));
        return l;
    };
    grid->addWidget(caption(QStringLiteral("共 计：")), 0, 0);
    Label18 = bigLabel(QStringLiteral("Label18"), Qt::black, narrow);
    grid->addWidget(Label18, 0, 1, 1, 3);
    grid->addWidget(caption(QStringLiteral("实 收：")), 1, 0);
    Label24 = bigLabel(QStringLiteral("Label24"), Qt::black, narrow);
    grid->addWidget(Label24, 1, 1, 1, 3);
    grid->addWidget(caption(QStringLiteral("现 金：")), 2, 0);
    Edit5 = new QLineEdit(narrow);
    Edit5->setObjectName(QStringLiteral("Edit5"));
    Edit5->setFont(songtiPixels(48, true));
    grid->addWidget(Edit5, 2, 1, 1, 3);
    grid->addWidget(caption(QStringLiteral("找 零：")), 3, 0);
    Label20 = bigLabel(QStringLiteral("Label20"), Qt::red, narrow);
    Label20->setText(QStringLiteral("0.00"));
    grid->addWidget(Label20, 3, 1, 1, 3);
    printReceiptBox = new QCheckBox(QStringLiteral("打印POS小票"), narrow);
    printReceiptBox->setObjectName(QStringLiteral("CheckBox1"));
    printDeliveryNoteBox = new QCheckBox(QStringLiteral("打印送货单"), narrow);
    printDeliveryNoteBox->setObjectName(QStringLiteral("CheckBox2"));
    grid->addWidget(printReceiptBox, 4, 0, 1, 2);
    grid->addWidget(printDeliveryNoteBox, 4, 2, 1, 2);
    BitBtn1 = new QPushButton(QStringLiteral(">>>"), narrow);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    Button17 = new QPushButton(QStringLiteral("确 定[Enter]"), narrow);
    Button17->setObjectName(QStringLiteral("Button17"));
    Button18 = new QPushButton(QStringLiteral("取 消"), narrow);
    Button18->setObjectName(QStringLiteral("Button18"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addStretch(1);
    buttons->addWidget(Button17);
    buttons->addWidget(Button18);
    grid->addLayout(buttons, 5, 0, 1, 4);
    grid->setColumnStretch(1, 1);

    auto* wide = new QWidget(panel);
    wide->setObjectName(QStringLiteral("WidePart"));
    wide->setGeometry(kNarrowWidth, 0, kWideWidth - kNarrowWidth, 383);
    auto* w = new QGridLayout(wide);
    w->setContentsMargins(8, 28, 18, 12);
    auto* owedCaption = new QLabel(QStringLiteral("欠款金额："), wide);
    owedCaption->setStyleSheet(QStringLiteral("color: red;"));
    w->addWidget(owedCaption, 0, 0);
    owedEdit = edit(QStringLiteral("OwedEdit"), wide);
    owedEdit->setText(QStringLiteral("0"));
    w->addWidget(owedEdit, 0, 1);
    const std::pair<const char*, QLineEdit**> customer[] = {{"客户名称：", &customerNameEdit},
                                                            {"客户地址：", &customerAddressEdit},
                                                            {"联系人：", &contactEdit},
                                                            {"联系电话：", &phoneEdit}};
    const char* names[] = {"CustomerNameEdit", "CustomerAddressEdit", "ContactEdit", "PhoneEdit"};
    int row = 1;
    for (const auto& [text, edit] : customer) {
        w->addWidget(new QLabel(QString::fromUtf8(text), wide), row, 0);
        *edit = Make::edit(QString::fromLatin1(names[row - 1]), wide);
        w->addWidget(*edit, row, 1);
        ++row;
    }
    auto* picture = new QLabel(wide);
    picture->setPixmap(glyphTile(QStringLiteral("¥"), QColor(0x2e, 0x9d, 0x4f), 120));
    picture->setFixedSize(120, 120);
    w->addWidget(picture, row, 0, 1, 2, Qt::AlignCenter);
    panel->closeImage()->raise();

    for (QPushButton* b : {BitBtn1, Button17, Button18}) b->setAutoDefault(false);
    attachKeyFilter(Edit5, KeyFamily::Numeric, [this] { Button17->setFocus(); });
    connect(Edit5, &QLineEdit::textChanged, this, &Settlement::recomputeChange);
    connect(main_->Timer3, &QTimer::timeout, this, &Settlement::recomputeChange);
    connect(Button17, &QPushButton::clicked, this, onAction(main_, [this] { settle(); }));
    connect(Button18, &QPushButton::clicked, this, &Settlement::cancel);
    connect(BitBtn1, &QPushButton::clicked, this, &Settlement::toggleWidth);
    connect(panel, &FloatingPanel::closeClicked, this, &Settlement::close);
}

void Settlement::open() {
    main_->Panel1->show();
    main_->Panel1->raise();
    fetchAmounts();
    Edit5->setFocus();
    Edit5->selectAll();
}

void Settlement::fetchAmounts() {
    Label18->setText(noteList_->amountFooter());
    Label24->setText(Label18->text());
    Edit5->setText(Label18->text());
}

void Settlement::recomputeChange() {
    if (Edit5->text().isEmpty()) return;
    const auto cash = parseNumber(Edit5->text());
    const auto received = parseNumber(Label24->text());
    // A cash text that is no number yet leaves the change as it was, without a word.
    if (!cash || !received) return;
    Label20->setText(formatFixed2(*cash - *received));
}

bool Settlement::refuse(const QString& message, QWidget* focus) {
    showWarning(message, main_);
    if (focus) {
        focus->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(focus)) edit->selectAll();
    }
    return false;
}

DeliveryNoteInput Settlement::deliveryNoteInput() const {
    DeliveryNoteInput in;
    in.serial = main_->serialText();
    in.operatorName = Session::operatorName();
    in.amountText = noteList_->amountFooter();
    in.today = QDate::currentDate();
    in.customerName = trimBlanks(customerNameEdit->text());
    in.customerAddress = trimBlanks(customerAddressEdit->text());
    in.contact = trimBlanks(contactEdit->text());
    in.phone = trimBlanks(phoneEdit->text());
    Dataset& q = noteList_->query();
    if (q.isOpen()) {
        const int a = q.fieldIndex(QStringLiteral("a")), b = q.fieldIndex(QStringLiteral("b")),
                  z = q.fieldIndex(QStringLiteral("z")), qty = q.fieldIndex(QStringLiteral("2")),
                  price = q.fieldIndex(QStringLiteral("4")), amount = q.fieldIndex(QStringLiteral("6"));
        for (int row = 0; row < q.recordCount(); ++row) {
            in.lines.append({q.textAt(row, a), q.textAt(row, b), q.textAt(row, z), q.valueAt(row, qty).toDouble(),
                             q.valueAt(row, price).toDouble(), q.valueAt(row, amount).toDouble()});
        }
    }
    return in;
}

void Settlement::showDeliveryNote() {
    if (deliveryNote_) deliveryNote_->showDeliveryNote(main_, deliveryNoteInput());
}

void Settlement::printReceipt(const QString& serialShown, double cash, double change) {
    ReceiptInput in;
    in.serial = serialShown;
    in.cashier = Session::operatorName();
    in.noteDate = main_->noteDateText();
    in.time = formatTime(QTime::currentTime());
    in.total = Label18->text();
    in.received = Label24->text();
    in.cash = cash;
    in.change = change;
    Dataset& q = noteList_->query();
    const int a = q.fieldIndex(QStringLiteral("a")), qty = q.fieldIndex(QStringLiteral("2")),
              amount = q.fieldIndex(QStringLiteral("6"));
    for (int row = 0; row < q.recordCount(); ++row) {
        in.goods.append({q.textAt(row, a), q.valueAt(row, qty).toDouble(), q.valueAt(row, amount).toDouble()});
    }
    QString error;
    if (!::printReceipt(in, &error)) {
        showError(QStringLiteral("POS小票打印失败：") + error + QStringLiteral("\n这笔销售已经保存。"), main_);
    }
}

SettlementInput Settlement::settlementInput() {
    recomputeChange();
    SettlementInput in;
    in.noteLines = noteList_->rowCount();
    in.total = Label18->text();
    in.received = Label24->text();
    in.cash = Edit5->text();
    in.change = Label20->text();
    in.profit = noteList_->profitFooter();
    in.owed = owedEdit->text();
    in.customerName = customerNameEdit->text();
    in.customerAddress = customerAddressEdit->text();
    in.contact = contactEdit->text();
    in.phone = phoneEdit->text();
    in.serialShown = main_->serialText();
    in.counter = main_->counterText();
    in.noteDate = main_->noteDate();
    in.today = QDate::currentDate();
    in.operatorName = Session::operatorName();
    return in;
}

void Settlement::settle() {
    const SettlementInput in = settlementInput();
    const SettlementRefusal refusal = checkSettlement(in);
    switch (refusal.action) {
        case SettlementRefusal::Action::None:
            break;
        case SettlementRefusal::Action::Close:
        case SettlementRefusal::Action::CloseQuiet:
            main_->Panel1->hide();
            if (!refusal.message.isEmpty()) showInfo(refusal.message, main_);
            main_->Edit47->setFocus();
            return;
        case SettlementRefusal::Action::FixOwed:
            if (main_->Panel1->width() != kWideWidth) toggleWidth();
            refuse(refusal.message, owedEdit);
            return;
        case SettlementRefusal::Action::FixCash:
            refuse(refusal.message, Edit5);
            return;
    }

    // The lines of this sale for the printouts, as they are now.
    OpenQuery(noteList_->query(), NoteList::kListSql);
    const DeliveryNoteInput note = deliveryNoteInput();

    const StoredSale stored = storeSale(dm_, main_->config(), in);
    if (!stored.serialSaved) {
        showError(QStringLiteral("无法保存下一个流水号到 %1，请检查这个文件所在的文件夹是否可以写入。")
                      .arg(main_->config().path()),
                  main_);
    }
    if (stored.serialMoved) {
        showInfo(serialMovedText(trimBlanks(in.serialShown), stored.serial, SerialMoment::Settlement), main_);
    }
    main_->setCounterText(stored.nextCounter);
    main_->setSerialText(stored.nextSerial);
    emit settled(stored.serial);

    // The sale is stored: a printer that fails now loses nothing.
    if (printReceiptBox->isChecked()) printReceipt(stored.serialShown, *parseNumber(in.cash), *parseNumber(in.change));
    if (printDeliveryNoteBox->isChecked() && deliveryNote_) {
        DeliveryNoteInput printed = note;
        printed.serial = stored.serialShown;
        deliveryNote_->showDeliveryNote(main_, printed);
    }
    editing_->afterNoteEmptied();
    main_->Edit47->setFocus();
    Edit5->clear();
}

void Settlement::cancel() {
    main_->Panel1->hide();
    linePanel_->disableApply();
}

void Settlement::close() {
    main_->Panel1->hide();
}

void Settlement::toggleWidth() {
    FloatingPanel* panel = main_->Panel1;
    panel->resize(panel->width() == kWideWidth ? kNarrowWidth : kWideWidth, panel->height());
}
