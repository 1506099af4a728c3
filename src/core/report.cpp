// Banded reports as data: page, bands and their items in millimetres, and how rows fill pages.
#include "core/report.h"

#include <algorithm>
#include <utility>

QByteArray ReportRows::image(int, const QString&) const {
    return {};
}

ReportTableRows::ReportTableRows(QStringList columns) : columns_(std::move(columns)) {}

void ReportTableRows::append(const QStringList& values) {
    rows_.push_back(values);
}

int ReportTableRows::rowCount() const {
    return int(rows_.size());
}

QString ReportTableRows::text(int row, const QString& column) const {
    const int index = columns_.indexOf(column);
    if (row < 0 || row >= rowCount() || index < 0) return {};
    return rows_[row].value(index);
}

namespace {

// Heights like 7.4 mm add up with rounding errors; a page filled exactly must still count as
// fitting.
constexpr double kFitTolerance = 1e-6;

}  // namespace

bool bandIsBlank(const ReportBand& band) {
    const ReportFrame& f = band.frame;
    return band.items.empty() && !f.top && !f.left && !f.right && !f.bottom;
}

// Lays bands out on pages. Counting the pages of a long report keeps only where each page
// starts (its first row); a page is laid out again from there when it is looked at, so a
// million rows never hold a million placed bands.
class ReportLayout::Paginator {
public:
    // `firstPage` says whether the run starts on the report's first page (with the title);
    // `fromRow` is the first row it places, `endRow` one past the last (the report's end lays
    // out the summaries after its last row).
    Paginator(const ReportDefinition& report, int rowCount, const DetailHeight& height, bool firstPage, int fromRow,
              int endRow)
        : report_(report), rowCount_(rowCount), height_(height), nextRow_(fromRow), endRow_(endRow) {
        bottom_ = report.pageHeight - report.marginBottom;
        columns_ = std::max(1, report.detailColumns);
        columnWidth_ =
            columns_ > 1 && report.detailColumnWidth > 0 ? report.detailColumnWidth : report.bandWidth / columns_;
        for (int i = 0; i < int(report.bands.size()); ++i) {
            if (report.bands[i].kind == BandKind::Detail) details_.push_back(i);
        }
        startPage(firstPage);
    }

    // Lays out up to `rows` more rows; true once the run is through (its end row, and after
    // the report's last row its summaries).
    bool layOut(int rows) {
        for (int n = 0; n < rows && nextRow_ < endRow_ && !details_.empty(); ++n) placeRow(nextRow_++);
        if (!complete_ && (nextRow_ >= endRow_ || details_.empty())) {
            if (endRow_ >= rowCount_ || details_.empty()) {
                if (column_ != 0) y_ += lineHeight_;
                placeSummaries();
            }
            complete_ = true;
        }
        return complete_;
    }

    bool complete() const { return complete_; }
    // The pages begun so far; the last one is still being filled until the run is complete.
    const std::vector<ReportPage>& pages() const { return pages_; }
    std::vector<ReportPage>& pages() { return pages_; }
    // The first row of each page begun so far (the row count for a page without rows).
    const std::vector<int>& pageStarts() const { return starts_; }
    // Keep only the page being filled: counting needs no finished pages.
    void dropFinishedPages() {
        if (pages_.size() > 1) pages_.erase(pages_.begin(), pages_.end() - 1);
    }

private:
    std::vector<int> bandsOf(BandKind kind) const {
        std::vector<int> result;
        for (int i = 0; i < int(report_.bands.size()); ++i) {
            if (report_.bands[i].kind == kind) result.push_back(i);
        }
        return result;
    }

    double detailHeight(int band, int row) const {
        const ReportBand& b = report_.bands[band];
        if (!b.growsWithText || !height_) return b.height;
        return std::max(b.height, height_(band, row));
    }

    // The summary and its children print as one block: a total never sits on one page and its
    // signature on the next. Blank bands after the block are spacing: they never start a page,
    // and are left out where they do not fit.
    void placeSummaries() {
        std::vector<int> group = bandsOf(BandKind::Summary);
        for (int band : bandsOf(BandKind::SummaryChild)) group.push_back(band);
        int printing = 0;  // bands up to the last one that prints something
        double blockHeight = 0;
        for (int i = 0; i < int(group.size()); ++i) {
            if (!bandIsBlank(report_.bands[group[i]])) {
                printing = i + 1;
                blockHeight = 0;
                for (int j = 0; j <= i; ++j) blockHeight += report_.bands[group[j]].height;
            }
        }
        if (printing > 0 && !fits(blockHeight)) {
            if (report_.summaryKeepsLastRow && columns_ == 1) {
                carryLastRowOver();
            } else {
                startPage(false);
            }
        }
        for (int i = 0; i < int(group.size()); ++i) {
            const double height = report_.bands[group[i]].height;
            if (i >= printing && y_ + height > bottom_ + kFitTolerance) break;
            place(group[i], -1, report_.marginLeft, report_.bandWidth, height);
        }
    }

