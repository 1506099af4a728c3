// The program killed at random moments of its other writes, then started again: goods changed in
// the goods window, goods imported from a workbook, backups and restores. After every kill the
// files are whole, every confirmed write is there and the write cut short is there whole or not
// at all.
#include <sys/file.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtTest>
#include <map>

#include "core/auto_backup.h"
#include "core/database_copy.h"
#include "core/schema.h"
#include "fault/fault_goods.h"
#include "fault/kill_rounds.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

namespace {

QString integrity(Connection& db) {
    return db.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
}

// code -> version of every goods row; a row that is no whole write of FaultGoods fails the test.
using Catalogue = std::map<QString, int>;

Catalogue catalogue(Connection& db) {
    Catalogue out;
    Statement rows(db.handle(), QStringLiteral("SELECT 商品编码,商品名称,商品类别,规格型号,供货商,单位,"
                                               "进货单价,销售单价,会员价 FROM sp"));
    while (rows.step()) {
        const QString code = rows.value(0).toString();
        const QString name = rows.value(1).toString();
        const FaultGoods g{code, name.mid(4).toInt()};
        const QStringList stored = {name,
                                    rows.value(2).toString(),
                                    rows.value(3).toString(),
                                    rows.value(4).toString(),
                                    rows.value(5).toString(),
                                    QString::number(rows.value(6).toDouble(), 'f', 2),
                                    QString::number(rows.value(7).toDouble(), 'f', 2),
                                    QString::number(rows.value(8).toDouble(), 'f', 2)};
        const QStringList whole = {g.name(), g.category(),      g.spec(),      g.supplier(),
                                   g.unit(), g.purchasePrice(), g.salePrice(), g.memberPrice()};
        if (stored != whole) {
            QTest::qFail(qPrintable(QStringLiteral("%1 is no whole write: %2").arg(code, stored.join(u'|'))), __FILE__,
                         __LINE__);
            return {};
        }
        if (!out.emplace(code, g.version).second) {
            QTest::qFail(qPrintable(QStringLiteral("%1 stored twice").arg(code)), __FILE__, __LINE__);
            return {};
        }
    }
    return out;
}

// "add CODE VERSION", "modify CODE VERSION", "delete CODE" as the child reports them.
void apply(Catalogue& c, const QString& write) {
    const QStringList w = write.split(u' ');
    if (w.at(0) == QLatin1String("delete")) {
        c.erase(w.at(1));
    } else {
        c[w.at(1)] = w.at(2).toInt();
    }
}

// A database file of the program with `rows` goods named `name`.
void fillGoods(Connection& db, const QString& name, int rows) {
    Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM sp"));
    for (int i = 0; i < rows; ++i) {
        db.execute(QStringLiteral("INSERT INTO sp (商品编码,商品名称,商品类别,规格型号,单位,供货商,进货单价,销售单价,"
                                  "会员价) VALUES (?,?,'日用','500ml','瓶','城东批发部',1.5,2.5,2)"),
                   {QStringLiteral("%1%2").arg(name).arg(i, 6, 10, QLatin1Char('0')), name});
    }
    tx.commit();
}

// The goods name a database file holds and how many rows of it; the file must be sound.
QString goodsOf(const QString& path) {
    if (const QString problem = databaseProblem(path); !problem.isEmpty()) return problem;
    Connection db;
    db.openReadOnly(path, QByteArray(kDatabaseKey));
    return db
        .scalar(QStringLiteral("SELECT group_concat(n) FROM (SELECT DISTINCT 商品名称 || '×' || "
                               "(SELECT count(*) FROM sp) AS n FROM sp)"))
        .toString();
}

}  // namespace

class TestKilled : public QObject {
    Q_OBJECT

private slots:
    // 新 建, 修 改 and 删 除 in the goods window: the catalogue after a restart is the confirmed
    // changes, with the one cut short done whole or not at all.
    void goodsChanges() {
        TempDatabase db;
        db.db().close();
        QRandomGenerator random(7100);
        Catalogue expected;
        int confirmed = 0;
        for (int round = 1; round <= 6; ++round) {
            const KilledRun run = runUntilKilled({QStringLiteral("goods"), db.path(), QString::number(round)},
                                                 2 + int(random.bounded(4)), random);
            QVERIFY2(run.error.isEmpty(), qPrintable(run.error));
            for (const QString& write : run.done) apply(expected, write);
            confirmed += int(run.done.size());
            QCOMPARE(integrity(db.db()), QStringLiteral("ok"));
            const Catalogue stored = catalogue(db.db());
            if (QTest::currentTestFailed()) return;
            if (stored != expected && !run.cutShort.isEmpty()) apply(expected, run.cutShort);
            QVERIFY2(stored == expected,
                     qPrintable(QStringLiteral("round %1, cut short: %2").arg(round).arg(run.cutShort)));
            db.db().close();
        }
        QVERIFY(confirmed >= 12);
    }

