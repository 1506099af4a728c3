// The goods window's data steps without the window: the row written, the price refused, the
// code taken.
#include <QtTest>

#include "core/dm.h"
#include "core/goods_steps.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

class TestGoodsSteps : public QObject {
    Q_OBJECT

private slots:
    // Blanks and tabs trimmed, prices as numbers, initials of the trimmed texts.
    void theRowWritten() {
        GoodsEntry e{QStringLiteral(" 6901 "), QStringLiteral("\t饮料 "),     QStringLiteral(" 可口可乐"),
                     QStringLiteral("500ml "), QStringLiteral(" 城东批发部"), QStringLiteral(" 瓶 "),
                     QStringLiteral("1.5"),    QStringLiteral("2.50"),        QStringLiteral("2")};
        const QList<QPair<QString, QVariant>> row = goodsRowValues(e);
        QStringList written;
        for (const auto& [column, value] : row) written.append(column + QLatin1Char('=') + value.toString());
        QCOMPARE(written, (QStringList{QStringLiteral("商品编码=6901"), QStringLiteral("商品类别=饮料"),
                                       QStringLiteral("商品名称=可口可乐"), QStringLiteral("规格型号=500ml"),
                                       QStringLiteral("会员价=2"), QStringLiteral("进货单价=1.5"),
                                       QStringLiteral("销售单价=2.5"), QStringLiteral("单位=瓶"),
                                       QStringLiteral("供货商=城东批发部"), QStringLiteral("ghspy=cdpfb"),
                                       QStringLiteral("sppy=kkkl"), QStringLiteral("lbpy=yl")}));
        QCOMPARE(row.at(6).second.typeId(), QMetaType::Double);
    }

    void theFirstPriceThatIsNoNumber_data() {
        QTest::addColumn<QStringList>("prices");  // purchase, sale, member
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, std::initializer_list<const char*> prices, int index,
                            const char* message) {
            QStringList texts;
            for (const char* p : prices) texts.append(QString::fromUtf8(p));
            QTest::newRow(name) << texts << index << QString::fromUtf8(message);
        };
        row("all numbers", {"1", "2.5", "0"}, -1, "");
        row("two points", {"1", "2..5", "x"}, 1, "销售单价“2..5”不是有效的数字，请重新输入！");
        row("member price", {"1", "2", "."}, 2, "会员价/批发价“.”不是有效的数字，请重新输入！");
        row("purchase first", {"", "", ""}, 0, "进货单价“”不是有效的数字，请重新输入！");
    }

    void theFirstPriceThatIsNoNumber() {
        QFETCH(QStringList, prices);
        QFETCH(int, index);
        QFETCH(QString, message);
        GoodsEntry e;
        e.purchasePrice = prices.at(0);
        e.salePrice = prices.at(1);
        e.memberPrice = prices.at(2);
        const PriceProblem problem = firstBadPrice(e);
        QCOMPARE(problem.index, index);
        QCOMPARE(problem.message, message);
    }

    // The code as typed, a quote in it an ordinary character; the look-up is left closed.
    void aCodeTaken() {
        TempDatabase db;
        db.addGoods(QStringLiteral("A'1"), QStringLiteral("可乐"), 3, 2);
        Tdmfm dm(db.path());
        QVERIFY(goodsCodeExists(dm.ADOQuery4, QStringLiteral("A'1")));
        QVERIFY(!dm.ADOQuery4.isOpen());
        QVERIFY(!goodsCodeExists(dm.ADOQuery4, QStringLiteral("A1")));
    }
};

ZENLO_TEST(TestGoodsSteps)
#include "tst_goods_steps.moc"
