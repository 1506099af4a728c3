// The automatic backups: which copies the rotation keeps, and a copy made at a close.
#include <QDir>
#include <QFile>
#include <QtTest>

#include "core/auto_backup.h"
#include "core/database_copy.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

namespace {

QList<QDate> daysFrom(QDate first, int count, int step = 1) {
    QList<QDate> out;
    for (int i = 0; i < count; ++i) out.append(first.addDays(i * step));
    return out;
}

QList<QDate> dates(std::initializer_list<const char*> texts) {
    QList<QDate> out;
    for (const char* t : texts) out.append(QDate::fromString(QLatin1String(t), Qt::ISODate));
    return out;
}

void touch(const QString& path, const QByteArray& bytes = QByteArrayLiteral("old copy")) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

class TestAutoBackup : public QObject {
    Q_OBJECT

private slots:
    // Four hundred days of daily copies, and shops that do not open every day.
    void theRotationKeepsAMonthOfDaysAndAYearOfMonths_data() {
        QTest::addColumn<QList<QDate>>("days");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QList<QDate>>("kept");
        const QDate today(2026, 12, 10);
        QList<QDate> everyDay = daysFrom(today.addDays(-399), 400);
        QList<QDate> kept = dates({"2026-01-01", "2026-02-01", "2026-03-01", "2026-04-01", "2026-05-01", "2026-06-01",
                                   "2026-07-01", "2026-08-01", "2026-09-01", "2026-10-01", "2026-11-01"});
        kept += daysFrom(QDate(2026, 11, 11), 30);  // 11 November to today, 1 December among them
        QTest::newRow("400 daily copies") << everyDay << today << kept;

        // Closed on the first of every month and on Sundays: the month's earliest copy stands in.
        QList<QDate> workdays;
        for (const QDate& d : everyDay) {
            if (d.day() != 1 && d.dayOfWeek() != Qt::Sunday) workdays.append(d);
        }
        QList<QDate> keptWorkdays;
        for (const QDate& d : workdays) {
            const bool firstOfMonth =
                d >= QDate(2026, 1, 1) && (d.day() == 2 || (d.day() == 3 && d.addDays(-1).dayOfWeek() == Qt::Sunday));
            if (d >= QDate(2026, 11, 11) || firstOfMonth) keptWorkdays.append(d);
        }
        QTest::newRow("closed on the 1st and on Sundays") << workdays << today << keptWorkdays;

        QTest::newRow("a copy a week for two years")
            << daysFrom(QDate(2024, 12, 12), 105, 7) << today
            << dates({"2026-01-01", "2026-02-05", "2026-03-05", "2026-04-02", "2026-05-07", "2026-06-04", "2026-07-02",
                      "2026-08-06", "2026-09-03", "2026-10-01", "2026-11-05", "2026-11-12", "2026-11-19", "2026-11-26",
                      "2026-12-03", "2026-12-10"});
        // A clock set a year ahead once: that copy is not the rotation's to judge.
        QTest::newRow("a copy from the future")
            << dates({"2026-12-09", "2027-12-09"}) << today << dates({"2026-12-09", "2027-12-09"});
    }

    void theRotationKeepsAMonthOfDaysAndAYearOfMonths() {
        QFETCH(QList<QDate>, days);
        QFETCH(QDate, today);
        QFETCH(QList<QDate>, kept);
        QCOMPARE(backupDaysToKeep(days, today), kept);
    }

    // The names the folder holds besides the program's copies are left alone.
    void onlyTheProgramsOwnCopiesAreCounted_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDate>("day");
        QTest::newRow("a copy") << "data-20261210.mdb" << QDate(2026, 12, 10);
        QTest::newRow("a half-made copy") << "data-20261210.mdb.partial-1234" << QDate();
        QTest::newRow("no such day") << "data-20260230.mdb" << QDate();
        QTest::newRow("the owner's own") << "data-20261210 - 副本.mdb" << QDate();
        QTest::newRow("the manual backup") << "beifen.mdb" << QDate();
    }

