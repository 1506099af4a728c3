// The login: user list, password rules, messages, the login log and the rights.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include "core/schema.h"
#include "core/session.h"
#include "core/ui/MAIN.h"
#include "note/note_list.h"
#include "support/test_registry.h"
#include "support/ui_fixture.h"
#include "users/desktop_shortcut.h"
#include "users/login.h"

namespace {
// Fixtures cannot use QVERIFY; a window that never shows fails the test that uses it.
#define QVERIFY_EXPOSED(w) \
    if (!QTest::qWaitForWindowExposed(w)) qWarning("window not exposed")

struct LoginFixture : UiFixture {
    LoginFixture() {
        TMainForm::Environment env;
        env.programDir = db.dir();
        env.isRemovableDrive = [](const QString&) { return true; };
        main = std::make_unique<TMainForm>(env);
        noteList = new NoteList(main.get(), dm->ADOQuery15);
        login = new Tloginfm(main.get());
        login->setDataModule(dm.get());
        main->setDataModule(dm.get());
        login->setRefreshNoteList([this] { noteList->refresh(); });
        main->show();
        QVERIFY_EXPOSED(main.get());
    }
    void showLogin() {
        login->show();
        QVERIFY_EXPOSED(login);
    }
    void typePassword(const QString& text) {
        login->Edit1->setFocus();
        QTest::keyClicks(login->Edit1, text);
    }
    void clickLogin() { QTest::mouseClick(login->bitbtn4, Qt::LeftButton); }
    std::unique_ptr<TMainForm> main;
    NoteList* noteList = nullptr;
    Tloginfm* login = nullptr;
};
}  // namespace

class TestLogin : public QObject {
    Q_OBJECT

private slots:
    void userListHoldsDistinctNamesWithTheFirstSelected() {
        LoginFixture f;
        f.db.exec(QStringLiteral("INSERT INTO userdb VALUES ('王五','1'), ('李四','2'), ('王五','3')"));
        f.showLogin();
        QStringList names;
        for (int i = 0; i < f.login->ComboBox1->count(); ++i) names.append(f.login->ComboBox1->itemText(i));
        // In pinyin order: chao, li, wang (their codes would put 超 last).
        QCOMPARE(names, (QStringList{kSuperAdministrator, QStringLiteral("李四"), QStringLiteral("王五")}));
        QCOMPARE(f.login->ComboBox1->currentText(), kSuperAdministrator);
        QTRY_VERIFY(f.login->ComboBox1->hasFocus());
        QCOMPARE(f.login->Label3->text(), QStringLiteral("初始登陆密码：") + kDefaultPassword);
        QVERIFY(f.login->BitBtn1->isHidden());
        QVERIFY(f.login->Button1->isHidden());
    }

