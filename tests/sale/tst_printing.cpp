// Serials, the amount in capitals, the receipt layout and the delivery note's pages.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "core/gbk.h"
#include "core/report.h"
#include "core/ui/fonts.h"
#include "core/ui/report_render.h"
#include "sale/Unit2.h"
#include "sale/capitals.h"
#include "sale/receipt_layout.h"
#include "sale/serial.h"
#include "support/test_registry.h"

namespace {
ReceiptInput oneLineReceipt() {
    ReceiptInput in;
    in.serial = QStringLiteral("CJG121122000002 ");
    in.cashier = QStringLiteral("超级管理员");
    in.noteDate = QStringLiteral("2012-11-22");
    in.time = QStringLiteral("15:04:09");
    in.goods = {{QStringLiteral("可口可乐"), 2, 25}};
    in.total = QStringLiteral("25.00");
    in.received = QStringLiteral("25.00");
    in.cash = 30;
    in.change = 5;
    return in;
}

DeliveryNoteInput noteWithLines(int lines) {
    DeliveryNoteInput in;
    in.serial = QStringLiteral("CJG121122000002 ");
    in.operatorName = QStringLiteral("超级管理员");
    in.today = QDate(2012, 11, 22);
    double total = 0;
    for (int i = 0; i < lines; ++i) {
        in.lines.append({QStringLiteral("商品%1").arg(i + 1), QStringLiteral("500ml"), QStringLiteral("瓶"), 2, 2.5, 5});
        total += 5;
    }
    in.amountText = QString::number(total, 'f', 2);
    return in;
}

int countKind(const ReportPage& page, const ReportDefinition& def, BandKind kind) {
    int n = 0;
    for (const PlacedBand& b : page.bands) n += def.bands[size_t(b.band)].kind == kind ? 1 : 0;
    return n;
}
}  // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutions(); }

    void serials_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<qint64>("counter");
        QTest::addColumn<QString>("serial");
        QTest::newRow("22 November 2012") << "超级管理员" << QDate(2012, 11, 22) << qint64(2) << "CJG121122000002 ";
        QTest::newRow("5 January 2013") << "超级管理员" << QDate(2013, 1, 5) << qint64(15) << "CJG1315000015 ";
        QTest::newRow("1 November") << "超级管理员" << QDate(2013, 11, 1) << qint64(7) << "CJG13111000007 ";
        QTest::newRow("11 January, the same text") << "超级管理员" << QDate(2013, 1, 11) << qint64(7) << "CJG13111000007 ";
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
        QCOMPARE(texts[8], kReceiptRule);   // after the lines, at 240
        QCOMPARE(texts[9], QStringLiteral("总计:25.00元  实收:25.00元"));
        QCOMPARE(texts[10], QStringLiteral("现金:30.00元  找零:5.00元"));
        QCOMPARE(texts[15], QStringLiteral("         欢迎下次惠顾        "));
        QCOMPARE(texts[16], kReceiptRule);  // the closing rule, at 480
        QCOMPARE(kReceiptRule.size(), 31);
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

    void deliveryNoteOfTwoPages() {
        const DeliveryNoteInput in = noteWithLines(40);
        const ReportDefinition def = TForm2::definition(in, amountInCapitals(in.amountText).text);
        QCOMPARE(def.pageWidth, 210.0);
        QCOMPARE(def.marginTop, 15.0);
        QCOMPARE(def.marginRight, 15.0);
        QCOMPARE(def.bandWidth, 180.2);
        const std::vector<ReportPage> pages = paginateReport(def, int(in.lines.size()));
        QCOMPARE(int(pages.size()), 2);
        QCOMPARE(countKind(pages[0], def, BandKind::Title), 1);
        QCOMPARE(countKind(pages[0], def, BandKind::TitleChild), 2);
        QCOMPARE(countKind(pages[1], def, BandKind::Title), 0);
        QCOMPARE(countKind(pages[1], def, BandKind::TitleChild), 0);
        QCOMPARE(countKind(pages[0], def, BandKind::ColumnHeader), 1);
        QCOMPARE(countKind(pages[1], def, BandKind::ColumnHeader), 1);
        QCOMPARE(countKind(pages[0], def, BandKind::Detail) + countKind(pages[1], def, BandKind::Detail), 40);
        QCOMPARE(countKind(pages[0], def, BandKind::Summary) + countKind(pages[1], def, BandKind::Summary), 1);
        QCOMPARE(countKind(pages[1], def, BandKind::Summary), 1);  // after the last line
        QCOMPARE(countKind(pages[0], def, BandKind::SummaryChild) +
                     countKind(pages[1], def, BandKind::SummaryChild), 2);
        // An empty note still prints one page with ￥0.00 and no capitals.
        DeliveryNoteInput empty = noteWithLines(0);
        empty.amountText = QStringLiteral("0.00");
        const ReportDefinition none = TForm2::definition(empty, amountInCapitals(empty.amountText).text);
        const std::vector<ReportPage> one = paginateReport(none, 0);
        QCOMPARE(int(one.size()), 1);
        QCOMPARE(countKind(one[0], none, BandKind::Detail), 0);
    }

    void deliveryNoteAsPdfHoldsItsTexts() {
        const DeliveryNoteInput in = noteWithLines(3);
        const QString capitals = amountInCapitals(in.amountText).text;
        QCOMPARE(capitals, QStringLiteral("壹拾伍元整"));
        const ReportTableRows rows = TForm2::rows(in);
        QCOMPARE(rows.text(0, QStringLiteral("2")), QStringLiteral("2"));
        QCOMPARE(rows.text(0, QStringLiteral("4")), QStringLiteral("2.5"));
        const ReportDocument document(TForm2::definition(in, capitals), rows);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("note.pdf"));
        QVERIFY(renderToPdf(document, pdf));
        if (qEnvironmentVariableIsSet("ZENLO_KEEP_PDF")) QFile::copy(pdf, qEnvironmentVariable("ZENLO_KEEP_PDF"));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(20000));
        // The CJK font maps some characters to look-alike radicals in the extracted text.
        const QString extracted = QString::fromUtf8(text.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
        // Digits right after Latin letters do not come back out of the embedded font either
        // ("500ml" reads "ml"), though they are drawn: the serial and specification are checked
        // on the form's data above, not here.
        for (const QString& expected : {QStringLiteral("Zenlo软件送货单"), QStringLiteral("开单日期：2012-11-22"),
                                        QStringLiteral("商品1"), QStringLiteral("商品3"),
                                        QStringLiteral("￥15.00"),
                                        QStringLiteral("（大写） 壹拾伍元整"),
                                        QStringLiteral("制单人：超级管理员")}) {
            const QString folded = expected.normalized(QString::NormalizationForm_KC);
            QVERIFY2(extracted.contains(folded), qPrintable(expected + QStringLiteral(" missing in\n") + extracted));
        }
    }
};

ZENLO_TEST(TestPrinting)
#include "tst_printing.moc"
