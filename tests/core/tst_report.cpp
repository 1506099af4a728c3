// How rows fill the pages of a banded report: title, header, detail and summary placement.
#include <QtTest>

#include "core/report.h"
#include "support/test_registry.h"

namespace {

constexpr double kTitleHeight = 21.2;
constexpr double kCustomerHeight = 7.4;
constexpr double kHeaderHeight = 8.5;
constexpr double kLineHeight = 7.4;
constexpr double kTotalHeight = 10.6;
constexpr double kSignatureHeight = 8.5;
constexpr double kTrailerHeight = 10.6;

// Bands print a frame, so they count as content; `blank` gives a band that only makes room.
ReportBand band(BandKind kind, double height, bool blank = false) {
    ReportBand result;
    result.kind = kind;
    result.height = height;
    result.frame.top = !blank;
    return result;
}

// The delivery note's band set on an A4 page, optionally shortened to force page breaks.
// Children are listed before their parents on purpose: print order goes by kind.
ReportDefinition deliveryNote(double pageHeight = 297) {
    ReportDefinition report;
    report.pageHeight = pageHeight;
    report.marginTop = 15;
    report.marginBottom = 10;
    report.marginLeft = 10;
    report.marginRight = 15;
    report.bandWidth = 180.2;
    report.bands = {band(BandKind::SummaryChild, kSignatureHeight),
                    band(BandKind::TitleChild, kCustomerHeight),
                    band(BandKind::Detail, kLineHeight),
                    band(BandKind::Title, kTitleHeight),
                    band(BandKind::ColumnHeader, kHeaderHeight),
                    band(BandKind::TitleChild, kCustomerHeight),
                    band(BandKind::Summary, kTotalHeight),
                    band(BandKind::SummaryChild, kTrailerHeight, true)};
    return report;
}

// Indices into deliveryNote().bands.
constexpr int kSignature = 0, kCustomer1 = 1, kLine = 2, kTitle = 3, kHeader = 4, kCustomer2 = 5, kTotal = 6,
              kTrailer = 7;

constexpr double kTitlesHeight = kTitleHeight + 2 * kCustomerHeight;
constexpr double kSummariesHeight = kTotalHeight + kSignatureHeight + kTrailerHeight;

std::vector<int> bandIndices(const ReportPage& page) {
    std::vector<int> result;
    for (const PlacedBand& placed : page.bands) result.push_back(placed.band);
    return result;
}

std::vector<int> detailRows(const ReportPage& page) {
    std::vector<int> rows;
    for (const PlacedBand& placed : page.bands) {
        if (placed.kind == BandKind::Detail) rows.push_back(placed.row);
    }
    return rows;
}

std::vector<int> range(int from, int to) {
    std::vector<int> result;
    for (int i = from; i < to; ++i) result.push_back(i);
    return result;
}

// Bands follow each other without gaps from the top margin, stay inside the bottom margin, and
// carry their own kind and the full band width.
void checkStacked(const ReportDefinition& report, const ReportPage& page) {
    double y = report.marginTop;
    for (const PlacedBand& placed : page.bands) {
        const ReportBand& band = report.bands[placed.band];
        QCOMPARE(placed.kind, band.kind);
        QVERIFY2(qAbs(placed.top - y) < 1e-9, qPrintable(QString::number(placed.top)));
        QCOMPARE(placed.left, report.marginLeft);
        QCOMPARE(placed.width, report.bandWidth);
        QCOMPARE(placed.row >= 0, band.kind == BandKind::Detail);
        y += band.height;
        QVERIFY(y <= report.pageHeight - report.marginBottom + 1e-6);
    }
}

double bodyHeight(const ReportDefinition& report) {
    return report.pageHeight - report.marginTop - report.marginBottom;
}

}  // namespace

class TestReport : public QObject {
    Q_OBJECT

private slots:
    void onePageInPrintOrder() {
        const ReportDefinition report = deliveryNote();
        const std::vector<ReportPage> pages = paginateReport(report, 3);
        QCOMPARE(pages.size(), size_t(1));
        checkStacked(report, pages[0]);
        const std::vector<int> expected = {kTitle, kCustomer1, kCustomer2, kHeader,    kLine,
                                           kLine,  kLine,      kTotal,     kSignature, kTrailer};
        QCOMPARE(bandIndices(pages[0]), expected);
        QCOMPARE(detailRows(pages[0]), range(0, 3));
    }

    void emptyRowsStillGiveAPage() {
        const ReportDefinition report = deliveryNote();
        const std::vector<ReportPage> pages = paginateReport(report, 0);
        QCOMPARE(pages.size(), size_t(1));
        checkStacked(report, pages[0]);
        const std::vector<int> expected = {kTitle, kCustomer1, kCustomer2, kHeader, kTotal, kSignature, kTrailer};
        QCOMPARE(bandIndices(pages[0]), expected);
    }

