// Bar-code labels of the goods listed.
#include "goods/labels.h"

#include <zint.h>

#include <QBuffer>
#include <QImage>
#include <memory>

namespace {
const QString kCode = QStringLiteral("商品编码");

bool fitsCode128(const QString& code) {
    if (code.isEmpty()) return false;
    for (QChar c : code) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
    }
    return true;
}
}  // namespace

ReportDefinition labelSheet() {
    ReportDefinition r;
    r.title = QStringLiteral("条形码标签");
    r.pageWidth = 210;
    r.pageHeight = 150;
    r.marginTop = r.marginBottom = r.marginLeft = r.marginRight = 10;
    r.bandWidth = 190;
    r.detailColumns = 4;
    r.detailColumnWidth = 47.5;
    ReportBand label{BandKind::Detail, 25, {}, {}};
    label.items.push_back(ReportRoundedRect{{1.75, 1.5, 44, 22}, 2});
    ReportField name;
    name.box = {3, 2.5, 41, 4.5};
    name.column = QStringLiteral("商品名称");
    name.font.pointSize = 9;
    name.align = ReportAlign::Centre;
    label.items.push_back(name);
    ReportPicture bars;
    bars.box = {4, 7, 39.5, 12};
    bars.column = QStringLiteral("barcode");
    bars.keepAspectRatio = false;  // the bars fill their 12 mm
    label.items.push_back(bars);
    // The code in figures under its bars, large enough to read and to type in by hand.
    ReportField figures;
    figures.box = {3, 19.2, 41, 3.6};
    figures.column = QStringLiteral("barcodeText");
    figures.font.family = QStringLiteral("Arial");
    figures.font.pointSize = 7;
    figures.align = ReportAlign::Centre;
    label.items.push_back(figures);
    ReportField words;
    words.box = {3, 12, 41, 5};
    words.column = QStringLiteral("codeText");
    words.font.pointSize = 10;
    words.align = ReportAlign::Centre;
    label.items.push_back(words);
    r.bands.push_back(label);
    return r;
}

QByteArray code128Png(const QString& code) {
    if (!fitsCode128(code)) return {};
    std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    if (!symbol) return {};
    symbol->symbology = BARCODE_CODE128;
    symbol->input_mode = DATA_MODE;
    symbol->scale = 2;
    symbol->show_hrt = 0;           // the label prints the figures itself, at a size that reads
    symbol->whitespace_width = 10;  // the quiet zones a scanner needs on both sides
    const QByteArray data = code.toLatin1();
    if (ZBarcode_Encode_and_Buffer(symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()),
                                   int(data.size()), 0) >= ZINT_ERROR ||
        !symbol->bitmap) {
        return {};
    }
    QImage image(symbol->bitmap_width, symbol->bitmap_height, QImage::Format_RGB888);
    for (int y = 0; y < symbol->bitmap_height; ++y) {
        memcpy(image.scanLine(y), symbol->bitmap + size_t(y) * size_t(symbol->bitmap_width) * 3,
               size_t(symbol->bitmap_width) * 3);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QString LabelRows::text(int row, const QString& column) const {
    if (column == QLatin1String("codeText") || column == QLatin1String("barcodeText")) {
        const QString code = DatasetRows::text(row, kCode);
        return fitsCode128(code) == (column == QLatin1String("barcodeText")) ? code : QString();
    }
    return DatasetRows::text(row, column);
}

QByteArray LabelRows::image(int row, const QString& column) const {
    if (column != QLatin1String("barcode")) return {};
    return code128Png(DatasetRows::text(row, kCode));
}
