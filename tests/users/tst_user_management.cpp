// User management (locked until the administrator's password is checked) and password change.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "core/schema.h"
#include "support/test_registry.h"
#include "support/ui_fixture.h"
#include "users/changepass.h"
#include "users/usergl.h"

namespace {
QStringList listed(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out.append(list->item(i)->text());
    return out;
}

int rowsNamed(TempDatabase& db, const QString& name) {
    return db.scalar(QStringLiteral("SELECT count(*) FROM userdb WHERE username=?"), {name}).toInt();
}
}  // namespace

class TestUserManagement : public QObject {
    Q_OBJECT

    QPointer<Tuserglfm> ref;

    Tuserglfm* open(UiFixture& f, bool unlock = true) {
        Q_UNUSED(f);
        Tuserglfm* w = openWindow(ref, nullptr, *f.dm);
        if (unlock) {
            w->LabeledEdit1->setText(kDefaultPassword);
            QTest::mouseClick(w->BitBtn3, Qt::LeftButton);
        }
        return w;
    }

private slots:
    void cleanup() {
        if (ref) delete ref.data();
    }

    void lockedUntilTheAdministratorsPassword() {
        UiFixture f;
        Tuserglfm* w = open(f, false);
        QVERIFY(!w->ListBox1->isEnabled());
        QVERIFY(!w->PageControl1->isEnabled());
        QCOMPARE(w->PageControl1->currentIndex(), 0);
        QCOMPARE(w->PageControl1->tabText(0), QStringLiteral("初始化密码"));
        QCOMPARE(listed(w->ListBox1), QStringList{kSuperAdministrator});
        w->LabeledEdit1->setText(QStringLiteral("111"));
        QTest::mouseClick(w->BitBtn3, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("密码不对！"));
        QVERIFY(!w->PageControl1->isEnabled());
        // The field takes letters and digits only, ten of them.
        w->LabeledEdit1->clear();
        w->LabeledEdit1->setFocus();
        QTest::keyClicks(w->LabeledEdit1, QStringLiteral("8-8 8'12345678"));
        QCOMPARE(w->LabeledEdit1->text(), QStringLiteral("8881234567"));
        w->LabeledEdit1->setText(QStringLiteral(" 888 "));
        QTest::mouseClick(w->BitBtn3, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("超级管理员登录成功！"));
        QVERIFY(w->ListBox1->isEnabled());
        QVERIFY(w->PageControl1->isEnabled());
        QCOMPARE(w->LabeledEdit1->text(), QString());
        // Closing and opening again starts locked.
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(ref.isNull());
        Tuserglfm* again = open(f, false);
        QVERIFY(!again->PageControl1->isEnabled());
    }

    void theAdministratorCannotBeAddedTwice() {
        UiFixture f;
        Tuserglfm* w = open(f);
        for (const QString& name : {kSuperAdministrator, QStringLiteral("  超级管理员 ")}) {
            w->Edit6->setText(name);
            QTest::mouseClick(w->BitBtn7, Qt::LeftButton);
            QCOMPARE(f.dialogs.lastText(), QStringLiteral("超级管理员只能有一个，不能增加"));
        }
        QCOMPARE(f.db.count(QStringLiteral("userdb")), 1);
    }

    void addingUsers() {
        UiFixture f;
        Tuserglfm* w = open(f);
        w->Edit6->setText(QStringLiteral(" 张三 "));
        QTest::mouseClick(w->BitBtn7, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(),
                 QStringLiteral("成功添加新用户！缺省口令是：888,请此用户下次登录时及时修改口令！"));
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT passwd FROM userdb WHERE username='张三'")).toString(),
                 kDefaultPassword);
        QVERIFY(listed(w->ListBox1).contains(QStringLiteral("张三")));
        QCOMPARE(w->Edit6->text(), QStringLiteral(" 张三 "));  // the field keeps its text
        // A name that exists already is refused: the login needs exactly one row per name.
        QTest::mouseClick(w->BitBtn7, Qt::LeftButton);
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("已经存在")));
        QCOMPARE(rowsNamed(f.db, QStringLiteral("张三")), 1);
        // A quote is an ordinary character of a name.
        w->Edit6->setText(QStringLiteral("O'Brien"));
        QTest::mouseClick(w->BitBtn7, Qt::LeftButton);
        QCOMPARE(rowsNamed(f.db, QStringLiteral("O'Brien")), 1);
        QCOMPARE(f.db.count(QStringLiteral("userdb")), 3);
        w->Edit6->setText(QStringLiteral("  "));
        QTest::mouseClick(w->BitBtn7, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("请选择用户名！"));
        QCOMPARE(f.db.count(QStringLiteral("userdb")), 3);
    }

    void resetSetsEveryRowOfTheName() {
        UiFixture f;
        f.db.exec(QStringLiteral("INSERT INTO userdb VALUES ('李四','a1'), ('李四','b2'), ('王五','c3')"));
        Tuserglfm* w = open(f);
        // The list shows the rows as they are, duplicates included.
        QCOMPARE(listed(w->ListBox1).count(QStringLiteral("李四")), 2);
        w->ListBox1->setCurrentRow(listed(w->ListBox1).indexOf(QStringLiteral("李四")));
        QCOMPARE(w->Edit5->text(), QStringLiteral("李四"));
        QCOMPARE(w->Edit7->text(), QStringLiteral("李四"));
        QTest::mouseClick(w->BitBtn5, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("已经成功将密码初始化为：888"));
        QCOMPARE(f.db.count(QStringLiteral("userdb"), QStringLiteral("username='李四' AND passwd='888'")), 2);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT passwd FROM userdb WHERE username='王五'")).toString(),
                 QStringLiteral("c3"));
        QTest::mouseClick(w->BitBtn4, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("初始化口令用于忘记密码的用户，将口令更改为:888"));
    }

    void deletingUsers() {
        UiFixture f;
        f.db.exec(QStringLiteral("INSERT INTO userdb VALUES ('李四','a1'), ('李四','b2')"));
        Tuserglfm* w = open(f);
        w->Edit7->setText(QStringLiteral(" 超级管理员"));
        QTest::mouseClick(w->BitBtn9, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("超级管理员不能删除！"));
        QCOMPARE(f.db.count(QStringLiteral("userdb")), 3);
        w->Edit7->setText(QStringLiteral("李四"));
        f.dialogs.answers = {false};
        QTest::mouseClick(w->BitBtn9, Qt::LeftButton);
        QCOMPARE(f.dialogs.boxes.last().kind, QStringLiteral("yesNo"));
        QCOMPARE(f.dialogs.boxes.last().text, QStringLiteral("你真的要删除用户：李四吗?"));
        QCOMPARE(f.db.count(QStringLiteral("userdb")), 3);
        QCOMPARE(listed(w->ListBox1).size(), 3);
        f.dialogs.answers = {true};
        QTest::mouseClick(w->BitBtn9, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("成功删除！"));
        QCOMPARE(rowsNamed(f.db, QStringLiteral("李四")), 0);  // both rows go
        QCOMPARE(w->Edit7->text(), QString());
        QCOMPARE(listed(w->ListBox1), QStringList{kSuperAdministrator});
        QTest::mouseClick(w->BitBtn9, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("请选择用户"));
    }
};

