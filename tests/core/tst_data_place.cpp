// Where the data lives: beside a copied program, in the user's data folder when installed.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data_place.h"
#include "support/test_registry.h"

class TestDataPlace : public QObject {
    Q_OBJECT

private slots:
    void installedProgramsKeepDataInTheUsersFolder_data() {
        QTest::addColumn<QString>("programDir");  // "writable", "read-only" or a path
        QTest::addColumn<bool>("installed");
        QTest::newRow("/opt") << "/opt/zenlo/bin" << true;
        QTest::newRow("/usr") << "/usr/lib/zenlo" << true;
        QTest::newRow("a copied folder") << "writable" << false;
        QTest::newRow("a folder it cannot write") << "read-only" << true;
    }

    void installedProgramsKeepDataInTheUsersFolder() {
        QFETCH(QString, programDir);
        QFETCH(bool, installed);
        QTemporaryDir home;
        const QString dataHome = home.filePath(QStringLiteral("share"));
        if (programDir == QLatin1String("writable") || programDir == QLatin1String("read-only")) {
            const bool readOnly = programDir == QLatin1String("read-only");
            programDir = home.filePath(QStringLiteral("program"));
            QVERIFY(QDir().mkpath(programDir));
            if (readOnly) {
                QFile::setPermissions(programDir, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
                if (QFileInfo(programDir).isWritable()) QSKIP("running as a user who can write anywhere");
            }
        }
        const DataPlace place = dataPlaceFor(programDir, dataHome);
        QCOMPARE(place.installed, installed);
        if (installed) {
            const QString folder = QDir(dataHome).filePath(QStringLiteral("zenlo"));
            QCOMPARE(place.dataDir, folder);
            QVERIFY(QFileInfo(folder).isDir());  // made at once, so the first start can write there
            QCOMPARE(place.configDir, folder);
            QCOMPARE(place.databasePath, QDir(folder).filePath(QStringLiteral("data.mdb")));
        } else {
            QCOMPARE(place.dataDir, QDir::currentPath());
            QCOMPARE(place.configDir, programDir);
            QCOMPARE(place.databasePath, QStringLiteral("data.mdb"));
            QVERIFY(!QFileInfo::exists(QDir(dataHome).filePath(QStringLiteral("zenlo"))));
        }
        QCOMPARE(place.backupDir, QDir(place.dataDir).filePath(QStringLiteral("备份")));
        QFile::setPermissions(home.filePath(QStringLiteral("program")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
};

ZENLO_TEST(TestDataPlace)
#include "tst_data_place.moc"
