// The sale's texts that need no window: serials, the amount in capitals, the receipt layout.
#include <QtTest>

#include "core/capitals.h"
#include "core/gbk.h"
#include "core/receipt_layout.h"
#include "core/serial.h"
#include "support/golden.h"
#include "support/printout_samples.h"
#include "support/test_registry.h"

namespace {
QString dumpReceipt(const QList<ReceiptLine>& lines) {
    QString out;
    for (const ReceiptLine& l : lines) {
        out += QStringLiteral("y %1 %2pt%3 \"%4\"\n")
                   .arg(l.y, 3)
                   .arg(l.pointSize)
                   .arg(l.bold ? QStringLiteral(" bold") : QString(), l.text);
    }
    return out;
}

}  // namespace

class TestSaleTexts : public QObject {
    Q_OBJECT

private slots:
    void serials_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<qint64>("counter");
        QTest::addColumn<QString>("serial");
        QTest::newRow("22 November 2012") << "超级管理员" << QDate(2012, 11, 22) << qint64(2) << "CJG121122000002 ";
        QTest::newRow("5 January 2013") << "超级管理员" << QDate(2013, 1, 5) << qint64(15) << "CJG1315000015 ";
        QTest::newRow("1 November") << "超级管理员" << QDate(2013, 11, 1) << qint64(7) << "CJG13111000007 ";
        QTest::newRow("11 January, the same text")
            << "超级管理员" << QDate(2013, 1, 11) << qint64(7) << "CJG13111000007 ";
        QTest::newRow("latin name") << "admin" << QDate(2026, 12, 9) << qint64(1234567) << "ADM261291234567 ";
        QTest::newRow("short name") << "王" << QDate(2026, 3, 4) << qint64(1) << "W2634000001 ";
    }
    void serials() {
        QFETCH(QString, user);
        QFETCH(QDate, day);
        QFETCH(qint64, counter);
        QFETCH(QString, serial);
        QCOMPARE(makeSerial(user, day, counter), serial);
    }

    void capitals_data() {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("capitals");
        const char* examples[][2] = {
            {"0.00", ""},
            {"0.05", "伍分"},
            {"0.53", "伍角叁分"},
            {"1.00", "壹元整"},
            {"1.05", "壹元零伍分"},
            {"10.50", "壹拾元伍角"},
            {"20.30", "贰拾元叁角"},
            {"100.05", "壹佰元零伍分"},
            {"105.00", "壹佰零伍元整"},
            {"205.08", "贰佰零伍元零捌分"},
            {"1004.50", "壹仟零肆元伍角"},
            {"3000.10", "叁仟元壹角"},
            {"10010.00", "壹万零壹拾元整"},
            {"12345.67", "壹万贰仟叁佰肆拾伍元陆角柒分"},
            {"100000.00", "壹拾万元整"},
            {"1000100.00", "壹佰万零壹佰元整"},
            {"100000000.00", "壹亿元整"},
            {"100010000.00", "壹亿零壹万元整"},
            {"120000000.00", "壹亿贰仟万元整"},
            {"123456789.12", "壹亿贰仟叁佰肆拾伍万陆仟柒佰捌拾玖元壹角贰分"},
            {"1234.50", "壹仟贰佰叁拾肆元伍角"},
            {"12", "壹拾贰元整"},
            {"0.5", "伍角"},
            {"007.20", "柒元贰角"},
        };
        for (const auto& e : examples) {
            QTest::newRow(e[0]) << QString::fromUtf8(e[0]) << QString::fromUtf8(e[1]);
        }
    }
    void capitals() {
        QFETCH(QString, amount);
        QFETCH(QString, capitals);
        const Capitals c = amountInCapitals(amount);
        QCOMPARE(c.text, capitals);
        QCOMPARE(c.badCode, -1);
    }

    void badCharactersInTheAmount() {
        const Capitals negative = amountInCapitals(QStringLiteral("-3.00"));
        QCOMPARE(negative.badCode, 45);
        QCOMPARE(negative.text, QString());
        QCOMPARE(amountInCapitals(QStringLiteral("1,000.00")).badCode, 44);
        QCOMPARE(amountInCapitals(QStringLiteral("12 ")).badCode, 32);
    }

    void receiptOfOneLine() {
        const QList<ReceiptLine> lines = receiptLayout(oneLineReceipt());
        QCOMPARE(lines.first().y, 0);
        QCOMPARE(lines.first().pointSize, 10.0);
        QVERIFY(lines.first().bold);
        QCOMPARE(lines.first().text, QStringLiteral("      POS小票销售凭证"));
        QStringList texts;
        QList<int> ys;
        for (const ReceiptLine& l : lines) {
            texts.append(l.text);
            ys.append(l.y);
            if (&l != &lines.first()) {
                QCOMPARE(l.pointSize, 8.0);
                QVERIFY(!l.bold);
            }
        }
        QCOMPARE(ys, (QList<int>{0, 40, 60, 90, 120, 150, 180, 210, 240, 270, 300, 330, 360, 390, 420, 450, 480}));
        QCOMPARE(texts[2], QStringLiteral("销售单号：CJG121122000002 "));
        QCOMPARE(texts[3], QStringLiteral("收银员：超级管理员"));
        QCOMPARE(texts[4], QStringLiteral("打印时间：2012-11-22 15:04:09 "));
        QCOMPARE(texts[6], QStringLiteral("商品名称         数量     金额 "));
        QCOMPARE(texts[7], QStringLiteral("可口可乐           2      25"));  // quantities unpadded, no zeros
        QCOMPARE(texts[8], QString(31, QLatin1Char('-')));                   // after the lines, at 240
        QCOMPARE(texts[9], QStringLiteral("总计:25.00元  实收:25.00元"));
        QCOMPARE(texts[10], QStringLiteral("现金:30.00元  找零:5.00元"));
        QCOMPARE(texts[15], QStringLiteral("         欢迎下次惠顾        "));
        QCOMPARE(texts[16], texts[8]);  // the closing rule, at 480
    }

    void receiptNameColumnIsEighteenDisplayColumns() {
        // Shorter names are padded to 18 columns.
        QCOMPARE(receiptNameColumn(QStringLiteral("可乐")), QStringLiteral("可乐") + QString(14, QLatin1Char(' ')));
        QCOMPARE(displayColumns(receiptNameColumn(QStringLiteral("abc"))), 18);
        // Exactly 18: one blank follows, so the quantity starts a column further right.
        const QString nine = QStringLiteral("一二三四五六七八九");
        QCOMPARE(receiptNameColumn(nine), nine + QLatin1Char(' '));
        QCOMPARE(receiptGoodsLine({nine, 2.5, 12.35}), nine + QStringLiteral("  2.5      12.35"));
        // 17 half-width characters and then Chinese: the next character would not fit whole.
        const QString mixed = QStringLiteral("ABCDEFGHIJKLMNOPQ中文");
        QCOMPARE(displayColumns(mixed), 21);
        QCOMPARE(receiptNameColumn(mixed), QStringLiteral("ABCDEFGHIJKLMNOPQ "));
        QCOMPARE(receiptNameColumn(QStringLiteral("一二三四五六七八九十")), nine + QLatin1Char(' '));
    }

    void receiptLayoutMatchesItsGoldenFile() {
        const QString diff =
            compareWithGolden(QStringLiteral("receipt-two-lines.txt"), dumpReceipt(receiptLayout(twoLineReceipt())));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
};

ZENLO_TEST(TestSaleTexts)
#include "tst_sale_texts.moc"