    void exactlyFullPage() {
        // The page holds exactly ten lines and the summaries below the titles and the header;
        // the sum is formed differently from the running total, as rounding would have it.
        const int lines = 10;
        const double full = 15 + kTitlesHeight + kHeaderHeight + lines * kLineHeight + kSummariesHeight + 10;
        const ReportDefinition report = deliveryNote(full);
        std::vector<ReportPage> pages = paginateReport(report, lines);
        QCOMPARE(pages.size(), size_t(1));
        checkStacked(report, pages[0]);
        QCOMPARE(detailRows(pages[0]), range(0, lines));
        QCOMPARE(pages[0].bands.back().band, kTrailer);

        // One line more leaves no room for the blank trailer: it is dropped instead of starting
        // a page that would hold nothing but the header.
        pages = paginateReport(report, lines + 1);
        QCOMPARE(pages.size(), size_t(1));
        QCOMPARE(detailRows(pages[0]), range(0, lines + 1));
        QCOMPARE(pages[0].bands.back().band, kSignature);

        // Two more: the signature would not fit, so the total goes over with it.
        pages = paginateReport(report, lines + 2);
        QCOMPARE(pages.size(), size_t(2));
        QCOMPARE(detailRows(pages[0]), range(0, lines + 2));
        QCOMPARE(bandIndices(pages[1]), std::vector<int>({kHeader, kTotal, kSignature, kTrailer}));
        checkStacked(report, pages[1]);
    }

    void twoPagesRepeatTheHeaderOnly() {
        const ReportDefinition report = deliveryNote();
        const std::vector<ReportPage> pages = paginateReport(report, 40);
        QCOMPARE(pages.size(), size_t(2));
        for (const ReportPage& page : pages) checkStacked(report, page);

        // 297 - 15 - 10 - 21.2 - 2 × 7.4 - 8.5 = 227.5 mm below the header: 30 lines of 7.4 mm.
        const std::vector<int> firstBands = bandIndices(pages[0]);
        QCOMPARE(std::vector<int>(firstBands.begin(), firstBands.begin() + 4),
                 std::vector<int>({kTitle, kCustomer1, kCustomer2, kHeader}));
        QCOMPARE(detailRows(pages[0]), range(0, 30));
        QCOMPARE(pages[0].bands.back().band, kLine);

        const std::vector<int> secondBands = bandIndices(pages[1]);
        QCOMPARE(secondBands.front(), kHeader);
        QCOMPARE(std::count(secondBands.begin(), secondBands.end(), kTitle), 0);
        QCOMPARE(std::count(secondBands.begin(), secondBands.end(), kCustomer1), 0);
        QCOMPARE(detailRows(pages[1]), range(30, 40));
        QCOMPARE(std::vector<int>(secondBands.end() - 3, secondBands.end()),
                 std::vector<int>({kTotal, kSignature, kTrailer}));
    }

    void summaryMovesToANewPage() {
        // 30 lines leave 5.5 mm, less than the total band: all summaries go over, below a header.
        const ReportDefinition report = deliveryNote();
        std::vector<ReportPage> pages = paginateReport(report, 30);
        QCOMPARE(pages.size(), size_t(2));
        QCOMPARE(detailRows(pages[0]), range(0, 30));
        QCOMPARE(bandIndices(pages[1]), std::vector<int>({kHeader, kTotal, kSignature, kTrailer}));
        checkStacked(report, pages[1]);

        // A long note whose last page ends with room for nothing: the summaries follow on a
        // third page, each page keeps its header.
        const double body = bodyHeight(report);
        const int secondPageLines = int((body - kHeaderHeight) / kLineHeight);
        pages = paginateReport(report, 30 + secondPageLines);
        QCOMPARE(pages.size(), size_t(3));
        QCOMPARE(detailRows(pages[1]), range(30, 30 + secondPageLines));
        QCOMPARE(bandIndices(pages[2]), std::vector<int>({kHeader, kTotal, kSignature, kTrailer}));
    }

    void bandsTallerThanAPageDoNotLoop() {
        ReportDefinition report = deliveryNote();
        report.bands[kLine].height = 400;
        const std::vector<ReportPage> pages = paginateReport(report, 3);
        QCOMPARE(pages.size(), size_t(4));
        for (int page = 0; page < 3; ++page) {
            QCOMPARE(detailRows(pages[page]), std::vector<int>({page}));
        }
        QCOMPARE(bandIndices(pages[3]), std::vector<int>({kHeader, kTotal, kSignature, kTrailer}));
    }

