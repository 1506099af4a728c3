// Writes on a full disk: the settlement, the Excel export and the backup. The disk is made full
// for this process alone by a file size limit (writes past it fail with EFBIG, as they would
// with ENOSPC on a full disk), lifted again before the results are checked.
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include "core/database_copy.h"
#include "core/settings_stores.h"
#include "core/ui/dbgrid.h"
#include "core/ui/window_opener.h"
#include "goods/Unit1.h"
#include "maintenance/repairdb.h"
#include "sale/settlement.h"
#include "support/counter_fixture.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

namespace {

// No file of this process may grow past `bytes` while it lives.
class DiskFull {
public:
    explicit DiskFull(qint64 bytes) {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit full = old_;
        full.rlim_cur = rlim_t(bytes);
        ok_ = ::setrlimit(RLIMIT_FSIZE, &full) == 0;
    }
    ~DiskFull() { ::setrlimit(RLIMIT_FSIZE, &old_); }
    bool ok() const { return ok_; }

private:
    rlimit old_{};
    bool ok_ = false;
};

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

// Goods with long names, so a note of them or a list of them fills pages quickly.
void addManyGoods(TempDatabase& db, int from, int count) {
    for (int i = from; i < from + count; ++i) {
        db.addGoods(QStringLiteral("G%1").arg(i, 4, 10, QLatin1Char('0')),
                    QStringLiteral("特级东北大米五公斤装第%1号商品（真空包装）").arg(i), 10 + i % 7, 8);
    }
}

// One box that names the failure and the disk as its cause, and no word of success.
void expectFullDiskMessage(const RecordingDialogs& dialogs, const QString& failure) {
    QCOMPARE(dialogs.boxes.size(), 1);
    const QString text = dialogs.boxes.first().text;
    QVERIFY2(text.contains(failure), qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("成功")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("磁盘")), qPrintable(text));  // the cause, in words
}

}  // namespace

