// The goods lookup: the grouped list, conditions on every keystroke, and a choice entered
// into the note exactly as a scan would be.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "core/dm.h"
#include "core/ui/floating_panel.h"
#include "core/ui/typing_pause.h"
#include "goods/ys.h"
#include "sale/code_entry.h"
#include "support/counter_fixture.h"
#include "support/test_registry.h"

namespace {
// Press, release and double-click delivered straight to the widget, as the view sees them.
void doubleClick(QWidget* w, QPoint at) {
    const QPointF local(at);
    const QPointF global = w->mapToGlobal(local);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, local, global, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

struct LookupFixture : CounterFixture {
    LookupFixture() {
        lookup = new Tysfm(main.get(), *dm);
        lookup->setCodeEntry(main.get(), counter->codeEntry);
        addGoods(QStringLiteral("A1"), QStringLiteral("可口可乐"), 3, 2, 2.7);
        addGoods(QStringLiteral("B2"), QStringLiteral("百事可乐"), 3, 2, 2.7);
        addGoods(QStringLiteral("C3"), QStringLiteral("赠品袋"), 0, 0.3, 0);
    }
    void addGoods(const QString& code, const QString& name, double sale, double cost, double member) {
        db.addGoods(code, name, sale, cost, member);
    }
    void open() {
        lookup->prepareForCodeEntry();
        lookup->show();
        if (!QTest::qWaitForWindowExposed(lookup)) qWarning("lookup not exposed");
    }
    int rows() const { return dm->ADOQuery5.recordCount(); }
    void choose(int row) {
        dm->ADOQuery5.setRecNo(row + 1);
        QTest::mouseClick(lookup->selectButton, Qt::LeftButton);
    }
    Tysfm* lookup = nullptr;
};
}  // namespace

class TestLookup : public QObject {
    Q_OBJECT

private slots:
    void opensOnEveryGoodsAndNarrowsOnTheFirstKey() {
        LookupFixture f;
        f.open();
        QCOMPARE(f.lookup->mode, 1);
        QCOMPARE(f.rows(), 3);                             // the free bag too
        f.lookup->nameEdit->insert(QStringLiteral("可"));  // typed through the input method
        QTRY_COMPARE(f.rows(), 2);                         // a sale price of 0 is gone after the first keystroke
        f.lookup->nameEdit->insert(QStringLiteral("口"));
        QTRY_COMPARE(f.rows(), 1);
        QTest::keyClicks(f.lookup->codeEdit, QStringLiteral("B"));
        QTRY_COMPARE(f.rows(), 0);  // conditions combine with "and"
        f.lookup->clearConditions();
        QCOMPARE(f.rows(), 2);  // at once: the program cleared the boxes, nobody typed
        QCOMPARE(f.lookup->nameEdit->text(), QString());
        // Conditions keep their texts to the next opening but apply only when changed.
        f.lookup->specEdit->setText(QStringLiteral("标"));
        f.lookup->reject();
        QVERIFY(!f.dm->ADOQuery5.isOpen());
        f.open();
        QCOMPARE(f.lookup->specEdit->text(), QStringLiteral("标"));
        QCOMPARE(f.rows(), 3);
    }

