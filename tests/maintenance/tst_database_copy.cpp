// Backup and restore of the database file: whole copies or none, a consistent copy while
// another connection writes, the safety copy, the lock the data module holds.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include "core/database_copy.h"
#include "core/dm.h"
#include "core/errors.h"
#include "core/schema.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

namespace {

using Failure = DatabaseCopyResult::Failure;

// Goods with long names, so the file spans many pages (and several steps of the copy).
void addGoods(TempDatabase& db, int count, const QString& prefix) {
    Transaction tx(db.db());
    for (int i = 0; i < count; ++i) {
        db.exec(QStringLiteral("INSERT INTO sp (商品编码,商品名称) VALUES (?,?)"),
                {prefix + QString::number(i), QString(200, QChar(0x4e00 + i % 500))});
    }
    tx.commit();
}

int goodsIn(const QString& path) {
    Connection c;
    c.openReadOnly(path, QByteArray(kDatabaseKey));
    return c.scalar(QStringLiteral("SELECT count(*) FROM sp")).toInt();
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

}  // namespace

class TestDatabaseCopy : public QObject {
    Q_OBJECT

private slots:
    // A backup replaces an old one only with a whole, checked copy; a failed one leaves the old
    // backup and nothing half-written beside it.
    void backupsAreWholeOrNone() {
        TempDatabase db;
        addGoods(db, 40, QStringLiteral("G"));
        const QString target = db.file(QStringLiteral("beifen.mdb"));
        QVERIFY(backupDatabase(db.path(), target).ok());
        addGoods(db, 5, QStringLiteral("H"));
        QVERIFY(backupDatabase(db.path(), target).ok());
        QCOMPARE(goodsIn(target), 45);
        const QByteArray old = bytesOf(target);
        const QString junk = db.file(QStringLiteral("junk.mdb"));
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
        f.close();
        QCOMPARE(backupDatabase(junk, target).failure, Failure::Copy);
        QCOMPARE(bytesOf(target), old);
        QCOMPARE(backupDatabase(db.path(), db.path()).failure, Failure::Copy);  // onto itself
        QCOMPARE(filesIn(db.dir()),
                 (QStringList{QStringLiteral("beifen.mdb"), QStringLiteral("data.mdb"), QStringLiteral("junk.mdb")}));
    }

    // A write between two steps of the copy makes the engine start again instead of mixing pages
    // of two moments; the writer does not wait for the whole copy.
    void backupWhileAnotherConnectionWrites() {
        TempDatabase db;
        addGoods(db, 6000, QStringLiteral("G"));  // some 3 MB: several steps
        Connection writer;
        writer.open(db.path(), QByteArray(kDatabaseKey));
        int steps = 0;
        const QString target = db.file(QStringLiteral("b.mdb"));
        const DatabaseCopyResult r = backupDatabase(db.path(), target, [&](qint64, qint64) {
            if (++steps == 1) writer.execute(QStringLiteral("INSERT INTO sp (商品编码) VALUES ('during')"));
        });
        QVERIFY2(r.ok(), qPrintable(r.problem));
        QVERIFY(steps > 2);
        QCOMPARE(databaseProblem(target), QString());
        QCOMPARE(goodsIn(target), 6001);
    }

    void restoreKeepsTheReplacedDatabase() {
        TempDatabase db;
        addGoods(db, 3, QStringLiteral("OLD"));
        const QString backup = db.file(QStringLiteral("beifen.mdb"));
        QVERIFY(backupDatabase(db.path(), backup).ok());
        addGoods(db, 7, QStringLiteral("NEW"));
        db.db().close();
        const QByteArray before = bytesOf(db.path());
        // A journal left by an interrupted write must not be played back onto the restored file.
        QFile journal(db.path() + QStringLiteral("-journal"));
        QVERIFY(journal.open(QIODevice::WriteOnly));
        journal.write(QByteArray(2048, '\x01'));
        journal.close();

        DatabaseCopyResult r = restoreDatabase(backup, db.path());
        QVERIFY2(r.ok(), qPrintable(r.problem));
        QCOMPARE(goodsIn(db.path()), 3);
        QVERIFY(!journal.exists());
        const QRegularExpression name(QStringLiteral("^data\\.before-restore-\\d{8}-\\d{6}\\.mdb$"));
        QVERIFY2(name.match(QFileInfo(r.safetyCopy).fileName()).hasMatch(), qPrintable(r.safetyCopy));
        QCOMPARE(QFileInfo(r.safetyCopy).absolutePath(), QFileInfo(db.path()).absolutePath());
        QCOMPARE(bytesOf(r.safetyCopy), before);
        QVERIFY(QFile::exists(r.safetyCopy + QStringLiteral("-journal")));
        // A second restore in the same second keeps both copies.
        const DatabaseCopyResult again = restoreDatabase(backup, db.path());
        QVERIFY(again.ok() && again.safetyCopy != r.safetyCopy);
        QCOMPARE(bytesOf(r.safetyCopy), before);
        // A lost database is what restoring is for.
        QVERIFY(QFile::remove(db.path()));
        r = restoreDatabase(backup, db.path());
        QVERIFY(r.ok() && r.safetyCopy.isEmpty());
        QCOMPARE(goodsIn(db.path()), 3);
    }

    // The data module holds the lock while connected; a restore is refused meanwhile.
    void theLockFollowsTheConnection() {
        TempDatabase db;
        const QString backup = db.file(QStringLiteral("beifen.mdb"));
        QVERIFY(backupDatabase(db.path(), backup).ok());
        auto dm = std::make_unique<Tdmfm>(db.path());
        DatabaseLock probe(db.path());
        QCOMPARE(probe.tryLock(0), DatabaseLock::State::HeldElsewhere);
        QCOMPARE(restoreDatabase(backup, db.path()).failure, Failure::InUse);
        QCOMPARE(filesIn(db.dir()), (QStringList{QStringLiteral("beifen.mdb"), QStringLiteral("data.mdb"),
                                                 QStringLiteral("data.mdb.lock")}));
        dm->disconnectDatabase();
        QVERIFY(restoreDatabase(backup, db.path()).ok());
        // While someone else holds it, the module does not connect.
        QCOMPARE(probe.tryLock(0), DatabaseLock::State::Locked);
        QVERIFY_THROWS_EXCEPTION(DataError, dm->connectDatabase());
        QVERIFY(!dm->ADOConnection1.isOpen());
        probe.unlock();
        dm->connectDatabase();
        QVERIFY(dm->ADOConnection1.isOpen());
        dm.reset();
        QVERIFY(!QFile::exists(DatabaseLock::lockPath(db.path())));
    }
};

ZENLO_TEST(TestDatabaseCopy)
#include "tst_database_copy.moc"
