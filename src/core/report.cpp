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

class Paginator {
public:
    explicit Paginator(const ReportDefinition& report) : report_(report) {
        bottom_ = report.pageHeight - report.marginBottom;
        columns_ = std::max(1, report.detailColumns);
        columnWidth_ =
            columns_ > 1 && report.detailColumnWidth > 0 ? report.detailColumnWidth : report.bandWidth / columns_;
        for (int i = 0; i < int(report.bands.size()); ++i) {
            if (report.bands[i].kind == BandKind::Detail) {
                details_.push_back(i);
                detailHeight_ += report.bands[i].height;
            }
        }
    }

    std::vector<ReportPage> run(int rowCount) {
        startPage(true);
        for (int row = 0; row < rowCount && !details_.empty(); ++row) placeRow(row);
        if (column_ != 0) y_ += detailHeight_;
        placeSummaries();
        return std::move(pages_);
    }

private:
    std::vector<int> bandsOf(BandKind kind) const {
        std::vector<int> result;
        for (int i = 0; i < int(report_.bands.size()); ++i) {
            if (report_.bands[i].kind == kind) result.push_back(i);
        }
        return result;
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
        if (printing > 0 && !fits(blockHeight)) startPage(false);
        for (int i = 0; i < int(group.size()); ++i) {
            const double height = report_.bands[group[i]].height;
            if (i >= printing && y_ + height > bottom_ + kFitTolerance) break;
            place(group[i], -1, report_.marginLeft, report_.bandWidth);
            y_ += height;
        }
    }

    void startPage(bool first) {
        pages_.emplace_back();
        y_ = report_.marginTop;
        std::vector<BandKind> kinds = {BandKind::ColumnHeader};
        if (first) kinds = {BandKind::Title, BandKind::TitleChild, BandKind::ColumnHeader};
        for (BandKind kind : kinds) {
            for (int band : bandsOf(kind)) {
                place(band, -1, report_.marginLeft, report_.bandWidth);
                y_ += report_.bands[band].height;
            }
        }
        bodyTop_ = y_;
    }

    // A band taller than a whole page body goes on a fresh page anyway and overflows it, rather
    // than starting pages forever.
    bool fits(double height) const { return y_ + height <= bottom_ + kFitTolerance || y_ <= bodyTop_; }

    void placeRow(int row) {
        if (column_ == 0 && !fits(detailHeight_)) startPage(false);
        const double left = report_.marginLeft + column_ * columnWidth_;
        const double lineTop = y_;
        for (int band : details_) {
            place(band, row, left, columnWidth_);
            y_ += report_.bands[band].height;
        }
        if (++column_ < columns_) {
            y_ = lineTop;
        } else {
            column_ = 0;
        }
    }

    void place(int band, int row, double left, double width) {
        pages_.back().bands.push_back({band, report_.bands[band].kind, row, left, y_, width});
    }

    const ReportDefinition& report_;
    std::vector<ReportPage> pages_;
    std::vector<int> details_;
    double detailHeight_ = 0;
    int columns_ = 1;
    double columnWidth_ = 0;
    int column_ = 0;  // the next free column of the current detail line
    double y_ = 0;
    double bodyTop_ = 0;  // below the column header of the current page
    double bottom_ = 0;
};

}  // namespace

bool bandIsBlank(const ReportBand& band) {
    const ReportFrame& f = band.frame;
    return band.items.empty() && !f.top && !f.left && !f.right && !f.bottom;
}

std::vector<ReportPage> paginateReport(const ReportDefinition& report, int rowCount) {
    return Paginator(report).run(rowCount);
}