    // The import writes all rows of the sheet or none, whenever it is killed.
    void goodsImport() {
        TempDatabase db;
        db.addGoods(QStringLiteral("A1"), QStringLiteral("可口可乐"), 5, 4, 4.5);
        db.db().close();
        const QString xls = QStringLiteral(ZENLO_TEST_SOURCE_DIR "/fixtures/goods_100.xls");
        const int sheetRows = 100;
        QRandomGenerator random(7200);
        int imports = 0;
        for (int round = 0; round < 6; ++round) {
            const KilledRun run =
                runUntilKilled({QStringLiteral("import"), db.path(), xls}, int(random.bounded(3)), random);
            QVERIFY2(run.error.isEmpty(), qPrintable(run.error));
            for (const QString& write : run.done) QCOMPARE(write.section(u' ', 2), QString::number(sheetRows));
            QCOMPARE(integrity(db.db()), QStringLiteral("ok"));
            const int stored = db.count(QStringLiteral("sp")) - 1;
            imports += int(run.done.size());
            QVERIFY2(stored == imports * sheetRows || (!run.cutShort.isEmpty() && stored == (imports + 1) * sheetRows),
                     qPrintable(QStringLiteral("%1 rows after %2 imports").arg(stored).arg(imports)));
            imports = stored / sheetRows;
            // Every row of the sheet as often as the sheet went in, and the goods already there kept.
            if (imports > 0) {
                QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) || ' ' || min(n) || ' ' || max(n) FROM (SELECT "
                                                  "count(*) AS n FROM sp WHERE 商品编码 <> 'A1' GROUP BY 商品编码)"))
                             .toString(),
                         QStringLiteral("%1 %2 %2").arg(sheetRows).arg(imports));
            }
            QCOMPARE(db.count(QStringLiteral("sp"), QStringLiteral("商品编码 = 'A1' AND 商品名称 = '可口可乐'")), 1);
            db.db().close();
        }
        QVERIFY(imports > 0);
    }

    // A backup killed at any moment leaves under the backup's name the old backup or the new one,
    // whole, and the database as it was.
    void backups() {
        TempDatabase db;
        const QString target = db.file(QStringLiteral("beifen.mdb"));
        QRandomGenerator random(7300);
        QString backedUp;  // what the last whole backup holds
        for (int round = 0; round < 6; ++round) {
            // Each round backs up a database that differs from the last backup.
            fillGoods(db.db(), QStringLiteral("第%1轮").arg(round), 1500 + 500 * round);
            db.db().close();
            const QString now = goodsOf(db.path());
            const KilledRun run =
                runUntilKilled({QStringLiteral("backup"), db.path(), target}, int(random.bounded(2)), random);
            QVERIFY2(run.error.isEmpty(), qPrintable(run.error));
            QCOMPARE(goodsOf(db.path()), now);
            if (!run.done.isEmpty()) {
                QCOMPARE(goodsOf(target), now);
            } else if (QFileInfo::exists(target)) {
                const QString kept = goodsOf(target);
                QVERIFY2(kept == backedUp || kept == now, qPrintable(kept));
            }
            if (QFileInfo::exists(target)) backedUp = goodsOf(target);
        }
        QVERIFY(!backedUp.isEmpty());
        // Whatever the kills left beside it carries another name.
        for (const QFileInfo& f : QDir(db.dir()).entryInfoList(QDir::Files)) {
            if (f.fileName().startsWith(QLatin1String("beifen.mdb"))) {
                QVERIFY2(f.fileName() == QLatin1String("beifen.mdb") ||
                             f.fileName().startsWith(QLatin1String("beifen.mdb.partial-")),
                         qPrintable(f.fileName()));
            }
        }
    }

    // A close killed during its automatic copy leaves the database as it was, the copies of the
    // other days untouched, and today's copy the old one or the new one, whole.
    void automaticBackups() {
        TempDatabase db;
        const QString dir = db.file(QStringLiteral("备份"));
        std::map<QString, QByteArray> older;  // the other days' copies and their bytes
        for (int day = 7; day <= 9; ++day) {
            fillGoods(db.db(), QStringLiteral("12月%1日").arg(day), 500);
            db.db().close();
            QVERIFY(runAutoBackup(db.path(), dir, QDate(2026, 12, day)).ok());
            const QString path = QDir(dir).filePath(autoBackupName(QDate(2026, 12, day)));
            older[path] = bytesOf(path);
        }
        const QString todays = QDir(dir).filePath(autoBackupName(QDate(2026, 12, 10)));
        QRandomGenerator random(7500);
        QString copied;  // what the last whole copy of today holds
        for (int round = 0; round < 6; ++round) {
            fillGoods(db.db(), QStringLiteral("第%1轮").arg(round), 1500 + 500 * round);
            db.db().close();
            const QString now = goodsOf(db.path());
            const KilledRun run =
                runUntilKilled({QStringLiteral("autobackup"), db.path(), dir}, int(random.bounded(2)), random);
            QVERIFY2(run.error.isEmpty(), qPrintable(run.error));
            QCOMPARE(goodsOf(db.path()), now);
            for (const auto& [path, bytes] : older) QVERIFY2(bytesOf(path) == bytes, qPrintable(path));
            if (!run.done.isEmpty()) {
                QCOMPARE(goodsOf(todays), now);
            } else if (QFileInfo::exists(todays)) {
                const QString kept = goodsOf(todays);
                QVERIFY2(kept == copied || kept == now, qPrintable(kept));
            }
            if (QFileInfo::exists(todays)) copied = goodsOf(todays);
        }
        QVERIFY(!copied.isEmpty());
        QCOMPARE(autoBackups(dir).size(), 4);
    }

    // A restore killed at any moment leaves data.mdb as it was or the restored file whole.
    void restores() {
        TempDatabase db;
        const QString a = db.file(QStringLiteral("a.mdb"));
        const QString b = db.file(QStringLiteral("b.mdb"));
        fillGoods(db.db(), QStringLiteral("甲"), 1500);
        db.db().close();
        QVERIFY(backupDatabase(db.path(), a).ok());
        fillGoods(db.db(), QStringLiteral("乙"), 3000);
        db.db().close();
        QVERIFY(backupDatabase(db.path(), b).ok());
        fillGoods(db.db(), QStringLiteral("丙"), 10);
        db.db().close();
        const std::map<QString, QString> contents = {{a, goodsOf(a)}, {b, goodsOf(b)}};
        QString current = goodsOf(db.path());
        QRandomGenerator random(7400);
        for (int round = 0; round < 6; ++round) {
            const KilledRun run =
                runUntilKilled({QStringLiteral("restore"), db.path(), a, b}, int(random.bounded(3)), random);
            QVERIFY2(run.error.isEmpty(), qPrintable(run.error));
            if (!run.done.isEmpty()) current = contents.at(run.done.last().section(u' ', 1));
            const QString now = goodsOf(db.path());
            QVERIFY2(now == current || (!run.cutShort.isEmpty() && now == contents.at(run.cutShort.section(u' ', 1))),
                     qPrintable(QStringLiteral("%1 after %2 (cut short: %3)").arg(now, current, run.cutShort)));
            current = now;
        }
        QCOMPARE(goodsOf(a), contents.at(a));
        QCOMPARE(goodsOf(b), contents.at(b));
    }

    // A program killed between creating its lock file and writing its name into it leaves an
    // empty lock file. Nobody holds it, so it locks nobody out; a lock file that a living
    // program holds while it writes its name still does.
    void aLockFileCutShort() {
        TempDatabase db;
        db.db().close();
        const QString backup = db.file(QStringLiteral("beifen.mdb"));
        QVERIFY(backupDatabase(db.path(), backup).ok());
        QFile lock(DatabaseLock::lockPath(db.path()));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        QCOMPARE(::flock(lock.handle(), LOCK_EX | LOCK_NB), 0);
        QCOMPARE(restoreDatabase(backup, db.path()).failure, DatabaseCopyResult::Failure::InUse);
        lock.close();  // its holder is gone
        QVERIFY(QFileInfo(lock.fileName()).size() == 0);
        const DatabaseCopyResult restored = restoreDatabase(backup, db.path());
        QVERIFY2(restored.ok(), qPrintable(restored.problem));
        QVERIFY(!QFileInfo::exists(lock.fileName()));
    }
};

ZENLO_TEST(TestKilled)
#include "tst_killed.moc"
