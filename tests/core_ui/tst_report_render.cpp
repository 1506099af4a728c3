// Banded reports painted to PDF and images: texts on the right pages and at their places.
#include <QBuffer>
#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "core/ui/dbgrid.h"
#include "core/ui/fonts.h"
#include "core/ui/grid_print.h"
#include "core/ui/page_preview.h"
#include "core/ui/report_render.h"
#include "support/pdf_words.h"
#include "support/test_registry.h"

namespace {

constexpr double kDpi = 150;
constexpr double kPointsPerMm = 72 / 25.4;

int px(double mm) {
    return qRound(mm * kDpi / 25.4);
}

QRect pxRect(double x, double y, double width, double height) {
    return QRect(QPoint(px(x), px(y)), QPoint(px(x + width) - 1, px(y + height) - 1));
}

bool isInk(QRgb pixel) {
    return qGray(pixel) < 220;
}

int inkCount(const QImage& image, const QRect& area) {
    int count = 0;
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) count += isInk(image.pixel(x, y));
    }
    return count;
}

QRect inkBounds(const QImage& image, const QRect& area) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (isInk(image.pixel(x, y))) bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

// Ink anywhere within a pixel of the point: thin antialiased lines straddle pixel borders.
bool inkNear(const QImage& image, double xMm, double yMm) {
    return inkCount(image, QRect(px(xMm) - 1, px(yMm) - 1, 3, 3)) > 0;
}

ReportBand band(BandKind kind, double height, ReportFrame frame = {}) {
    ReportBand result;
    result.kind = kind;
    result.height = height;
    result.frame = frame;
    return result;
}

ReportLabel label(MmRect box, const QString& text, ReportAlign align = ReportAlign::Left) {
    ReportLabel result;
    result.box = box;
    result.text = text;
    result.align = align;
    return result;
}

ReportField field(MmRect box, const QString& column, ReportAlign align = ReportAlign::Left) {
    ReportField result;
    result.box = box;
    result.column = column;
    result.align = align;
    return result;
}

QByteArray blackPng() {
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Rows whose "code" column has an image on even rows only.
class LabelRows : public ReportTableRows {
public:
    LabelRows() : ReportTableRows({QStringLiteral("name")}) {}
    QByteArray image(int row, const QString& column) const override {
        return column == QLatin1String("code") && row % 2 == 0 ? blackPng() : QByteArray();
    }
};

// An A4 note: title, a header on every page, one line per row with the amount right-aligned
// ending at 151.9 mm, and a total after the last line.
ReportDefinition twoPageNote() {
    ReportDefinition report;
    report.title = QStringLiteral("送货单");
    report.marginTop = 15;
    report.marginBottom = 10;
    report.marginLeft = 10;
    report.marginRight = 15;
    report.bandWidth = 180.2;
    const ReportFrame open = {.top = true, .left = true, .right = true};

    ReportBand title = band(BandKind::Title, 21.2);
    ReportLabel heading = label({63.5, 3.2, 38.4, 8}, QStringLiteral("样张送货单"), ReportAlign::Centre);
    heading.font.pointSize = 16;
    heading.font.bold = true;
    title.items = {heading, ReportHLine{.x = 27.5, .y = 8.7, .length = 102.9, .doubled = true}};

    ReportBand header = band(BandKind::ColumnHeader, 8.5, open);
    ReportLabel nameTitle = label({10.6, 2.1, 30, 5}, QStringLiteral("商品名称"));
    nameTitle.font.bold = true;
    header.items = {nameTitle, ReportVLine{.x = 42.2}};

    ReportBand line = band(BandKind::Detail, 7.4, open);
    line.items = {field({2.1, 1.9, 38.4, 5}, QStringLiteral("name")),
                  field({135.3, 1.9, 16.6, 5}, QStringLiteral("amount"), ReportAlign::Right), ReportVLine{.x = 42.2}};

    ReportBand total = band(BandKind::Summary, 10.6, {true, true, true, true});
    total.items = {label({5.0, 3.2, 20, 5}, QStringLiteral("合计金额"))};

    report.bands = {title, header, line, total};
    return report;
}

ReportTableRows noteRows(int count) {
    ReportTableRows rows({QStringLiteral("name"), QStringLiteral("amount")});
    for (int i = 1; i <= count; ++i) {
        rows.append({QStringLiteral("商品%1").arg(i, 2, 10, QLatin1Char('0')), QString::number(i * 1000 + 0.5)});
    }
    return rows;
}

// Each text is there, after the one before it.
bool appearInOrder(const QString& page, const QStringList& texts) {
    qsizetype from = 0;
    for (const QString& text : texts) {
        from = page.indexOf(text, from);
        if (from < 0) return false;
        from += text.size();
    }
    return true;
}

}  // namespace

