// Hostile texts in the fields an operator types into: quotes, LIKE's wildcards, brackets,
// control characters, characters GBK lacks and a text of 100 000 characters. Nothing breaks, no
// error box comes up, a search finds exactly the row holding the text, and what is stored is
// the text itself.
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "core/formats.h"
#include "core/pinyin.h"
#include "core/session.h"
#include "goods/Unit1.h"
#include "sale/code_entry.h"
#include "sales/Unit4.h"
#include "support/counter_fixture.h"
#include "support/test_registry.h"
#include "support/ui_fixture.h"

namespace {

void hostileTexts() {
    QTest::addColumn<QString>("text");
    QTest::newRow("quotes") << QStringLiteral("O'Brien \"特级\" ''");
    QTest::newRow("statement in a quote") << QStringLiteral("x'; DROP TABLE sp; --");
    QTest::newRow("percent") << QStringLiteral("100%纯");
    QTest::newRow("underscore") << QStringLiteral("a_b");
    QTest::newRow("brackets and hash") << QStringLiteral("[可乐]#2013-01-05#");
    QTest::newRow("control characters") << QStringLiteral(
        "a\tb\x01"
        "c\x1b"
        "d");
    QTest::newRow("emoji") << QStringLiteral("可乐😀🍺");
    QTest::newRow("extension B") << QStringLiteral("𠀀𪚥字");
    QTest::newRow("long") << QString(100000, QLatin1Char('x')) + QStringLiteral("长");
}

void type(QLineEdit* field, const QString& text) {
    field->setFocus();
    for (int i = 0; i < text.size(); ++i) {
        const int width = text.at(i).isHighSurrogate() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text.mid(i, width), Qt::NoModifier);
        i += width - 1;
    }
}

// Typed key by key as an input method hands characters over (a surrogate pair as one); a text
// no keyboard makes (control characters, a long one) is pasted and searched with the button.
// A line edit holds at most 32 767 characters: what it holds is what the program sees.
void enter(QLineEdit* field, const QString& text, QPushButton* search) {
    field->clear();
    const bool typeable = text.size() <= 200 && std::all_of(text.begin(), text.end(),
                                                            [](QChar c) { return !c.isNonCharacter() && c >= u' '; });
    if (typeable) {
        type(field, text);
        QCOMPARE(field->text(), text);
        return;
    }
    field->setText(text);
    QCOMPARE(field->text(), text.left(field->maxLength()));
    QTest::mouseClick(search, Qt::LeftButton);
}

}  // namespace

class TestEntryFieldsFuzz : public QObject {
    Q_OBJECT

private slots:
    void goodsWindow_data() { hostileTexts(); }
    void goodsWindow() {
        QFETCH(QString, text);
        UiFixture f;
        f.db.addGoods(QStringLiteral("A1"), QStringLiteral("可口可乐"), 3, 2, 2.7);
        f.db.addGoods(QStringLiteral("B2"), QStringLiteral("百事可乐"), 3, 2, 2.7);
        f.db.addGoods(text, text, 5, 4, 4.5);
        TForm1 form(nullptr, *f.dm);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto onlyTheRowWithTheText = [&] {
            QTRY_COMPARE(f.dm->ADOQuery12.recordCount(), 1);
            f.dm->ADOQuery12.setRecNo(1);
            QCOMPARE(f.dm->ADOQuery12.text(QStringLiteral("商品名称")), text);
        };
        enter(form.nameCondition, text, form.searchButton);
        onlyTheRowWithTheText();
        form.clearConditions();
        enter(form.codeCondition, text, form.searchButton);
        onlyTheRowWithTheText();
        QVERIFY2(f.dialogs.boxes.isEmpty(), qPrintable(f.dialogs.texts().join(u'\n')));

        // The entry panel stores the texts exactly, or says in words why not.
        form.newGoods();
        form.codeEdit->setText(text + QStringLiteral("2"));
        form.nameEdit->setText(QStringLiteral("新") + text);
        form.categoryEdit->setText(text);
        const QString code = form.codeEdit->text(), name = form.nameEdit->text(), category = form.categoryEdit->text();
        form.supplierEdit->setText(text);
        form.purchasePriceEdit->setText(QStringLiteral("1"));
        form.salePriceEdit->setText(QStringLiteral("2"));
        form.memberPriceEdit->setText(QStringLiteral("1.5"));
        QTest::mouseClick(form.addButton, Qt::LeftButton);
        const int stored = f.db.scalar(QStringLiteral("SELECT count(*) FROM sp WHERE 商品编码=?"), {code}).toInt();
        if (f.dialogs.boxes.isEmpty()) {
            QCOMPARE(stored, 1);
            const QVariantList where{code};
            QCOMPARE(f.db.scalar(QStringLiteral("SELECT 商品名称 FROM sp WHERE 商品编码=?"), where).toString(), name);
            QCOMPARE(f.db.scalar(QStringLiteral("SELECT 商品类别 FROM sp WHERE 商品编码=?"), where).toString(),
                     category);
            QCOMPARE(f.db.scalar(QStringLiteral("SELECT sppy FROM sp WHERE 商品编码=?"), where).toString(),
                     PinyinInitials(name));
        } else {
            QCOMPARE(stored, 0);
            QVERIFY2(f.dialogs.lastText().contains(QRegularExpression(QStringLiteral("\\p{Han}"))),
                     qPrintable(f.dialogs.lastText()));
        }
    }

