// TReceiptPrinterForm: the receipt printer setting.
#include "sale/receipt_printer_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "sale/receipt_document.h"

namespace {

// The short receipt of "测试打印" on the system printer: the same texts as the receipt printer's.
ReceiptDocument systemTestPage(const QDateTime& when) {
    ReceiptInput in;
    in.serial = QStringLiteral("测试");
    in.cashier = QStringLiteral("测试");
    in.noteDate = when.date().toString(Qt::ISODate);
    in.time = when.time().toString(QStringLiteral("hh:mm:ss"));
    in.goods = {{QStringLiteral("可口可乐"), 1, 3}, {QStringLiteral("啤酒"), 2, 10}};
    in.total = in.received = QStringLiteral("13.00");
    in.cash = 13;
    return ReceiptDocument(receiptLayout(in));
}

}  // namespace

TReceiptPrinterForm::TReceiptPrinterForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ReceiptPrinterForm"));
    setWindowTitle(QStringLiteral("小票打印机设置"));
    setFont(songtiPixels(14));

    auto* form = new QFormLayout;
    modeBox = new QComboBox(this);
    modeBox->setObjectName(QStringLiteral("modeBox"));
    modeBox->addItems({QStringLiteral("系统打印机"), QStringLiteral("网络打印机"), QStringLiteral("USB/串口打印机")});
    form->addRow(QStringLiteral("打印方式："), modeBox);
    hostEdit = new QLineEdit(this);
    hostEdit->setObjectName(QStringLiteral("hostEdit"));
    hostEdit->setPlaceholderText(QStringLiteral("例如 192.168.1.100"));
    form->addRow(QStringLiteral("打印机地址："), hostEdit);
    portEdit = new QLineEdit(this);
    portEdit->setObjectName(QStringLiteral("portEdit"));
    portEdit->setValidator(new QIntValidator(1, 65535, portEdit));
    form->addRow(QStringLiteral("端口："), portEdit);
    deviceEdit = new QLineEdit(this);
    deviceEdit->setObjectName(QStringLiteral("deviceEdit"));
    deviceEdit->setPlaceholderText(QStringLiteral("例如 /dev/usb/lp0"));
    form->addRow(QStringLiteral("设备："), deviceEdit);
    paperBox = new QComboBox(this);
    paperBox->setObjectName(QStringLiteral("paperBox"));
    paperBox->addItems({QStringLiteral("80 mm"), QStringLiteral("58 mm")});
    form->addRow(QStringLiteral("纸宽："), paperBox);
    cutBox = new QCheckBox(QStringLiteral("打印后切纸"), this);
    cutBox->setObjectName(QStringLiteral("cutBox"));
    drawerBox = new QCheckBox(QStringLiteral("打印后开钱箱"), this);
    drawerBox->setObjectName(QStringLiteral("drawerBox"));
    form->addRow(QString(), cutBox);
    form->addRow(QString(), drawerBox);
    auto* hint = new QLabel(QStringLiteral("网络打印机和USB/串口打印机直接接收ESC/POS指令，用打印机自带的中文字库打印，"
                                           "可以切纸、开钱箱。"),
                            this);
    hint->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    testButton = new QPushButton(QStringLiteral("测试打印"), this);
    testButton->setObjectName(QStringLiteral("testButton"));
    okButton = new QPushButton(QStringLiteral("确 定"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    cancelButton = new QPushButton(QStringLiteral("取 消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    buttons->addWidget(testButton);
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(20, 16, 20, 14);
    box->addLayout(form);
    box->addWidget(hint);
    box->addLayout(buttons);
    setFixedWidth(420);

    connect(modeBox, &QComboBox::currentIndexChanged, this, [this] { enableFields(); });
    connect(testButton, &QPushButton::clicked, this, onAction(this, [this] { testPrint(); }));
    connect(okButton, &QPushButton::clicked, this, onAction(this, [this] { saveAndClose(); }));
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TReceiptPrinterForm::showEvent(QShowEvent* event) {
    showSettings(ReceiptPrinterSettings::load());
    QDialog::showEvent(event);
}

void TReceiptPrinterForm::enableFields() {
    const auto mode = ReceiptPrinterSettings::Mode(modeBox->currentIndex());
    const bool escPos = mode != ReceiptPrinterSettings::Mode::System;
    hostEdit->setEnabled(mode == ReceiptPrinterSettings::Mode::Network);
    portEdit->setEnabled(mode == ReceiptPrinterSettings::Mode::Network);
    deviceEdit->setEnabled(mode == ReceiptPrinterSettings::Mode::Device);
    paperBox->setEnabled(escPos);
    cutBox->setEnabled(escPos);
    drawerBox->setEnabled(escPos);
}

ReceiptPrinterSettings TReceiptPrinterForm::settings() const {
    ReceiptPrinterSettings s;
    s.mode = ReceiptPrinterSettings::Mode(modeBox->currentIndex());
    s.host = hostEdit->text().trimmed();
    bool ok = false;
    const int port = portEdit->text().toInt(&ok);
    s.port = ok ? port : 0;
    s.device = deviceEdit->text().trimmed();
    s.options.paperMm = paperBox->currentIndex() == 1 ? 58 : 80;
    s.options.cut = cutBox->isChecked();
    s.options.drawer = drawerBox->isChecked();
    return s;
}

void TReceiptPrinterForm::showSettings(const ReceiptPrinterSettings& s) {
    modeBox->setCurrentIndex(int(s.mode));
    hostEdit->setText(s.host);
    portEdit->setText(QString::number(s.port));
    deviceEdit->setText(s.device);
    paperBox->setCurrentIndex(s.options.paperMm == 58 ? 1 : 0);
    cutBox->setChecked(s.options.cut);
    drawerBox->setChecked(s.options.drawer);
    enableFields();
}

void TReceiptPrinterForm::testPrint() {
    const ReceiptPrinterSettings s = settings();
    const QDateTime now = QDateTime::currentDateTime();
    QString error;
    const bool ok = s.mode == ReceiptPrinterSettings::Mode::System
                        ? Dialogs::current().print(systemTestPage(now), &error)
                        : sendToReceiptPrinter(s, escPosTestPage(s.options, now), &error);
    if (ok) {
        showInfo(QStringLiteral("测试小票已发送到打印机。"), this);
    } else {
        showError(QStringLiteral("测试打印失败：") + error, this);
    }
}

void TReceiptPrinterForm::saveAndClose() {
    const ReceiptPrinterSettings s = settings();
    if (const QString problem = s.problem(); !problem.isEmpty()) {
        showWarning(problem, this);
        return;
    }
    s.save();
    accept();
}
