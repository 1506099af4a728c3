// Printing a grid.
#include "core/ui/grid_print.h"

#include <QColor>
#include <QStringList>
#include <algorithm>
#include <vector>

#include "core/dataset.h"
#include "core/formats.h"
#include "core/ui/dbgrid.h"
#include "core/ui/dialogs.h"
#include "core/ui/report_render.h"

namespace {

constexpr double kShortSide = 210;  // A4
constexpr double kLongSide = 297;
constexpr double kMargin = 20;  // 2 cm on every side
constexpr double kPoints = 9;
constexpr double kLeastPoints = 7;
constexpr double kLine = 5.0;  // a row of one line of 9 pt text, with its padding
constexpr double kPad = 1.0;
constexpr double kMmPerPixel = 25.4 / 96;  // grid column widths are in pixels of a 96 dpi screen

ReportFont arial(double points = kPoints, bool bold = false) {
    ReportFont f;
    f.family = QStringLiteral("Arial");
    f.pointSize = points;
    f.bold = bold;
    return f;
}

ReportLabel label(MmRect box, const QString& text, ReportFont font, ReportAlign align, quint32 fill = 0) {
    ReportLabel l;
    l.box = box;
    l.text = text;
    l.font = font;
    l.align = align;
    l.fill = fill;
    return l;
}

// The grid's footer row under the last row. A sum runs on into the empty footer cells beside it
// (to its left when it is right-aligned), as on the screen, so that no digit is cut.
ReportBand totalsBand(const QList<GridColumn>& shown, const QStringList& footers, const std::vector<double>& lefts,
                      const std::vector<double>& widths, double rowLine, double scale) {
    ReportBand totals{BandKind::Summary, rowLine, {true, true, true, false}, {}};
    const int n = int(shown.size());
    std::vector<int> spanOf(size_t(n), -1);  // the footer a cell's room goes to
    for (int i = 0; i < n; ++i) {
        if (!footers.at(i).isEmpty()) spanOf[size_t(i)] = i;
    }
    for (int i = 0; i < n; ++i) {
        if (footers.at(i).isEmpty()) continue;
        const Qt::Alignment a = shown[i].footer.alignment;
        int from = i, to = i;
        if (a & Qt::AlignRight) {
            while (from > 0 && spanOf[size_t(from - 1)] < 0) spanOf[size_t(--from)] = i;
        } else if (!(a & Qt::AlignHCenter)) {
            while (to + 1 < n && spanOf[size_t(to + 1)] < 0) spanOf[size_t(++to)] = i;
        }
        const double left = lefts[size_t(from)], right = lefts[size_t(to)] + widths[size_t(to)];
        const ReportAlign align = a & Qt::AlignRight     ? ReportAlign::Right
                                  : a & Qt::AlignHCenter ? ReportAlign::Centre
                                                         : ReportAlign::Left;
        totals.items.push_back(label({left + kPad, kPad * scale, right - left - 2 * kPad, rowLine - 2 * kPad * scale},
                                     footers.at(i), arial(kPoints * scale, true), align));
    }
    for (int i = 1; i < n; ++i) {
        const int a = spanOf[size_t(i - 1)], b = spanOf[size_t(i)];
        if (a < 0 || a != b) totals.items.push_back(ReportVLine{lefts[size_t(i)], 0, 0});
    }
    return totals;
}

}  // namespace

