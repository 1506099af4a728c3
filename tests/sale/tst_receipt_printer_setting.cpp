// "小票打印机设置": the fields show what is stored, "确 定" refuses what cannot work and stores
// the rest, and "测试打印" reaches the printer the fields name.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "core/gbk.h"
#include "core/settings_stores.h"
#include "sale/receipt_printer_window.h"
#include "support/loopback_printer.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

class TestReceiptPrinterSetting : public QObject {
    Q_OBJECT

private slots:
    void storedShownRefusedAndTested() {
        TempDatabase sandbox;  // the per-user settings live in its directory
        RecordingDialogs dialogs;
        TReceiptPrinterForm form;
        form.show();
        // Nothing stored: the system printer, 80 mm, cutting on, the drawer off, port 9100.
        QCOMPARE(form.modeBox->currentText(), QStringLiteral("系统打印机"));
        QVERIFY(!form.hostEdit->isEnabled());
        QCOMPARE(form.portEdit->text(), QStringLiteral("9100"));
        QVERIFY(form.cutBox->isChecked());
        QVERIFY(!form.drawerBox->isChecked());

        // A network printer without its address is refused and nothing is stored.
        form.modeBox->setCurrentIndex(1);
        QVERIFY(form.hostEdit->isEnabled());
        QVERIFY(!form.deviceEdit->isEnabled());
        QTest::mouseClick(form.okButton, Qt::LeftButton);
        QVERIFY(dialogs.lastText().contains(QStringLiteral("地址")));
        QVERIFY(!UserKey::pos().value(ReceiptPrinterKeys::kMode));

        // The test print goes where the fields say, before anything is stored.
        LoopbackPrinter printer;
        form.hostEdit->setText(QStringLiteral("127.0.0.1"));
        form.portEdit->setText(QString::number(printer.port()));
        form.paperBox->setCurrentIndex(1);
        form.drawerBox->setChecked(true);
        QTest::mouseClick(form.testButton, Qt::LeftButton);
        const QByteArray received = printer.received();
        QVERIFY(received.contains(toGbk(QStringLiteral("小票打印机测试"))));
        QVERIFY(received.contains(QByteArray(32, '-') + '\n'));  // 58 mm rules
        QVERIFY(received.endsWith(EscPos::kPartialCut + EscPos::kDrawerPulse));
        QVERIFY(dialogs.lastText().contains(QStringLiteral("已发送")));

        QTest::mouseClick(form.okButton, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        const ReceiptPrinterSettings stored = ReceiptPrinterSettings::load();
        QCOMPARE(int(stored.mode), int(ReceiptPrinterSettings::Mode::Network));
        QCOMPARE(stored.host, QStringLiteral("127.0.0.1"));
        QCOMPARE(stored.port, int(printer.port()));
        QCOMPARE(stored.options.paperMm, 58);
        QVERIFY(stored.options.cut && stored.options.drawer);

        // Opened again, it shows what was stored.
        TReceiptPrinterForm again;
        again.show();
        QCOMPARE(again.modeBox->currentText(), QStringLiteral("网络打印机"));
        QCOMPARE(again.paperBox->currentText(), QStringLiteral("58 mm"));
        QVERIFY(again.drawerBox->isChecked());
    }
};

ZENLO_TEST(TestReceiptPrinterSetting)

#include "tst_receipt_printer_setting.moc"
