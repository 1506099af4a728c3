// Start-up: the windows in their order, a database that cannot be used, and the backup and
// about windows the toolbar opens.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "app/startup.h"
#include "core/auto_backup.h"
#include "core/connection.h"
#include "core/database_copy.h"
#include "core/dm.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/ui/MAIN.h"
#include "goods/Unit1.h"
#include "goods/excel.h"
#include "goods/ys.h"
#include "maintenance/About.h"
#include "maintenance/first_start.h"
#include "maintenance/repairdb.h"
#include "note/note_list.h"
#include "sale/counter.h"
#include "sales/Unit4.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"
#include "support/test_registry.h"
#include "users/changepass.h"
#include "users/login.h"
#include "users/usergl.h"

namespace {
// A database of the program with 400 goods, damaged as named: "flipped" (a run of bytes in
// the middle overwritten), "no rz" (a table dropped), "no day6" (data3 without most of its columns).
void makeDatabase(const QString& file, const QString& damage) {
    {
        Connection made;
        made.create(file, QByteArray(kDatabaseKey));
        createSchema(made);
        Transaction tx(made);
        for (int i = 0; i < 400; ++i) {
            made.execute(QStringLiteral("INSERT INTO sp (商品编码,商品名称) VALUES (?,?)"),
                         {QStringLiteral("G%1").arg(i), QString(60, QChar(0x5546))});
        }
        tx.commit();
        if (damage == QLatin1String("no rz")) made.execute(QStringLiteral("DROP TABLE rz"));
        if (damage == QLatin1String("no day6")) {
            made.execute(QStringLiteral("ALTER TABLE data3 RENAME TO old"));
            made.execute(QStringLiteral("CREATE TABLE data3 AS SELECT ID,a,b,[1],[2],day1 FROM old"));
            made.execute(QStringLiteral("DROP TABLE old"));
        }
    }
    if (damage == QLatin1String("truncated")) QFile::resize(file, QFileInfo(file).size() / 2);
    if (damage == QLatin1String("flipped")) {
        QFile f(file);
        if (!f.open(QIODevice::ReadWrite)) return;
        f.seek(f.size() / 2);
        f.write(QByteArray(64, '\x55'));
    }
}

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

