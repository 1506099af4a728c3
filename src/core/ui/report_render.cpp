// Paints banded reports: one renderer for the preview, the printer, PDF files and images.
#include "core/ui/report_render.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr double kMmPerInch = 25.4;

Qt::Alignment toQt(ReportAlign align) {
    switch (align) {
        case ReportAlign::Centre:
            return Qt::AlignHCenter;
        case ReportAlign::Right:
            return Qt::AlignRight;
        case ReportAlign::Left:
            break;
    }
    return Qt::AlignLeft;
}

// Draws one band's items with millimetres from the band's top-left turned into device units.
class BandCanvas {
public:
    BandCanvas(QPainter& painter, double dotsPerInch, const PlacedBand& placed, double height)
        : painter_(painter), dotsPerInch_(dotsPerInch), height_(height) {
        originX_ = units(placed.left);
        originY_ = units(placed.top);
    }

    double units(double mm) const { return mm * dotsPerInch_ / kMmPerInch; }
    QPointF point(double x, double y) const { return {originX_ + units(x), originY_ + units(y)}; }
    QRectF rect(const MmRect& box) const { return {point(box.x, box.y), QSizeF(units(box.width), units(box.height))}; }

    void line(double x1, double y1, double x2, double y2) { painter_.drawLine(QLineF(point(x1, y1), point(x2, y2))); }

    void text(const MmRect& box, const QString& text, const ReportFont& style, ReportAlign align) {
        if (text.isEmpty()) return;
        const TextScale scaled(painter_, dotsPerInch_);
        const QFont font = fontFor(style, scaled.factor);
        painter_.setFont(font);
        // Positions were laid out for 宋体, whose glyphs sit 0.86 em below the top of the line;
        // the installed substitute has a taller ascent, so its line is lifted to match.
        const double em = style.pointSize * dotsPerInch_ * scaled.factor / 72.0;
        const QFontMetricsF metrics(font, painter_.device());
        const double lift = metrics.ascent() - 0.86 * em;
        QRectF area = scaled.rect(rect(box)).translated(0, -lift);
        area.setHeight(std::max(area.height(), metrics.height()) + std::abs(lift));
        // Text too long for its box ends at the last whole character that fits: half a glyph
        // reads as another character.
        painter_.drawText(area, int(toQt(align) | Qt::AlignTop | Qt::TextSingleLine),
                          fittedText(text, metrics, area.width()));
    }

    // Text that goes on in further lines inside its box, which the band has grown to hold.
    void wrappedText(const MmRect& box, const QString& text, const ReportFont& style, ReportAlign align) {
        if (text.isEmpty()) return;
        const TextScale scaled(painter_, dotsPerInch_);
        painter_.setFont(fontFor(style, scaled.factor));
        painter_.drawText(scaled.rect(rect(box)),
                          int(toQt(align) | Qt::AlignTop | Qt::TextWordWrap | Qt::TextWrapAnywhere), text);
    }

    void fill(const MmRect& box, quint32 argb) {
        if (argb == 0) return;
        painter_.fillRect(rect(box), QColor::fromRgba(argb));
    }

    void hline(const ReportHLine& rule) {
        line(rule.x, rule.y, rule.x + rule.length, rule.y);
        if (rule.doubled) line(rule.x, rule.y + rule.gap, rule.x + rule.length, rule.y + rule.gap);
    }

    void vline(const ReportVLine& rule) {
        const double bottom = rule.height > 0 ? rule.y + rule.height : height_;
        line(rule.x, rule.y, rule.x, bottom);
    }

    void picture(const MmRect& box, const QImage& image, bool keepAspectRatio) {
        if (image.isNull()) return;
        QRectF target = rect(box);
        if (keepAspectRatio) {
            const QSizeF fitted = QSizeF(image.size()).scaled(target.size(), Qt::KeepAspectRatio);
            target = QRectF(target.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
        }
        painter_.drawImage(target, image);
    }

    void roundedRect(const ReportRoundedRect& shape) {
        const double radius = units(shape.radius);
        painter_.drawRoundedRect(rect(shape.box), radius, radius);
    }

private:
    // Text at a low resolution (a preview on screen) is set as at the printer's and drawn scaled
    // down: fonts of a few pixels round their size up, and a name that fits its column on paper
    // would wrap onto a line the row has no room for.
    struct TextScale {
        TextScale(QPainter& p, double dotsPerInch) : painter(p), factor(std::max(1.0, kTextDpi / dotsPerInch)) {
            if (factor > 1) {
                painter.save();
                painter.scale(1 / factor, 1 / factor);
            }
        }
        ~TextScale() {
            if (factor > 1) painter.restore();
        }
        TextScale(const TextScale&) = delete;
        TextScale& operator=(const TextScale&) = delete;
        QRectF rect(const QRectF& r) const {
            return {r.x() * factor, r.y() * factor, r.width() * factor, r.height() * factor};
        }
        QPainter& painter;
        double factor;
    };
    static constexpr double kTextDpi = 1200;  // as the rows were measured

    QFont fontFor(const ReportFont& style, double scale = 1) const {
        QFont font(style.family);
        // Points follow the caller's resolution, which need not be the device's own (a preview
        // painting a printer page onto a screen).
        font.setPointSizeF(style.pointSize * dotsPerInch_ * scale / painter_.device()->logicalDpiY());
        font.setBold(style.bold);
        font.setUnderline(style.underline);
        return font;
    }

    QPainter& painter_;
    double dotsPerInch_;
    double height_;
    double originX_ = 0;
    double originY_ = 0;
};

}  // namespace

