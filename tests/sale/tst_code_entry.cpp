// Code entry: scanning goods into the note, merging repeated codes, and the key rule.
#include <QLabel>
#include <QPushButton>

#include "core/ui/floating_panel.h"
#include "sale/code_entry.h"
#include "support/counter_fixture.h"
#include "support/test_registry.h"

class TestCodeEntry : public QObject {
    Q_OBJECT

private slots:
    void scanAddsALineFromTheCatalogue() {
        CounterFixture f;
        f.db.addGoods(QStringLiteral("6901"), QStringLiteral("可口可乐"), 3, 2.1, 2.7, QStringLiteral("罐"));
        f.scan(QStringLiteral("6901"));
        QCOMPARE(f.db.count(QStringLiteral("data")), 1);
        auto col = [&](const char* c) {
            return f.db.scalar(QStringLiteral("SELECT [%1] FROM data").arg(QLatin1String(c)));
        };
        QCOMPARE(col("a").toString(), QStringLiteral("可口可乐"));
        QCOMPARE(col("c").toString(), QStringLiteral("6901"));
        QCOMPARE(col("d").toString(), QStringLiteral("测试"));
        QCOMPARE(col("g").toString(), QStringLiteral("测试供货商"));
        QCOMPARE(col("z").toString(), QStringLiteral("罐"));
        QCOMPARE(col("h").toString(), QStringLiteral("CJG121122000002"));
        QCOMPARE(col("i").toString(), kSuperAdministrator);
        QCOMPARE(col("1").toDouble(), 2.1);
        QCOMPARE(col("2").toDouble(), 1.0);
        QCOMPARE(col("3").toDouble(), 2.7);
        QCOMPARE(col("4").toDouble(), 3.0);
        QCOMPARE(col("5").toDouble(), 0.0);
        QCOMPARE(col("6").toDouble(), 3.0);
        QCOMPARE(col("7").toDouble(), 0.9);
        QCOMPARE(col("day1").toString(), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
        QCOMPARE(f.main->Edit47->text(), QString());
        QVERIFY(f.main->Edit47->hasFocus());
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:3.00元"));
        QCOMPARE(f.main->Label26->text(), QStringLiteral("商品数量：1"));
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void scanningTwiceMerges() {
        CounterFixture f;
        f.db.addGoods(QStringLiteral("6901"), QStringLiteral("可口可乐"), 3, 2.1, 2.7);
        f.scan(QStringLiteral("6901"));
        f.scan(QStringLiteral("6901"));
        QCOMPARE(f.db.count(QStringLiteral("data")), 1);
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("6901")), 2.0);
        QCOMPARE(f.number(QStringLiteral("6"), QStringLiteral("6901")), 6.0);
        QCOMPARE(f.number(QStringLiteral("7"), QStringLiteral("6901")), 1.8);
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:6.00元"));
        QCOMPARE(f.main->Label26->text(), QStringLiteral("商品数量：2"));
    }

    void aPriceChangeBetweenScansKeepsTheFirstUnitPrice() {
        CounterFixture f;
        f.db.addGoods(QStringLiteral("6901"), QStringLiteral("可口可乐"), 3, 2, 2.7);
        f.scan(QStringLiteral("6901"));
        f.db.exec(QStringLiteral("UPDATE sp SET 销售单价=3.5 WHERE 商品编码='6901'"));
        f.scan(QStringLiteral("6901"));
        QCOMPARE(f.number(QStringLiteral("4"), QStringLiteral("6901")), 3.0);
        QCOMPARE(f.number(QStringLiteral("6"), QStringLiteral("6901")), 6.5);
        QCOMPARE(f.number(QStringLiteral("7"), QStringLiteral("6901")), 2.5);
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:6.50元"));
    }

    void theKeyRuleDropsEverythingButLettersAndDigits() {
        CounterFixture f;
        f.db.addGoods(QStringLiteral("1234"), QStringLiteral("螺丝"), 0.5, 0.2, 0.4);
        f.main->Edit47->setFocus();
        QTest::keyClicks(f.main->Edit47, QStringLiteral("123-4"));
        QCOMPARE(f.main->Edit47->text(), QStringLiteral("1234"));
        QTest::keyClicks(f.main->Edit47, QStringLiteral(" .'"));
        QCOMPARE(f.main->Edit47->text(), QStringLiteral("1234"));
        QTest::keyClick(f.main->Edit47, Qt::Key_Return);
        QCOMPARE(f.db.count(QStringLiteral("data")), 1);
    }

