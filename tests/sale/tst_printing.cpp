// The receipt and the delivery note through the print path: pages, positions, texts.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "core/capitals.h"
#include "core/receipt_layout.h"
#include "core/report.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/report_render.h"
#include "sale/Unit2.h"
#include "sale/receipt_document.h"
#include "support/golden.h"
#include "support/pdf_words.h"
#include "support/printout_samples.h"
#include "support/test_registry.h"

namespace {
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

    // The printer path opens the printer at 1200 dpi, while the layout counts receipt-printer
    // dots: the lines must still stand apart, in order, within the 72 mm a receipt prints on.
    void receiptPrintedThroughThePrintPathIsReadable() {
        const ReceiptDocument receipt(receiptLayout(twoLineReceipt()));
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("receipt.pdf"));
        QVERIFY(printToPdf(receipt, pdf));
        if (qEnvironmentVariableIsSet("ZENLO_KEEP_RECEIPT_PDF"))
            QFile::copy(pdf, qEnvironmentVariable("ZENLO_KEEP_RECEIPT_PDF"));
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
        const QString diff = compareWithGolden(QStringLiteral("delivery-note-31-lines.txt"),
                                               dumpReport(def, paginateReport(def, 31), rows));
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
        const QString extracted =
            QString::fromUtf8(text.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
        // Digits right after Latin letters do not come back out of the embedded font either
        // ("500ml" reads "ml"), though they are drawn: the serial and specification are checked
        // on the form's data above, not here.
        for (const QString& expected : {QStringLiteral("Zenlo软件送货单"), QStringLiteral("开单日期：2012-11-22"),
                                        QStringLiteral("商品1"), QStringLiteral("商品3"), QStringLiteral("￥15.00"),
                                        QStringLiteral("（大写） 壹拾伍元整"), QStringLiteral("制单人：超级管理员")}) {
            const QString folded = expected.normalized(QString::NormalizationForm_KC);
            QVERIFY2(extracted.contains(folded), qPrintable(expected + QStringLiteral(" missing in\n") + extracted));
        }
    }
};

ZENLO_TEST(TestPrinting)
#include "tst_printing.moc"