    void onlyTheProgramsOwnCopiesAreCounted() {
        QFETCH(QString, name);
        QFETCH(QDate, day);
        QCOMPARE(autoBackupDay(name), day);
    }

    // A copy at a close: today's file whole and checked (replacing the earlier copy of the day),
    // the copies the rotation drops removed only after it, other files untouched; a copy that
    // fails removes nothing.
    void aCloseCopiesThenRotates() {
        TempDatabase db;
        db.addGoods(QStringLiteral("A1"), QStringLiteral("可乐"), 3, 2);
        db.db().close();
        const QString dir = db.file(QStringLiteral("备份"));
        QVERIFY(QDir().mkpath(dir));
        const QDate today(2026, 12, 10);
        for (const QDate& d : daysFrom(today.addDays(-59), 60)) touch(QDir(dir).filePath(autoBackupName(d)));
        touch(QDir(dir).filePath(QStringLiteral("beifen.mdb")));

        // The database gone: nothing copied, nothing removed.
        QFile::rename(db.path(), db.file(QStringLiteral("away.mdb")));
        QStringList removed;
        QVERIFY(!runAutoBackup(db.path(), dir, today, QDeadlineTimer(QDeadlineTimer::Forever), &removed).ok());
        QVERIFY(removed.isEmpty());
        QCOMPARE(autoBackups(dir).size(), 60);
        QFile::rename(db.file(QStringLiteral("away.mdb")), db.path());

        const DatabaseCopyResult result =
            runAutoBackup(db.path(), dir, today, QDeadlineTimer(QDeadlineTimer::Forever), &removed);
        QVERIFY2(result.ok(), qPrintable(result.problem));
        const QList<AutoBackupFile> left = autoBackups(dir);
        QCOMPARE(left.size(), 32);  // 30 days, 1 November and the earliest of October
        QCOMPARE(left.first().day, today);
        QCOMPARE(left.at(30).day, QDate(2026, 11, 1));
        QCOMPARE(left.last().day, QDate(2026, 10, 12));
        QCOMPARE(removed.size(), 28);
        QVERIFY(databaseProblem(left.first().path).isEmpty());
        QVERIFY(QFile::exists(QDir(dir).filePath(QStringLiteral("beifen.mdb"))));
    }

    // A copy the deadline overtakes is given up: no file under today's name, the old copy kept.
    void aSlowCopyIsGivenUpCleanly() {
        TempDatabase db;
        db.db().close();
        const QString dir = db.file(QStringLiteral("备份"));
        QVERIFY(QDir().mkpath(dir));
        const QDate today(2026, 12, 10);
        const QString todays = QDir(dir).filePath(autoBackupName(today));
        touch(todays, QByteArrayLiteral("this morning"));
        touch(QDir(dir).filePath(autoBackupName(QDate(2025, 1, 1))));
        QDeadlineTimer passed(0);
        const DatabaseCopyResult result = runAutoBackup(db.path(), dir, today, passed);
        QVERIFY(!result.ok());
        QVERIFY2(result.problem.contains(QStringLiteral("规定的时间")), qPrintable(result.problem));
        QFile f(todays);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArrayLiteral("this morning"));
        QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 2);  // nothing half-made beside it
    }

    // The setting: on by default in the data folder; off, or another folder, when chosen.
    void theSettingRemembersOffAndAnotherFolder() {
        TempDatabase db;
        const QString standard = db.file(QStringLiteral("备份"));
        AutoBackupSetting s = autoBackupSetting(standard);
        QVERIFY(s.enabled);
        QCOMPARE(s.dir, standard);
        saveAutoBackupSetting({false, QStringLiteral("/media/u盘/备份")}, standard);
        s = autoBackupSetting(standard);
        QVERIFY(!s.enabled);
        QCOMPARE(s.dir, QStringLiteral("/media/u盘/备份"));
        saveAutoBackupSetting({true, standard + QLatin1Char('/')}, standard);
        QCOMPARE(autoBackupSetting(standard + QStringLiteral("/../备份")).dir, standard + QStringLiteral("/../备份"));
    }
};

ZENLO_TEST(TestAutoBackup)
#include "tst_auto_backup.moc"
