// The note grid, the line edit panel and the note totals, driven like the counter does.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "core/ui/floating_panel.h"
#include "sale/note_editing.h"
#include "support/counter_fixture.h"
#include "support/test_registry.h"

namespace {
void threeLines(CounterFixture& f) {
    f.db.addGoods(QStringLiteral("A1"), QStringLiteral("甲"), 2, 1.2, 1.8);
    f.db.addGoods(QStringLiteral("B2"), QStringLiteral("乙"), 10, 6, 9);
    f.db.addGoods(QStringLiteral("C3"), QStringLiteral("丙"), 3, 1, 2.5);
    f.scan(QStringLiteral("A1"));
    f.scan(QStringLiteral("B2"));
    f.scan(QStringLiteral("C3"));
}
}  // namespace

class TestNoteEditing : public QObject {
    Q_OBJECT

private slots:
    void gridColumnsAndFooters() {
        CounterFixture f;
        DBGrid* grid = f.main->noteGrid;
        QStringList titles;
        for (const GridColumn& c : grid->columns()) titles.append(c.title + QLatin1Char(':') + c.field);
        QCOMPARE(titles,
                 (QStringList{QStringLiteral("商品编码:c"), QStringLiteral("商品名称:a"), QStringLiteral("规格型号:b"),
                              QStringLiteral("销售价:4"), QStringLiteral("数 量:2"), QStringLiteral("单 位:z"),
                              QStringLiteral("金 额:6"), QStringLiteral("利润:7")}));
        QVERIFY(!grid->columns().last().visible);
        QCOMPARE(f.counter->noteList->amountFooter(), QStringLiteral("0.00"));
        QCOMPARE(f.counter->noteList->quantityFooter(), QStringLiteral("0"));
        threeLines(f);
        QCOMPARE(f.counter->noteList->profitFooter(), QStringLiteral("6.8"));
        // The newest line is current after every refresh.
        QCOMPARE(f.counter->noteList->query().text(QStringLiteral("c")), QStringLiteral("C3"));
    }

    void totalsFollowTheFooters() {
        CounterFixture f;
        f.db.exec(QStringLiteral("INSERT INTO data (c,a,[2],[6],[7]) VALUES ('X','x',1,10,1), ('Y','y',1.5,2.5,1)"));
        f.counter->noteList->refresh();
        f.counter->editing->noteTotals();
        QCOMPARE(f.main->Label26->text(), QStringLiteral("商品数量：2.5"));
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:12.50元"));
    }

    void applyWritesPriceAndQuantityBack() {
        CounterFixture f;
        threeLines(f);
        f.clickRow(0);  // A1, purchase price 1.2
        f.doubleClickRow(0);
        LineEditPanel* p = f.counter->linePanel;
        QVERIFY(p->panel->isVisible());
        QVERIFY(p->applyButton->isEnabled());
        QCOMPARE(p->priceEdit->text(), QStringLiteral("2"));
        QCOMPARE(p->memberPriceEdit->text(), QStringLiteral("1.8"));
        QCOMPARE(p->quantityEdit->text(), QStringLiteral("1"));
        QCOMPARE(p->amountEdit->text(), QStringLiteral("2"));
        QVERIFY(p->quantityEdit->hasFocus());
        p->priceEdit->setText(QString());
        QTest::keyClicks(p->priceEdit, QStringLiteral("2.5"));
        p->quantityEdit->selectAll();
        QTest::keyClicks(p->quantityEdit, QStringLiteral("4"));
        QCOMPARE(p->amountEdit->text(), QStringLiteral("10"));  // at once, while typing
        QTest::mouseClick(p->applyButton, Qt::LeftButton);
        QCOMPARE(f.number(QStringLiteral("6"), QStringLiteral("A1")), 10.0);
        QCOMPARE(f.number(QStringLiteral("7"), QStringLiteral("A1")), 4 * (2.5 - 1.2));
        QCOMPARE(f.number(QStringLiteral("4"), QStringLiteral("A1")), 2.5);
        QCOMPARE(f.number(QStringLiteral("1"), QStringLiteral("A1")), 1.2);  // untouched
        QCOMPARE(f.number(QStringLiteral("3"), QStringLiteral("A1")), 1.8);
        QVERIFY(!p->panel->isVisible());
        QCOMPARE(p->quantityEdit->text(), QStringLiteral("1"));
        QVERIFY(f.main->Edit47->hasFocus());
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:23.00元"));
    }