    void unknownCodesAreDroppedSilently() {
        CounterFixture f;
        f.db.addGoods(QStringLiteral("6901"), QStringLiteral("可口可乐"), 3, 2, 2.7);
        f.scan(QStringLiteral("6901"));
        f.scan(QStringLiteral("999"));
        QCOMPARE(f.db.count(QStringLiteral("data")), 1);
        QCOMPARE(f.main->Edit47->text(), QString());
        QVERIFY(f.dialogs.boxes.isEmpty());
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:3.00元"));
    }

    void goodsWithoutAllPricesAreRefused() {
        CounterFixture f;
        f.db.exec(QStringLiteral("INSERT INTO sp (商品编码,商品名称,销售单价,进货单价) VALUES ('777','无会员价',5,3)"));
        f.scan(QStringLiteral("777"));
        QCOMPARE(f.db.count(QStringLiteral("data")), 0);
        QCOMPARE(f.dialogs.boxes.size(), 1);
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("777")));
        QCOMPARE(f.main->Edit47->text(), QString());
    }

    void theOpenPanelsQuantityGoesToTheNextScan() {
        CounterFixture f;
        f.db.addGoods(QStringLiteral("A1"), QStringLiteral("甲"), 2, 1, 1.5);
        f.db.addGoods(QStringLiteral("B2"), QStringLiteral("乙"), 3, 1, 2.5);
        f.scan(QStringLiteral("A1"));
        f.counter->linePanel->openOnQuantity();
        f.counter->linePanel->quantityEdit->setText(QStringLiteral("5"));
        f.scan(QStringLiteral("B2"));
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("B2")), 5.0);
        QCOMPARE(f.number(QStringLiteral("6"), QStringLiteral("B2")), 15.0);
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("A1")), 1.0);
        // The scan filled the panel with B2's prices: it closes and must not write them back.
        LineEditPanel* p = f.counter->linePanel;
        QVERIFY(!p->panel->isVisible());
        QVERIFY(!p->applyButton->isEnabled());
        p->apply();
        QCOMPARE(f.number(QStringLiteral("4"), QStringLiteral("A1")), 2.0);
        QCOMPARE(f.number(QStringLiteral("4"), QStringLiteral("B2")), 3.0);
    }

    // A scan that would take a line past a billion in amount or quantity writes nothing.
    void scansBeyondTheLineLimitAreRefused() {
        CounterFixture f;
        f.db.addGoods(QStringLiteral("A1"), QStringLiteral("甲"), 400000000, 1, 1);
        f.scan(QStringLiteral("A1"));
        f.scan(QStringLiteral("A1"));
        QCOMPARE(f.number(QStringLiteral("6"), QStringLiteral("A1")), 8e8);
        f.scan(QStringLiteral("A1"));  // 1.2e9
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("1000000000")));
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("A1")), 2.0);
        QCOMPARE(f.number(QStringLiteral("6"), QStringLiteral("A1")), 8e8);
        QVERIFY(f.main->Edit47->text().isEmpty());
    }

    // Codes with quotes reach the merge statement as values, never as SQL.
    void mergingACodeWithAQuote() {
        CounterFixture f;
        f.db.addGoods(QStringLiteral("O'1"), QStringLiteral("奥"), 2, 1, 1);
        for (int i = 0; i < 2; ++i) {
            f.main->Edit47->setText(QStringLiteral("O'1"));
            f.counter->codeEntry->entryFromLookup();
        }
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("O'1")), 2.0);
        QCOMPARE(f.number(QStringLiteral("7"), QStringLiteral("O'1")), 2.0);
    }

    void enterOnTheEmptyFieldGoesToPayment() {
        CounterFixture f;
        QSignalSpy settle(f.counter->codeEntry, &CodeEntry::settlementRequested);
        f.scan(QString());
        QCOMPARE(settle.count(), 0);  // nothing on the note
        QVERIFY(f.main->Edit47->hasFocus());
        f.db.addGoods(QStringLiteral("6901"), QStringLiteral("可口可乐"), 3, 2, 2.7);
        f.scan(QStringLiteral("6901"));
        f.scan(QString());
        QCOMPARE(settle.count(), 1);
        QVERIFY(f.main->Panel1->isVisible());
    }

    void aScannerTypingFastWorksLikeTheKeyboard() {
        CounterFixture f;
        f.db.addGoods(QStringLiteral("6901234567892"), QStringLiteral("矿泉水"), 2, 1.2, 1.8);
        for (int i = 0; i < 3; ++i) {
            for (QChar c : QStringLiteral("6901234567892")) QTest::keyClick(f.main->Edit47, c.toLatin1(), {}, 0);
            QTest::keyClick(f.main->Edit47, Qt::Key_Enter, {}, 0);
        }
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("6901234567892")), 3.0);
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:6.00元"));
    }
};

ZENLO_TEST(TestCodeEntry)
#include "tst_code_entry.moc"
