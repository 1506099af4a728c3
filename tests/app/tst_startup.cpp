// Start-up: the windows in their order, and a database that cannot be used.
#include <QApplication>
#include <QFile>
#include <QtTest>

#include "app/startup.h"
#include "core/dm.h"
#include "goods/Unit1.h"
#include "goods/excel.h"
#include "goods/ys.h"
#include "maintenance/About.h"
#include "sales/Unit4.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"
#include "support/test_registry.h"
#include "users/changepass.h"
#include "users/login.h"
#include "users/usergl.h"

namespace {
Program::Options optionsFor(const TempDatabase& db, const QString& file) {
    Program::Options o;
    o.databasePath = file;
    o.environment.programDir = db.dir();
    o.environment.isRemovableDrive = [](const QString&) { return true; };
    return o;
}
}  // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void windowsAreCreatedInTheirOrder() {
        TempDatabase db;
        RecordingDialogs dialogs;
        Program program(optionsFor(db, db.path()));
        QVERIFY(program.create());
        QCOMPARE(program.creationOrder(),
                 (QStringList{QStringLiteral("TMainForm"), QStringLiteral("Tloginfm"), QStringLiteral("Tdmfm"),
                              QStringLiteral("TAboutBox"), QStringLiteral("Txstj"), QStringLiteral("TForm1"),
                              QStringLiteral("Texcell"), QStringLiteral("TForm2"), QStringLiteral("Tysfm")}));
        QVERIFY(program.dm->ADOConnection1.isOpen());
        QCOMPARE(program.loginfm->windowTitle(), QStringLiteral("用户登录"));
        QCOMPARE(program.aboutBox->windowTitle(), QStringLiteral("关于软件..."));
        QCOMPARE(program.xstj->windowTitle(), QStringLiteral("销售明细"));
        QCOMPARE(program.form1->windowTitle(), QStringLiteral("商品管理"));
        QCOMPARE(program.excell->windowTitle(), QStringLiteral("Excel导入数据库"));
        QCOMPARE(program.ysfm->windowTitle(), QStringLiteral("商品编码查找"));
        // No dataset is open before the main window is shown.
        QVERIFY(!program.dm->ADOTable5.isOpen());
        QVERIFY(dialogs.boxes.isEmpty());
    }

    void onDemandWindowsComeFromTheOpener() {
        TempDatabase db;
        RecordingDialogs dialogs;
        Program program(optionsFor(db, db.path()));
        QVERIFY(program.create());
        QVERIFY(program.userglfm.isNull());
        program.mainForm->userManagementItem->trigger();
        QVERIFY(!program.userglfm.isNull());
        QCOMPARE(program.userglfm->windowTitle(), QStringLiteral("用户管理—(管理员专用)"));
        auto* first = program.userglfm.data();
        program.mainForm->userManagementItem->trigger();
        QCOMPARE(program.userglfm.data(), first);
        program.mainForm->changePasswordItem->trigger();
        QCOMPARE(program.changepassfm->windowTitle(), QStringLiteral("更改密码"));
        program.userglfm->close();
        program.changepassfm->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(program.userglfm.isNull());
    }

    void missingDatabaseEndsCleanlyWithOneMessage() {
        TempDatabase db;
        RecordingDialogs dialogs;
        const int windowsBefore = QApplication::topLevelWidgets().size();
        const QString missing = db.file(QStringLiteral("nothere/data.mdb"));
        Program program(optionsFor(db, missing));
        QVERIFY(!program.create());
        QCOMPARE(dialogs.boxes.size(), 1);
        QCOMPARE(dialogs.boxes[0].icon, Dialogs::Icon::Error);
        QVERIFY(dialogs.boxes[0].text.contains(missing));
        QVERIFY(dialogs.boxes[0].text.contains(QStringLiteral("zenlo-admin init")));
        QVERIFY(!QFile::exists(missing));  // never made silently
        QVERIFY(program.mainForm == nullptr);
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
        QCOMPARE(program.creationOrder(), (QStringList{QStringLiteral("TMainForm"), QStringLiteral("Tloginfm")}));
        QCOMPARE(program.run(), 1);
    }

    void foreignOrBrokenFilesAreNamed() {
        TempDatabase db;
        RecordingDialogs dialogs;
        const QString junk = db.file(QStringLiteral("junk.mdb"));
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, '\x5a'));
        f.close();
        Program program(optionsFor(db, junk));
        QVERIFY(!program.create());
        QCOMPARE(dialogs.boxes.size(), 1);
        QVERIFY(dialogs.boxes[0].text.contains(QStringLiteral("无法打开")));
        QVERIFY(dialogs.boxes[0].text.contains(junk));
    }
};

ZENLO_TEST(TestStartup)
#include "tst_startup.moc"
