// Serials, the amount in capitals, the receipt layout and the delivery note's pages.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "core/gbk.h"
#include "core/report.h"
#include "core/ui/fonts.h"
#include "core/ui/report_render.h"
#include "core/ui/dialogs.h"
#include "sale/Unit2.h"
#include "sale/capitals.h"
#include "sale/receipt_document.h"
#include "sale/receipt_layout.h"
#include "sale/serial.h"
#include "support/golden.h"
#include "support/pdf_words.h"
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

ReceiptInput twoLineReceipt() {
    ReceiptInput in = oneLineReceipt();
    in.goods = {{QStringLiteral("可口可乐"), 2, 5}, {QStringLiteral("青岛啤酒500ml易拉罐装整箱特价"), 12, 60}};
    in.total = QStringLiteral("65.00");
    in.received = QStringLiteral("65.00");
    in.cash = 100;
    in.change = 35;
    return in;
}

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

// The text lines of an image: runs of pixel rows holding ink, as their tops in millimetres.
QList<double> inkLineTops(const QImage& image, double dotsPerInch) {
    QList<double> tops;
    bool inLine = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x) ink = qGray(image.pixel(x, y)) < 128;
        if (ink && !inLine) tops.append(y * 25.4 / dotsPerInch);
        inLine = ink;
    }
    return tops;
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

    // Every length of note from empty to three pages: page 1 holds 30 lines under the titles,
    // later pages 35 under their header, and the total with its signature needs 19.1 mm.
    void deliveryNotePages_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<QList<int>>("linesPerPage");
        for (int n = 0; n <= 70; ++n) {
            QList<int> perPage;
            if (n <= 28) {
                perPage = {n};
            } else if (n <= 63) {
                perPage = {std::min(n, 30), std::max(n - 30, 0)};
            } else {
                perPage = {30, std::min(n - 30, 35), std::max(n - 65, 0)};
            }
            QTest::addRow("%d lines", n) << n << perPage;
        }
    }
    void deliveryNotePages() {
        QFETCH(int, lines);
        QFETCH(QList<int>, linesPerPage);
        const DeliveryNoteInput in = noteWithLines(lines);
        const ReportDefinition def = TForm2::definition(in, amountInCapitals(in.amountText).text);
        const std::vector<ReportPage> pages = paginateReport(def, lines);
        QCOMPARE(int(pages.size()), int(linesPerPage.size()));
        int nextRow = 0;
        for (int p = 0; p < int(pages.size()); ++p) {
            const ReportPage& page = pages[size_t(p)];
            QCOMPARE(countKind(page, def, BandKind::Title), p == 0 ? 1 : 0);
            QCOMPARE(countKind(page, def, BandKind::TitleChild), p == 0 ? 2 : 0);
            QCOMPARE(countKind(page, def, BandKind::ColumnHeader), 1);
            QCOMPARE(countKind(page, def, BandKind::Detail), linesPerPage[p]);
            int printing = 0;  // bands below the header that print something
            for (const PlacedBand& b : page.bands) {
                const ReportBand& band = def.bands[size_t(b.band)];
                QVERIFY(b.top + band.height <= def.pageHeight - def.marginBottom + 1e-6);
                if (b.kind == BandKind::Detail) QCOMPARE(b.row, nextRow++);
                if (b.kind >= BandKind::Detail && !bandIsBlank(band)) ++printing;
            }
            QVERIFY2(printing > 0, "a page holds only its header");
        }
        QCOMPARE(nextRow, lines);
        // The total and the signature close the last page, together.
        const ReportPage& last = pages.back();
        QCOMPARE(countKind(last, def, BandKind::Summary), 1);
        int i = 0;
        while (last.bands[size_t(i)].kind != BandKind::Summary) ++i;
        QVERIFY(i + 1 < int(last.bands.size()));
        QVERIFY(!bandIsBlank(def.bands[size_t(last.bands[size_t(i + 1)].band)]));
        QCOMPARE(last.bands[size_t(i + 1)].kind, BandKind::SummaryChild);
        for (size_t p = 0; p + 1 < pages.size(); ++p) QCOMPARE(countKind(pages[p], def, BandKind::Summary), 0);
    }

    void receiptLayoutMatchesItsGoldenFile() {
        const QString diff = compareWithGolden(QStringLiteral("receipt-two-lines.txt"), dumpReceipt(receiptLayout(twoLineReceipt())));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // The printer path opens the printer at 1200 dpi, while the layout counts receipt-printer
    // dots: the lines must still stand apart, in order, within the 72 mm a receipt prints on.
    void receiptPrintedThroughThePrintPathIsReadable() {
        const ReceiptDocument receipt(receiptLayout(twoLineReceipt()));
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("receipt.pdf"));
        QVERIFY(printToPdf(receipt, pdf));
        if (qEnvironmentVariableIsSet("ZENLO_KEEP_RECEIPT_PDF")) QFile::copy(pdf, qEnvironmentVariable("ZENLO_KEEP_RECEIPT_PDF"));
        const auto pages = pdfWords(pdf);
        QCOMPARE(int(pages.size()), 1);
        const std::vector<PdfLine> lines = pdfLines(pages[0]);
        QCOMPARE(int(lines.size()), int(receipt.lines().size()));
        constexpr double pointsPerMm = 72 / 25.4;
        for (size_t i = 0; i < lines.size(); ++i) {
            QVERIFY2(lines[i].box.right() <= 72 * pointsPerMm, qPrintable(lines[i].text));
            if (i == 0) continue;
            const double gap = (lines[i].box.top() - lines[i - 1].box.top()) / pointsPerMm;
            QVERIFY2(gap >= 2, qPrintable(QStringLiteral("%1 mm above \"%2\"").arg(gap).arg(lines[i].text)));
        }
        QVERIFY(lines[1].text.startsWith(QLatin1String("-----")));
        QVERIFY(lines[2].text.contains(QStringLiteral("CJG121122000002")));
        QVERIFY(lines.back().text.startsWith(QLatin1String("-----")));
        // 30 dots of a 203 dpi printer between goods lines: 3.75 mm on any device.
        QCOMPARE(qRound((lines[8].box.top() - lines[7].box.top()) / pointsPerMm * 100), 375);
    }

    void receiptLooksTheSameAtEveryResolution() {
        const ReceiptDocument receipt(receiptLayout(twoLineReceipt()));
        const QList<double> thermal = inkLineTops(renderPageImage(receipt, 0, 203), 203);
        const QList<double> laser = inkLineTops(renderPageImage(receipt, 0, 600), 600);
        QCOMPARE(thermal.size(), receipt.lines().size());
        QCOMPARE(laser.size(), thermal.size());
        for (qsizetype i = 0; i < thermal.size(); ++i) QVERIFY(qAbs(thermal[i] - laser[i]) < 0.3);
    }

    void deliveryNoteMatchesItsGoldenFile() {
        DeliveryNoteInput in = noteWithLines(31);
        in.lines[0].name = QStringLiteral("鲁花5S压榨一级花生油");
        in.lines[0].spec = QStringLiteral("5L");
        in.customerName = QStringLiteral("城南便利店");
        in.phone = QStringLiteral("13800138000");
        const ReportDefinition def = TForm2::definition(in, amountInCapitals(in.amountText).text);
        const ReportTableRows rows = TForm2::rows(in);
        const QString diff =
            compareWithGolden(QStringLiteral("delivery-note-31-lines.txt"), dumpReport(def, paginateReport(def, 31), rows));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // Filled customer fields print after their captions; empty ones leave the captions alone.
    void deliveryNoteCarriesTheCustomer() {
        DeliveryNoteInput in = noteWithLines(1);
        in.customerName = QStringLiteral("城南便利店");
        in.contact = QStringLiteral("王五");
        const ReportDefinition def = TForm2::definition(in, QString());
        QStringList texts;
        for (const ReportBand& band : def.bands) {
            if (band.kind != BandKind::TitleChild) continue;
            for (const ReportItem& item : band.items) texts.append(std::get<ReportLabel>(item).text);
        }
        QCOMPARE(texts, (QStringList{QStringLiteral("客户名称：城南便利店"), QStringLiteral("联系人：王五"),
                                     QStringLiteral("开单日期：2012-11-22"), QStringLiteral("客户地址："),
                                     QStringLiteral("联系电话：")}));
    }

    // A name longer than its box ends at the last whole character: half of 油 reads as 由.
    void longNamesEndAtAWholeCharacter() {
        DeliveryNoteInput in = noteWithLines(1);
        in.lines[0].name = QStringLiteral("鲁花5S压榨一级花生油");
        const ReportTableRows rows = TForm2::rows(in);
        const ReportDocument document(TForm2::definition(in, QString()), rows);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("note.pdf"));
        QVERIFY(printToPdf(document, pdf));
        const QString text = runTextTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY2(text.contains(QStringLiteral("压榨一级花生")), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("花生油")), qPrintable(text));
        const auto words = pdfWords(pdf);
        for (const PdfWord& w : words[0]) {
            // The name box runs from 12.1 to 50.5 mm of the page.
            if (w.text.contains(QStringLiteral("花生"))) QVERIFY(w.box.right() <= 50.5 * 72 / 25.4);
        }
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
        QVERIFY(printToPdf(document, pdf));
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