    // A new page begins with the last row of this one, when this one keeps another row.
    void carryLastRowOver() {
        std::vector<PlacedBand>& bands = pages_.back().bands;
        size_t first = bands.size();
        while (first > 0 && bands[first - 1].kind == BandKind::Detail && bands[first - 1].row == bands.back().row) {
            --first;
        }
        const bool keepsAnother = std::any_of(bands.begin(), bands.begin() + std::ptrdiff_t(first),
                                              [](const PlacedBand& b) { return b.kind == BandKind::Detail; });
        if (first == bands.size() || bands.back().kind != BandKind::Detail || !keepsAnother) {
            startPage(false);
            return;
        }
        const std::vector<PlacedBand> row(bands.begin() + std::ptrdiff_t(first), bands.end());
        bands.resize(first);
        startPage(false, row.front().row);
        for (const PlacedBand& b : row) place(b.band, b.row, b.left, b.width, b.height);
    }

    // `firstRow`: the row the page will start with, when it is known to be another than the
    // next one.
    void startPage(bool first, int firstRow = -1) {
        pages_.emplace_back();
        starts_.push_back(firstRow >= 0 ? firstRow : nextRow_);
        y_ = report_.marginTop;
        std::vector<BandKind> kinds = {BandKind::PageHeader, BandKind::ColumnHeader};
        if (first) kinds = {BandKind::PageHeader, BandKind::Title, BandKind::TitleChild, BandKind::ColumnHeader};
        for (BandKind kind : kinds) {
            for (int band : bandsOf(kind))
                place(band, -1, report_.marginLeft, report_.bandWidth, report_.bands[band].height);
        }
        bodyTop_ = y_;
    }

    // A band taller than a whole page body goes on a fresh page anyway and overflows it, rather
    // than starting pages forever.
    bool fits(double height) const { return y_ + height <= bottom_ + kFitTolerance || y_ <= bodyTop_; }

    void placeRow(int row) {
        std::vector<double> heights;
        double total = 0;
        for (int band : details_) {
            heights.push_back(detailHeight(band, row));
            total += heights.back();
        }
        if (column_ == 0) {
            if (!fits(total)) startPage(false, row);
            lineHeight_ = total;
        }
        const double left = report_.marginLeft + column_ * columnWidth_;
        const double lineTop = y_;
        for (size_t i = 0; i < details_.size(); ++i) place(details_[i], row, left, columnWidth_, heights[i]);
        if (++column_ < columns_) {
            y_ = lineTop;
        } else {
            column_ = 0;
        }
    }

    void place(int band, int row, double left, double width, double height) {
        pages_.back().bands.push_back({band, report_.bands[band].kind, row, left, y_, width, height});
        y_ += height;
    }

    const ReportDefinition& report_;
    int rowCount_;
    const DetailHeight& height_;
    std::vector<ReportPage> pages_;
    std::vector<int> starts_;
    std::vector<int> details_;
    int nextRow_ = 0;
    int endRow_ = 0;
    bool complete_ = false;
    int columns_ = 1;
    double columnWidth_ = 0;
    int column_ = 0;         // the next free column of the current detail line
    double lineHeight_ = 0;  // the height of the current detail line
    double y_ = 0;
    double bodyTop_ = 0;  // below the column header of the current page
    double bottom_ = 0;
};

struct ReportLayout::State {
    State(const ReportDefinition& r, int rows, DetailHeight h)
        : report(r), rowCount(rows), height(std::move(h)), counter(report, rowCount, height, true, 0, rowCount) {}
    const ReportDefinition& report;
    int rowCount;
    DetailHeight height;
    Paginator counter;  // goes through the whole report, keeping only the page it fills
};

ReportLayout::ReportLayout(const ReportDefinition& report, int rowCount, DetailHeight height)
    : p_(new State(report, rowCount, std::move(height))) {}

ReportLayout::~ReportLayout() {
    delete p_;
}

bool ReportLayout::layOut(int rows) {
    const bool done = p_->counter.layOut(rows);
    p_->counter.dropFinishedPages();
    return done;
}

bool ReportLayout::isComplete() const {
    return p_->counter.complete();
}

int ReportLayout::finishedPages() const {
    const int pages = int(p_->counter.pageStarts().size());
    return p_->counter.complete() ? pages : pages - 1;
}

ReportPage ReportLayout::page(int index) const {
    const std::vector<int>& starts = p_->counter.pageStarts();
    if (index < 0 || index >= int(starts.size())) return {};
    // The page being filled is the counter's own.
    if (index + 1 == int(starts.size())) return p_->counter.pages().back();
    const int end = starts[size_t(index) + 1];
    Paginator replay(p_->report, p_->rowCount, p_->height, index == 0, starts[size_t(index)], end);
    while (!replay.layOut(1 << 20)) {
    }
    return replay.pages().front();
}

std::vector<ReportPage> ReportLayout::takeAll() {
    Paginator all(p_->report, p_->rowCount, p_->height, true, 0, p_->rowCount);
    while (!all.layOut(1 << 20)) {
    }
    return std::move(all.pages());
}

std::vector<ReportPage> paginateReport(const ReportDefinition& report, int rowCount, DetailHeight height) {
    return ReportLayout(report, rowCount, std::move(height)).takeAll();
}