    void salesWindow_data() { hostileTexts(); }
    void salesWindow() {
        QFETCH(QString, text);
        UiFixture f;
        Session::setOperatorName(QStringLiteral("王丽"));
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        for (const QString& name : {QStringLiteral("可口可乐"), QStringLiteral("百事可乐"), text}) {
            f.db.exec(QStringLiteral("INSERT INTO data1 (h,a,c,d,i,[2],[3],[4],[6],[7],day1) "
                                     "VALUES ('S1',?,?,'饮料','张强',1,2,3,3,1,?)"),
                      {name, name == text ? text : QStringLiteral("69") + name, today});
        }
        f.db.exec(
            QStringLiteral("INSERT INTO data3 (a,b,[1],[2],[3],[4],[5],[7],day1) VALUES ('S1','张强',9,9,9,0,3,0,?)"),
            {today});
        {
            Txstj form(nullptr, *f.dm);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QCOMPARE(f.dm->ADOQuery13.recordCount(), 3);
            for (QLineEdit* field : {form.Edit23, form.Edit25}) {
                enter(field, text, form.Button4);
                QTRY_COMPARE(f.dm->ADOQuery13.recordCount(), 1);
                f.dm->ADOQuery13.setRecNo(1);
                QCOMPARE(f.dm->ADOQuery13.text(QStringLiteral("a")), text);
                field->clear();
            }
            QVERIFY2(f.dialogs.boxes.isEmpty(), qPrintable(f.dialogs.texts().join(u'\n')));
        }
        Session::reset();
    }

    // Typed into the code field, only letters and digits stay; from the goods lookup, the code
    // arrives whole and the note line carries it exactly, a second time merged into that line.
    void codeEntry_data() { hostileTexts(); }
    void codeEntry() {
        QFETCH(QString, text);
        CounterFixture f;
        f.db.addGoods(text, QStringLiteral("怪码商品"), 3, 2, 2.7);
        const QString typed = text.left(200);
        type(f.main->Edit47, typed);
        QTest::keyClick(f.main->Edit47, Qt::Key_Return);
        QVERIFY(f.main->Edit47->text().isEmpty());
        QString kept;
        for (QChar c : typed) {
            if (c.unicode() < 0x80 && c.isLetterOrNumber()) kept += c;
        }
        QCOMPARE(f.db.count(QStringLiteral("data")), kept == text ? 1 : 0);
        f.db.exec(QStringLiteral("DELETE FROM data"));

        for (int times = 1; times <= 2; ++times) {
            f.main->Edit47->setText(text);
            const bool whole = f.main->Edit47->text() == text;  // a line edit holds 32 767 characters
            f.counter->codeEntry->entryFromLookup();
            QCOMPARE(f.db.count(QStringLiteral("data")), whole ? 1 : 0);
            if (!whole) break;
            QCOMPARE(f.db.scalar(QStringLiteral("SELECT c FROM data")).toString(), trimBlanks(text));
            QCOMPARE(f.db.scalar(QStringLiteral("SELECT [2] FROM data")).toDouble(), double(times));
        }
        QVERIFY2(f.dialogs.boxes.isEmpty(), qPrintable(f.dialogs.texts().join(u'\n')));
    }
};

ZENLO_TEST(TestEntryFieldsFuzz)
#include "tst_entry_fields.moc"
