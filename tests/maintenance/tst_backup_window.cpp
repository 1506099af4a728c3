// The backup window: the remembered path, the copies and their messages, and the way back to
// the counter with the database connected again.
#include <QDir>
#include <QFile>
#include <QPushButton>

#include <QCheckBox>
#include <QLabel>
#include <QTreeWidget>

#include "core/auto_backup.h"
#include "core/database_copy.h"
#include "core/settings_stores.h"
#include "core/ui/click_label.h"
#include "maintenance/repairdb.h"
#include "sale/note_editing.h"
#include "sale/settlement.h"
#include "support/counter_fixture.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString firstLine(const QString& text) {
    return text.section(QLatin1Char('\n'), 0, 0);
}

// The counter with the backup window opened as the toolbar opens it.
struct RepairFixture : CounterFixture {
    QPointer<Trepair> ref;

    ~RepairFixture() {
        if (ref) delete ref.data();
    }

    Trepair* open() {
        Trepair* w = openWindow(ref, main.get(), *dm);
        w->setRefreshNoteList([this] {
            counter->noteList->refresh();
            counter->editing->noteTotals();
        });
        main->hide();
        return w;
    }

    // Closes the window; true when it went (and the main window is back).
    bool close() {
        ref->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return ref.isNull();
    }

    void backupTo(const QString& path) {
        ref->Edit1->setText(path);
        QTest::mouseClick(ref->BitBtn1, Qt::LeftButton);
    }

    void restoreFrom(const QString& path, bool answer = true) {
        ref->Edit2->setText(path);
        dialogs.answers = {answer};
        QTest::mouseClick(ref->BitBtn5, Qt::LeftButton);
    }

    void settle(const QString& cash) {
        scan(QString());  // Enter on the empty field opens the panel
        counter->settlement->Edit5->selectAll();
        QTest::keyClicks(counter->settlement->Edit5, cash);
        QTest::mouseClick(counter->settlement->Button17, Qt::LeftButton);
    }

    QString codes(const QString& table, const QString& column) {
        return db
            .scalar(
                QStringLiteral("SELECT group_concat(%1, ' ') FROM (SELECT %1 FROM %2 ORDER BY 1)").arg(column, table))
            .toString();
    }
};

// The engine's English, which the operator must never be shown.
bool speaksEngine(const QString& text) {
    for (const char* word : {"database", "malformed", "encrypted", "integrity", "page ", "disk image"}) {
        if (text.contains(QLatin1String(word), Qt::CaseInsensitive)) return true;
    }
    return false;
}

}  // namespace

