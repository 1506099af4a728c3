// config.ini beside the program and the per-user keys.
#include <QDir>
#include <QFile>
#include <QtTest>

#include "core/settings_stores.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void configPathBesideTheProgram() {
        QCOMPARE(configIniPath(QStringLiteral("/opt/zenlo")), QStringLiteral("/opt/zenlo/config.ini"));
        // A program at a drive root: its directory already ends with the separator.
        QCOMPARE(configIniPath(QStringLiteral("/")), QStringLiteral("/config.ini"));
        QCOMPARE(configIniPath(QStringLiteral("E:\\")), QStringLiteral("E:\\config.ini"));
    }

    void missingFileGivesDefaultsAndIsNotCreated() {
        QTemporaryDir dir;
        IniFile ini(configIniPath(dir.path()));
        ini.load();
        QCOMPARE(ini.value(ConfigIni::kSerialSection, ConfigIni::kSerialKey, QStringLiteral("fallback")),
                 QStringLiteral("fallback"));
        ini.setValue(ConfigIni::kCounterSection, ConfigIni::kCounterKey, QStringLiteral("3"));  // in memory only
        QCOMPARE(ini.value(ConfigIni::kCounterSection, ConfigIni::kCounterKey, QString()), QStringLiteral("3"));
        QVERIFY(!QFile::exists(ini.path()));
    }

    void savedValuesReadBackAndOtherEntriesSurvive() {
        QTemporaryDir dir;
        const QString path = configIniPath(dir.path());
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[upgrade]\nurl=http://127.0.0.1/v.txt\n\n[serial]\nnumber=OLD\n");
        }
        IniFile ini(path);
        ini.load();
        QCOMPARE(ini.value(ConfigIni::kSerialSection, ConfigIni::kSerialKey, QString()), QStringLiteral("OLD"));
        ini.setValue(ConfigIni::kSerialSection, ConfigIni::kSerialKey, QStringLiteral("CJG1315000015"));
        ini.setValue(ConfigIni::kCounterSection, ConfigIni::kCounterKey, QStringLiteral("15"));
        QVERIFY(ini.save());
        IniFile again(path);
        again.load();
        QCOMPARE(again.value(ConfigIni::kSerialSection, ConfigIni::kSerialKey, QString()),
                 QStringLiteral("CJG1315000015"));
        QCOMPARE(again.value(ConfigIni::kCounterSection, ConfigIni::kCounterKey, QString()), QStringLiteral("15"));
        QCOMPARE(again.value(ConfigIni::kUpgradeSection, ConfigIni::kUpgradeKey, QString()),
                 QStringLiteral("http://127.0.0.1/v.txt"));
        // No temporary file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("config.ini")});
    }

    void unwritableDirectoryIsReported() {
        IniFile ini(QStringLiteral("/nonexistent-dir-for-zenlo/config.ini"));
        ini.setValue(QStringLiteral("serial"), QStringLiteral("number"), QStringLiteral("x"));
        QVERIFY(!ini.save());
    }

    void userKeysAreCreatedOnlyWhenWritten() {
        TempDatabase sandbox;  // points the per-user stores into a temporary home
        QVERIFY(!UserKey::pos().value(QStringLiteral("skin")).has_value());
        const QString file = sandbox.file(QStringLiteral("home/.config/tessvale/pos.ini"));
        QVERIFY(!QFile::exists(file));
        UserKey::pos().setValue(QStringLiteral("skin"), QStringLiteral("3"));
        QCOMPARE(UserKey::pos().value(QStringLiteral("skin")).value_or(QString()), QStringLiteral("3"));
        QVERIFY(QFile::exists(file));
        // The backup path lives under a key of its own.
        QVERIFY(!UserKey::jxc().value(QStringLiteral("skin")).has_value());
        UserKey::jxc().setValue(QStringLiteral("save"), QStringLiteral("D:\\beifen.mdb"));
        QCOMPARE(UserKey::jxc().value(QStringLiteral("save")).value_or(QString()), QStringLiteral("D:\\beifen.mdb"));
    }
};

ZENLO_TEST(TestSettings)
#include "tst_settings.moc"
