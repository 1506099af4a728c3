// A power cut at any moment of a settlement: killed at random points of a loop of sales, the
// program leaves no sale half-written and never hands out a serial twice after a restart, also
// when each sale's receipt goes to a receipt printer on the network.
#include <QRandomGenerator>
#include <QtTest>

#include "core/receipt_printer.h"
#include "core/schema.h"
#include "core/settings_stores.h"
#include "fault/kill_rounds.h"
#include "support/loopback_printer.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

class TestSettleCrash : public QObject {
    Q_OBJECT

private slots:
    void killedAtRandomPoints_data() {
        QTest::addColumn<bool>("receipts");
        QTest::newRow("no receipts") << false;
        QTest::newRow("receipts to a network printer") << true;
    }
    void killedAtRandomPoints() {
        QFETCH(bool, receipts);
        TempDatabase db;
        PrinterSink printer;
        QStringList child{QStringLiteral("settle"), db.path(), db.dir()};
        if (receipts) {
            ReceiptPrinterSettings settings;  // the child reads the same per-user store
            settings.mode = ReceiptPrinterSettings::Mode::Network;
            settings.host = QStringLiteral("127.0.0.1");
            settings.port = printer.port();
            settings.save();
            child << QStringLiteral("receipt");
        }
        db.addGoods(QStringLiteral("A1"), QStringLiteral("可口可乐"), 5, 4, 4.5);
        db.addGoods(QStringLiteral("B2"), QStringLiteral("洗衣粉"), 15, 12.5, 14);
        db.addGoods(QStringLiteral("C3"), QStringLiteral("电池"), 11.9, 8, 11);
        db.db().close();
        QRandomGenerator random(20261209);
        int reported = 0;  // sales the child said were stored before it was killed
        for (int round = 0; round < 8; ++round) {
            // Let it sell a few notes, then pull the plug somewhere inside the next one.
            const KilledRun run = runUntilKilled(child, 1 + int(random.bounded(3)), random);
            QVERIFY2(run.error.isEmpty(), qPrintable(run.error));
            reported += int(run.done.size());
            // Opened again after each kill, as the next start opens it: the confirmed sales are
            // there, and the one cut short is there whole or not at all.
            QCOMPARE(db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
            const int stored = db.count(QStringLiteral("data3"));
            QVERIFY2(stored == reported || (stored == reported + 1 && !run.cutShort.isEmpty()),
                     qPrintable(QStringLiteral("%1 stored, %2 confirmed").arg(stored).arg(reported)));
            reported = stored;
            db.db().close();
        }

        Connection& check = db.db();
        QCOMPARE(check.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const int sales = check.scalar(QStringLiteral("SELECT count(*) FROM data3")).toInt();
        QVERIFY(sales > 8);
        if (receipts) QVERIFY(printer.jobs() >= reported - 8);  // the printed ones, but the cut short
        QCOMPARE(check.scalar(QStringLiteral("SELECT count(DISTINCT a) FROM data3")).toInt(), sales);
        // Every history line belongs to a stored sale, every sale has its lines, and they add up.
        QCOMPARE(
            check.scalar(QStringLiteral("SELECT count(*) FROM data1 WHERE h NOT IN (SELECT a FROM data3)")).toInt(), 0);
        QCOMPARE(
            check.scalar(QStringLiteral("SELECT count(*) FROM data3 WHERE a NOT IN (SELECT h FROM data1)")).toInt(), 0);
        QCOMPARE(
            check
                .scalar(QStringLiteral(
                    "SELECT count(*) FROM data3 s WHERE abs(s.[1] - (SELECT sum([6]) FROM data1 WHERE h=s.a)) > 0.001"))
                .toInt(),
            0);
        // The serial the next start will use belongs to no stored sale.
        IniFile ini(configIniPath(db.dir()));
        ini.load();
        const QString next = ini.value(ConfigIni::kSerialSection, ConfigIni::kSerialKey, QString());
        QVERIFY(!next.isEmpty());
        QCOMPARE(check.scalar(QStringLiteral("SELECT count(*) FROM data3 WHERE a=?"), {next}).toInt(), 0);
        // Once opened after the kill, the file alone is the database: a whole-file copy without
        // whatever journal the kill left beside it holds every stored sale.
        QVERIFY(!QFile::exists(db.path() + QStringLiteral("-wal")));
        QCOMPARE(check.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("delete"));
        const QString copy = db.file(QStringLiteral("copy.mdb"));
        QVERIFY(QFile::copy(db.path(), copy));
        Connection copied;
        copied.open(copy, kDatabaseKey);
        QCOMPARE(copied.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        QCOMPARE(copied.scalar(QStringLiteral("SELECT count(*) FROM data3")).toInt(), sales);
        QCOMPARE(copied.scalar(QStringLiteral("SELECT count(*) FROM data1")).toInt(),
                 check.scalar(QStringLiteral("SELECT count(*) FROM data1")).toInt());
    }
};

ZENLO_TEST(TestSettleCrash)
#include "tst_settle_crash.moc"
