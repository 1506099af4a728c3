// Paints banded reports: one renderer for the preview, the printer, PDF files and images.
#pragma once

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QString>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "core/report.h"
#include "core/ui/dialogs.h"

// A report laid out over its rows. A short report reads its row texts and images once, here,
// so its pages show the rows as they were when the document was made, however often they are
// painted. A long one (a catalogue, a year of sales) is laid out as far as it is looked at and
// reads the rows of a page when the page is painted; its rows must outlive it.
class ReportDocument : public PrintDocument {
public:
    // Reports with more rows than this are laid out and read as they are looked at.
    static constexpr int kReadAtOnce = 2000;

    ReportDocument(ReportDefinition report, const ReportRows& rows);
    ~ReportDocument() override;

    QString title() const override;
    // The report's page with no margins: every band is placed from the page's top-left corner.
    QPageLayout pageLayout() const override;
    int pageCount() const override;
    bool layoutComplete() const override;
    bool layOutMore(int rows) const override;
    void paintPage(QPainter& painter, int page, double dotsPerInch) const override;

    const ReportDefinition& definition() const { return report_; }
    // Every page, laid out to the end.
    std::vector<ReportPage> pages() const;

private:
    void paintBand(QPainter& painter, const PlacedBand& placed, int page, double dotsPerInch) const;
    QString rowText(int row, const QString& column) const;
    QImage pictureFor(const PlacedBand& placed, int item, const ReportPicture& picture) const;
    double grownHeight(int band, int row) const;
    double measuredHeight(int band, int item, const QString& text) const;

    ReportDefinition report_;
    const ReportRows& rows_;
    bool readAtOnce_;
    std::unique_ptr<ReportLayout> layout_;
    std::vector<QHash<QString, QString>> rowTexts_;
    std::vector<QHash<QString, QImage>> rowImages_;
    std::map<std::pair<int, int>, QImage> fixedImages_;      // by band and item index
    mutable QHash<int, QHash<QString, QImage>> lazyImages_;  // the rows of recently painted pages
    // How the texts of a wrapping field are measured, by band and item.
    struct FieldMeasure {
        ReportFont font;
        double width = 0;  // millimetres
        double dots = 0;   // the same at the measuring resolution
        double oneLine = 0;
        struct {
            double ascii = 0, chinese = 0, other = 0;
        } bounds;
        QHash<QString, double> known;  // heights of texts measured
    };
    mutable std::map<std::pair<int, int>, FieldMeasure> measures_;
};

// The longest start of `text` made of whole characters that is no wider than `width`.
QString fittedText(const QString& text, const QFontMetricsF& metrics, double width);

// One page on a white image at the given resolution.
QImage renderPageImage(const PrintDocument& document, int page, double dotsPerInch);
