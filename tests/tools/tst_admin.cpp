// zenlo-admin: creating and checking database files, importing goods.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include "admin_commands.h"
#include "core/auto_backup.h"
#include "core/connection.h"
#include "core/database_copy.h"
#include "core/demo_goods.h"
#include "core/dm.h"
#include "core/errors.h"
#include "core/schema.h"
#include "core/settings_stores.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

namespace {
int admin(const QStringList& args, QString* out = nullptr, QString* err = nullptr) {
    QString o, e;
    QTextStream os(&o), es(&e);
    const int code = runAdmin(args, os, es);
    os.flush();
    es.flush();
    if (out) *out = o;
    if (err) *err = e;
    return code;
}
}  // namespace

class TestAdmin : public QObject {
    Q_OBJECT

private slots:
    void initCreatesAnEncryptedFileWithTheSchema() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("data.mdb"));
        QString out;
        QCOMPARE(admin({QStringLiteral("init"), file}, &out), 0);
        QVERIFY(out.contains(kDefaultPassword));
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(!raw.read(16).startsWith("SQLite format 3"));
        Connection db;
        db.open(file, QByteArray(kDatabaseKey));
        for (const TableDef& t : schemaTables()) {
            QVERIFY2(
                db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name=?"), {t.name}).toInt() == 1,
                qPrintable(t.name));
        }
        // The code index, the lookup's index and the date indexes of the two history tables.
        QCOMPARE(db.scalar(QStringLiteral("SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master "
                                          "WHERE type='index' ORDER BY name)"))
                     .toString(),
                 QStringLiteral("data1_day1 data3_a data3_day1 sp_lookup sp_商品编码"));
        QCOMPARE(
            db.scalar(QStringLiteral("SELECT passwd FROM userdb WHERE username=?"), {kSuperAdministrator}).toString(),
            kDefaultPassword);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM sp")).toInt(), 0);
        // Passwords compare exactly, user names and codes without ASCII case.
        db.execute(QStringLiteral("INSERT INTO userdb VALUES ('Abc', 'Pw1')"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM userdb WHERE username='abc' AND passwd='pw1'")).toInt(),
                 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM userdb WHERE username='abc' AND passwd='Pw1'")).toInt(),
                 1);
        QCOMPARE(admin({QStringLiteral("check"), file}), 0);
    }

    void demoGoodsAreRealisticAndIndexed() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("demo.mdb"));
        QCOMPARE(admin({QStringLiteral("init"), QStringLiteral("--demo"), file}), 0);
        Connection db;
        db.open(file, QByteArray(kDatabaseKey));
        const int goods = db.scalar(QStringLiteral("SELECT count(*) FROM sp")).toInt();
        QVERIFY(goods >= 45 && goods <= 60);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(DISTINCT 商品编码) FROM sp")).toInt(), goods);
        QCOMPARE(db.scalar(QStringLiteral("SELECT sppy FROM sp WHERE 商品名称='可口可乐'")).toString(),
                 QStringLiteral("kkkl"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT lbpy FROM sp WHERE 商品名称='可口可乐'")).toString(),
                 QStringLiteral("yl"));
        // Every bar code carries a valid EAN-13 check digit.
        for (const DemoGoods& g : demoGoods()) {
            QCOMPARE(g.code.size(), 13);
            QCOMPARE(g.code.right(1).toInt(), ean13CheckDigit(g.code.left(12)));
        }
        QCOMPARE(ean13CheckDigit(QStringLiteral("690123456789")), 2);

        // The demo history adds up: every sale's total is the sum of its lines, serials are
        // unique, and today is left free for the first real sale.
        QVERIFY(db.scalar(QStringLiteral("SELECT count(*) FROM data3")).toInt() > 1000);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM data3 s WHERE abs(s.[1]-(SELECT sum([6]) FROM data1 "
                                          "l WHERE l.h=s.a))>=0.005"))
                     .toInt(),
                 0);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(DISTINCT a)=count(*) FROM data3")).toInt(), 1);
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM data3 WHERE day1>=?"),
                           {QDate::currentDate().toString(Qt::ISODate)})
                     .toInt(),
                 0);
    }

    void refusesToOverwriteAnExistingFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("data.mdb"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("the shop's precious sales");
        f.close();
        QString err;
        QCOMPARE(admin({QStringLiteral("init"), QStringLiteral("--demo"), file}, nullptr, &err), 1);
        QVERIFY(err.contains(QStringLiteral("不会覆盖")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("the shop's precious sales"));
        QVERIFY_THROWS_EXCEPTION(DataError, createDatabaseFile(file, false));
        // Nothing half-made is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    void badUsageAndBadFiles() {
        QCOMPARE(admin({}), 2);
        QCOMPARE(admin({QStringLiteral("frobnicate")}), 2);
        QCOMPARE(admin({QStringLiteral("init"), QStringLiteral("--colour")}), 2);
        QTemporaryDir dir;
        QCOMPARE(admin({QStringLiteral("init"), dir.filePath(QStringLiteral("no/such/dir/data.mdb"))}), 1);
        QString err;
        QCOMPARE(admin({QStringLiteral("check"), dir.filePath(QStringLiteral("missing.mdb"))}, nullptr, &err), 1);
        QVERIFY(err.contains(QStringLiteral("不存在")));
    }

    // The window's import from a script: the database defaults to data.mdb where it runs.
    void importAddsGoodsOrSaysWhyNot() {
        QTemporaryDir dir;
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const auto back = qScopeGuard([&] { QDir::setCurrent(here); });
        QCOMPARE(admin({QStringLiteral("init")}), 0);
        const QString goods = QStringLiteral(ZENLO_TEST_SOURCE_DIR "/fixtures/goods_100.xls");
        QString out, err;
        QCOMPARE(admin({QStringLiteral("import"), goods}, &out), 0);
        QVERIFY2(out.startsWith(QStringLiteral("已导入 100 种商品")) && out.count(QLatin1Char('\n')) == 1,
                 qPrintable(out));
        QCOMPARE(admin({QStringLiteral("import"), QStringLiteral(ZENLO_TEST_SOURCE_DIR "/fixtures/bad_price.xls"),
                        QStringLiteral("data.mdb")},
                       &out, &err),
                 1);
        QVERIFY2(err.contains(QStringLiteral("批量EXCEL导入失败！")) && err.contains(QStringLiteral("“十元”不是数字")),
                 qPrintable(err));
        QCOMPARE(admin({QStringLiteral("import"), goods, QStringLiteral("other.mdb")}, &out, &err), 1);
        QVERIFY2(err.contains(QStringLiteral("连接ACCESS失败！")), qPrintable(err));
        QCOMPARE(admin({QStringLiteral("import")}), 2);
        QCOMPARE(admin({QStringLiteral("import"), goods, QStringLiteral("data.mdb"), QStringLiteral("more")}), 2);
        Connection db;
        db.open(QStringLiteral("data.mdb"), QByteArray(kDatabaseKey));
        QCOMPARE(db.scalar(QStringLiteral("SELECT count(*) FROM sp")).toInt(), 100);
    }

    // A nightly backup runs while the program is open; a restore waits until it is closed.
    void backupAndRestoreFromAScript() {
        TempDatabase db;
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(db.dir()));
        const auto back = qScopeGuard([&] { QDir::setCurrent(here); });
        db.addGoods(QStringLiteral("A1"), QStringLiteral("可口可乐"), 5, 4);
        auto program = std::make_unique<Tdmfm>(QStringLiteral("data.mdb"));
        QString out, err;
        QCOMPARE(admin({QStringLiteral("backup"), QStringLiteral("nightly.mdb")}, &out), 0);
        QVERIFY2(out.startsWith(QStringLiteral("数据库备份成功！")) && out.count(QLatin1Char('\n')) == 1,
                 qPrintable(out));
        QCOMPARE(admin({QStringLiteral("check"), QStringLiteral("nightly.mdb")}), 0);
        QCOMPARE(admin({QStringLiteral("restore"), QStringLiteral("nightly.mdb")}, &out, &err), 1);
        QVERIFY2(err.contains(QStringLiteral("正在被Zenlo程序使用")) && err.count(QLatin1Char('\n')) == 1,
                 qPrintable(err));
        program.reset();

        db.addGoods(QStringLiteral("B2"), QStringLiteral("洗衣粉"), 15, 12.5);
        db.db().close();
        QCOMPARE(admin({QStringLiteral("restore"), QStringLiteral("nightly.mdb")}, &out), 0);
        QVERIFY2(out.contains(QStringLiteral("data.before-restore-")) && out.count(QLatin1Char('\n')) == 1,
                 qPrintable(out));
        QCOMPARE(db.count(QStringLiteral("sp")), 1);

        // Without a file: the path the backup window remembers, else the default.
        QCOMPARE(admin({QStringLiteral("backup")}), 0);
        QCOMPARE(databaseProblem(defaultBackupPath()), QString());
        UserKey::jxc().setValue(kBackupPathValue, db.file(QStringLiteral("window.mdb")));
        QCOMPARE(admin({QStringLiteral("backup")}), 0);
        QCOMPARE(databaseProblem(db.file(QStringLiteral("window.mdb"))), QString());

        QCOMPARE(admin({QStringLiteral("backup"), QStringLiteral("no/such/dir/b.mdb")}, &out, &err), 1);
        QVERIFY2(err.startsWith(QStringLiteral("zenlo-admin: 数据库备份失败！")), qPrintable(err));
        QCOMPARE(admin({QStringLiteral("restore"), QStringLiteral("missing.mdb")}, &out, &err), 1);
        QVERIFY2(err.startsWith(QStringLiteral("zenlo-admin: 数据库恢复失败！")), qPrintable(err));
        QCOMPARE(admin({QStringLiteral("restore")}), 2);
        QCOMPARE(admin({QStringLiteral("backup"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}), 2);
    }

    // The nightly copy from cron: today's file in the folder, the old ones the rotation drops gone.
    void backupRotateMakesTheDaysCopy() {
        TempDatabase db;
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(db.dir()));
        const auto back = qScopeGuard([&] { QDir::setCurrent(here); });
        db.db().close();
        const QString dir = db.file(QStringLiteral("备份"));
        const QDate today = QDate::currentDate();
        for (int age : {1, 400}) QVERIFY(runAutoBackup(db.path(), dir, today.addDays(-age)).ok());
        QString out, err;
        QCOMPARE(admin({QStringLiteral("backup"), QStringLiteral("--rotate"), dir}, &out, &err), 0);
        QVERIFY2(out.startsWith(QStringLiteral("数据库备份成功！") + QDir(dir).filePath(autoBackupName(today))),
                 qPrintable(out));
        QList<QDate> left;
        for (const AutoBackupFile& f : autoBackups(dir)) left.append(f.day);
        QCOMPARE(left, (QList<QDate>{today, today.addDays(-1)}));  // the copy of 400 days ago is gone
        QVERIFY2(out.contains(QStringLiteral("删除了 1 个旧的自动备份")), qPrintable(out));
        QCOMPARE(admin({QStringLiteral("backup"), QStringLiteral("--rotate")}), 2);
        QCOMPARE(admin({QStringLiteral("backup"), QStringLiteral("--rotate"), dir, db.file(QStringLiteral("no.mdb"))},
                       &out, &err),
                 1);
    }
};

ZENLO_TEST(TestAdmin)
#include "tst_admin.moc"