class TestFullDisk : public QObject {
    Q_OBJECT

private slots:
    // The sale is refused whole: the note stays on the counter to be settled again once there
    // is room, the earlier sales stay as they were, and no serial is used twice.
    void settlement() {
        CounterFixture f;
        addManyGoods(f.db, 0, 60);
        const auto settle = [&f] {
            f.scan(QString());  // Enter on the empty field opens the panel
            f.counter->settlement->Edit5->selectAll();
            QTest::keyClicks(f.counter->settlement->Edit5, QStringLiteral("5000"));
            QTest::mouseClick(f.counter->settlement->Button17, Qt::LeftButton);
        };
        f.scan(QStringLiteral("G0001"));
        settle();
        QCOMPARE(f.db.count(QStringLiteral("data3")), 1);
        const QString firstSale = f.db.scalar(QStringLiteral("SELECT a || '|' || [1] FROM data3")).toString();
        for (int i = 0; i < 60; ++i) f.scan(QStringLiteral("G%1").arg(i, 4, 10, QLatin1Char('0')));
        const QString serial = f.main->serialText();
        f.db.db().close();
        f.dialogs.clear();
        {
            // The database cannot grow; the journal beside it still has room.
            DiskFull full(QFileInfo(f.db.path()).size());
            QVERIFY(full.ok());
            settle();
        }
        expectFullDiskMessage(f.dialogs, QString());
        QCOMPARE(f.dialogs.boxes.first().icon, Dialogs::Icon::Error);
        QCOMPARE(f.db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT group_concat(a || '|' || [1]) FROM data3")).toString(), firstSale);
        QCOMPARE(f.db.count(QStringLiteral("data1")), 1);
        QCOMPARE(f.db.count(QStringLiteral("data")), 60);
        QCOMPARE(f.counter->noteList->query().recordCount(), 60);
        QCOMPARE(f.main->serialText(), serial);

        f.dialogs.clear();
        settle();
        QVERIFY2(f.dialogs.boxes.isEmpty(), qPrintable(f.dialogs.lastText()));
        QCOMPARE(f.db.count(QStringLiteral("data3")), 2);
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT count(DISTINCT a) FROM data3")).toInt(), 2);
        QCOMPARE(f.db.count(QStringLiteral("data1")), 61);
        QCOMPARE(f.db.count(QStringLiteral("data")), 0);
    }

    // The export says it failed and why; the file exported before stays as it was. A list small
    // enough to sit in the file's buffer until the last moment fails only at the final flush.
    void excelExport_data() {
        QTest::addColumn<int>("goods");
        QTest::addColumn<int>("limit");
        QTest::newRow("a long list, cut while written") << 200 << 4096;
        QTest::newRow("a short list, cut at the last flush") << 20 << 2048;
    }
    void excelExport() {
        QFETCH(int, goods);
        QFETCH(int, limit);
        UiFixture f;
        addManyGoods(f.db, 0, goods);
        TForm1 form(nullptr, *f.dm);
        form.show();
        const QString path = f.db.file(QStringLiteral("商品.xls"));
        f.dialogs.fileAnswers = {path, path};
        QTest::mouseClick(form.exportButton, Qt::LeftButton);
        QCOMPARE(f.dialogs.urls.size(), 1);  // written and opened
        const QByteArray before = bytesOf(path);
        QVERIFY(before.size() > limit);
        const QStringList files = filesIn(f.db.dir());
        addManyGoods(f.db, goods, goods / 4);
        form.listAll();
        f.dialogs.clear();
        {
            DiskFull full(limit);
            QVERIFY(full.ok());
            QTest::mouseClick(form.exportButton, Qt::LeftButton);  // answers yes to replacing
        }
        QCOMPARE(f.dialogs.boxes.first().kind, QStringLiteral("yesNo"));
        f.dialogs.boxes.removeFirst();
        expectFullDiskMessage(f.dialogs, QStringLiteral("导出Excel失败"));
        QCOMPARE(f.dialogs.urls.size(), 1);
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(filesIn(f.db.dir()), files);
    }

    // A full disk never empties config.ini: the serial a restart reads is the one after the last
    // sale, and the refused sale, settled once there is room, takes a serial of its own.
    void configIniSurvivesAFullDisk() {
        CounterFixture f;
        addManyGoods(f.db, 0, 5);
        const auto settle = [&f] {
            f.scan(QString());
            f.counter->settlement->Edit5->selectAll();
            QTest::keyClicks(f.counter->settlement->Edit5, QStringLiteral("500"));
            QTest::mouseClick(f.counter->settlement->Button17, Qt::LeftButton);
        };
        f.scan(QStringLiteral("G0001"));
        settle();
        QCOMPARE(f.db.count(QStringLiteral("data3")), 1);
        const QByteArray config = bytesOf(configIniPath(f.db.dir()));
        QVERIFY(config.contains(f.main->serialText().trimmed().toLatin1()));
        f.scan(QStringLiteral("G0002"));
        f.db.db().close();
        f.dialogs.clear();
        {
            DiskFull full(16);  // nothing of any size can be written
            QVERIFY(full.ok());
            settle();
        }
        QCOMPARE(f.db.count(QStringLiteral("data3")), 1);
        QCOMPARE(bytesOf(configIniPath(f.db.dir())), config);
        f.dialogs.clear();
        settle();
        QVERIFY2(f.dialogs.boxes.isEmpty(), qPrintable(f.dialogs.lastText()));
        QCOMPARE(f.db.scalar(QStringLiteral("SELECT count(DISTINCT a) FROM data3")).toInt(), 2);
    }

    // The backup fails with its reason; the backup taken before stays whole and as it was, the
    // database loses nothing, and no piece of the copy is left behind.
    void backup() {
        CounterFixture f;
        addManyGoods(f.db, 0, 300);
        const QString target = f.db.file(QStringLiteral("beifen.mdb"));
        QPointer<Trepair> ref;
        Trepair* w = openWindow(ref, f.main.get(), *f.dm);
        w->Edit1->setText(target);
        QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
        QCOMPARE(f.dialogs.lastText(), Repair::kBackupSucceeded);
        const QByteArray old = bytesOf(target);
        addManyGoods(f.db, 300, 300);
        f.db.db().close();
        const qint64 size = QFileInfo(f.db.path()).size();
        const QStringList files = filesIn(f.db.dir());
        f.dialogs.clear();
        {
            DiskFull full(size / 2);
            QVERIFY(full.ok());
            QTest::mouseClick(w->BitBtn1, Qt::LeftButton);  // answers yes to replacing
        }
        QCOMPARE(f.dialogs.boxes.first().kind, QStringLiteral("yesNo"));
        f.dialogs.boxes.removeFirst();
        expectFullDiskMessage(f.dialogs, Repair::kBackupFailed);
        QCOMPARE(bytesOf(target), old);
        QCOMPARE(databaseProblem(target), QString());
        QCOMPARE(filesIn(f.db.dir()), files);
        QCOMPARE(f.db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        QCOMPARE(f.db.count(QStringLiteral("sp")), 600);
        delete ref.data();
    }
};

ZENLO_TEST(TestFullDisk)
#include "tst_full_disk.moc"