QString fittedText(const QString& text, const QFontMetricsF& metrics, double width) {
    if (metrics.horizontalAdvance(text) <= width) return text;
    std::vector<qsizetype> ends;  // where each whole character ends
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype end = characters.toNextBoundary(); end > 0; end = characters.toNextBoundary()) {
        ends.push_back(end);
    }
    // The width grows with every character: find the last end that fits by halving.
    qsizetype low = 0, high = qsizetype(ends.size());  // ends[0, low) fit, ends[high, ...) do not
    while (low < high) {
        const qsizetype mid = (low + high) / 2;
        if (metrics.horizontalAdvance(text.left(ends[size_t(mid)])) <= width) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return low == 0 ? QString() : text.left(ends[size_t(low - 1)]);
}

namespace {

// Text measured as the printer sets it: at 1200 dpi, whatever the screen.
constexpr double kMeasureDpi = 1200;

const QImage& measuringDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(kMeasureDpi * 1000 / kMmPerInch);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

// The printer's metrics of a report font; a report has a few fonts and a million rows to
// measure with them.
const QFontMetricsF& measuringMetrics(const ReportFont& style) {
    thread_local QHash<QString, std::shared_ptr<QFontMetricsF>> cache;
    const QString key = style.family + QLatin1Char('|') + QString::number(style.pointSize) +
                        (style.bold ? QLatin1String("|b") : QLatin1String(""));
    std::shared_ptr<QFontMetricsF>& metrics = cache[key];
    if (!metrics) {
        QFont font(style.family);
        font.setPointSizeF(style.pointSize);
        font.setBold(style.bold);
        metrics = std::make_shared<QFontMetricsF>(font, &measuringDevice());
    }
    return *metrics;
}

// The widest printable ASCII character of a font, and a bound for any other character: a text
// of n characters no wider than n of them fits on one line without being shaped.
struct AdvanceBounds {
    double ascii = 0;
    double chinese = 0;  // ideographs and full-width forms, all one em
    double other = 0;
};

bool isChinese(char16_t c) {
    return (c >= 0x3000 && c <= 0x9fff) || (c >= 0xff00 && c <= 0xffef);
}

const AdvanceBounds& advanceBounds(const ReportFont& style) {
    thread_local QHash<QString, AdvanceBounds> cache;
    const QString key = style.family + QLatin1Char('|') + QString::number(style.pointSize) +
                        (style.bold ? QLatin1String("|b") : QLatin1String(""));
    auto found = cache.find(key);
    if (found != cache.end()) return *found;
    const QFontMetricsF& metrics = measuringMetrics(style);
    AdvanceBounds b;
    for (char16_t c = 0x20; c < 0x7f; ++c) b.ascii = std::max(b.ascii, metrics.horizontalAdvance(QChar(c)));
    // Chinese characters are one em wide (a little more leaves room for rounding); twice the
    // line height leaves room for any other glyph.
    b.chinese = 1.05 * std::max(metrics.horizontalAdvance(QChar(0x6c49)), metrics.horizontalAdvance(QChar(0xff0c)));
    b.other = 2 * std::max({metrics.height(), b.chinese, b.ascii});
    return *cache.insert(key, b);
}

bool surelyOneLine(const QString& text, const ReportFont& style, double dots) {
    const AdvanceBounds& b = advanceBounds(style);
    double bound = 0;
    for (const QChar c : text) {
        bound += c.unicode() < 0x80 ? b.ascii : isChinese(c.unicode()) ? b.chinese : b.other;
        if (bound > dots) return false;
    }
    return true;
}

// The height in millimetres a text needs when it wraps inside `width` millimetres.
double wrappedHeight(const QString& text, const ReportFont& style, double width) {
    const QFontMetricsF& metrics = measuringMetrics(style);
    const double dots = width * kMeasureDpi / kMmPerInch;
    const double lines =
        text.isEmpty() || surelyOneLine(text, style, dots) || metrics.horizontalAdvance(text) <= dots
            ? 1
            : std::ceil(metrics.boundingRect(QRectF(0, 0, dots, 1e9), Qt::TextWordWrap | Qt::TextWrapAnywhere, text)
                                .height() /
                            metrics.lineSpacing() -
                        0.01);
    return lines * metrics.lineSpacing() * kMmPerInch / kMeasureDpi;
}

// Replaces "&[Page]" with the page number.
QString withPageNumber(const QString& text, int page) {
    if (!text.contains(QLatin1String("&[Page]"))) return text;
    QString out = text;
    return out.replace(QLatin1String("&[Page]"), QString::number(page + 1));
}

}  // namespace

