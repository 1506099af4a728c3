// Entry boxes that refuse keys, and Enter that moves on or presses the focused button.
#include <QDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

#include "core/ui/key_filters.h"
#include "support/test_registry.h"

class TestKeyFilters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installEnterPressesButtons(qApp); }

    void numericBoxTakesDigitsAndPoints() {
        QWidget w;
        auto* box = new QLineEdit(&w);
        int entered = 0;
        attachKeyFilter(box, KeyFamily::Numeric, [&] { ++entered; });
        w.show();
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("1a-2.3.4 x"));
        QCOMPARE(box->text(), QStringLiteral("12.3.4"));  // any number of points; the caller parses
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("12.3."));
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Enter);
        QCOMPARE(entered, 2);
        QCOMPARE(box->text(), QStringLiteral("12.3."));
        // Moving the cursor still works: those keys are no characters.
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClicks(box, QStringLiteral("9"));
        QCOMPARE(box->text(), QStringLiteral("912.3."));
    }

    void lettersAndDigitsBoxRefusesEverythingElse() {
        QWidget w;
        auto* box = new QLineEdit(&w);
        attachKeyFilter(box, KeyFamily::LettersDigits, {});
        w.show();
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("123-4 ab'C\"; ."));
        QCOMPARE(box->text(), QStringLiteral("1234abC"));
        // Chinese input never arrives.
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("中文"));
        QApplication::sendEvent(box, &commit);
        QCOMPARE(box->text(), QStringLiteral("1234abC"));
        // Nor does a paste.
        box->selectAll();
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("1234abC"));
        // Esc is refused like any other key.
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(box->text(), QStringLiteral("1234abC"));
    }

    // Only characters are filtered: the keys that move and edit keep working, with the texts X11
    // gives them; characters made with Alt or AltGr, and text dropped with the mouse, stay out.
    void editingKeysPassAndOnlyTypedCharactersAreFiltered() {
        QWidget w;
        auto* layout = new QVBoxLayout(&w);
        auto* box = new QLineEdit(&w);
        auto* next = new QLineEdit(&w);
        layout->addWidget(box);
        layout->addWidget(next);
        attachKeyFilter(box, KeyFamily::Numeric, {});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("1234"));
        const auto send = [box](int key, const QString& text, Qt::KeyboardModifiers mods = {}) {
            QKeyEvent press(QEvent::KeyPress, key, mods, text);
            QApplication::sendEvent(box, &press);
        };
        QTest::keyClick(box, Qt::Key_Home);
        send(Qt::Key_Delete, QString(QChar(0x7f)));
        QCOMPARE(box->text(), QStringLiteral("234"));
        QTest::keyClick(box, Qt::Key_End);
        QTest::keyClick(box, Qt::Key_Left);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), QStringLiteral("24"));
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(box->selectedText(), QStringLiteral("24"));
        QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(box->text(), QString());
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("24"));
        // AltGr+2 gives "²" on many layouts, Alt+5 a "5" an application may take as a shortcut.
        send(Qt::Key_twosuperior, QStringLiteral("²"), Qt::GroupSwitchModifier);
        send(Qt::Key_5, QStringLiteral("5"), Qt::AltModifier);
        QCOMPARE(box->text(), QStringLiteral("24"));
        QMimeData dropped;
        dropped.setText(QStringLiteral("abc"));
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, {});
        QApplication::sendEvent(box, &drop);
        QCOMPARE(box->text(), QStringLiteral("24"));
        // Tab leaves the box, Shift+Tab comes back.
        QTest::keyClick(box, Qt::Key_Tab);
        QVERIFY(next->hasFocus());
        QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(box->hasFocus());
    }

    void keyFamilies() {
        for (char c = '0'; c <= '9'; ++c) {
            QVERIFY(keyAllowed(KeyFamily::Numeric, QLatin1Char(c)));
            QVERIFY(keyAllowed(KeyFamily::LettersDigits, QLatin1Char(c)));
        }
        QVERIFY(keyAllowed(KeyFamily::Numeric, QLatin1Char('.')));
        QVERIFY(!keyAllowed(KeyFamily::Numeric, QLatin1Char('-')));
        QVERIFY(!keyAllowed(KeyFamily::Numeric, QLatin1Char('e')));
        QVERIFY(!keyAllowed(KeyFamily::LettersDigits, QLatin1Char('.')));
        QVERIFY(keyAllowed(KeyFamily::LettersDigits, QLatin1Char('Z')));
        QVERIFY(!keyAllowed(KeyFamily::LettersDigits, QChar(0xFF21)));  // full-width Ａ
    }

    void escapeHandlerRunsWithoutTyping() {
        QWidget w;
        auto* box = new QLineEdit(&w);
        int escaped = 0;
        attachKeyFilter(box, KeyFamily::Numeric, {}, [&] { ++escaped; });
        w.show();
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("5"));
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(escaped, 1);
        QCOMPARE(box->text(), QStringLiteral("5"));
    }

    void enterMovesTheFocusAndPressesButtons() {
        QWidget w;
        auto* layout = new QVBoxLayout(&w);
        auto* first = new QLineEdit(&w);
        auto* button = new QPushButton(QStringLiteral("登录"), &w);
        layout->addWidget(first);
        layout->addWidget(button);
        int pressed = 0;
        connect(button, &QPushButton::clicked, [&] { ++pressed; });
        enterMovesFocus(first, button);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Return);
        QVERIFY(button->hasFocus());
        QCOMPARE(pressed, 0);  // moving is not pressing
        QTest::keyClick(button, Qt::Key_Return);
        QTRY_COMPARE(pressed, 1);
    }

    void enterOnADialogButtonPressesItOnce() {
        QDialog d;
        auto* layout = new QVBoxLayout(&d);
        auto* other = new QPushButton(QStringLiteral("取消"), &d);
        auto* button = new QPushButton(QStringLiteral("确定"), &d);
        layout->addWidget(other);
        layout->addWidget(button);
        int pressed = 0, otherPressed = 0;
        connect(button, &QPushButton::clicked, [&] { ++pressed; });
        connect(other, &QPushButton::clicked, [&] { ++otherPressed; });
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Return);
        // The press is shown as a click of the button (down, then up); once it is up again every
        // press the key made has been delivered.
        QTRY_COMPARE(pressed, 1);
        QTRY_VERIFY(!button->isDown());
        QCoreApplication::processEvents();
        QCOMPARE(pressed, 1);
        QCOMPARE(otherPressed, 0);
    }
};

ZENLO_TEST(TestKeyFilters)
#include "tst_key_filters.moc"
