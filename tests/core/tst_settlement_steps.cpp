// The settlement's checks and its stored sale, without the panel.
#include <QtTest>

#include "core/errors.h"
#include "core/serial.h"
#include "core/settings_stores.h"
#include "core/settlement_steps.h"
#include "support/data_module_test.h"
#include "support/test_registry.h"

namespace {
SettlementInput aNote() {
    SettlementInput in;
    in.noteLines = 2;
    in.total = QStringLiteral("25.00");
    in.received = QStringLiteral("25.00");
    in.cash = QStringLiteral("30");
    in.change = QStringLiteral("5.00");
    in.profit = QStringLiteral("7.5");
    in.owed = QStringLiteral("0");
    in.serialShown = QStringLiteral("CJG121122000002 ");
    in.counter = QStringLiteral("2");
    in.noteDate = QDate(2012, 11, 22);
    in.today = QDate(2012, 11, 22);
    in.operatorName = QStringLiteral("超级管理员");
    return in;
}
using Action = SettlementRefusal::Action;
}  // namespace

Q_DECLARE_METATYPE(SettlementRefusal::Action)

class TestSettlementSteps : public DataModuleTest {
    Q_OBJECT

private slots:
    void checksInTheirOrder_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<SettlementRefusal::Action>("action");
        QTest::addColumn<QString>("message");
        QTest::newRow("a note to settle") << ""
                                          << "" << Action::None << "";
        QTest::newRow("no lines") << "lines"
                                  << "0" << Action::Close << "请先进行商品销售！";
        QTest::newRow("a total of nothing") << "total"
                                            << "0.00" << Action::CloseQuiet << "";
        QTest::newRow("no cash") << "cash"
                                 << "" << Action::FixCash << "请输入现金金额！";
        QTest::newRow("cash with two points")
            << "cash"
            << "3.0.0" << Action::FixCash << "现金金额“3.0.0”不是有效的数字，请重新输入！";
        QTest::newRow("too little cash") << "change"
                                         << "-5.00" << Action::FixCash << "现金金额不足！";
        QTest::newRow("owed is no number")
            << "owed"
            << "abc" << Action::FixOwed << "欠款金额“abc”不是有效的数字，没有欠款请填 0。";
        QTest::newRow("a broken counter") << "counter"
                                          << "x1" << Action::FixCash << "";
    }
    void checksInTheirOrder() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(SettlementRefusal::Action, action);
        QFETCH(QString, message);
        SettlementInput in = aNote();
        if (field == QLatin1String("lines")) in.noteLines = value.toInt();
        if (field == QLatin1String("total")) in.total = value;
        if (field == QLatin1String("cash")) in.cash = value;
        if (field == QLatin1String("change")) in.change = value;
        if (field == QLatin1String("owed")) in.owed = value;
        if (field == QLatin1String("counter")) in.counter = value;
        const SettlementRefusal r = checkSettlement(in);
        QCOMPARE(r.action, action);
        if (!message.isEmpty()) QCOMPARE(r.message, message);
    }

    // One sale: the next serial on disk first, then lines, sale row and the emptied note in
    // one transaction; a failing step leaves the file as it was.
    void aSaleIsStoredWholeOrNotAtAll() {
        db->exec(
            QStringLiteral("INSERT INTO data (a,c,[2],[4],[6],[7],day1) VALUES ('可乐','A',2,5,10,1,'2012-11-22')"));
        db->exec(QStringLiteral(
            "INSERT INTO data (a,c,[2],[4],[6],[7],day1) VALUES ('洗衣粉','B',1,15,15,2.5,'2012-11-22')"));
        IniFile config(configIniPath(db->dir()));
        const StoredSale stored = storeSale(*dm, config, aNote());
        QCOMPARE(stored.serial, QStringLiteral("CJG121122000002"));
        QCOMPARE(stored.nextSerial, QStringLiteral("CJG121122000003 "));
        QVERIFY(stored.serialSaved);
        QCOMPARE(db->count(QStringLiteral("data")), 0);
        QCOMPARE(db->count(QStringLiteral("data1"), QStringLiteral("h='CJG121122000002'")), 2);
        QCOMPARE(db->scalar(QStringLiteral("SELECT [1] FROM data3 WHERE a='CJG121122000002'")).toDouble(), 25.0);
        IniFile reread(configIniPath(db->dir()));
        reread.load();
        QCOMPARE(reread.value(ConfigIni::kCounterSection, ConfigIni::kCounterKey, QString()), QStringLiteral("3"));

        // A sale row the engine refuses (the history table is gone) stores nothing, and the
        // note stays for another try.
        db->exec(QStringLiteral("INSERT INTO data (a,c,[2],[6]) VALUES ('电池','C',1,11.9)"));
        db->exec(QStringLiteral("ALTER TABLE data3 RENAME TO data3_away"));
        SettlementInput next = aNote();
        next.serialShown = stored.nextSerial;
        next.counter = stored.nextCounter;
        QVERIFY_THROWS_EXCEPTION(DataError, storeSale(*dm, config, next));
        db->exec(QStringLiteral("ALTER TABLE data3_away RENAME TO data3"));
        QCOMPARE(db->count(QStringLiteral("data")), 1);
        QCOMPARE(db->count(QStringLiteral("data1")), 2);
        QCOMPARE(db->count(QStringLiteral("data3")), 1);
    }

    // A serial a stored sale has is never given again, whatever config.ini says: the counter
    // moves past the highest one stored with the same stem, and the serial keeps its form.
    void aSerialIsNeverUsedTwice_data() {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<qint64>("counter");
        QTest::addColumn<QString>("serial");
        QTest::newRow("free") << QStringList{QStringLiteral("CJG261210000001")} << "CJG261210000002 " << qint64(2)
                              << "CJG261210000002";
        QTest::newRow("taken, more after it")
            << QStringList{QStringLiteral("CJG261210000002"), QStringLiteral("CJG261210000005"),
                           QStringLiteral("CJG261210000003")}
            << "CJG261210000002 " << qint64(2) << "CJG261210000006";
        QTest::newRow("the default of an emptied config.ini")
            << QStringList{QStringLiteral("CJG121122000002"), QStringLiteral("CJG121122000007")} << "CJG121122000002"
            << qint64(1) << "CJG121122000008";
        QTest::newRow("other stems do not count")
            << QStringList{QStringLiteral("CJG261210000002"), QStringLiteral("WL261210000090"),
                           QStringLiteral("CJG26121000099X")}
            << "CJG261210000002 " << qint64(2) << "CJG261210000003";
        QTest::newRow("a counter past a million") << QStringList{QStringLiteral("CJG2612101000000")}
                                                  << "CJG2612101000000 " << qint64(1000000) << "CJG2612101000001";
    }
    void aSerialIsNeverUsedTwice() {
        QFETCH(QStringList, stored);
        QFETCH(QString, shown);
        QFETCH(qint64, counter);
        QFETCH(QString, serial);
        for (const QString& s : stored) db->exec(QStringLiteral("INSERT INTO data3 (a,[1]) VALUES (?,1)"), {s});
        const FreeSerial free = freeSerial(dm->ADOConnection1, shown, counter);
        QCOMPARE(free.serial, serial);
        QCOMPARE(free.moved, serial != shown.trimmed());
        QVERIFY(free.serial.endsWith(QString::asprintf("%.6lld", static_cast<long long>(free.counter))));
    }

    // The settlement itself: a note settled under a serial already stored takes the next free
    // one, says so, and numbers on from it.
    void aSettlementTakesAFreeSerial() {
        db->exec(QStringLiteral("INSERT INTO data3 (a,[1]) VALUES ('CJG121122000002',9), ('CJG121122000004',9)"));
        db->exec(
            QStringLiteral("INSERT INTO data (a,c,[2],[4],[6],[7],day1) VALUES ('可乐','A',2,5,10,1,'2012-11-22')"));
        IniFile config(configIniPath(db->dir()));
        const StoredSale stored = storeSale(*dm, config, aNote());
        QVERIFY(stored.serialMoved);
        QCOMPARE(stored.serial, QStringLiteral("CJG121122000005"));
        QCOMPARE(stored.serialShown, QStringLiteral("CJG121122000005 "));
        QCOMPARE(stored.nextSerial, QStringLiteral("CJG121122000006 "));
        QCOMPARE(stored.nextCounter, QStringLiteral("6"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM data3 GROUP BY a ORDER BY count(*) DESC")).toInt(), 1);
        QCOMPARE(db->count(QStringLiteral("data1"), QStringLiteral("h='CJG121122000005'")), 1);
        QVERIFY(serialMovedText(QStringLiteral("CJG121122000002"), stored.serial, SerialMoment::Settlement)
                    .contains(stored.serial));
    }
};

ZENLO_TEST(TestSettlementSteps)
#include "tst_settlement_steps.moc"
