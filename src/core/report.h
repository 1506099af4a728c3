// Banded reports as data: page, bands and their items in millimetres, and how rows fill pages.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <variant>
#include <vector>

// Print order is the order of this enum; bands of one kind print in the order they are listed.
enum class BandKind {
    PageHeader,    // top of every page, above everything else
    Title,         // first page only
    TitleChild,    // follows the title, first page only
    ColumnHeader,  // top of every page, below the title bands on the first page
    Detail,        // once per row; several detail bands print one after the other per row
    Summary,       // after the last row
    SummaryChild,  // follows the summary
};

enum class ReportAlign { Left, Centre, Right };

struct ReportFont {
    QString family = QStringLiteral("宋体");
    double pointSize = 11;
    bool bold = false;
    bool underline = false;
};

// A box in millimetres from the band's left edge and top.
struct MmRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// Text is drawn on one line at the top of its box and clipped to it. "&[Page]" in a label's
// text becomes the number of the page it is printed on.
struct ReportLabel {
    MmRect box;
    QString text;
    ReportFont font;
    ReportAlign align = ReportAlign::Left;
    quint32 fill = 0;  // ARGB background of the box; 0 leaves it clear
};

// A label whose text is the named column of the row being printed. Outside detail bands there
// is no such row and the field stays empty.
struct ReportField {
    MmRect box;
    QString column;
    ReportFont font;
    ReportAlign align = ReportAlign::Left;
    // Text wider than the box goes on in further lines, and the band grows to hold them
    // (when the band grows with its text).
    bool wrap = false;
};

struct ReportHLine {
    double x = 0;
    double y = 0;
    double length = 0;
    bool doubled = false;
    double gap = 0.3;  // distance of the second line below the first when doubled
};

struct ReportVLine {
    double x = 0;
    double y = 0;
    double height = 0;  // 0 runs the line from y to the bottom of the band
};

// An encoded image (PNG, JPEG, ...) fitted into its box. With `column` set the image comes from
// the row being printed instead (a bar code per goods row).
struct ReportPicture {
    MmRect box;
    QByteArray image;
    QString column;
    bool keepAspectRatio = true;  // otherwise stretched to the box
};

struct ReportRoundedRect {
    MmRect box;
    double radius = 0;
};

using ReportItem = std::variant<ReportLabel, ReportField, ReportHLine, ReportVLine, ReportPicture, ReportRoundedRect>;

// Lines drawn along the band's edges.
struct ReportFrame {
    bool top = false;
    bool left = false;
    bool right = false;
    bool bottom = false;
};

struct ReportBand {
    BandKind kind = BandKind::Detail;
    double height = 0;  // the least height; a detail band that grows may be taller
    ReportFrame frame;
    std::vector<ReportItem> items;
    bool growsWithText = false;
};

struct ReportDefinition {
    QString title;  // the print job's name
    double pageWidth = 210;
    double pageHeight = 297;
    double marginTop = 10;
    double marginBottom = 10;
    double marginLeft = 10;
    double marginRight = 10;
    double bandWidth = 190;
    // Label sheets print the detail bands side by side: row i goes to column i % detailColumns
    // of its line, lines run down the page.
    int detailColumns = 1;
    double detailColumnWidth = 0;
    double lineWidth = 0.2;  // pen width of rules, frames and boxes
    // The summaries never stand alone on a page under the column headers: when they do not fit
    // below the last row, that row goes over with them (a list's totals and closing line).
    bool summaryKeepsLastRow = false;
    std::vector<ReportBand> bands;
};

// The rows a report runs over.
class ReportRows {
public:
    virtual ~ReportRows() = default;
    virtual int rowCount() const = 0;
    virtual QString text(int row, const QString& column) const = 0;
    // The encoded image for a picture bound to a column; none unless a source has images.
    virtual QByteArray image(int row, const QString& column) const;
};

// Rows held in memory, for reports built from lists and for tests.
class ReportTableRows : public ReportRows {
public:
    explicit ReportTableRows(QStringList columns);
    void append(const QStringList& values);
    int rowCount() const override;
    QString text(int row, const QString& column) const override;

private:
    QStringList columns_;
    std::vector<QStringList> rows_;
};

// One band on a page, positioned in millimetres from the page's top-left corner.
struct PlacedBand {
    int band = 0;  // index into ReportDefinition::bands
    BandKind kind = BandKind::Detail;
    int row = -1;  // the row a detail band prints; -1 for the others
    double left = 0;
    double top = 0;
    double width = 0;   // the band width, or the column width for multi-column detail bands
    double height = 0;  // the band's height on this page (a growing band as tall as its text)
};

struct ReportPage {
    std::vector<PlacedBand> bands;
};

// A band with no items and no frame prints nothing: it only makes room.
bool bandIsBlank(const ReportBand& band);

// The height in millimetres a detail band needs for a row (bands that grow with their text).
using DetailHeight = std::function<double(int band, int row)>;

// Lays the bands out on pages as far as they are needed: a long report shows its first pages
// before its last rows are measured, and counting its pages holds no finished page. A band that does not fit above the
// bottom margin starts a new page (with the page and column headers); a row's detail bands stay together, and so do the
// summary and its children. Blank bands after the summaries never start a page. There is always at least one page.
class ReportLayout {
public:
    ReportLayout(const ReportDefinition& report, int rowCount, DetailHeight height = {});
    ~ReportLayout();
    ReportLayout(const ReportLayout&) = delete;
    ReportLayout& operator=(const ReportLayout&) = delete;

    // Lays out up to `rows` more rows (and the summaries after the last); true once complete.
    bool layOut(int rows);
    bool isComplete() const;
    // Pages whose bands are all placed: every page once complete, else all but the last.
    int finishedPages() const;
    // A page as it was laid out: a finished page is laid out again from its first row.
    ReportPage page(int index) const;
    // Runs to the end and hands the pages over.
    std::vector<ReportPage> takeAll();

private:
    class Paginator;
    struct State;
    State* p_;
};

std::vector<ReportPage> paginateReport(const ReportDefinition& report, int rowCount, DetailHeight height = {});
