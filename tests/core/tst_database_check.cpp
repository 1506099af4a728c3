// The check of a database file at start: a large file's pages are checked in the background,
// and no write reaches the file before the check has passed; a damaged one is never written.
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include "core/dm.h"
#include "core/errors.h"
#include "core/schema.h"
#include "core/shared_queries.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

namespace {

// Every file is checked as a large one is.
struct CheckedInTheBackground {
    CheckedInTheBackground() { Tdmfm::checkAtOnceBytes = 0; }
    ~CheckedInTheBackground() { Tdmfm::checkAtOnceBytes = kCheckAtOnceBytes; }
};

}  // namespace

class TestDatabaseCheck : public QObject {
    Q_OBJECT

private slots:
    void aDamagedLargeFileIsNeverWritten() {
        TempDatabase db;
        for (int i = 0; i < 400; ++i) db.addGoods(QStringLiteral("G%1").arg(i), QString(60, QChar(0x5546)), 3, 2);
        db.db().close();
        {
            QFile f(db.path());
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 2);
            f.write(QByteArray(64, '\x55'));
        }
        const QByteArray damaged = bytesOf(db.path());
        const CheckedInTheBackground background;
        Tdmfm dm(db.path());  // opens: the pages are checked meanwhile
        QSignalSpy told(&dm, &Tdmfm::databaseDamaged);
        try {
            ExecQuery(dm.ADOQuery1, QStringLiteral("insert into rz (username) values ('王丽')"));
            QFAIL("a write reached a damaged file");
        } catch (const DataError& e) {
            QCOMPARE(e.kind(), DataError::Kind::Damaged);
            QVERIFY2(e.message().contains(QStringLiteral("已经损坏")), qPrintable(e.message()));
        }
        QVERIFY(told.count() == 1 || told.wait(5000));
        QVERIFY2(!told.first().first().toString().isEmpty(), "the problem is named");
        dm.disconnectDatabase();
        QCOMPARE(bytesOf(db.path()), damaged);
    }

    void aSoundLargeFileIsWrittenOnceChecked() {
        TempDatabase db;
        db.db().close();
        const CheckedInTheBackground background;
        Tdmfm dm(db.path());
        QSignalSpy told(&dm, &Tdmfm::databaseDamaged);
        ExecQuery(dm.ADOQuery1, QStringLiteral("insert into rz (username) values ('王丽')"));
        QCOMPARE(db.count(QStringLiteral("rz")), 1);
        QCoreApplication::processEvents();
        QCOMPARE(told.count(), 0);
    }
};

ZENLO_TEST(TestDatabaseCheck)
#include "tst_database_check.moc"