class TestReportRender : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutions(); }

    void pageLayoutIsTheReportPageWithoutMargins() {
        const ReportTableRows none({});
        const ReportDocument note(twoPageNote(), none);
        const QPageLayout a4 = note.pageLayout();
        QCOMPARE(a4.orientation(), QPageLayout::Portrait);
        QCOMPARE(a4.fullRect(QPageLayout::Millimeter).size(), QSizeF(210, 297));
        QCOMPARE(a4.margins(QPageLayout::Millimeter), QMarginsF());

        ReportDefinition sheet;
        sheet.pageWidth = 210;
        sheet.pageHeight = 150;
        const QPageLayout wide = ReportDocument(sheet, none).pageLayout();
        QCOMPARE(wide.orientation(), QPageLayout::Landscape);
        QCOMPARE(wide.fullRect(QPageLayout::Millimeter).size(), QSizeF(210, 150));
    }

    void pdfHasEachTextOnItsPage() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString pdf = dir.filePath(QStringLiteral("note.pdf"));
        const ReportDocument document(twoPageNote(), noteRows(40));
        QCOMPARE(document.pageCount(), 2);
        QVERIFY(printToPdf(document, pdf));

        const QString info = runTextTool(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+595(\\.\\d+)? x 84[12]"))),
                 qPrintable(info));

        const QString text =
            runTextTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 2);
        const QString& first = pages[0];
        const QString& second = pages[1];

        // 297 - 15 - 10 - 21.2 - 8.5 = 242.3 mm below the header hold lines 1 to 32 of 7.4 mm.
        const QStringList firstOrder = {QStringLiteral("样张送货单"), QStringLiteral("商品名称"),
                                        QStringLiteral("商品01"), QStringLiteral("商品32")};
        QVERIFY2(appearInOrder(first, firstOrder), qPrintable(first));
        QVERIFY(!first.contains(QStringLiteral("商品33")));
        QVERIFY(!first.contains(QStringLiteral("合计金额")));

        const QStringList secondOrder = {QStringLiteral("商品名称"), QStringLiteral("商品33"), QStringLiteral("商品40"),
                                         QStringLiteral("合计金额")};
        QVERIFY2(appearInOrder(second, secondOrder), qPrintable(second));
        QVERIFY(!second.contains(QStringLiteral("样张送货单")));
        QVERIFY(!second.contains(QStringLiteral("商品32")));
    }

    void pdfPlacesTextsInMillimetres() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString pdf = dir.filePath(QStringLiteral("note.pdf"));
        QVERIFY(printToPdf(ReportDocument(twoPageNote(), noteRows(40)), pdf));
        const std::vector<std::vector<PdfWord>> pages = pdfWords(pdf);
        QCOMPARE(pages.size(), size_t(2));

        // Page 2 starts with the header at the top margin; line 33 is the first line below it.
        const PdfWord* header = findWord(pages[1], QStringLiteral("商品名称"));
        const PdfWord* name = findWord(pages[1], QStringLiteral("商品33"));
        const PdfWord* amount = findWord(pages[1], QString::number(33 * 1000 + 0.5));
        QVERIFY(header && name && amount);
        // pdftotext puts a word's top at the top of its line box. The report sets the glyphs
        // where 宋体 would have them (0.86 em below the box top), so the line box of the
        // installed font, whose ascent is taller, starts that much higher.
        QFont font(QStringLiteral("宋体"));
        font.setPixelSize(1000);
        const double lift = (QFontMetricsF(font).ascent() / 1000.0 - 0.86) * 11;  // points at 11 pt
        const auto nearMm = [](double points, double mm) { return qAbs(points - mm * kPointsPerMm) < 1; };
        const auto topNearMm = [&](double points, double mm) { return nearMm(points + lift, mm); };

        QVERIFY(nearMm(header->box.left(), 10 + 10.6));
        QVERIFY(topNearMm(header->box.top(), 15 + 2.1));
        QVERIFY(nearMm(name->box.left(), 10 + 2.1));
        QVERIFY(topNearMm(name->box.top(), 15 + 8.5 + 1.9));
        QVERIFY(nearMm(amount->box.right(), 10 + 151.9));
        QVERIFY(topNearMm(amount->box.top(), 15 + 8.5 + 1.9));
    }

    void pdfToAnUnwritablePathFails() {
        QTemporaryDir dir;
        const ReportTableRows none({});
        const QString path = dir.filePath(QStringLiteral("missing/folder/note.pdf"));
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        QVERIFY(!printToPdf(ReportDocument(twoPageNote(), none), path));
    }

    void textsStayInTheirBoxes() {
        ReportDefinition report;
        report.pageHeight = 100;
        ReportBand title = band(BandKind::Title, 30);
        const MmRect plain{10, 5, 40, 8}, narrow{60, 5, 15, 8}, right{100, 5, 40, 8}, centre{150, 5, 40, 8};
        title.items = {label(plain, QStringLiteral("填充")),
                       label(narrow, QStringLiteral("超长的文字不能越过方框右边")),
                       label(right, QStringLiteral("123"), ReportAlign::Right),
                       label(centre, QStringLiteral("中"), ReportAlign::Centre)};
        report.bands = {title};
        const ReportTableRows none({});
        const QImage image = renderPageImage(ReportDocument(report, none), 0, kDpi);
        QCOMPARE(image.size(), QSize(px(210), px(100)));

        // Band origin is the page margin, 10 mm from the left and the top.
        const auto page = [](const MmRect& box) { return pxRect(10 + box.x, 10 + box.y, box.width, box.height); };
        QVERIFY(inkCount(image, page(plain)) > 0);
        QVERIFY(inkCount(image, page(narrow)) > 0);
        // Nothing between the over-long text's box and the next box, nor above or below.
        QCOMPARE(inkCount(image, pxRect(10 + 75 + 0.2, 10, 24.6, 30)), 0);
        QCOMPARE(inkCount(image, pxRect(10 + 60, 10, 15, 4.8)), 0);
        QCOMPARE(inkCount(image, pxRect(10 + 60, 10 + 13.2, 15, 16.8)), 0);

        const QRect rightInk = inkBounds(image, page(right));
        QVERIFY(rightInk.isValid());
        QVERIFY2(px(10 + right.x + right.width) - rightInk.right() <= px(1),
                 qPrintable(QString::number(rightInk.right())));
        QVERIFY(rightInk.left() > px(10 + right.x + 20));

        const QRect centreInk = inkBounds(image, page(centre));
        QVERIFY(centreInk.isValid());
        QVERIFY2(qAbs(centreInk.center().x() - px(10 + centre.x + centre.width / 2)) <= px(1),
                 qPrintable(QString::number(centreInk.center().x())));
    }

    void textSizeFollowsTheGivenResolution() {
        // A preview paints a page for one resolution onto a device of another; the texts must
        // come out as large as on a device of the resolution given.
        ReportDefinition report;
        report.pageHeight = 50;
        ReportBand title = band(BandKind::Title, 20);
        title.items = {label({0, 0, 100, 10}, QStringLiteral("字号测试"))};
        report.bands = {title};
        const ReportTableRows none({});
        const ReportDocument document(report, none);
        const QImage reference = renderPageImage(document, 0, kDpi);

        QImage screen(reference.size(), QImage::Format_RGB32);  // the image's own 96 dpi
        screen.fill(Qt::white);
        QPainter painter(&screen);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        document.paintPage(painter, 0, kDpi);
        painter.end();
        QVERIFY(screen.logicalDpiY() != int(kDpi));

        const QRect area = pxRect(10, 10, 100, 10);
        const QRect expected = inkBounds(reference, area);
        const QRect actual = inkBounds(screen, area);
        QVERIFY(expected.isValid());
        QVERIFY2(qAbs(actual.width() - expected.width()) <= 2 && qAbs(actual.height() - expected.height()) <= 2,
                 qPrintable(QStringLiteral("%1x%2 against %3x%4")
                                .arg(actual.width())
                                .arg(actual.height())
                                .arg(expected.width())
                                .arg(expected.height())));
    }

    void framesAndLines() {
        ReportDefinition report;
        report.pageHeight = 100;
        report.bandWidth = 100;
        report.lineWidth = 0.3;
        ReportBand detail = band(BandKind::Detail, 20, {true, true, true, true});
        detail.items = {ReportVLine{.x = 30}, ReportVLine{.x = 60, .y = 5, .height = 5},
                        ReportHLine{.x = 40, .y = 3, .length = 15, .doubled = true, .gap = 1.5},
                        ReportRoundedRect{.box = {70, 2, 20, 15}, .radius = 4}};
        report.bands = {detail};
        ReportTableRows rows({});
        rows.append({});
        const QImage image = renderPageImage(ReportDocument(report, rows), 0, kDpi);

        // The band sits at 10, 10 mm; 100 × 20 mm framed on all sides.
        for (double x : {15.0, 50.0, 105.0}) {
            QVERIFY(inkNear(image, x, 10));
            QVERIFY(inkNear(image, x, 30));
        }
        for (double y : {12.0, 20.0, 28.0}) {
            QVERIFY(inkNear(image, 10, y));
            QVERIFY(inkNear(image, 110, y));
            QVERIFY(inkNear(image, 40, y));  // full band height
        }
        QVERIFY(inkNear(image, 70, 17.5));
        QVERIFY(!inkNear(image, 70, 22));  // 5 mm only
        QVERIFY(inkNear(image, 57, 13));
        QVERIFY(inkNear(image, 57, 14.5));
        QVERIFY(!inkNear(image, 57, 13.75));
        // Rounded corners leave the box corner empty but draw its sides.
        QVERIFY(inkNear(image, 90, 12));
        QVERIFY(inkNear(image, 80, 19.5));
        QVERIFY(!inkNear(image, 80.2, 12.2));
        QCOMPARE(inkCount(image, pxRect(0, 31, 210, 69)), 0);
    }

    void labelSheetPrintsEachRowInItsColumn() {
        ReportDefinition report;
        report.pageWidth = 210;
        report.pageHeight = 150;
        report.bandWidth = 190;
        report.detailColumns = 4;
        report.detailColumnWidth = 47.5;
        ReportBand labelBand = band(BandKind::Detail, 25);
        ReportPicture code;
        code.box = {3, 8, 40, 12};
        code.column = QStringLiteral("code");
        code.keepAspectRatio = false;
        labelBand.items = {ReportRoundedRect{.box = {1.5, 1.5, 44, 22}, .radius = 3},
                           field({3, 2.5, 40, 5}, QStringLiteral("name")), code};
        report.bands = {labelBand};
        LabelRows rows;
        for (int i = 0; i < 6; ++i) rows.append({QStringLiteral("品%1").arg(i)});
        const QImage image = renderPageImage(ReportDocument(report, rows), 0, kDpi);

        for (int row = 0; row < 6; ++row) {
            const double left = 10 + (row % 4) * 47.5;
            const double top = 10 + (row / 4) * 25;
            QVERIFY2(inkCount(image, pxRect(left + 3, top + 2.5, 40, 5)) > 0, qPrintable(QString::number(row)));
            QVERIFY(inkNear(image, left + 23.5, top + 1.5));
            // The picture box is filled where the row has an image, blank where it has none.
            const QRect picture = pxRect(left + 3.5, top + 8.5, 39, 11);
            if (row % 2 == 0) {
                QCOMPARE(inkCount(image, picture), picture.width() * picture.height());
            } else {
                QCOMPARE(inkCount(image, picture), 0);
            }
        }
        // Six labels leave the rest of the second line empty.
        QCOMPARE(inkCount(image, pxRect(10 + 2 * 47.5, 35, 95, 25)), 0);
    }
};

