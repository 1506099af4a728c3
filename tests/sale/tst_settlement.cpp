// Settlement: the panel, its checks, the archive and sale row in one go, the serial, printing.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "core/gbk.h"
#include "core/receipt_printer.h"
#include "core/serial.h"
#include "core/settings_stores.h"
#include "core/ui/floating_panel.h"
#include "sale/Unit2.h"
#include "sale/code_entry.h"
#include "sale/receipt_document.h"
#include "sale/settlement.h"
#include "support/counter_fixture.h"
#include "support/loopback_printer.h"
#include "support/test_registry.h"

namespace {
struct SettleFixture : CounterFixture {
    SettleFixture() {
        form2 = new TForm2(main.get());
        counter->setDeliveryNote(form2);
        s = counter->settlement;
        // 25.00 in two lines, profit 5 + 2.5.
        db.addGoods(QStringLiteral("A1"), QStringLiteral("可口可乐"), 5, 4, 4.5);
        db.addGoods(QStringLiteral("B2"), QStringLiteral("洗衣粉"), 15, 12.5, 14);
    }
    void fillNote() {
        scan(QStringLiteral("A1"));
        scan(QStringLiteral("A1"));
        scan(QStringLiteral("B2"));
    }
    void typeCash(const QString& cash) {
        s->Edit5->selectAll();
        QTest::keyClicks(s->Edit5, cash);
    }
    void confirm() { QTest::mouseClick(s->Button17, Qt::LeftButton); }
    QVariant sale(const QString& column) { return db.scalar(QStringLiteral("SELECT [%1] FROM data3").arg(column)); }
    TForm2* form2 = nullptr;
    Settlement* s = nullptr;
};
}  // namespace