ReportDefinition gridReport(const QList<GridColumn>& columns, const GridPrintTexts& texts) {
    QList<GridColumn> shown;
    QStringList footers;
    double total = 0;
    for (int i = 0; i < columns.size(); ++i) {
        const GridColumn& c = columns.at(i);
        if (!c.visible) continue;
        shown.append(c);
        footers.append(texts.footers.value(i));
        total += std::max(1, c.width);
    }
    const bool footerRow = std::any_of(footers.begin(), footers.end(), [](const QString& t) { return !t.isEmpty(); });
    // A grid wider than an upright page prints across the page, and one still wider in a
    // smaller text, so that serials, codes and dates keep to one line as they do on the screen.
    const double screenWidth = total * kMmPerPixel;
    const bool across = screenWidth > kShortSide - 2 * kMargin;
    const double body = (across ? kLongSide : kShortSide) - 2 * kMargin;
    const double scale = std::clamp(body / screenWidth, kLeastPoints / kPoints, 1.0);
    const double rowLine = kLine * scale;

    ReportDefinition r;
    r.title = texts.before.isEmpty() ? texts.title : texts.before;
    r.pageWidth = across ? kLongSide : kShortSide;
    r.pageHeight = across ? kShortSide : kLongSide;
    r.marginTop = r.marginBottom = r.marginLeft = r.marginRight = kMargin;
    r.bandWidth = body;
    r.summaryKeepsLastRow = true;

    ReportBand pageHeader{BandKind::PageHeader, 7, {}, {}};
    pageHeader.items.push_back(label({0, 0, body, 4.5}, QStringLiteral("Page. &[Page]"), arial(), ReportAlign::Centre));
    pageHeader.items.push_back(ReportHLine{0, 5.2, body, true, 0.5});
    r.bands.push_back(pageHeader);

    ReportBand title{BandKind::Title, 0, {}, {}};
    double y = 0;
    if (!texts.title.isEmpty()) {
        title.items.push_back(label({0, y, body, 5}, texts.title, arial(), ReportAlign::Centre));
        y += 6;
    }
    if (!texts.before.isEmpty()) {
        title.items.push_back(label({0, y, body, 7}, texts.before, arial(14, true), ReportAlign::Centre));
        y += 9;
    }
    title.height = y;
    if (y > 0) r.bands.push_back(title);

    // Two-level titles ("上|下") print on two lines; equal upper texts side by side join.
    bool twoLevels = false;
    for (const GridColumn& c : shown) twoLevels = twoLevels || c.title.contains(QLatin1Char('|'));
    const double headerLine = rowLine;
    ReportBand header{BandKind::ColumnHeader, twoLevels ? 2 * headerLine : headerLine, {true, true, true, false}, {}};
    ReportBand line{BandKind::Detail, rowLine, {true, true, true, false}, {}};
    line.growsWithText = true;
    std::vector<double> lefts, widths;
    double x = 0;
    for (int i = 0; i < shown.size(); ++i) {
        const GridColumn& c = shown[i];
        const double width = body * std::max(1, c.width) / total;
        const QStringList levels = c.title.split(QLatin1Char('|'));
        const quint32 fill = c.titleColor.isValid() ? c.titleColor.rgba() : 0;
        if (twoLevels && levels.size() > 1) {
            // The upper text spans the run of columns that share it; only the first prints it.
            const bool continues = i > 0 && shown[i - 1].title.section(QLatin1Char('|'), 0, 0) == levels.first();
            double span = width;
            for (int j = i + 1; j < shown.size() && shown[j].title.section(QLatin1Char('|'), 0, 0) == levels.first();
                 ++j) {
                span += body * std::max(1, shown[j].width) / total;
            }
            if (!continues) {
                header.items.push_back(label({x, 0, span, headerLine}, levels.first(), arial(kPoints * scale, true),
                                             ReportAlign::Centre, fill));
                header.items.push_back(ReportHLine{x, headerLine, span, false, 0});
            }
            header.items.push_back(label({x, headerLine, width, headerLine}, levels.at(1), arial(kPoints * scale, true),
                                         ReportAlign::Centre, fill));
            if (i > 0 && !continues) header.items.push_back(ReportVLine{x, 0, 0});
            if (i > 0 && continues) header.items.push_back(ReportVLine{x, headerLine, 0});
        } else {
            header.items.push_back(label({x, 0, width, header.height}, levels.first(), arial(kPoints * scale, true),
                                         ReportAlign::Centre, fill));
            if (i > 0) header.items.push_back(ReportVLine{x, 0, 0});
        }
        ReportField f;
        f.box = {x + kPad, kPad * scale, width - 2 * kPad, rowLine - 2 * kPad * scale};
        f.column = c.field;
        f.font = arial(kPoints * scale);
        f.align = c.alignment & Qt::AlignRight     ? ReportAlign::Right
                  : c.alignment & Qt::AlignHCenter ? ReportAlign::Centre
                                                   : ReportAlign::Left;
        f.wrap = true;
        line.items.push_back(f);
        if (i > 0) line.items.push_back(ReportVLine{x, 0, 0});
        lefts.push_back(x);
        widths.push_back(width);
        x += width;
    }
    r.bands.push_back(header);
    r.bands.push_back(line);
    if (footerRow) r.bands.push_back(totalsBand(shown, footers, lefts, widths, rowLine, scale));

    // The bottom rule of the last row, and the closing text.
    ReportBand after{BandKind::Summary, 8, {true, false, false, false}, {}};
    QString closing = texts.after;
    closing.replace(QLatin1String("%[Today]"), formatDate(QDate::currentDate()));
    if (!closing.isEmpty()) after.items.push_back(label({0, 2, body, 5}, closing, arial(), texts.afterAlign));
    r.bands.push_back(after);
    return r;
}

int DatasetRows::rowCount() const {
    return dataset_.isOpen() ? dataset_.recordCount() : 0;
}

QString DatasetRows::text(int row, const QString& column) const {
    auto found = fields_.constFind(column);
    if (found == fields_.constEnd()) found = fields_.insert(column, dataset_.fieldIndex(column));
    return dataset_.textAt(row, *found);
}

void printGrid(QWidget* parent, const DBGrid& grid, const GridPrintTexts& texts) {
    if (!grid.dataset() || refusedWhilePending(grid.dataset(), parent)) return;
    const DatasetRows rows(*grid.dataset());
    GridPrintTexts withFooters = texts;
    if (grid.footerRowCount() > 0) {
        for (int i = 0; i < grid.columns().size(); ++i) withFooters.footers.append(grid.footerText(i));
    }
    const ReportDocument document(gridReport(grid.columns(), withFooters), rows);
    Dialogs::current().preview(parent, document, QSize(1024, 800));
}