ReportDocument::ReportDocument(ReportDefinition report, const ReportRows& rows)
    : report_(std::move(report)), rows_(rows), readAtOnce_(rows.rowCount() <= kReadAtOnce) {
    QStringList textColumns;
    QStringList imageColumns;
    for (int b = 0; b < int(report_.bands.size()); ++b) {
        const ReportBand& band = report_.bands[b];
        for (int i = 0; i < int(band.items.size()); ++i) {
            if (const auto* field = std::get_if<ReportField>(&band.items[i])) {
                textColumns.append(field->column);
            } else if (const auto* picture = std::get_if<ReportPicture>(&band.items[i])) {
                if (!picture->column.isEmpty()) {
                    imageColumns.append(picture->column);
                } else {
                    fixedImages_[{b, i}] = QImage::fromData(picture->image);
                }
            }
        }
    }
    textColumns.removeDuplicates();
    imageColumns.removeDuplicates();
    if (readAtOnce_) {
        for (int row = 0; row < rows.rowCount(); ++row) {
            QHash<QString, QString>& texts = rowTexts_.emplace_back();
            for (const QString& column : textColumns) texts.insert(column, rows.text(row, column));
            QHash<QString, QImage>& images = rowImages_.emplace_back();
            for (const QString& column : imageColumns) {
                images.insert(column, QImage::fromData(rows.image(row, column)));
            }
        }
    }
    layout_ = std::make_unique<ReportLayout>(report_, rows.rowCount(),
                                             [this](int band, int row) { return grownHeight(band, row); });
    // The first page at once; a short report whole.
    layOutMore(readAtOnce_ ? kReadAtOnce : 200);
}

ReportDocument::~ReportDocument() = default;

double ReportDocument::grownHeight(int band, int row) const {
    const ReportBand& b = report_.bands[size_t(band)];
    double height = b.height;
    for (int i = 0; i < int(b.items.size()); ++i) {
        const auto* field = std::get_if<ReportField>(&b.items[size_t(i)]);
        if (!field || !field->wrap) continue;
        // The text's top stays where the box puts it, with the same room below.
        const double room = b.height - field->box.y - field->box.height;
        height =
            std::max(height, field->box.y + measuredHeight(band, i, rowText(row, field->column)) + std::max(room, 0.0));
    }
    return height;
}

double ReportDocument::measuredHeight(int band, int item, const QString& text) const {
    FieldMeasure& m = measures_[{band, item}];
    if (m.dots == 0) {
        const auto& field = std::get<ReportField>(report_.bands[size_t(band)].items[size_t(item)]);
        m.font = field.font;
        m.width = field.box.width;
        m.dots = std::max(field.box.width * kMeasureDpi / kMmPerInch, 1e-9);
        m.oneLine = wrappedHeight(QString(), field.font, field.box.width);
        const AdvanceBounds& b = advanceBounds(field.font);
        m.bounds.ascii = b.ascii;
        m.bounds.chinese = b.chinese;
        m.bounds.other = b.other;
    }
    if (text.isEmpty()) return m.oneLine;
    // Most texts of a list are surely on one line by their length alone, unshaped.
    double bound = 0;
    for (const QChar c : text) {
        bound += c.unicode() < 0x80 ? m.bounds.ascii : isChinese(c.unicode()) ? m.bounds.chinese : m.bounds.other;
        if (bound > m.dots) break;
    }
    if (bound <= m.dots) return m.oneLine;
    // A long list repeats its long names: each is measured once.
    constexpr int kRemembered = 20000;
    const auto found = m.known.constFind(text);
    if (found != m.known.constEnd()) return *found;
    const double height = wrappedHeight(text, m.font, m.width);
    if (m.known.size() >= kRemembered) m.known.clear();
    m.known.insert(text, height);
    return height;
}

QString ReportDocument::title() const {
    return report_.title;
}

QPageLayout ReportDocument::pageLayout() const {
    // Page sizes are portrait by definition; a wide page is a portrait size turned on its side.
    const bool landscape = report_.pageWidth > report_.pageHeight;
    const QSizeF portrait =
        landscape ? QSizeF(report_.pageHeight, report_.pageWidth) : QSizeF(report_.pageWidth, report_.pageHeight);
    // An exact match keeps a 150 × 210 mm sheet from being taken for A5.
    const QPageSize size(portrait, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(),
                       QPageLayout::Millimeter);
}

