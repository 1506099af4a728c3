// The program as a person starts it: the main window shows, asks for the login, and the
// administrator of a fresh database gets in with the default password.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "admin_commands.h"
#include "app/startup.h"
#include "core/dm.h"
#include "core/schema.h"
#include "core/session.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"
#include "support/test_registry.h"
#include "users/login.h"

class TestFirstRun : public QObject {
    Q_OBJECT

private slots:
    void administratorLogsInToTheDemoDatabase() {
        TempDatabase sandbox;
        RecordingDialogs dialogs;
        Session::reset();
        const QString file = sandbox.file(QStringLiteral("demo.mdb"));
        createDatabaseFile(file, true);
        Program::Options options;
        options.databasePath = file;
        options.environment.programDir = sandbox.dir();
        options.environment.isRemovableDrive = [](const QString&) { return true; };
        Program program(options);
        QVERIFY(program.create());

        // Answer the modal login as the operator would, once it is up.
        bool answered = false;
        QTimer operatorHands;
        operatorHands.setInterval(20);
        connect(&operatorHands, &QTimer::timeout, [&] {
            if (answered || !program.loginfm->isVisible()) return;
            answered = true;
            QCOMPARE(program.loginfm->ComboBox1->currentText(), kSuperAdministrator);
            program.loginfm->Edit1->setFocus();
            QTest::keyClicks(program.loginfm->Edit1, kDefaultPassword);
            QTest::mouseClick(program.loginfm->bitbtn4, Qt::LeftButton);
        });
        operatorHands.start();
        program.mainForm->show();
        QTRY_VERIFY_WITH_TIMEOUT(program.mainForm->loginLogId() != 0, 10000);
        QVERIFY(answered);
        QCOMPARE(program.mainForm->statusText(1), QStringLiteral("操作员：超级管理员"));
        QVERIFY(program.dm->ADOTable5.isOpen());
        QVERIFY(program.dm->ADOQuery15.isOpen());  // the note list was read at the login
        QVERIFY(program.mainForm->close());
    }
};

ZENLO_TEST(TestFirstRun)
#include "tst_first_run.moc"
