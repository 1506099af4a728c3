// The POS receipt on the printer.
#include "sale/receipt_document.h"

#include <QPainter>

#include "core/receipt_printer.h"
#include "core/ui/fonts.h"

QPageLayout ReceiptDocument::pageLayout() const {
    return QPageLayout(QPageSize(QSizeF(kPaperWidthMm, kPaperLengthMm), QPageSize::Millimeter, QStringLiteral("POS"),
                                 QPageSize::ExactMatch),
                       QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

void ReceiptDocument::paintPage(QPainter& painter, int, double dotsPerInch) const {
    painter.save();
    painter.setPen(Qt::black);
    const double width = painter.device()->width();
    // The layout counts in dots of a receipt printer; this device may have more or fewer.
    const double scale = dotsPerInch / kReceiptDotsPerInch;
    for (const ReceiptLine& line : lines_) {
        QFont font = songtiFixedPitch(qMax(1, qRound(line.pointSize * dotsPerInch / 72.0)), line.bold);
        painter.setFont(font);
        const double height = QFontMetricsF(font, painter.device()).height();
        painter.drawText(QRectF(0, line.y * scale, width, height * 1.5),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line.text);
    }
    painter.restore();
}

bool printReceipt(const ReceiptInput& input, QString* error) {
    const ReceiptPrinterSettings settings = ReceiptPrinterSettings::load();
    if (settings.mode == ReceiptPrinterSettings::Mode::System) {
        return Dialogs::current().print(ReceiptDocument(receiptLayout(input)), error);
    }
    return sendToReceiptPrinter(settings, escPosReceipt(input, settings.options), error);
}
