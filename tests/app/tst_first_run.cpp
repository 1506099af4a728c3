// The program as a person starts it: the main window shows, asks for the login, and the
// administrator of a fresh database gets in with the default password.
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "admin_commands.h"
#include "app/startup.h"
#include "core/dm.h"
#include "core/schema.h"
#include "core/session.h"
#include "maintenance/first_start.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"
#include "support/test_registry.h"
#include "users/login.h"

namespace {

Program::Options optionsFor(const TempDatabase& sandbox, const QString& file) {
    Program::Options options;
    options.databasePath = file;
    options.environment.programDir = sandbox.dir();
    options.environment.isRemovableDrive = [](const QString&) { return true; };
    return options;
}

// Presses the first-start buttons named, in order, once the dialog is up.
void pressInFirstStart(const QStringList& buttons) {
    QTimer::singleShot(0, [buttons] {
        auto* first = qobject_cast<TFirstStart*>(QApplication::activeModalWidget());
        QVERIFY(first);
        for (const QString& name : buttons) first->findChild<QPushButton*>(name)->click();
    });
}

// Shows the main window and answers the modal login as the operator would, once it is up.
bool logInAsAdministrator(Program& program) {
    bool answered = false;
    QTimer operatorHands;
    operatorHands.setInterval(20);
    QObject::connect(&operatorHands, &QTimer::timeout, [&] {
        if (answered || !program.loginfm->isVisible()) return;
        answered = true;
        QCOMPARE(program.loginfm->ComboBox1->currentText(), kSuperAdministrator);
        program.loginfm->Edit1->setFocus();
        QTest::keyClicks(program.loginfm->Edit1, kDefaultPassword);
        QTest::mouseClick(program.loginfm->bitbtn4, Qt::LeftButton);
    });
    operatorHands.start();
    program.mainForm->show();
    return QTest::qWaitFor([&] { return program.mainForm->loginLogId() != 0; }, 10000) && answered;
}

}  // namespace

class TestFirstRun : public QObject {
    Q_OBJECT

private slots:
    void administratorLogsInToTheDemoDatabase() {
        TempDatabase sandbox;
        RecordingDialogs dialogs;
        Session::reset();
        const QString file = sandbox.file(QStringLiteral("demo.mdb"));
        createDatabaseFile(file, true);
        Program program(optionsFor(sandbox, file));
        QVERIFY(program.create());
        QVERIFY(logInAsAdministrator(program));
        QCOMPARE(program.mainForm->statusText(1), QStringLiteral("操作员：超级管理员"));
        QVERIFY(program.dm->ADOTable5.isOpen());
        QVERIFY(program.dm->ADOQuery15.isOpen());  // the note list was read at the login
        QVERIFY(program.mainForm->close());
    }

    // A new shop starts the program with no database and begins from the dialog: an empty
    // database, the demo, or a backup (a bad one is refused and the choice offered again). Its
    // administrator is told once, at the first login, to change the password everybody knows.
    void aNewShopBeginsWithoutACommandLine_data() {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("backup");  // what the file dialog picks
        QTest::addColumn<bool>("goods");      // goods in the new database
        QTest::addColumn<QString>("warning");
        const auto row = [](const char* name, const QStringList& buttons, const char* backup, bool goods,
                            const char* warning) {
            QTest::newRow(name) << buttons << QString::fromUtf8(backup) << goods << QString::fromUtf8(warning);
        };
        row("empty", {QStringLiteral("Button1")}, "", false, "");
        row("demo", {QStringLiteral("Button2")}, "", true, "");
        row("backup", {QStringLiteral("Button3")}, "good", true, "数据库恢复成功！");
        row("bad backup, then empty", {QStringLiteral("Button3"), QStringLiteral("Button1")}, "junk", false,
            "数据库恢复失败！");
    }

    void aNewShopBeginsWithoutACommandLine() {
        QFETCH(QStringList, buttons);
        QFETCH(QString, backup);
        QFETCH(bool, goods);
        QFETCH(QString, warning);
        TempDatabase sandbox;
        RecordingDialogs dialogs;
        Session::reset();
        if (!backup.isEmpty()) {
            const QString source = sandbox.file(QStringLiteral("beifen.mdb"));
            if (backup == QLatin1String("good")) {
                createDatabaseFile(source, true);
            } else {
                QFile junk(source);
                QVERIFY(junk.open(QIODevice::WriteOnly));
                junk.write(QByteArray(4096, 'x'));
            }
            dialogs.fileAnswers = {source};
        }
        const QString file = sandbox.file(QStringLiteral("shop.mdb"));
        {
            Program program(optionsFor(sandbox, file));
            pressInFirstStart(buttons);
            QVERIFY(program.create());
            QVERIFY(QFileInfo(file).isFile());
            if (!warning.isEmpty())
                QVERIFY2(dialogs.texts().join(QLatin1Char('|')).contains(warning),
                         qPrintable(dialogs.texts().join(QLatin1Char('|'))));
            dialogs.clear();
            QVERIFY(logInAsAdministrator(program));
            QCOMPARE(program.dm->ADOConnection1.scalar(QStringLiteral("SELECT count(*) FROM sp")).toInt() > 0, goods);
            QCOMPARE(dialogs.texts(), QStringList{kChangeInitialPassword});
            QVERIFY(program.mainForm->close());
        }
        // The second login says nothing more.
        Session::reset();
        dialogs.clear();
        Program again(optionsFor(sandbox, file));
        QVERIFY(again.create());
        QVERIFY(logInAsAdministrator(again));
        QVERIFY2(dialogs.texts().isEmpty(), qPrintable(dialogs.texts().join(QLatin1Char('|'))));
        QVERIFY(again.mainForm->close());
    }
};

ZENLO_TEST(TestFirstRun)
#include "tst_first_run.moc"