class TestSettlement : public QObject {
    Q_OBJECT

private slots:
    void aFullSettlement() {
        SettleFixture f;
        f.fillNote();
        f.scan(QString());  // Enter on the empty field opens the panel
        QVERIFY(f.main->Panel1->isVisible());
        QCOMPARE(f.s->Label18->text(), QStringLiteral("25.00"));
        QCOMPARE(f.s->Label24->text(), QStringLiteral("25.00"));
        QCOMPARE(f.s->Edit5->text(), QStringLiteral("25.00"));
        QVERIFY(f.s->Edit5->hasFocus());
        QCOMPARE(f.s->Edit5->selectedText(), QStringLiteral("25.00"));
        QVERIFY(!f.s->printReceiptBox->isChecked());
        QVERIFY(!f.s->printDeliveryNoteBox->isChecked());
        QTest::keyClicks(f.s->Edit5, QStringLiteral("30"));
        QCOMPARE(f.s->Label20->text(), QStringLiteral("5.00"));  // at once
        // Enter moves to the button, the second Enter settles.
        QTest::keyClick(f.s->Edit5, Qt::Key_Return);
        QVERIFY(f.s->Button17->hasFocus());
        QCOMPARE(f.db.count(QStringLiteral("data3")), 0);
        QTest::keyClick(f.s->Button17, Qt::Key_Return);
        QTRY_COMPARE(f.db.count(QStringLiteral("data3")), 1);
        QCOMPARE(f.sale(QStringLiteral("1")).toDouble(), 25.0);
        QCOMPARE(f.sale(QStringLiteral("2")).toDouble(), 25.0);
        QCOMPARE(f.sale(QStringLiteral("3")).toDouble(), 30.0);
        QCOMPARE(f.sale(QStringLiteral("4")).toDouble(), 5.0);
        QCOMPARE(f.sale(QStringLiteral("5")).toDouble(), 4.5);
        QCOMPARE(f.sale(QStringLiteral("6")).toDouble(), 0.0);
        QCOMPARE(f.sale(QStringLiteral("7")).toDouble(), 0.0);
        QCOMPARE(f.sale(QStringLiteral("a")).toString(), QStringLiteral("CJG121122000002"));
        QCOMPARE(f.sale(QStringLiteral("b")).toString(), kSuperAdministrator);
        QCOMPARE(f.sale(QStringLiteral("day1")).toString(),
                 QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        QCOMPARE(f.db.count(QStringLiteral("data1"), QStringLiteral("h='CJG121122000002'")), 2);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT sum([6]) FROM data1")).toDouble(), 25.0);
        QCOMPARE(f.db.count(QStringLiteral("data")), 0);
        QCOMPARE(f.main->counterText(), QStringLiteral("2"));
        QCOMPARE(f.main->serialText(), makeSerial(kSuperAdministrator, QDate::currentDate(), 2));
        QVERIFY(!f.main->Panel1->isVisible());
        QTRY_VERIFY(f.main->Edit47->hasFocus());
        QCOMPARE(f.s->Edit5->text(), QString());
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:0.00元"));
        QCOMPARE(f.main->Label26->text(), QStringLiteral("商品数量：0"));
        QVERIFY(f.dialogs.printed.isEmpty());
        QVERIFY(f.dialogs.previewed.isEmpty());
        // The next serial is on disk at once.
        IniFile ini(configIniPath(f.db.dir()));
        ini.load();
        QCOMPARE(ini.value(ConfigIni::kCounterSection, ConfigIni::kCounterKey, QString()), QStringLiteral("2"));
        QCOMPARE(ini.value(ConfigIni::kSerialSection, ConfigIni::kSerialKey, QString()),
                 makeSerial(kSuperAdministrator, QDate::currentDate(), 2).trimmed());
        // New lines carry the new serial.
        f.scan(QStringLiteral("A1"));
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT h FROM data")).toString(), f.main->serialText().trimmed());
    }

    void refusalsWriteNothing() {
        SettleFixture f;
        f.s->open();  // from the toolbar on an empty note
        QCOMPARE(f.s->Label18->text(), QStringLiteral("0.00"));
        f.confirm();
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("请先进行商品销售！"));
        QVERIFY(!f.main->Panel1->isVisible());
        f.fillNote();
        f.s->open();
        f.typeCash(QStringLiteral("20"));
        QCOMPARE(f.s->Label20->text(), QStringLiteral("-5.00"));
        f.confirm();
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("现金金额不足！"));
        QVERIFY(f.main->Panel1->isVisible());
        QVERIFY(f.s->Edit5->hasFocus());
        f.s->Edit5->clear();
        f.confirm();
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("请输入现金金额！"));
        QCOMPARE(f.db.count(QStringLiteral("data3")), 0);
        QCOMPARE(f.db.count(QStringLiteral("data1")), 0);
        QCOMPARE(f.db.count(QStringLiteral("data")), 2);
        QCOMPARE(f.main->counterText(), QStringLiteral("1"));
        QVERIFY(!QFile::exists(configIniPath(f.db.dir())));
    }

    void cashThatIsNoNumber() {
        SettleFixture f;
        f.fillNote();
        f.s->open();
        f.typeCash(QStringLiteral("30"));
        QCOMPARE(f.s->Label20->text(), QStringLiteral("5.00"));
        QTest::keyClicks(f.s->Edit5, QStringLiteral(".."));
        QCOMPARE(f.s->Label20->text(), QStringLiteral("5.00"));  // left as it was, no message
        // The 200 ms timer recomputes the change as typing does: still no box, the change kept.
        f.s->recomputeChange();
        f.s->recomputeChange();
        QCOMPARE(f.s->Label20->text(), QStringLiteral("5.00"));
        QVERIFY(f.dialogs.boxes.isEmpty());
        f.confirm();
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("30..")));
        QCOMPARE(f.db.count(QStringLiteral("data3")), 0);
    }

    void amountOwedAndCounterAreCheckedFirst() {
        SettleFixture f;
        f.fillNote();
        f.s->open();
        f.typeCash(QStringLiteral("30"));
        f.s->owedEdit->setText(QStringLiteral("五块"));
        f.confirm();
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("欠款金额")));
        QCOMPARE(f.main->Panel1->width(), Settlement::kWideWidth);  // shown, to be corrected
        QCOMPARE(f.db.count(QStringLiteral("data3")), 0);
        f.s->owedEdit->setText(QStringLiteral("12.5"));
        f.main->setCounterText(QStringLiteral("1x"));
        f.confirm();
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("不是整数")));
        QCOMPARE(f.db.count(QStringLiteral("data3")), 0);
        QCOMPARE(f.db.count(QStringLiteral("data1")), 0);
        f.main->setCounterText(QStringLiteral("41"));
        f.confirm();
        QCOMPARE(f.sale(QStringLiteral("7")).toDouble(), 12.5);
        QCOMPARE(f.main->counterText(), QStringLiteral("42"));
        QVERIFY(f.main->serialText().endsWith(QStringLiteral("000042 ")));
    }

    void zeroPricedNotesOnlyClose() {
        SettleFixture f;
        f.db.addGoods(QStringLiteral("Z0"), QStringLiteral("赠品"), 0, 0.3, 0);
        f.scan(QStringLiteral("Z0"));
        f.s->open();
        f.confirm();
        QVERIFY(!f.main->Panel1->isVisible());
        QVERIFY(f.dialogs.boxes.isEmpty());
        QCOMPARE(f.db.count(QStringLiteral("data3")), 0);
        QCOMPARE(f.db.count(QStringLiteral("data")), 1);
    }

    void customerFieldsStayForTheNextSale() {
        SettleFixture f;
        f.s->toggleWidth();
        QCOMPARE(f.main->Panel1->width(), Settlement::kWideWidth);
        f.s->customerNameEdit->setText(QStringLiteral("城东小学食堂"));
        f.s->phoneEdit->setText(QStringLiteral(" 0571-1234567 "));
        for (int sale = 0; sale < 2; ++sale) {
            f.fillNote();
            f.s->open();
            f.confirm();
        }
        QCOMPARE(f.db.count(QStringLiteral("data3"), QStringLiteral("h='城东小学食堂' AND k='0571-1234567'")), 2);
        QCOMPARE(f.s->customerNameEdit->text(), QStringLiteral("城东小学食堂"));
        f.s->toggleWidth();
        QCOMPARE(f.main->Panel1->width(), Settlement::kNarrowWidth);
        QCOMPARE(f.db.count(QStringLiteral("data3"), QStringLiteral("a=(SELECT h FROM data1 LIMIT 1)")), 1);
    }

    void receiptAndDeliveryNote() {
        SettleFixture f;
        f.fillNote();
        QList<ReceiptLine> printed;
        int previewPages = 0;
        f.dialogs.onDocument = [&](const PrintDocument& d) {
            if (auto* r = dynamic_cast<const ReceiptDocument*>(&d)) {
                printed = r->lines();
                QCOMPARE(f.db.count(QStringLiteral("data3")), 1);  // printed after the sale is stored
            } else {
                previewPages = d.pageCount();
            }
        };
        f.s->printReceiptBox->setChecked(true);
        f.s->printDeliveryNoteBox->setChecked(true);
        f.s->open();
        f.typeCash(QStringLiteral("50"));
        f.confirm();
        QCOMPARE(f.dialogs.printed, QStringList{QStringLiteral("POS小票")});
        QCOMPARE(f.dialogs.previewed, QStringList{QStringLiteral("送货单")});
        QCOMPARE(f.dialogs.lastPreviewSize, QSize(1024, 800));
        QCOMPARE(previewPages, 1);
        QCOMPARE(printed.size(), 18);
        QCOMPARE(printed[2].text, QStringLiteral("销售单号：CJG121122000002"));  // the label as shown
        QCOMPARE(printed[7].y, 210);
        QVERIFY(printed[7].text.startsWith(QStringLiteral("可口可乐")));
        QVERIFY(printed[7].text.endsWith(QStringLiteral(" 2      10")));
        QCOMPARE(printed[8].y, 240);
        QCOMPARE(printed[10].text, QStringLiteral("总计:25.00元  实收:25.00元"));
        QCOMPARE(printed[11].text, QStringLiteral("现金:50.00元  找零:25.00元"));
        QCOMPARE(printed.last().y, 510);
        QCOMPARE(f.db.count(QStringLiteral("data")), 0);
    }

    void aFailingPrinterLosesNothing() {
        SettleFixture f;
        f.fillNote();
        f.dialogs.printSucceeds = false;
        f.s->printReceiptBox->setChecked(true);
        f.s->open();
        f.confirm();
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("打印失败")));
        QCOMPARE(f.db.count(QStringLiteral("data3")), 1);
        QCOMPARE(f.db.count(QStringLiteral("data")), 0);
        QCOMPARE(f.main->counterText(), QStringLiteral("2"));
        // The same lines can never be settled twice.
        f.s->open();
        f.confirm();
        QCOMPARE(f.db.count(QStringLiteral("data3")), 1);
        QCOMPARE(f.db.count(QStringLiteral("data1")), 2);
    }

    // Receipts sent to the shop's receipt printer: the sale's lines arrive there; a printer that
    // is not there is named within the time limit and the sale stays stored.
    void receiptsGoToTheReceiptPrinter() {
        SettleFixture f;
        ReceiptPrinterSettings settings;
        settings.mode = ReceiptPrinterSettings::Mode::Network;
        settings.host = QStringLiteral("127.0.0.1");
        {
            LoopbackPrinter printer;
            settings.port = printer.port();
            settings.save();
            f.fillNote();
            f.s->printReceiptBox->setChecked(true);
            f.s->open();
            f.confirm();
            const QByteArray received = printer.received();
            QVERIFY(received.startsWith(EscPos::kPaperStatus + EscPos::kInitialise));
            QVERIFY(received.contains(toGbk(QStringLiteral("可口可乐"))));
            QVERIFY(received.endsWith(EscPos::kFeed + EscPos::kPartialCut));
            QCOMPARE(f.dialogs.printed, QStringList{});
            QCOMPARE(f.dialogs.texts(), QStringList{});
        }
        settings.port = LoopbackPrinter::closedPort();
        settings.save();
        f.fillNote();
        f.s->open();
        QElapsedTimer t;
        t.start();
        f.confirm();
        QVERIFY(t.elapsed() < kReceiptPrinterTimeoutMs + 500);
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("这笔销售已经保存")));
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("127.0.0.1")));
        QCOMPARE(f.db.count(QStringLiteral("data3")), 2);
        QCOMPARE(f.db.count(QStringLiteral("data")), 0);
    }

    void aDatabaseFailureWritesNothingAtAll() {
        SettleFixture f;
        f.fillNote();
        // The sale row cannot be written: the lines must not reach the history either.
        f.db.exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON data3 BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        f.s->open();
        f.confirm();
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("disk full")));
        QCOMPARE(f.db.count(QStringLiteral("data1")), 0);
        QCOMPARE(f.db.count(QStringLiteral("data")), 2);
        QCOMPARE(f.main->counterText(), QStringLiteral("1"));
        QCOMPARE(f.main->serialText(), QStringLiteral("CJG121122000002"));
        f.db.exec(QStringLiteral("DROP TRIGGER refuse"));
        f.s->open();
        f.confirm();
        QCOMPARE(f.db.count(QStringLiteral("data3"), QStringLiteral("a='CJG121122000002'")), 1);
        QCOMPARE(f.db.count(QStringLiteral("data1"), QStringLiteral("h='CJG121122000002'")), 2);
    }

    void cancelAndClose() {
        SettleFixture f;
        f.fillNote();
        f.counter->linePanel->openOnQuantity();
        f.s->open();
        QTest::mouseClick(f.s->Button18, Qt::LeftButton);
        QVERIFY(!f.main->Panel1->isVisible());
        QVERIFY(!f.counter->linePanel->applyButton->isEnabled());
        f.main->ToolButton7->click();
        QVERIFY(f.main->Panel1->isVisible());
        QTest::mouseClick(f.main->Panel1->closeImage(), Qt::LeftButton);
        QVERIFY(!f.main->Panel1->isVisible());
        // Scanning while the panel is open hides it.
        f.s->open();
        f.scan(QStringLiteral("A1"));
        QVERIFY(!f.main->Panel1->isVisible());
    }

    void deliveryNoteFromTheToolbar() {
        SettleFixture f;
        f.fillNote();
        QString serialOnTheNote;
        f.dialogs.onDocument = [&](const PrintDocument& d) { serialOnTheNote = d.title(); };
        f.main->ToolButton2->click();
        QCOMPARE(f.dialogs.previewed, QStringList{QStringLiteral("送货单")});
        const DeliveryNoteInput in = f.s->deliveryNoteInput();
        QCOMPARE(in.serial, f.main->serialText());  // the serial this note will be settled under
        QCOMPARE(in.lines.size(), 2);
        QCOMPARE(in.amountText, QStringLiteral("25.00"));
        QCOMPARE(f.db.count(QStringLiteral("data")), 2);  // nothing settled
        // A negative total is reported by its first character's code, then shown anyway.
        f.db.exec(QStringLiteral("UPDATE data SET [6]=-30 WHERE c='B2'"));
        f.counter->noteList->refresh();
        f.main->ToolButton2->click();
        QCOMPARE(f.dialogs.texts().mid(f.dialogs.texts().size() - 2),
                 (QStringList{QStringLiteral("45"), QStringLiteral("读取错误，应为数字")}));
        QCOMPARE(f.dialogs.previewed.size(), 2);
    }
};

ZENLO_TEST(TestSettlement)
#include "tst_settlement.moc"