int ReportDocument::pageCount() const {
    return layout_->finishedPages();
}

bool ReportDocument::layoutComplete() const {
    return layout_->isComplete();
}

bool ReportDocument::layOutMore(int rows) const {
    return layout_->layOut(rows);
}

std::vector<ReportPage> ReportDocument::pages() const {
    ReportLayout all(report_, rows_.rowCount(), [this](int band, int row) { return grownHeight(band, row); });
    return all.takeAll();
}

void ReportDocument::paintPage(QPainter& painter, int page, double dotsPerInch) const {
    if (page < 0 || page >= pageCount()) return;
    painter.save();
    const ReportPage laidOut = layout_->page(page);
    for (const PlacedBand& placed : laidOut.bands) paintBand(painter, placed, page, dotsPerInch);
    painter.restore();
}

void ReportDocument::paintBand(QPainter& painter, const PlacedBand& placed, int page, double dotsPerInch) const {
    const ReportBand& band = report_.bands[placed.band];
    const double height = placed.height > 0 ? placed.height : band.height;
    BandCanvas canvas(painter, dotsPerInch, placed, height);
    QPen pen(Qt::black, canvas.units(report_.lineWidth));
    pen.setCapStyle(Qt::SquareCap);

    // Fills first, so that frames and texts stay on top of them.
    for (const ReportItem& item : band.items) {
        if (const auto* label = std::get_if<ReportLabel>(&item)) canvas.fill(label->box, label->fill);
    }
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);

    const double width = placed.width;
    if (band.frame.top) canvas.line(0, 0, width, 0);
    if (band.frame.bottom) canvas.line(0, height, width, height);
    if (band.frame.left) canvas.line(0, 0, 0, height);
    if (band.frame.right) canvas.line(width, 0, width, height);

    for (int i = 0; i < int(band.items.size()); ++i) {
        const ReportItem& item = band.items[i];
        if (const auto* label = std::get_if<ReportLabel>(&item)) {
            canvas.text(label->box, withPageNumber(label->text, page), label->font, label->align);
        } else if (const auto* field = std::get_if<ReportField>(&item)) {
            const QString text = rowText(placed.row, field->column);
            if (field->wrap) {
                MmRect box = field->box;
                box.height = std::max(box.height, height - box.y);
                canvas.wrappedText(box, text, field->font, field->align);
            } else {
                canvas.text(field->box, text, field->font, field->align);
            }
        } else if (const auto* hline = std::get_if<ReportHLine>(&item)) {
            canvas.hline(*hline);
        } else if (const auto* vline = std::get_if<ReportVLine>(&item)) {
            canvas.vline(*vline);
        } else if (const auto* picture = std::get_if<ReportPicture>(&item)) {
            canvas.picture(picture->box, pictureFor(placed, i, *picture), picture->keepAspectRatio);
        } else if (const auto* shape = std::get_if<ReportRoundedRect>(&item)) {
            canvas.roundedRect(*shape);
        }
    }
}

QString ReportDocument::rowText(int row, const QString& column) const {
    if (row < 0) return {};
    if (!readAtOnce_) return rows_.text(row, column);
    if (row >= int(rowTexts_.size())) return {};
    return rowTexts_[row].value(column);
}

QImage ReportDocument::pictureFor(const PlacedBand& placed, int item, const ReportPicture& picture) const {
    if (picture.column.isEmpty()) {
        const auto found = fixedImages_.find({placed.band, item});
        return found == fixedImages_.end() ? QImage() : found->second;
    }
    if (placed.row < 0) return {};
    if (readAtOnce_) {
        if (placed.row >= int(rowImages_.size())) return {};
        return rowImages_[placed.row].value(picture.column);
    }
    // A long report makes the pictures of the pages it paints, and keeps the latest few.
    QHash<QString, QImage>& images = lazyImages_[placed.row];
    if (!images.contains(picture.column)) {
        images.insert(picture.column, QImage::fromData(rows_.image(placed.row, picture.column)));
    }
    const QImage image = images.value(picture.column);
    if (lazyImages_.size() > 400) lazyImages_.clear();
    return image;
}

QImage renderPageImage(const PrintDocument& document, int page, double dotsPerInch) {
    const QRectF mm = document.pageLayout().fullRect(QPageLayout::Millimeter);
    QImage image(qRound(mm.width() * dotsPerInch / kMmPerInch), qRound(mm.height() * dotsPerInch / kMmPerInch),
                 QImage::Format_RGB32);
    const int dotsPerMeter = qRound(dotsPerInch * 1000 / kMmPerInch);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    document.paintPage(painter, page, dotsPerInch);
    return image;
}