    void emptyUserTableAsksForAUser() {
        LoginFixture f;
        f.db.exec(QStringLiteral("DELETE FROM userdb"));
        f.showLogin();
        QCOMPARE(f.login->ComboBox1->count(), 0);
        f.clickLogin();
        QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("必须选择用户！")});
        QVERIFY(f.login->isVisible());
        QCOMPARE(f.db.count(QStringLiteral("rz")), 0);
    }

    void passwordMustBeGiven() {
        LoginFixture f;
        f.showLogin();
        f.login->Edit1->setText(QStringLiteral("   "));
        f.clickLogin();
        QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("必须输入密码！")});
    }

    void wrongPasswordEmptiesTheFieldAndStays() {
        LoginFixture f;
        f.showLogin();
        f.login->ComboBox1->setCurrentText(kSuperAdministrator);
        f.typePassword(QStringLiteral("123"));
        f.clickLogin();
        QCOMPARE(f.dialogs.texts(), QStringList{QStringLiteral("密码不正确！请重新输入！")});
        QCOMPARE(f.login->Edit1->text(), QString());
        QTRY_VERIFY(f.login->Edit1->hasFocus());
        QVERIFY(f.login->isVisible());
        QVERIFY(f.main->isVisible());
        QCOMPARE(f.db.count(QStringLiteral("rz")), 0);
        // As often as needed.
        f.typePassword(kDefaultPassword);
        f.clickLogin();
        QVERIFY(f.login->succeeded());
    }

    void passwordKeysAndLength() {
        LoginFixture f;
        f.showLogin();
        f.typePassword(QStringLiteral("ab!@# c1.2345678901"));
        QCOMPARE(f.login->Edit1->text(), QStringLiteral("abc1234567"));
        QCOMPARE(f.login->Edit1->echoMode(), QLineEdit::Password);
        QTest::keyClick(f.login->Edit1, Qt::Key_Backspace);
        QCOMPARE(f.login->Edit1->text(), QStringLiteral("abc123456"));
    }

    void blanksAroundThePasswordButNotTheName() {
        LoginFixture f;
        f.db.exec(QStringLiteral("INSERT INTO userdb VALUES ('张三 ', '888')"));
        f.showLogin();
        f.login->ComboBox1->setCurrentText(QStringLiteral("张三"));
        f.login->Edit1->setText(QStringLiteral("  888 "));
        f.clickLogin();
        QCOMPARE(f.dialogs.lastText(), QStringLiteral("密码不正确！请重新输入！"));
        f.login->ComboBox1->setCurrentText(kSuperAdministrator);
        f.login->Edit1->setText(QStringLiteral(" 888  "));
        f.clickLogin();
        QVERIFY(f.login->succeeded());
    }

    void enterWalksToTheButtonAndPressesIt() {
        LoginFixture f;
        f.showLogin();
        f.login->ComboBox1->setCurrentText(kSuperAdministrator);
        f.login->ComboBox1->setFocus();
        QTest::keyClick(f.login->ComboBox1, Qt::Key_Return);
        QTRY_VERIFY(f.login->Edit1->hasFocus());
        QTest::keyClicks(f.login->Edit1, kDefaultPassword);
        QTest::keyClick(f.login->Edit1, Qt::Key_Return);
        QTRY_VERIFY(f.login->bitbtn4->hasFocus());
        QVERIFY(f.login->isVisible());  // the first Enter only moved the focus
        QTest::keyClick(f.login->bitbtn4, Qt::Key_Return);
        QTRY_VERIFY(f.login->succeeded());
    }

    void successWritesOneLogRowAndClosesItAtExit() {
        LoginFixture f;
        f.db.exec(QStringLiteral(
            "INSERT INTO rz (username,btime,jtime) VALUES ('old','2013-01-05 10:00:00','2013-01-05 12:00:00')"));
        bool limited = false;
        f.login->setLimitedRights([&limited] { limited = true; });
        f.showLogin();
        f.login->ComboBox1->setCurrentText(kSuperAdministrator);
        f.typePassword(kDefaultPassword);
        f.clickLogin();
        QVERIFY(!f.login->isVisible());
        QVERIFY(!limited);
        QCOMPARE(f.db.count(QStringLiteral("rz")), 2);
        QCOMPARE(f.main->loginLogId(), 2);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT username FROM rz WHERE id=2")).toString(), kSuperAdministrator);
        const QString begin = f.db.scalar(QStringLiteral("SELECT btime FROM rz WHERE id=2")).toString();
        QVERIFY2(QDateTime::fromString(begin, QStringLiteral("yyyy-MM-dd hh:mm:ss")).isValid(), qPrintable(begin));
        QVERIFY(f.db.scalar(QStringLiteral("SELECT jtime FROM rz WHERE id=2")).isNull());
        QCOMPARE(f.main->statusText(1), QStringLiteral("操作员：") + kSuperAdministrator);
        QCOMPARE(Session::operatorName(), kSuperAdministrator);
        QTRY_COMPARE(f.main->focusWidget(), f.main->Edit47);
        // Everything stays visible for the super administrator.
        QVERIFY(f.main->changePasswordItem->isVisible());
        QVERIFY(f.main->userManagementItem->isVisible());
        QVERIFY(f.main->receiptPrinterItem->isVisible());
        QVERIFY(!f.main->ToolButton1->isHidden());
        QVERIFY(f.main->close());
        QVERIFY(!f.db.scalar(QStringLiteral("SELECT jtime FROM rz WHERE id=2")).isNull());
        QCOMPARE(f.db.count(QStringLiteral("rz")), 2);
    }

    void otherUsersLoseTheAdministratorsTools() {
        LoginFixture f;
        // Even a name that only looks like the administrator's is another user.
        f.db.exec(QStringLiteral("INSERT INTO userdb VALUES ('超级管理员 ', '999')"));
        bool limited = false;
        f.login->setLimitedRights([&limited] { limited = true; });  // e.g. the sales charts
        f.showLogin();
        f.login->ComboBox1->setCurrentText(QStringLiteral("超级管理员 "));
        f.typePassword(QStringLiteral("999"));
        f.clickLogin();
        QVERIFY(f.login->succeeded());
        QVERIFY(limited);
        QVERIFY(!Session::isSuperAdministrator());
        QVERIFY(!f.main->changePasswordItem->isVisible());
        QVERIFY(!f.main->userManagementItem->isVisible());
        QVERIFY(!f.main->receiptPrinterItem->isVisible());
        QVERIFY(f.main->ToolButton1->isHidden());
        QCOMPARE(f.db.count(QStringLiteral("rz")), 1);
    }

    void abandoningTheLoginEndsTheProgramWithoutALogRow() {
        LoginFixture f;
        QSignalSpy closed(f.main.get(), &TMainForm::closed);
        f.showLogin();
        f.login->close();  // the close box
        QCOMPARE(closed.count(), 1);
        QVERIFY(!f.main->isVisible());
        QCOMPARE(f.db.count(QStringLiteral("rz")), 0);
        QVERIFY(!f.login->succeeded());
    }

    void desktopShortcutOnlyWhereThereIsADesktop() {
        LoginFixture f;
        const QString desktop = f.db.file(QStringLiteral("home/Desktop"));
        f.showLogin();
        f.login->hide();
        QVERIFY(!QFile::exists(desktop));
        QVERIFY(QDir().mkpath(desktop));
        f.showLogin();
        const QString file = desktop + QStringLiteral("/Zenlo送货单打印软件.desktop");
        QVERIFY(QFile::exists(file));
        QFile entry(file);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY(text.contains(QStringLiteral("Name=Zenlo送货单打印软件")));
        QVERIFY(text.contains(QStringLiteral("Exec=\"") + QCoreApplication::applicationFilePath() + QLatin1Char('"')));
        QVERIFY(text.contains(QStringLiteral("Path=") + QCoreApplication::applicationDirPath()));
        // Overwritten silently each time.
        entry.close();
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("stale");
        entry.close();
        f.login->hide();
        f.showLogin();
        QVERIFY(entry.open(QIODevice::ReadOnly));
        QVERIFY(entry.readAll().startsWith("[Desktop Entry]"));
        // Odd characters in the program path stay one quoted argument.
        const QString odd =
            writeDesktopShortcut(desktop, {QStringLiteral("/opt/my \"pos\"/$zenlo"), QStringLiteral("/opt"),
                                           QStringLiteral("t"), QStringLiteral("t")});
        QFile oddFile(odd);
        QVERIFY(oddFile.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(oddFile.readAll()).contains(QStringLiteral("Exec=\"/opt/my \\\"pos\\\"/\\$zenlo\"")));
        QVERIFY(writeDesktopShortcut(f.db.file(QStringLiteral("nowhere")), programShortcut()).isEmpty());
    }
};

ZENLO_TEST(TestLogin)
#include "tst_login.moc"
