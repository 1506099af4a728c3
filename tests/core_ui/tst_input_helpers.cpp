// Required-field checks, filling drop-down lists, and the error guard.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "core/errors.h"
#include "core/shared_queries.h"
#include "core/ui/guard.h"
#include "core/ui/input_helpers.h"
#include "support/test_registry.h"
#include "support/ui_fixture.h"

class TestInputHelpers : public QObject {
    Q_OBJECT

private slots:
    void requiredTextIgnoresBlanksOnly() {
        RecordingDialogs dialogs;
        QWidget w;
        auto* box = new QLineEdit(&w);
        auto* other = new QLineEdit(&w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        other->setFocus();
        box->setText(QStringLiteral(" \t "));
        QVERIFY(!RequireEditText(box, QStringLiteral("商品编码必须输入！")));
        QCOMPARE(dialogs.boxes.size(), 1);
        QCOMPARE(dialogs.boxes[0].text, QStringLiteral("商品编码必须输入！"));
        QCOMPARE(dialogs.boxes[0].icon, Dialogs::Icon::Warning);
        QTRY_VERIFY(box->hasFocus());
        box->setText(QStringLiteral(" 0 "));
        QVERIFY(RequireEditText(box, QStringLiteral("x")));
        QCOMPARE(box->text(), QStringLiteral(" 0 "));  // untouched
        QCOMPARE(dialogs.boxes.size(), 1);
    }

    void requiredComboText() {
        RecordingDialogs dialogs;
        QComboBox combo;
        combo.setEditable(true);
        combo.setCurrentText(QStringLiteral("  "));
        QVERIFY(!RequireComboText(&combo, QStringLiteral("必须选择用户！")));
        QCOMPARE(dialogs.lastText(), QStringLiteral("必须选择用户！"));
        combo.setCurrentText(QStringLiteral("张三"));
        QVERIFY(RequireComboText(&combo, QStringLiteral("必须选择用户！")));
    }

    void comboFilledWithDistinctValuesAndEmptyEntries() {
        UiFixture f;
        f.db.exec(QStringLiteral("INSERT INTO data1 (d) VALUES ('饮料'), ('零食'), (NULL), ('饮料')"));
        QComboBox combo;
        combo.setEditable(true);
        combo.addItem(QStringLiteral("旧的"));
        combo.setCurrentText(QStringLiteral("旧的"));
        FillComboFromColumn(f.dm->ADOQuery1, QStringLiteral("d"), QStringLiteral("data1"), &combo);
        QStringList items;
        for (int i = 0; i < combo.count(); ++i) items.append(combo.itemText(i));
        QCOMPARE(items, (QStringList{QString(), QStringLiteral("零食"), QStringLiteral("饮料")}));
        QCOMPARE(combo.currentText(), QString());
        // A failing statement leaves the box cleared and reports.
        QVERIFY_THROWS_EXCEPTION(
            DataError, FillComboFromColumn(f.dm->ADOQuery1, QStringLiteral("d"), QStringLiteral("nosuch"), &combo));
        QCOMPARE(combo.count(), 0);
    }

    void guardShowsTheEngineTextAndStops() {
        UiFixture f;
        bool after = false;
        const bool ok = guard(nullptr, [&] {
            OpenQuery(f.dm->ADOQuery1, QStringLiteral("select * from nosuch"));
            after = true;
        });
        QVERIFY(!ok);
        QVERIFY(!after);
        QCOMPARE(f.dialogs.boxes.size(), 1);
        QCOMPARE(f.dialogs.boxes[0].icon, Dialogs::Icon::Error);
        QVERIFY(f.dialogs.boxes[0].text.contains(QStringLiteral("no such table: nosuch")));
        QVERIFY(guard(nullptr, [] {}));
    }

    // A handler that forgot its guard still cannot take the program down: the application
    // shows the error and the event loop goes on.
    void anUnguardedHandlerIsCaughtByTheApplication() {
        UiFixture f;
        struct Throwing : QObject {
            bool event(QEvent* e) override {
                if (e->type() == QEvent::User) throw DataError(QStringLiteral("disk I/O error"));
                return QObject::event(e);
            }
        } receiver;
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(f.dialogs.boxes.size(), 1);
        QCOMPARE(f.dialogs.boxes[0].text, QStringLiteral("disk I/O error"));
        // A slot made with onAction shows its error the same way and returns normally.
        QPushButton button;
        QObject::connect(&button, &QPushButton::clicked, &button,
                         onAction(&button, [] { throw DataError(QStringLiteral("database is locked")); }));
        button.click();
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("database is locked"));
    }
};

ZENLO_TEST(TestInputHelpers)
#include "tst_input_helpers.moc"