// A grid printed: page numbers on every page, the title and heading on the first, column titles
// on each, rows growing to hold long texts.
class TestGridPrint : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutions(); }

    void aLongListOnPages() {
        GridColumn name, amount;
        name.field = QStringLiteral("name");
        name.title = QStringLiteral("商 品|名 称");
        name.width = 100;
        amount.field = QStringLiteral("amount");
        amount.title = QStringLiteral("商 品|金 额");
        amount.width = 50;
        amount.alignment = Qt::AlignRight;
        GridColumn hidden = amount;
        hidden.field = QStringLiteral("secret");
        hidden.visible = false;
        const ReportDefinition report = gridReport(
            {name, hidden, amount},
            {QStringLiteral("样张收银系统"), QStringLiteral("全 部 商 品 报 表"), QStringLiteral("制表人：王五")});
        ReportTableRows rows({QStringLiteral("name"), QStringLiteral("amount")});
        for (int i = 1; i <= 120; ++i) {
            rows.append({i == 3 ? QStringLiteral("特别长的商品名称需要在格子里换行才能完整地打印出来不会被截断") +
                                      QStringLiteral("还有更多更多的文字")
                                : QStringLiteral("商品%1").arg(i),
                         QString::number(i * 1.5)});
        }
        const ReportDocument document(report, rows);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("grid.pdf"));
        QVERIFY(printToPdf(document, pdf));
        if (qEnvironmentVariableIsSet("ZENLO_KEEP_PDF")) QFile::copy(pdf, qEnvironmentVariable("ZENLO_KEEP_PDF"));
        const auto pages = pdfWords(pdf);
        QVERIFY(pages.size() >= 3);
        for (size_t p = 0; p < pages.size(); ++p) {
            QVERIFY(findWord(pages[p], QStringLiteral("Page.")));
            QVERIFY(findWord(pages[p], QStringLiteral("名")));  // the column titles on every page
            QCOMPARE(bool(findWord(pages[p], QStringLiteral("全"))), p == 0);
        }
        // The page number follows "Page." (the embedded font keeps these digits out of the
        // PDF's text, so the pages' header lines are compared as pictures).
        const QRect header(px(100), px(20), px(30), px(4));
        const QImage page1 = renderPageImage(document, 0, kDpi), page2 = renderPageImage(document, 1, kDpi);
        QVERIFY(inkCount(page1, header) > 0);
        QVERIFY(page1.copy(header) != page2.copy(header));
        // Row 3 wrapped: its text goes on below its first line, and row 4 starts below that.
        // (The amounts mark the rows: 3, 4.5 and 6.)
        const PdfWord* second = findWord(pages[0], QStringLiteral("3"));
        const PdfWord* third = findWord(pages[0], QStringLiteral("4.5"));
        const PdfWord* fourth = findWord(pages[0], QStringLiteral("6"));
        QVERIFY(third && fourth && second);
        QVERIFY(pdfLines(pages[0]).size() > 0);
        const PdfWord* fifth = findWord(pages[0], QStringLiteral("7.5"));
        QVERIFY(fifth);
        const double rowPitch = fifth->box.top() - fourth->box.top();
        QCOMPARE(qRound(third->box.top() - second->box.top()), qRound(rowPitch));
        QVERIFY2(fourth->box.top() - third->box.top() > 1.5 * rowPitch, qPrintable(QString::number(rowPitch)));
        // The closing text follows the last row, on the last page (the text read back folds the
        // full-width colon).
        QVERIFY(findWord(pages.back(), QStringLiteral("制表人:王五")));
        QVERIFY(!findWord(pages.front(), QStringLiteral("制表人:王五")));
    }

    // The footer row prints after the last row, and it and the closing text never stand alone on
    // a last page: whatever the number of rows, the last page holds the last row, the totals and
    // the closing text; a list without footer texts prints no footer row.
    void totalsCloseTheListWithItsLastRow() {
        GridColumn serial, amount;
        serial.field = QStringLiteral("serial");
        serial.title = QStringLiteral("流水号");
        serial.footer.kind = GridFooter::Kind::Text;
        serial.footer.text = QStringLiteral("合计");
        amount.field = QStringLiteral("amount");
        amount.title = QStringLiteral("金额");
        amount.alignment = Qt::AlignRight;
        const GridPrintTexts texts{QString(),
                                   QStringLiteral("销 售 统 计 报 表"),
                                   QStringLiteral("制表人：王丽"),
                                   ReportAlign::Right,
                                   {QStringLiteral("合计"), QStringLiteral("2500002")}};
        const ReportDefinition report = gridReport({serial, amount}, texts);
        int alone = 0;
        for (int rows = 1; rows <= 240; ++rows) {
            const std::vector<ReportPage> pages = paginateReport(report, rows);
            const ReportPage& last = pages.back();
            int summaries = 0, lastRow = -1;
            for (const PlacedBand& b : last.bands) {
                if (b.kind == BandKind::Summary) ++summaries;
                if (b.kind == BandKind::Detail) lastRow = std::max(lastRow, b.row);
            }
            QCOMPARE(summaries, 2);
            if (lastRow != rows - 1) ++alone;
        }
        QCOMPARE(alone, 0);

        ReportTableRows rows({QStringLiteral("serial"), QStringLiteral("amount")});
        rows.append({QStringLiteral("CJG261210000001"), QStringLiteral("2500002")});
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("totals.pdf"));
        QVERIFY(printToPdf(ReportDocument(report, rows), pdf));
        if (qEnvironmentVariableIsSet("ZENLO_KEEP_PDF")) QFile::copy(pdf, qEnvironmentVariable("ZENLO_KEEP_PDF"));
        const auto pages = pdfWords(pdf);
        // (The embedded font keeps the serial's digits out of the PDF's text.)
        const PdfWord* row = findWord(pages[0], QStringLiteral("CJG"));
        const PdfWord* total = findWord(pages[0], QStringLiteral("合计"));
        QVERIFY(row && total);
        QVERIFY(total->box.top() > row->box.top());

        // A sum wider than its narrow column runs on into the empty footer cell beside it and
        // prints whole.
        GridColumn unit, quantity;
        unit.field = QStringLiteral("unit");
        unit.title = QStringLiteral("单位");
        unit.width = 25;
        quantity.field = QStringLiteral("quantity");
        quantity.title = QStringLiteral("数量");
        quantity.width = 25;
        quantity.alignment = Qt::AlignRight;
        quantity.footer.kind = GridFooter::Kind::Sum;
        quantity.footer.alignment = Qt::AlignRight | Qt::AlignVCenter;
        const GridPrintTexts narrow{QString(),
                                    QString(),
                                    QString(),
                                    ReportAlign::Right,
                                    {QStringLiteral("合计"), QString(), QStringLiteral("49126467.9")}};
        ReportTableRows few({QStringLiteral("serial"), QStringLiteral("unit"), QStringLiteral("quantity")});
        few.append({QStringLiteral("S1"), QStringLiteral("瓶"), QStringLiteral("49126467.9")});
        const QString narrowPdf = dir.filePath(QStringLiteral("narrow.pdf"));
        GridColumn wideSerial = serial;
        wideSerial.width = 300;  // the sum's column is about 12 mm of the page
        QVERIFY(printToPdf(ReportDocument(gridReport({wideSerial, unit, quantity}, narrow), few), narrowPdf));
        QVERIFY(findWord(pdfWords(narrowPdf)[0], QStringLiteral("49126467.9")));

        GridPrintTexts plain = texts;
        plain.footers = {QString(), QString()};
        int summaryBands = 0;
        for (const ReportBand& b : gridReport({serial, amount}, plain).bands)
            summaryBands += b.kind == BandKind::Summary;
        QCOMPARE(summaryBands, 1);
    }

    // A name that fits its column on paper shows whole at a preview's low resolution too, where
    // fonts of a few pixels round their size up: it neither wraps onto a line the row has no
    // room for nor loses its last character.
    void aFittingNameShowsWholeAtAnyZoom() {
        const QString name = QStringLiteral("超级管理员");
        ReportFont font;
        font.family = QStringLiteral("Arial");
        font.pointSize = 7;
        QFont printed(font.family);
        printed.setPointSizeF(font.pointSize);
        QImage printer(1, 1, QImage::Format_RGB32);
        printer.setDotsPerMeterX(qRound(1200 * 1000 / 25.4));
        printer.setDotsPerMeterY(qRound(1200 * 1000 / 25.4));
        const double width = QFontMetricsF(printed, &printer).horizontalAdvance(name) * 25.4 / 1200 + 0.3;
        ReportDefinition report;
        ReportBand row{BandKind::Detail, 5, {}, {}};
        row.growsWithText = true;
        ReportField field;
        field.box = {10, 0.5, width, 4};
        field.column = QStringLiteral("name");
        field.font = font;
        field.wrap = true;
        row.items.push_back(field);
        report.bands.push_back(row);
        ReportTableRows rows({QStringLiteral("name")});
        rows.append({name});
        const ReportDocument document(report, rows);
        const std::vector<ReportPage> pages = document.pages();
        QCOMPARE(pages.front().bands.front().height, 5.0);  // one line
        const auto inkWidthMm = [&](double dpi) {
            const QImage page = renderPageImage(document, 0, dpi);
            const int top = qRound(10 * dpi / 25.4), bottom = qRound(15 * dpi / 25.4);
            int left = page.width(), right = -1;
            for (int y = top; y < bottom; ++y) {
                for (int x = 0; x < page.width(); ++x) {
                    if (qGray(page.pixel(x, y)) < 160) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
                }
            }
            return right < left ? 0.0 : (right - left + 1) * 25.4 / dpi;
        };
        const double onPaper = inkWidthMm(600);
        QVERIFY(onPaper > width * 0.8);
        for (double zoom : {88.3, 72.0, 110.0}) {
            QVERIFY2(std::abs(inkWidthMm(zoom) - onPaper) < 0.06 * onPaper,
                     qPrintable(QStringLiteral("%1 dpi: %2 mm of %3").arg(zoom).arg(inkWidthMm(zoom)).arg(onPaper)));
        }
    }

    // A grid as wide as the sales lines prints across the page, its dates on one line; a narrow
    // grid stays upright.
    void aWideGridPrintsAcrossThePage() {
        QList<GridColumn> columns;
        const QStringList fields{QStringLiteral("serial"), QStringLiteral("name"), QStringLiteral("day")};
        for (const QString& field : fields) {
            GridColumn c;
            c.field = c.title = field;
            c.width = field == QStringLiteral("name") ? 828 : field == QStringLiteral("serial") ? 122 : 80;
            columns.append(c);
        }
        const ReportDefinition wide = gridReport(columns, {});
        QVERIFY(wide.pageWidth > wide.pageHeight);
        ReportTableRows rows(fields);
        rows.append({QStringLiteral("CJG251111000106"), QStringLiteral("可口可乐"), QStringLiteral("2025-11-11")});
        const ReportDocument document(wide, rows);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("wide.pdf"));
        QVERIFY(printToPdf(document, pdf));
        const auto pages = pdfWords(pdf);
        QCOMPARE(int(pages.size()), 1);
        QVERIFY(findWord(pages[0], QStringLiteral("2025-11-11")));

        columns[1].width = 300;
        const ReportDefinition narrow = gridReport(columns, {});
        QVERIFY(narrow.pageWidth < narrow.pageHeight);
    }

    // A long document shows its first page at once and lays out the rest as it is looked at.
    void thePreviewPaintsOnlyWhatIsLookedAt() {
        GridColumn name;
        name.field = QStringLiteral("name");
        name.title = QStringLiteral("名称");
        const ReportDefinition report = gridReport({name}, {});
        ReportTableRows rows({QStringLiteral("name")});
        for (int i = 0; i < 20000; ++i) rows.append({QStringLiteral("商品%1").arg(i)});
        const ReportDocument document(report, rows);
        QVERIFY(!document.layoutComplete());
        PagePreview preview(document);
        preview.resize(800, 600);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        // It opens with the whole page fitted to the room it has, not as a thumbnail.
        auto* canvas = preview.findChild<QLabel*>(QStringLiteral("PageCanvas"));
        auto* area = preview.findChild<QScrollArea*>();
        QVERIFY(canvas && area);
        const QSize room = area->viewport()->size() - QSize(16, 16);
        QTRY_VERIFY(std::abs(canvas->height() - room.height()) <= 2 || std::abs(canvas->width() - room.width()) <= 2);
        QVERIFY(canvas->height() <= room.height() + 2 && canvas->width() <= room.width() + 2);
        QCOMPARE(preview.currentPage(), 0);
        const int early = document.pageCount();
        preview.showPage(10);
        QCOMPARE(preview.currentPage(), 10);
        QVERIFY(!document.layoutComplete());
        QTRY_VERIFY_WITH_TIMEOUT(document.layoutComplete(), 20000);  // laid out while idle
        QVERIFY(document.pageCount() > early);
        preview.showPage(document.pageCount() + 5);
        QCOMPARE(preview.currentPage(), document.pageCount() - 1);
        // Printing a range from the preview prints those pages and no others.
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("range.pdf")));
        QVERIFY(preview.printPages(printer, 4, 6));
        QCOMPARE(int(pdfWords(printer.outputFileName()).size()), 3);
    }
};

ZENLO_TEST(TestReportRender)
ZENLO_TEST(TestGridPrint)

#include "tst_report_render.moc"