    void detailBandsOfARowStayTogether() {
        // Each row prints a 7.4 mm line and a 3 mm note under it. Below the header the page
        // holds two rows and 9 mm: the third row's line would fit there but its note would
        // not, so the line goes over with it.
        ReportDefinition report;
        report.pageHeight = 10 + kHeaderHeight + 2 * 10.4 + 9 + 10;
        report.bands = {band(BandKind::ColumnHeader, kHeaderHeight), band(BandKind::Detail, kLineHeight),
                        band(BandKind::Detail, 3)};
        const std::vector<ReportPage> pages = paginateReport(report, 3);
        QCOMPARE(pages.size(), size_t(2));
        QCOMPARE(detailRows(pages[0]), std::vector<int>({0, 0, 1, 1}));
        QCOMPARE(bandIndices(pages[1]), std::vector<int>({0, 1, 2}));
        QCOMPARE(detailRows(pages[1]), std::vector<int>({2, 2}));
        for (const ReportPage& page : pages) checkStacked(report, page);
    }

    // Rows that grow with their text push the next rows down and over the page; a page header
    // tops every page; a long report is laid out as far as it is looked at.
    void growingRowsAndPageHeadersLaidOutAsNeeded() {
        ReportDefinition report;
        report.pageHeight = 10 + 5 + kHeaderHeight + 100 + 10;  // 100 mm below the headers
        report.bands = {band(BandKind::PageHeader, 5), band(BandKind::ColumnHeader, kHeaderHeight),
                        band(BandKind::Detail, 5), band(BandKind::Summary, 5)};
        report.bands[2].growsWithText = true;
        // Every tenth row holds text of three lines.
        const DetailHeight heights = [](int, int row) { return row % 10 == 9 ? 15.0 : 5.0; };
        ReportLayout layout(report, 1000, heights);
        QVERIFY(!layout.isComplete());
        QVERIFY(layout.finishedPages() < 2);
        layout.layOut(50);
        QVERIFY(!layout.isComplete());
        // The first page takes rows, grown ones as tall as their text, until the next would not
        // fit below them.
        const ReportPage first = layout.page(0);
        QCOMPARE(first.bands.front().kind, BandKind::PageHeader);
        double used = 0;
        for (const PlacedBand& b : first.bands) {
            if (b.kind == BandKind::Detail) {
                QCOMPARE(b.height, b.row % 10 == 9 ? 15.0 : 5.0);
                used += b.height;
            }
        }
        QVERIFY(used <= 100 + 1e-6 && used > 100 - 15);
        const std::vector<ReportPage> all = paginateReport(report, 1000, heights);
        int rows = 0;
        for (const ReportPage& page : all) {
            QCOMPARE(page.bands.front().kind, BandKind::PageHeader);
            QCOMPARE(page.bands.at(1).kind, BandKind::ColumnHeader);
            rows += int(detailRows(page).size());
        }
        QCOMPARE(rows, 1000);
        while (!layout.layOut(100)) {
        }
        QCOMPARE(layout.finishedPages(), int(all.size()));
        // Counting holds no page: each one laid out again from its first row is the page the
        // whole run made, the last with its summary.
        for (int p = 0; p < int(all.size()); ++p) {
            const ReportPage again = layout.page(p);
            QCOMPARE(again.bands.size(), all[size_t(p)].bands.size());
            for (size_t b = 0; b < again.bands.size(); ++b) {
                const PlacedBand &x = again.bands[b], &y = all[size_t(p)].bands[b];
                QVERIFY(x.band == y.band && x.row == y.row && x.top == y.top && x.height == y.height &&
                        x.left == y.left && x.width == y.width);
            }
        }
        QCOMPARE(layout.page(int(all.size()) - 1).bands.back().kind, BandKind::Summary);
    }

    void labelSheetFillsAcrossThenDown() {
        // 210 × 150 mm with 10 mm margins: 130 mm hold five lines of 25 mm labels, four each.
        ReportDefinition report;
        report.pageWidth = 210;
        report.pageHeight = 150;
        report.bandWidth = 190;
        report.detailColumns = 4;
        report.detailColumnWidth = 47.5;
        report.bands = {band(BandKind::Detail, 25), band(BandKind::Summary, 4)};
        const int rows = 23;
        const std::vector<ReportPage> pages = paginateReport(report, rows);
        QCOMPARE(pages.size(), size_t(2));

        int row = 0;
        for (int page = 0; page < 2; ++page) {
            for (const PlacedBand& placed : pages[page].bands) {
                if (placed.kind != BandKind::Detail) continue;
                const int onPage = row - page * 20;
                QCOMPARE(placed.row, row);
                QCOMPARE(placed.left, 10 + (onPage % 4) * 47.5);
                QCOMPARE(placed.top, 10 + (onPage / 4) * 25.0);
                QCOMPARE(placed.width, 47.5);
                ++row;
            }
        }
        QCOMPARE(row, rows);
        QCOMPARE(detailRows(pages[0]).size(), size_t(20));

        // The summary goes below the last, partly filled line, across the full width.
        const PlacedBand& summary = pages[1].bands.back();
        QCOMPARE(summary.kind, BandKind::Summary);
        QCOMPARE(summary.top, 10 + 25.0);
        QCOMPARE(summary.left, 10.0);
        QCOMPARE(summary.width, 190.0);
    }
};

ZENLO_TEST(TestReport)

#include "tst_report.moc"