class TestBackupWindow : public QObject {
    Q_OBJECT

private slots:
    void thePathIsRememberedAndHasADefault() {
        RepairFixture f;
        Trepair* w = f.open();
        QCOMPARE(w->Edit1->text(), defaultBackupPath());
        QVERIFY(!UserKey::jxc().value(kBackupPathValue));  // opening writes nothing
        // Every change is stored at once.
        w->Edit1->clear();
        QTest::keyClicks(w->Edit1, QStringLiteral("/media/usb/shop"));
        QCOMPARE(UserKey::jxc().value(kBackupPathValue).value_or(QString()), QStringLiteral("/media/usb/shop"));
        QTest::mouseClick(w->Label4, Qt::LeftButton);
        QCOMPARE(w->Edit1->text(), defaultBackupPath());
        QCOMPARE(UserKey::jxc().value(kBackupPathValue).value_or(QString()), defaultBackupPath());
        // The default lies in the home directory, where a backup can be written.
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), Repair::kBackupSucceeded);
        QCOMPARE(databaseProblem(defaultBackupPath()), QString());

        const QString last = f.db.file(QStringLiteral("备份/beifen.mdb"));
        w->Edit1->setText(last);
        QVERIFY(f.close());
        w = f.open();
        QCOMPARE(w->Edit1->text(), last);
        QCOMPARE(w->Edit2->text(), last);  // the restore starts from the same file
    }

    // The day's automatic copies are listed newest first; one chosen in the list restores with
    // the same question and checks as any file; the copies can be turned off or sent elsewhere.
    void theAutomaticCopiesAreListedAndOneRestores() {
        RepairFixture f;
        const QString dir = f.db.file(QStringLiteral("备份"));
        f.db.addGoods(QStringLiteral("A1"), QStringLiteral("可口可乐"), 5, 4);
        QVERIFY(runAutoBackup(f.db.path(), dir, QDate(2026, 12, 8)).ok());
        f.db.addGoods(QStringLiteral("B2"), QStringLiteral("洗衣粉"), 15, 12.5);
        QVERIFY(runAutoBackup(f.db.path(), dir, QDate(2026, 12, 9)).ok());
        rememberAutoBackup(DatabaseCopyResult(), QDateTime(QDate(2026, 12, 9), QTime(18, 2)));
        f.db.db().close();  // the test's own look at the file, opened again after the restore
        Trepair* w = f.open();
        w->setAutoBackupFolder(dir);
        QVERIFY(w->CheckBox1->isChecked());
        QCOMPARE(w->Edit3->text(), QDir::toNativeSeparators(dir));
        QCOMPARE(w->ListView1->topLevelItemCount(), 2);
        QVERIFY(w->ListView1->topLevelItem(0)->text(0).startsWith(QStringLiteral("2026-12-09 ")));
        QVERIFY(w->ListView1->topLevelItem(1)->text(0).startsWith(QStringLiteral("2026-12-08 ")));
        QVERIFY(w->ListView1->topLevelItem(1)->text(1).endsWith(QStringLiteral(" KB")));
        QCOMPARE(w->Label5->text(), QStringLiteral("共2个自动备份。最近一次：2026-12-09 18:02 已备份"));

        w->ListView1->setCurrentItem(w->ListView1->topLevelItem(1));
        QCOMPARE(w->Edit2->text(), QDir::toNativeSeparators(QDir(dir).filePath(QStringLiteral("data-20261208.mdb"))));
        f.dialogs.answers = {true};
        QTest::mouseClick(w->BitBtn5, Qt::LeftButton);
        QVERIFY2(f.dialogs.lastText().startsWith(Repair::kRestoreSucceeded), qPrintable(f.dialogs.lastText()));
        QVERIFY(f.close());
        QCOMPARE(f.codes(QStringLiteral("sp"), QStringLiteral("商品编码")), QStringLiteral("A1"));

        w = f.open();
        w->setAutoBackupFolder(dir);
        w->CheckBox1->click();
        QVERIFY(!autoBackupSetting(dir).enabled);
        const QString usb = f.db.file(QStringLiteral("u盘"));
        QVERIFY(QDir().mkpath(usb));
        f.dialogs.fileAnswers = {usb};
        QTest::mouseClick(w->Button2, Qt::LeftButton);
        QCOMPARE(autoBackupSetting(dir).dir, usb);
        QCOMPARE(w->ListView1->topLevelItemCount(), 0);
        QVERIFY(w->Label5->text().startsWith(QStringLiteral("还没有自动备份。")));
    }

    // The dialog's file name: the last file chosen in it, nothing before the first choice.
    void openingABackupFile() {
        RepairFixture f;
        Trepair* w = f.open();
        f.dialogs.fileAnswers = {QString(), f.db.file(QStringLiteral("a.mdb")), QString()};
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        QCOMPARE(w->Edit2->text(), QString());
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        QCOMPARE(w->Edit2->text(), QDir::toNativeSeparators(f.db.file(QStringLiteral("a.mdb"))));
        QTest::mouseClick(w->Button1, Qt::LeftButton);
        QCOMPARE(w->Edit2->text(), QDir::toNativeSeparators(f.db.file(QStringLiteral("a.mdb"))));
        QCOMPARE(f.dialogs.fileCaptions.first(), QStringLiteral("打开备份文件"));
    }

    // A restore brings back that moment — sales, goods, users and the open note — and the
    // counter works on at once.
    void aRestoreBringsBackThatMoment() {
        RepairFixture f;
        f.dm->startHistoryIndex();
        f.db.addGoods(QStringLiteral("A1"), QStringLiteral("可口可乐"), 5, 4);
        f.db.addGoods(QStringLiteral("B2"), QStringLiteral("洗衣粉"), 15, 12.5);
        f.db.exec(QStringLiteral("INSERT INTO userdb VALUES ('张三', '888')"));
        f.scan(QStringLiteral("A1"));
        f.scan(QStringLiteral("A1"));
        f.settle(QStringLiteral("10"));
        QCOMPARE(f.db.count(QStringLiteral("data3")), 1);
        f.scan(QStringLiteral("B2"));
        QVERIFY(QDir(f.db.dir()).mkdir(QStringLiteral("u盘")));
        const QString backup = f.db.file(QStringLiteral("u盘/beifen.mdb"));
        f.open();
        // The copies need the file out of use: every dataset is closed, the lock let go.
        QVERIFY(!f.main->isVisible());
        QVERIFY(!f.dm->ADOConnection1.isOpen());
        QVERIFY(!f.dm->ADOQuery15.isOpen());
        QVERIFY(!QFile::exists(DatabaseLock::lockPath(f.dm->databasePath())));
        f.backupTo(backup);
        QCOMPARE(f.dialogs.lastText(), Repair::kBackupSucceeded);
        QVERIFY(f.close());

        // The rest of the day.
        f.db.addGoods(QStringLiteral("C3"), QStringLiteral("牙膏"), 8, 6);
        f.db.exec(QStringLiteral("DELETE FROM userdb WHERE username='张三'"));
        f.scan(QStringLiteral("C3"));
        f.settle(QStringLiteral("30"));
        QCOMPARE(f.db.count(QStringLiteral("data3")), 2);
        f.db.db().close();

        Trepair* w = f.open();
        QCOMPARE(w->Edit2->text(), backup);
        f.dialogs.clear();
        f.restoreFrom(backup);
        QCOMPARE(f.dialogs.boxes.size(), 2);
        QCOMPARE(f.dialogs.boxes[0].kind, QStringLiteral("yesNo"));
        QVERIFY(!f.dialogs.boxes[0].defaultYes);
        QVERIFY(f.dialogs.boxes[0].text.contains(QFileInfo(f.db.path()).fileName()));
        QCOMPARE(firstLine(f.dialogs.lastText()), Repair::kRestoreSucceeded);
        QVERIFY(f.dialogs.lastText().contains(QStringLiteral("data.before-restore-")));
        QVERIFY(f.close());
        QVERIFY(f.main->isVisible());
        QVERIFY(f.dm->ADOTable5.isOpen());
        QVERIFY(f.dm->ADOTable2.isOpen());
        QTRY_VERIFY(f.dm->ADOTable6.isOpen());  // the main window's show sequence ran again
        QVERIFY(QFile::exists(DatabaseLock::lockPath(f.dm->databasePath())));

        QCOMPARE(f.db.count(QStringLiteral("data3")), 1);
        QCOMPARE(f.codes(QStringLiteral("data1"), QStringLiteral("c")), QStringLiteral("A1"));
        QCOMPARE(f.codes(QStringLiteral("sp"), QStringLiteral("商品编码")), QStringLiteral("A1 B2"));
        QCOMPARE(f.codes(QStringLiteral("userdb"), QStringLiteral("username")), QStringLiteral("张三 超级管理员"));
        QCOMPARE(f.codesShown(), QStringLiteral("B2"));
        QCOMPARE(f.main->Label25->text(), QStringLiteral("共:15.00元"));
        QTRY_COMPARE(f.dm->ADOTable2.recordCount(), 1);

        // No restart: code entry and settlement work on the restored file.
        f.scan(QStringLiteral("A1"));
        QCOMPARE(f.codesShown(), QStringLiteral("B2 A1"));
        f.settle(QStringLiteral("50"));
        QCOMPARE(f.db.count(QStringLiteral("data3")), 2);
        QCOMPARE(f.db.count(QStringLiteral("data1")), 3);
        QCOMPARE(f.db.count(QStringLiteral("data")), 0);
    }

    void copiesThatDoNotHappen_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("says");
        QTest::newRow("backup into a missing folder") << "backup-missing-folder" << false << Repair::kBackupFailed;
        QTest::newRow("backup not replacing") << "backup-declined" << true << Repair::kBackupFailed;
        QTest::newRow("restore from nowhere") << "restore-missing" << false << Repair::kSourceMissing;
        QTest::newRow("restore from no database") << "restore-junk" << true << Repair::kRestoreFailed;
        QTest::newRow("restore from a truncated backup") << "restore-truncated" << true << Repair::kRestoreFailed;
        QTest::newRow("restore from a file without rz") << "restore-no-table" << true << Repair::kRestoreFailed;
        QTest::newRow("restore not replacing") << "restore-declined" << true << Repair::kRestoreFailed;
    }

    // Each says so, leaves data.mdb and the old backup as they were, and the window still
    // closes back to the counter.
    void copiesThatDoNotHappen() {
        QFETCH(QString, action);
        QFETCH(bool, asked);
        QFETCH(QString, says);
        RepairFixture f;
        {
            Transaction tx(f.db.db());
            for (int i = 0; i < 300; ++i)
                f.db.addGoods(QStringLiteral("G%1").arg(i), QString(100, QChar(0x5546)), 1, 1);
            tx.commit();
        }
        const QString backup = f.db.file(QStringLiteral("beifen.mdb"));
        f.open();
        f.backupTo(backup);
        f.db.db().close();
        if (action == QLatin1String("restore-junk")) writeBytes(backup, QByteArray(50000, '\x7f'));
        if (action == QLatin1String("restore-truncated")) QVERIFY(QFile::resize(backup, QFileInfo(backup).size() / 2));
        if (action == QLatin1String("restore-no-table")) {
            Connection other;
            other.open(backup, QByteArray(kDatabaseKey));
            other.execute(QStringLiteral("DROP TABLE rz"));
        }
        const QByteArray database = bytesOf(f.db.path());
        const QByteArray oldBackup = bytesOf(backup);
        const QStringList files = QDir(f.db.dir()).entryList(QDir::Files);
        f.dialogs.clear();
        if (action == QLatin1String("backup-missing-folder")) f.backupTo(f.db.file(QStringLiteral("无此目录/b.mdb")));
        if (action == QLatin1String("backup-declined")) {
            f.dialogs.answers = {false};
            f.backupTo(backup);
        }
        if (action == QLatin1String("restore-missing")) f.restoreFrom(f.db.file(QStringLiteral("nowhere.mdb")));
        if (action.startsWith(QLatin1String("restore-")) && action != QLatin1String("restore-missing")) {
            f.restoreFrom(backup, action != QLatin1String("restore-declined"));
        }
        QCOMPARE(f.dialogs.boxes.size(), asked ? 2 : 1);
        QCOMPARE(firstLine(f.dialogs.lastText()), says);
        // A failure is a warning, and it speaks Chinese: the engine's own words stay in the log.
        QCOMPARE(f.dialogs.boxes.last().icon, Dialogs::Icon::Warning);
        QVERIFY2(!speaksEngine(f.dialogs.lastText()), qPrintable(f.dialogs.lastText()));
        if (says == Repair::kSourceMissing) QCOMPARE(f.dialogs.lastText(), says);
        QCOMPARE(bytesOf(f.db.path()), database);
        QCOMPARE(bytesOf(backup), oldBackup);
        QCOMPARE(QDir(f.db.dir()).entryList(QDir::Files), files);
        QVERIFY(f.close());
        QVERIFY(f.main->isVisible());
        QCOMPARE(f.db.count(QStringLiteral("sp")), 300);
    }

    // A database that cannot be connected keeps the window open, naming the file and the
    // safety copy, until a sound one is restored.
    void noWayBackWithoutADatabase() {
        RepairFixture f;
        const QString backup = f.db.file(QStringLiteral("beifen.mdb"));
        f.open();
        f.backupTo(backup);
        f.db.db().close();
        f.restoreFrom(backup);
        QCOMPARE(firstLine(f.dialogs.lastText()), Repair::kRestoreSucceeded);
        writeBytes(f.db.path(), QByteArray(8192, '\x33'));  // damaged behind the program's back
        f.dialogs.clear();
        QVERIFY(!f.close());
        QVERIFY(f.ref->isVisible());
        QVERIFY(!f.main->isVisible());
        QCOMPARE(f.dialogs.boxes.size(), 1);
        QCOMPARE(f.dialogs.boxes[0].icon, Dialogs::Icon::Error);
        const QString text = f.dialogs.boxes[0].text;
        QVERIFY2(text.contains(QDir::toNativeSeparators(f.db.path())), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("data.before-restore-")), qPrintable(text));
        QVERIFY2(!speaksEngine(text), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("请恢复一个有效的备份文件")), qPrintable(text));
        QVERIFY(!f.dm->ADOConnection1.isOpen());
        QVERIFY(!QFile::exists(DatabaseLock::lockPath(f.db.path())));

        f.restoreFrom(backup);
        QCOMPARE(firstLine(f.dialogs.lastText()), Repair::kRestoreSucceeded);

        // Another program holding the database is named as the cause, not the backup.
        {
            DatabaseLock other(f.db.path());
            QCOMPARE(other.tryLock(0), DatabaseLock::State::Locked);
            f.dialogs.clear();
            QVERIFY(!f.close());
            QCOMPARE(f.dialogs.boxes.size(), 1);
            QVERIFY2(f.dialogs.lastText().contains(QStringLiteral("另一个程序正在使用数据库")),
                     qPrintable(f.dialogs.lastText()));
            QVERIFY(!f.dialogs.lastText().contains(QStringLiteral("请恢复一个有效的备份文件")));
        }
        QVERIFY(f.close());
        QVERIFY(f.main->isVisible());
        QVERIFY(f.dm->ADOTable5.isOpen());
    }
};

ZENLO_TEST(TestBackupWindow)
#include "tst_backup_window.moc"
