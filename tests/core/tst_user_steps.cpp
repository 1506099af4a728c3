// The user management's steps without the window, on a database of their own.
#include <QtTest>

#include "core/dm.h"
#include "core/schema.h"
#include "core/user_steps.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

class TestUserSteps : public QObject {
    Q_OBJECT

private slots:
    // Adding: trimmed, the administrator and a name that exists refused, the list refilled after
    // a refusal of a name as after an addition.
    void addingAUser_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("done");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("refill");
        QTest::addColumn<int>("users");  // rows of userdb after it
        const auto row = [](const char* name, const char* typed, bool done, const char* message, bool refill,
                            int users) {
            QTest::newRow(name) << QString::fromUtf8(typed) << done << QString::fromUtf8(message) << refill << users;
        };
        row("new", " 李四 ", true, "成功添加新用户！缺省口令是：888,请此用户下次登录时及时修改口令！", true, 3);
        row("exists", "张三", false, "用户“张三”已经存在，不能重复增加！", true, 2);
        row("administrator", "超级管理员 ", false, "超级管理员只能有一个，不能增加", false, 2);
        row("blank", "  ", false, "请选择用户名！", true, 2);
        row("a quote", "O'Brien", true, "成功添加新用户！缺省口令是：888,请此用户下次登录时及时修改口令！", true, 3);
    }

    void addingAUser() {
        QFETCH(QString, typed);
        QFETCH(bool, done);
        QFETCH(QString, message);
        QFETCH(bool, refill);
        QFETCH(int, users);
        TempDatabase db;
        db.exec(QStringLiteral("INSERT INTO userdb VALUES ('张三', '123')"));
        Tdmfm dm(db.path());
        const UserStepResult r = addUser(dm.ADOQuery1, typed);
        QCOMPARE(r.done, done);
        QCOMPARE(r.message, message);
        QCOMPARE(r.refillList, refill);
        QCOMPARE(db.count(QStringLiteral("userdb")), users);
        if (done) {
            QCOMPARE(
                db.scalar(QStringLiteral("SELECT passwd FROM userdb WHERE username=?"), {typed.trimmed()}).toString(),
                QStringLiteral("888"));
        }
    }

    // Reset, the administrator's check and deletion, with what each says.
    void resetCheckAndDelete() {
        TempDatabase db;
        db.exec(QStringLiteral("INSERT INTO userdb VALUES ('张三', '123')"));
        Tdmfm dm(db.path());
        QCOMPARE(resetUserPassword(dm.ADOQuery1, QStringLiteral(" ")).message, QStringLiteral("请选择用户名！"));
        const UserStepResult reset = resetUserPassword(dm.ADOQuery1, QStringLiteral(" 张三"));
        QVERIFY(reset.done);
        QCOMPARE(reset.message, QStringLiteral("已经成功将密码初始化为：888"));
        QCOMPARE(db.scalar(QStringLiteral("SELECT passwd FROM userdb WHERE username='张三'")).toString(),
                 QStringLiteral("888"));

        QCOMPARE(checkAdministratorPassword(dm.ADOQuery1, QStringLiteral("999")).message, QStringLiteral("密码不对！"));
        const UserStepResult admin = checkAdministratorPassword(dm.ADOQuery1, QStringLiteral(" 888 "));
        QVERIFY(admin.done);
        QCOMPARE(admin.message, QStringLiteral("超级管理员登录成功！"));

        QCOMPARE(deletionRefusal(kSuperAdministrator).message, QStringLiteral("超级管理员不能删除！"));
        QCOMPARE(deletionRefusal(QString()).message, QStringLiteral("请选择用户"));
        QVERIFY(deletionRefusal(QStringLiteral("张三")).done);
        const UserStepResult gone = deleteUser(dm.ADOQuery1, QStringLiteral("张三 "));
        QCOMPARE(gone.message, QStringLiteral("成功删除！"));
        QCOMPARE(db.count(QStringLiteral("userdb")), 1);
    }
};

ZENLO_TEST(TestUserSteps)
#include "tst_user_steps.moc"
