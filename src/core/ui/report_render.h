// Paints banded reports: one renderer for the preview, the printer, PDF files and images.
#pragma once

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QString>
#include <map>
#include <utility>
#include <vector>

#include "core/report.h"
#include "core/ui/dialogs.h"

// A report laid out over its rows. The row texts and images are read once, here, so the pages
// show the rows as they were when the document was made, however often they are painted.
class ReportDocument : public PrintDocument {
public:
    ReportDocument(ReportDefinition report, const ReportRows& rows);

    QString title() const override;
    // The report's page with no margins: every band is placed from the page's top-left corner.
    QPageLayout pageLayout() const override;
    int pageCount() const override;
    void paintPage(QPainter& painter, int page, double dotsPerInch) const override;

    const ReportDefinition& definition() const { return report_; }
    const std::vector<ReportPage>& pages() const { return pages_; }

private:
    void paintBand(QPainter& painter, const PlacedBand& placed, double dotsPerInch) const;
    QString rowText(int row, const QString& column) const;
    QImage pictureFor(const PlacedBand& placed, int item, const ReportPicture& picture) const;

    ReportDefinition report_;
    std::vector<ReportPage> pages_;
    std::vector<QHash<QString, QString>> rowTexts_;
    std::vector<QHash<QString, QImage>> rowImages_;
    std::map<std::pair<int, int>, QImage> fixedImages_;  // by band and item index
};

// The longest start of `text` made of whole characters that is no wider than `width`.
QString fittedText(const QString& text, const QFontMetricsF& metrics, double width);

// One page on a white image at the given resolution.
QImage renderPageImage(const PrintDocument& document, int page, double dotsPerInch);
