// The shared query operations and the title-sort state machine.
#include <QtTest>

#include "core/dm.h"
#include "core/errors.h"
#include "core/shared_queries.h"
#include "core/title_sort.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

class TestSharedQueries : public QObject {
    Q_OBJECT

private slots:
    void groupedColumnIsDistinctAndSorted() {
        TempDatabase db;
        Tdmfm dm(db.path());
        for (const QString& name :
             {QStringLiteral("b"), QStringLiteral("张三"), QStringLiteral("a"), QStringLiteral("b")}) {
            db.exec(QStringLiteral("INSERT INTO userdb VALUES (?, '1')"), {name});
        }
        OpenGroupedColumn(dm.ADOQuery1, QStringLiteral("username"), QStringLiteral("userdb"));
        QCOMPARE(dm.ADOQuery1.sql(), QStringLiteral("select username from userdb group by username "
                                                    "order by username"));
        QStringList names;
        for (int i = 0; i < dm.ADOQuery1.recordCount(); ++i) names.append(dm.ADOQuery1.textAt(i, 0));
        // In the Chinese order of the grids: Chinese names first, 超 (chao) before 张 (zhang)
        // whatever their codes, then Latin letters.
        QCOMPARE(names, (QStringList{QStringLiteral("超级管理员"), QStringLiteral("张三"), QStringLiteral("a"),
                                     QStringLiteral("b")}));
    }

    void failingStatementsLeaveTheDatasetClosed() {
        TempDatabase db;
        Tdmfm dm(db.path());
        OpenQuery(dm.ADOQuery1, QStringLiteral("select * from userdb"));
        QVERIFY(dm.ADOQuery1.isOpen());
        QVERIFY_THROWS_EXCEPTION(DataError, OpenQuery(dm.ADOQuery1, QStringLiteral("select * from nosuch")));
        QVERIFY(!dm.ADOQuery1.isOpen());
        QCOMPARE(dm.ADOQuery1.sql(), QStringLiteral("select * from nosuch"));
        // A command leaves the dataset closed; opening one is refused.
        QCOMPARE(ExecQuery(dm.ADOQuery1, QStringLiteral("update userdb set passwd='2'")), 1);
        QVERIFY(!dm.ADOQuery1.isOpen());
        QVERIFY_THROWS_EXCEPTION(DataError, OpenQuery(dm.ADOQuery1, QStringLiteral("update userdb set passwd='3'")));
    }

    void titleSortCycles() {
        TitleSort sort(3);
        QCOMPARE(sort.click(1, QStringLiteral("商品编码")), QStringLiteral("商品编码 DESC"));
        QCOMPARE(sort.marker(1), TitleSort::Marker::Down);
        QCOMPARE(sort.click(1, QStringLiteral("商品编码")), QStringLiteral("商品编码"));
        QCOMPARE(sort.marker(1), TitleSort::Marker::Up);
        QCOMPARE(sort.click(1, QStringLiteral("商品编码")), QStringLiteral("商品编码 DESC"));
        QCOMPARE(sort.marker(1), TitleSort::Marker::Down);
        // Another column starts again with descending and takes the marker.
        QCOMPARE(sort.click(2, QStringLiteral("6")), QStringLiteral("6 DESC"));
        QCOMPARE(sort.marker(1), TitleSort::Marker::None);
        QCOMPARE(sort.marker(2), TitleSort::Marker::Down);
        QCOMPARE(sort.click(1, QStringLiteral("商品编码")), QStringLiteral("商品编码 DESC"));
    }

    void openingTheDatabase() {
        TempDatabase db;
        Connection c;
        QVERIFY_THROWS_EXCEPTION(DataError, c.open(db.file(QStringLiteral("missing.mdb")), "mt7qzb.rwk"));
        QVERIFY(!QFile::exists(db.file(QStringLiteral("missing.mdb"))));  // never created
        try {
            c.open(db.path(), "wrong-key");
            QFAIL("a wrong key opened the file");
        } catch (const DataError& e) {
            QCOMPARE(e.kind(), DataError::Kind::NotADatabase);
        }
        QFile junk(db.file(QStringLiteral("junk.mdb")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        try {
            c.open(junk.fileName(), "mt7qzb.rwk");
            QFAIL("a file of junk opened");
        } catch (const DataError& e) {
            QCOMPARE(e.kind(), DataError::Kind::NotADatabase);
        }
        c.open(db.path(), "mt7qzb.rwk");
        QVERIFY(c.isOpen());
    }
};

ZENLO_TEST(TestSharedQueries)
#include "tst_shared_queries.moc"