class TestChangePassword : public QObject {
    Q_OBJECT

    QPointer<Tchangepassfm> ref;

private slots:
    void cleanup() {
        if (ref) delete ref.data();
    }

    void changingAPassword() {
        UiFixture f;
        f.db.exec(QStringLiteral("INSERT INTO userdb VALUES ('王五','1'), ('李四','2'), ('王五','3')"));
        Tchangepassfm* w = openWindow(ref, nullptr, *f.dm);
        QStringList names;
        for (int i = 0; i < w->ComboBox1->count(); ++i) names.append(w->ComboBox1->itemText(i));
        QCOMPARE(names, (QStringList{kSuperAdministrator, QStringLiteral("李四"), QStringLiteral("王五")}));
        QVERIFY(w->CheckBox1->isChecked());
        w->ComboBox1->setCurrentIndex(1);
        w->Edit1->setText(QStringLiteral("anything"));  // the old password is only required
        w->Edit14->setText(QStringLiteral("new1"));
        w->Edit15->setText(QStringLiteral("new2"));
        QTest::mouseClick(w->bitbtn4, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("两次输入的密码不一致！请重新输入！"));
        QCOMPARE(w->Edit15->text(), QString());
        QCOMPARE(w->Edit14->text(), QStringLiteral("new1"));
        QCOMPARE(w->Edit1->text(), QStringLiteral("anything"));
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT passwd FROM userdb WHERE username='李四'")).toString(),
                 QStringLiteral("2"));
        w->CheckBox1->setChecked(false);
        w->Edit15->setText(QStringLiteral("new1"));
        QTest::mouseClick(w->bitbtn4, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("你已经成功修改了密码！下次运行程序时生效！"));
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT passwd FROM userdb WHERE username='李四'")).toString(),
                 QStringLiteral("new1"));
        QVERIFY(w->isVisible());  // "更改完毕退出" unticked
        QCOMPARE(w->Edit1->text() + w->Edit14->text() + w->Edit15->text(), QString());
    }

    void requiredFieldsAndClosing() {
        UiFixture f;
        Tchangepassfm* w = openWindow(ref, nullptr, *f.dm);
        QTest::mouseClick(w->bitbtn4, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("请选择操作员！"));
        w->ComboBox1->setCurrentIndex(0);
        QTest::mouseClick(w->bitbtn4, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("必须输入旧口令！"));
        QCOMPARE(f.dialogs.boxes.last().icon, Dialogs::Icon::Warning);
        w->Edit1->setText(QStringLiteral("x"));
        QTest::mouseClick(w->bitbtn4, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("新口令长度不能为空！"));
        w->Edit14->setText(QStringLiteral("abc"));
        w->Edit15->setText(QStringLiteral("abc"));
        QTest::mouseClick(w->bitbtn4, Qt::LeftButton);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT passwd FROM userdb")).toString(), QStringLiteral("abc"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(ref.isNull());  // closed and freed: "更改完毕退出" was ticked
    }

    void enterWalksThroughThePasswordFields() {
        UiFixture f;
        Tchangepassfm* w = openWindow(ref, nullptr, *f.dm);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->Edit1->setFocus();
        QTest::keyClicks(w->Edit1, QStringLiteral("a-b"));
        QCOMPARE(w->Edit1->text(), QStringLiteral("ab"));
        QTest::keyClick(w->Edit1, Qt::Key_Return);
        QTRY_VERIFY(w->Edit14->hasFocus());
        QTest::keyClick(w->Edit14, Qt::Key_Return);
        QTRY_VERIFY(w->Edit15->hasFocus());
        QTest::keyClick(w->Edit15, Qt::Key_Return);
        QTRY_VERIFY(w->bitbtn4->hasFocus());
    }
};

ZENLO_TEST(TestUserManagement)
ZENLO_TEST(TestChangePassword)
#include "tst_user_management.moc"