    void escapeInTheQuantityClosesWithoutWriting() {
        CounterFixture f;
        threeLines(f);
        f.counter->linePanel->openOnQuantity();
        QTest::keyClicks(f.counter->linePanel->quantityEdit, QStringLiteral("7"));
        QTest::keyClick(f.counter->linePanel->quantityEdit, Qt::Key_Escape);
        QVERIFY(!f.counter->linePanel->panel->isVisible());
        QVERIFY(f.main->Edit47->hasFocus());
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("C3")), 1.0);
    }

    void quantitiesBeyondTheArrows() {
        CounterFixture f;
        threeLines(f);
        LineEditPanel* p = f.counter->linePanel;
        p->openOnQuantity();
        p->quantityEdit->setText(QStringLiteral("250"));
        QTest::mouseClick(p->applyButton, Qt::LeftButton);
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("C3")), 250.0);
        p->openOnQuantity();
        QTest::mouseClick(p->upButton, Qt::LeftButton);
        QCOMPARE(p->quantityEdit->text(), QStringLiteral("100"));  // the arrows keep to 0..100
        p->quantityEdit->setText(QStringLiteral("0"));
        QTest::mouseClick(p->downButton, Qt::LeftButton);
        QCOMPARE(p->quantityEdit->text(), QStringLiteral("0"));
        QTest::mouseClick(p->upButton, Qt::LeftButton);
        QTest::mouseClick(p->upButton, Qt::LeftButton);
        QCOMPARE(p->quantityEdit->text(), QStringLiteral("2"));
        QCOMPARE(p->amountEdit->text(), QStringLiteral("6"));
    }

    void textsThatAreNoNumbersAreRefused() {
        CounterFixture f;
        threeLines(f);
        LineEditPanel* p = f.counter->linePanel;
        p->openOnQuantity();
        QTest::keyClicks(p->quantityEdit, QStringLiteral("1.2.3"));
        // "1.2" was the last text that was a number; "1.2." and "1.2.3" are skipped.
        QCOMPARE(p->amountEdit->text(), QStringLiteral("3.6"));
        QTest::mouseClick(p->applyButton, Qt::LeftButton);
        QCOMPARE(f.dialogs.boxes.size(), 1);
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("1.2.3")));
        QVERIFY(p->panel->isVisible());
        p->quantityEdit->setText(QStringLiteral("."));
        p->priceEdit->clear();
        QTest::mouseClick(p->applyButton, Qt::LeftButton);
        QCOMPARE(f.dialogs.boxes.size(), 2);
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("C3")), 1.0);
        QCOMPARE(f.number(QStringLiteral("4"), QStringLiteral("C3")), 3.0);
    }

    void clickingAnotherRowDisablesApply() {
        CounterFixture f;
        threeLines(f);
        f.clickRow(2);
        f.counter->linePanel->openOnQuantity();
        f.main->Panel1->show();
        f.clickRow(2);
        QVERIFY(f.counter->linePanel->applyButton->isEnabled());
        QVERIFY(f.main->Panel1->isVisible());
        f.clickRow(0);
        QVERIFY(!f.counter->linePanel->applyButton->isEnabled());
        QVERIFY(!f.main->Panel1->isVisible());
        f.doubleClickRow(0);
        QVERIFY(f.counter->linePanel->applyButton->isEnabled());
        QCOMPARE(f.counter->linePanel->priceEdit->text(), QStringLiteral("2"));
    }

    // "修 改" writes only the line it loaded: moving to another line by keyboard or right click
    // disables it, and even a direct Apply then writes nothing.
    void applyNeverWritesIntoAnotherLine() {
        CounterFixture f;
        threeLines(f);
        LineEditPanel* p = f.counter->linePanel;
        const auto priceTwoQuantitySeven = [&] {
            p->priceEdit->setText(QStringLiteral("2"));
            p->quantityEdit->setText(QStringLiteral("7"));
        };

        f.doubleClickRow(1);  // B2: price 10, quantity 1
        priceTwoQuantitySeven();
        f.view()->setFocus();
        QTest::keyClick(f.view(), Qt::Key_Down);
        QVERIFY(!p->applyButton->isEnabled());
        p->apply();

        f.doubleClickRow(1);
        priceTwoQuantitySeven();
        QTest::mouseClick(f.view()->viewport(), Qt::RightButton, {}, f.rowCentre(0));
        QVERIFY(!p->applyButton->isEnabled());
        p->apply();

        for (const QString& code : {QStringLiteral("A1"), QStringLiteral("B2"), QStringLiteral("C3")}) {
            QCOMPARE(f.number(QStringLiteral("2"), code), 1.0);
        }
        QCOMPARE(f.number(QStringLiteral("4"), QStringLiteral("A1")), 2.0);
        QCOMPARE(f.number(QStringLiteral("4"), QStringLiteral("B2")), 10.0);
        QCOMPARE(f.number(QStringLiteral("4"), QStringLiteral("C3")), 3.0);

        // Back on its own line the panel works as before.
        f.doubleClickRow(1);
        priceTwoQuantitySeven();
        QTest::mouseClick(p->applyButton, Qt::LeftButton);
        QCOMPARE(f.number(QStringLiteral("6"), QStringLiteral("B2")), 14.0);
    }

    // A bar code scanned into the quantity box is no quantity: the line keeps its values.
    void quantitiesAndPricesBeyondABillionAreRefused() {
        CounterFixture f;
        threeLines(f);
        LineEditPanel* p = f.counter->linePanel;
        f.doubleClickRow(0);
        p->quantityEdit->setText(QStringLiteral("6901234567892"));
        QTest::mouseClick(p->applyButton, Qt::LeftButton);
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("1000000000")));
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("A1")), 1.0);
        QVERIFY(p->panel->isVisible());
        // Within the limit it goes through.
        p->quantityEdit->setText(QStringLiteral("500000000"));
        QTest::mouseClick(p->applyButton, Qt::LeftButton);
        QCOMPARE(f.number(QStringLiteral("6"), QStringLiteral("A1")), 1e9);
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:1000000013.00元"));
    }

    // Totals of lines stored before the limit existed still add up, never to 0.
    void hugeStoredLinesStillShowTheirTotal() {
        CounterFixture f;
        f.db.exec(
            QStringLiteral("INSERT INTO data (c,a,[2],[4],[6],[7]) VALUES ('X','x',1E23,1,1E23,0), ('Y','y',1,2,2,1)"));
        f.counter->noteList->refresh();
        f.counter->editing->noteTotals();
        QCOMPARE(f.counter->noteList->amountFooter(), QStringLiteral("1E23"));
        QVERIFY(f.main->Label26->text() != QStringLiteral("商品数量：0"));
    }

    // A total of millions shrinks its figures to fit; the window keeps its size and shows "元".
    void largeTotalsFitTheWindow() {
        CounterFixture f;
        const QSize before = f.main->size();
        f.main->Label25->setText(QStringLiteral("共:1490000.00元"));
        QApplication::processEvents();
        QCOMPARE(f.main->size(), before);
        const QLabel* total = f.main->Label25;
        const QFontMetrics shown(total->property("shownFont").value<QFont>());
        QVERIFY(shown.horizontalAdvance(total->text()) <= total->contentsRect().width());
        QVERIFY(total->property("shownFont").value<QFont>().pixelSize() < total->font().pixelSize());
    }

    void closePictureClearsThePanel() {
        CounterFixture f;
        threeLines(f);
        LineEditPanel* p = f.counter->linePanel;
        p->openOnPrice();
        QVERIFY(p->priceEdit->hasFocus());
        QTest::mouseClick(p->panel->closeImage(), Qt::LeftButton);
        QVERIFY(!p->panel->isVisible());
        QCOMPARE(p->priceEdit->text(), QString());
        QCOMPARE(p->quantityEdit->text(), QStringLiteral("1"));
        QCOMPARE(p->amountEdit->text(), QStringLiteral("0"));
        QVERIFY(!p->applyButton->isEnabled());
        // Opening on an empty note does nothing.
        f.counter->editing->deleteAllLines();
        p->openOnQuantity();
        QVERIFY(!p->panel->isVisible());
    }

    void sortThenScanShowsCreationOrder() {
        CounterFixture f;
        threeLines(f);
        f.main->Panel1->show();
        f.counter->linePanel->openOnQuantity();
        QHeaderView* header = f.view()->horizontalHeader();
        const int amount = 6;  // 金 额
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(amount) + 10, header->height() / 2));
        QCOMPARE(f.codesShown(), QStringLiteral("B2 C3 A1"));  // descending by amount
        QVERIFY(!f.main->Panel1->isVisible());
        QVERIFY(!f.counter->linePanel->panel->isVisible());
        f.scan(QStringLiteral("A1"));
        QCOMPARE(f.codesShown(), QStringLiteral("A1 B2 C3"));
        QCOMPARE(f.counter->noteList->query().text(QStringLiteral("c")), QStringLiteral("C3"));
    }

    void deletingOneLineAsksFirst() {
        CounterFixture f;
        threeLines(f);
        f.clickRow(1);
        f.main->Panel1->show();
        f.dialogs.answers = {false};
        f.counter->editing->Excel2->trigger();
        QCOMPARE(f.dialogs.boxes.last().kind, QStringLiteral("okCancel"));
        QCOMPARE(f.dialogs.boxes.last().title, QStringLiteral("警告！"));
        QCOMPARE(f.dialogs.boxes.last().text, QStringLiteral("你真的要删除选中资料吗？"));
        QCOMPARE(f.db.count(QStringLiteral("data")), 3);
        QVERIFY(!f.main->Panel1->isVisible());  // hidden all the same
        f.dialogs.answers = {true};
        f.counter->editing->Excel2->trigger();
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("删除数据成功！"));
        QCOMPARE(f.db.count(QStringLiteral("data"), QStringLiteral("c='B2'")), 0);
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:5.00元"));
        QVERIFY(f.main->Edit47->hasFocus());
    }

    void deletingTheOnlyLineAndAnEmptyNote() {
        CounterFixture f;
        f.db.addGoods(QStringLiteral("A1"), QStringLiteral("甲"), 2, 1.2, 1.8);
        f.scan(QStringLiteral("A1"));
        f.counter->editing->deleteOneLine();
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:0.00元"));
        QCOMPARE(f.main->Label26->text(), QStringLiteral("商品数量：0"));
        const int boxes = f.dialogs.boxes.size();
        f.counter->editing->deleteOneLine();  // nothing left: no question, no error
        QCOMPARE(f.dialogs.boxes.size(), boxes);
    }

    void deleteAllNeedsNoQuestionAndKeepsTheSerial() {
        CounterFixture f;
        threeLines(f);
        f.counter->editing->N1->trigger();
        QCOMPARE(f.db.count(QStringLiteral("data")), 0);
        QVERIFY(f.dialogs.boxes.isEmpty());
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:0.00元"));
        QCOMPARE(f.main->Label26->text(), QStringLiteral("商品数量：0"));
        QCOMPARE(f.main->serialText(), QStringLiteral("CJG121122000002"));
        QCOMPARE(f.counter->noteList->rowCount(), 0);
    }

    void shortcutsActOnlyWhileTheGridHasTheFocus() {
        CounterFixture f;
        threeLines(f);
        f.main->Edit47->setFocus();
        QTest::keyClicks(f.main->Edit47, QStringLiteral("12"));
        QTest::keyClick(f.main->Edit47, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(f.main->Edit47, Qt::Key_Delete);
        QVERIFY(!f.counter->linePanel->panel->isVisible());
        QCOMPARE(f.db.count(QStringLiteral("data")), 3);
        QVERIFY(f.dialogs.boxes.isEmpty());
        f.view()->setFocus();
        QTest::keyClick(f.view(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(f.counter->linePanel->panel->isVisible());
        QVERIFY(f.counter->linePanel->quantityEdit->hasFocus());
        f.view()->setFocus();
        f.dialogs.answers = {true};
        QTest::keyClick(f.view(), Qt::Key_Delete);
        QCOMPARE(f.db.count(QStringLiteral("data")), 2);
        QStringList entries;
        for (QAction* a : f.counter->editing->popupMenu->actions()) entries.append(a->text());
        QCOMPARE(entries, (QStringList{QStringLiteral("修改销售单价"), QStringLiteral("修改数量"),
                                       QStringLiteral("删除单个商品"), QStringLiteral("删除全部")}));
    }
};

ZENLO_TEST(TestNoteEditing)
#include "tst_note_editing.moc"
