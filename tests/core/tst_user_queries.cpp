// The statements of the operators, the login log and code entry, exactly as they are sent.
#include <QtTest>

#include "core/note_queries.h"
#include "core/user_queries.h"
#include "support/test_registry.h"

class TestUserQueries : public QObject {
    Q_OBJECT

private slots:
    void statementsAsSent_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        const QString obrien = QStringLiteral("O'Brien");
        const QDateTime at(QDate(2026, 12, 10), QTime(18, 5, 9));
        const auto row = [](const char* name, const QString& sql, const char* expected) {
            QTest::newRow(name) << sql << QString::fromUtf8(expected);
        };
        row("login", userWithPasswordQuery(QStringLiteral("张三"), QStringLiteral("88'8")),
            "select username from userdb where passwd='88''8' and username='张三'");
        row("one name", userNamedQuery(obrien), "select username from userdb where username='O''Brien'");
        row("all names", userNamesQuery(), "select username from userdb");
        row("new user", userInsert(obrien, QStringLiteral("888")), "Insert into userdb values ('O''Brien','888')");
        row("delete", userDelete(obrien), "delete from userdb where username='O''Brien'");
        row("reset", passwordUpdate(obrien, QStringLiteral("888"), true),
            "update userdb set passwd='888'where username='O''Brien'");
        row("change", passwordUpdate(obrien, QStringLiteral("a'b"), false),
            "update userdb set passwd='a''b' where username='O''Brien'");
        row("login log", loginLogInsert(obrien, at),
            "Insert into rz (username,btime) values ('O''Brien','2026-12-10 18:05:09')");
        row("last login", lastLoginLogQuery(), "select max(id) as maxid from rz");
        row("exit time", exitTimeUpdate(42, at), "update rz set jtime='2026-12-10 18:05:09'where id=42");
        // Code entry: the catalogue by the trimmed code, the note's line by the code as typed.
        row("scanned goods", scannedGoodsQuery(QStringLiteral(" 69'01 ")),
            "select * from sp where 商品编码='69''01'  ");
        row("note line", noteLineQuery(QStringLiteral(" 69'01 ")), "select * from data where c=' 69''01 '");
    }

    void statementsAsSent() {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        QCOMPARE(sql, expected);
    }

    // The merge's numbers and code travel bound, never pasted into the text.
    void aSecondScanMergesWithBoundValues() {
        const BoundStatement merge = noteLineMerge(2, 7.5, 1.25, QStringLiteral("A'1"));
        QCOMPARE(merge.sql, QStringLiteral("update data set [2]=[2]+?,[6]=[6]+?,[7]=[7]+? where c=?"));
        QCOMPARE(merge.values, (QVariantList{2.0, 7.5, 1.25, QStringLiteral("A'1")}));
    }
};

ZENLO_TEST(TestUserQueries)
#include "tst_user_queries.moc"