    void choosingAddsOrMergesAndReturnsTheFocus() {
        LookupFixture f;
        f.open();
        QTableView* view = f.lookup->grid->view();
        doubleClick(view->viewport(), view->visualRect(view->model()->index(0, 0)).center());
        QVERIFY(!f.lookup->isVisible());
        QCOMPARE(f.db.count(QStringLiteral("data")), 1);
        QTRY_COMPARE(f.main->focusWidget(), f.main->Edit47);
        QCOMPARE(f.main->Edit47->text(), QString());
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:3.00元"));
        f.open();
        f.choose(0);
        QVERIFY(!f.lookup->isVisible());
        QCOMPARE(f.db.count(QStringLiteral("data")), 1);
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("A1")), 2.0);
    }

    void codesWithAnyCharacterStayIntact() {
        LookupFixture f;
        f.addGoods(QStringLiteral("X'1 -"), QStringLiteral("怪编码"), 5, 1, 4);
        f.open();
        QTest::keyClicks(f.lookup->codeEdit, QStringLiteral("X'"));
        QTRY_COMPARE(f.rows(), 1);
        f.choose(0);
        f.open();
        QCOMPARE(f.lookup->codeEdit->text(), QStringLiteral("X'"));  // kept, not yet applied
        f.lookup->searchButton->click();
        f.choose(0);
        QCOMPARE(f.db.count(QStringLiteral("data")), 1);
        QCOMPARE(f.number(QStringLiteral("2"), QStringLiteral("X'1 -")), 2.0);
        QVERIFY(f.dialogs.boxes.isEmpty());
    }

    void choosingFromAnEmptyListGoesToPayment() {
        LookupFixture f;
        QSignalSpy settle(f.counter->codeEntry, &CodeEntry::settlementRequested);
        f.open();
        f.lookup->nameEdit->insert(QStringLiteral("没有这个"));
        QTRY_COMPARE(f.rows(), 0);
        QTest::mouseClick(f.lookup->selectButton, Qt::LeftButton);
        QCOMPARE(settle.count(), 1);
        QCOMPARE(f.db.count(QStringLiteral("data")), 0);
    }

    // Typing waits for a pause: every keystroke of a quick typist starts it again, and only the
    // whole text is looked up, once.
    void typingRunsOneQueryAfterThePause() {
        LookupFixture f;
        f.open();
        QSignalSpy opened(&f.dm->ADOQuery5, &Dataset::rowsReset);
        auto* pause = f.lookup->findChild<TypingPause*>();
        QVERIFY(pause);
        // Typed through the input method faster than the pause: each character restarts it.
        for (QChar c : QStringLiteral("可口可乐")) {
            f.lookup->nameEdit->insert(QString(c));
            QVERIFY(pause->isPending());
        }
        QCOMPARE(f.rows(), 3);  // still the opening list while the typist types
        QCOMPARE(opened.count(), 0);
        QTRY_COMPARE(f.rows(), 1);
        QVERIFY(!pause->isPending());  // nothing more to come
        QCOMPARE(opened.count(), 2);   // closed and opened once
        QCOMPARE(f.dm->ADOQuery5.sql(), goodsLookupQuery(QStringLiteral("可口可乐"), {}, {}, {}));
    }

    void searchStatements_data() {
        QTest::addColumn<QStringList>("conditions");
        QTest::addColumn<QString>("sql");
        QTest::newRow("none") << QStringList{{}, {}, {}, {}} << "select * from sp where [销售单价]>0 ";
        QTest::newRow("all four, in order")
            << QStringList{QStringLiteral("可乐"), QStringLiteral("69"), QStringLiteral("500"), QStringLiteral("饮料")}
            << "select * from sp where [销售单价]>0  and 商品名称 like '%可乐%' and 商品编码 like '%69%' and 规格型号 "
               "like "
               "'%500%' and 商品类别 like '%饮料%'";
        QTest::newRow("a quote") << QStringList{{}, QStringLiteral("X'"), {}, {}}
                                 << "select * from sp where [销售单价]>0  and 商品编码 like '%X''%'";
    }
    void searchStatements() {
        QFETCH(QStringList, conditions);
        QFETCH(QString, sql);
        QCOMPARE(goodsLookupQuery(conditions[0], conditions[1], conditions[2], conditions[3]), sql);
    }

    void otherModesOnlyClose() {
        LookupFixture f;
        f.open();
        f.lookup->mode = 0;
        f.choose(0);
        QVERIFY(!f.lookup->isVisible());
        QCOMPARE(f.db.count(QStringLiteral("data")), 0);
    }
};

ZENLO_TEST(TestLookup)
#include "tst_lookup.moc"