    // No database: the first-start choices come up instead of an error; leaving makes nothing.
    void leavingTheFirstStartMakesNothing() {
        TempDatabase db;
        RecordingDialogs dialogs;
        const int windowsBefore = QApplication::topLevelWidgets().size();
        const QString missing = db.file(QStringLiteral("nothere/data.mdb"));
        Program program(optionsFor(db, missing));
        bool offered = false;
        QTimer::singleShot(0, [&] {
            auto* first = qobject_cast<TFirstStart*>(QApplication::activeModalWidget());
            QVERIFY(first);
            offered = first->Label1->text().contains(QDir::toNativeSeparators(missing));
            first->Button4->click();
        });
        QVERIFY(!program.create());
        QVERIFY(offered);
        QVERIFY(dialogs.boxes.isEmpty());
        QVERIFY(!QFile::exists(missing));  // never made silently
        QVERIFY(program.mainForm == nullptr);
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsBefore);
        QCOMPARE(program.creationOrder(), (QStringList{QStringLiteral("TMainForm"), QStringLiteral("Tloginfm")}));
        QTimer::singleShot(0, [] { qobject_cast<TFirstStart*>(QApplication::activeModalWidget())->Button4->click(); });
        QCOMPARE(program.run(), 1);
    }

    // Each file that cannot be used is named for what it is, with its own way out; nothing is
    // ever created over it.
    void foreignOrBrokenFilesAreNamed_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("wayOut");
        QTest::newRow("junk") << "junk"
                              << "无法打开"
                              << "zenlo-admin restore";
        QTest::newRow("empty") << "empty"
                               << "已经损坏"
                               << "zenlo-admin restore";
        QTest::newRow("folder") << "folder"
                                << "是一个文件夹"
                                << "zenlo-admin init";
        QTest::newRow("another key") << "key"
                                     << "密码不同"
                                     << "zenlo-admin restore";
        QTest::newRow("pages damaged") << "flipped"
                                       << "已经损坏"
                                       << "zenlo-admin restore";
        QTest::newRow("cut in half") << "truncated"
                                     << "已经损坏"
                                     << "zenlo-admin restore";
        QTest::newRow("a table missing") << "no rz"
                                         << "没有表 rz"
                                         << "zenlo-admin restore";
        QTest::newRow("a column missing") << "no day6"
                                          << "表 data3 缺少列"
                                          << "zenlo-admin restore";
    }

    void foreignOrBrokenFilesAreNamed() {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        QFETCH(QString, wayOut);
        TempDatabase db;
        RecordingDialogs dialogs;
        const QString file = db.file(QStringLiteral("broken.mdb"));
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(file));
        } else if (kind == QLatin1String("key")) {
            Connection other;
            other.create(file, QByteArrayLiteral("another key"));
            other.execute(QStringLiteral("CREATE TABLE t(x)"));
        } else if (kind == QLatin1String("flipped") || kind == QLatin1String("truncated") ||
                   kind.startsWith(QLatin1String("no "))) {
            makeDatabase(file, kind);
        } else {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == QLatin1String("junk")) f.write(QByteArray(8192, '\x5a'));
        }
        const QByteArray before = QFileInfo(file).isFile() ? bytesOf(file) : QByteArray();
        QVERIFY(QDir(db.dir()).mkdir(QStringLiteral("备份")));  // the day's copies beside it
        Program program(optionsFor(db, file));
        QVERIFY(!program.create());
        QCOMPARE(dialogs.boxes.size(), 1);
        const QString text = dialogs.boxes[0].text;
        QVERIFY2(text.contains(says), qPrintable(text));
        QVERIFY2(text.contains(wayOut), qPrintable(text));
        QVERIFY2(text.contains(QFileInfo(file).absoluteFilePath()), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("找不到")), qPrintable(text));
        // The way out names the file itself, and where the automatic copies to restore from are.
        const bool restores = wayOut.endsWith(QLatin1String("restore"));
        QVERIFY2(text.contains(wayOut + (restores ? QStringLiteral(" 备份文件 \"") : QStringLiteral(" \"")) +
                               QFileInfo(file).absoluteFilePath()),
                 qPrintable(text));
        if (restores) {
            QVERIFY2(text.contains(QDir(db.dir()).filePath(QStringLiteral("备份"))), qPrintable(text));
        }
        if (QFileInfo(file).isFile()) QCOMPARE(bytesOf(file), before);
    }

    // Another program holding the database (a second copy of this one, a restore from the
    // command line) is named in one message instead of two programs sharing the file.
    void aDatabaseInUseIsNamed() {
        TempDatabase db;
        RecordingDialogs dialogs;
        DatabaseLock other(db.path());
        QCOMPARE(other.tryLock(0), DatabaseLock::State::Locked);
        Program program(optionsFor(db, db.path()));
        QVERIFY(!program.create());
        QCOMPARE(dialogs.boxes.size(), 1);
        QVERIFY(dialogs.boxes[0].text.contains(QStringLiteral("正在被另一个程序使用")));
        QVERIFY(dialogs.boxes[0].text.contains(db.path()));
    }

    // A normal close, after the exit time is written, leaves the day's copy beside the older ones;
    // turned off, it leaves none.
    void aNormalCloseLeavesTheDaysCopy_data() {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("on") << true;
        QTest::newRow("turned off") << false;
    }

    void aNormalCloseLeavesTheDaysCopy() {
        QFETCH(bool, enabled);
        TempDatabase db;
        RecordingDialogs dialogs;
        Program::Options options = optionsFor(db, db.path());
        options.backupDir = db.file(QStringLiteral("备份"));
        if (!enabled) saveAutoBackupSetting({false, options.backupDir}, options.backupDir);
        QVERIFY(runAutoBackup(db.path(), options.backupDir, QDate::currentDate().addDays(-1)).ok());
        const QString yesterday = autoBackups(options.backupDir).first().path;
        const QByteArray before = bytesOf(yesterday);
        Program program(options);
        QVERIFY(program.create());
        Session::setOperatorName(kSuperAdministrator);
        program.dm->ADOConnection1.execute(QStringLiteral("INSERT INTO rz (username, btime) VALUES (?, ?)"),
                                           {kSuperAdministrator, QStringLiteral("2026-12-10 08:00:00")});
        program.mainForm->setLoginLogId(int(program.dm->ADOConnection1.lastInsertRowId()));
        program.mainForm->show();
        QTRY_VERIFY(program.dm->ADOTable5.isOpen());
        QVERIFY(program.mainForm->close());
        const QList<AutoBackupFile> copies = autoBackups(options.backupDir);
        QCOMPARE(copies.size(), enabled ? 2 : 1);
        QCOMPARE(bytesOf(yesterday), before);
        if (!enabled) return;
        QCOMPARE(copies.first().day, QDate::currentDate());
        QCOMPARE(databaseProblem(copies.first().path), QString());
        // The copy holds the exit time the close wrote.
        Connection copy;
        copy.openReadOnly(copies.first().path, QByteArray(kDatabaseKey));
        QVERIFY(!copy.scalar(QStringLiteral("SELECT jtime FROM rz")).isNull());
        QVERIFY(lastAutoBackupText().endsWith(QStringLiteral(" 已备份")));
    }

    void theToolbarOpensBackupAndAbout() {
        TempDatabase db;
        RecordingDialogs dialogs;
        Program program(optionsFor(db, db.path()));
        QVERIFY(program.create());
        Session::setOperatorName(kSuperAdministrator);
        program.mainForm->setLoginLogId(1);
        program.mainForm->show();
        QTRY_VERIFY(program.dm->ADOTable5.isOpen());
        program.mainForm->ToolButton4->click();
        QVERIFY(!program.repair.isNull());
        QVERIFY(program.repair->isVisible());
        QVERIFY(!program.mainForm->isVisible());
        QVERIFY(!program.dm->ADOConnection1.isOpen());
        // A line written meanwhile (as a restore brings one) is on the list when the window closes.
        db.exec(QStringLiteral("INSERT INTO data (a, c, [2], [6]) VALUES ('可乐', 'A1', 2, 7)"));
        db.db().close();
        program.repair->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(program.repair.isNull());
        QVERIFY(program.mainForm->isVisible());
        QVERIFY(program.dm->ADOConnection1.isOpen());
        QCOMPARE(program.counter->noteList->rowCount(), 1);
        QCOMPARE(program.mainForm->Label25->text(), QStringLiteral("共:7.00元"));

        QTimer::singleShot(0, program.aboutBox, [&] {
            QVERIFY(program.aboutBox->isVisible());
            // The about box says where the data lives, so a person can find the file.
            QCOMPARE(program.aboutBox->DataFolder->text(),
                     QStringLiteral("数据文件夹：") + QDir::toNativeSeparators(db.dir()));
            program.aboutBox->OKButton->click();
        });
        program.mainForm->aboutItem->trigger();
        QVERIFY(!program.aboutBox->isVisible());
        QVERIFY(program.mainForm->close());
    }
};

ZENLO_TEST(TestStartup)
#include "tst_startup.moc"
