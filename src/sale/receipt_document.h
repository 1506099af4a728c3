// The POS receipt on the printer: the receipt's lines drawn at their y positions, given in dots
// of a 203 dpi receipt printer and scaled to the device, on user-defined paper 250 mm long.
#pragma once

#include "core/receipt_layout.h"
#include "core/ui/dialogs.h"

class ReceiptDocument final : public PrintDocument {
public:
    static constexpr double kPaperLengthMm = 250;
    static constexpr double kPaperWidthMm = 80;  // when the printer gives none of its own
    // The positions of the layout are dots of a common 80 mm receipt printer.
    static constexpr double kReceiptDotsPerInch = 203;

    explicit ReceiptDocument(QList<ReceiptLine> lines) : lines_(std::move(lines)) {}

    QString title() const override { return QStringLiteral("POS小票"); }
    QPageLayout pageLayout() const override;
    int pageCount() const override { return 1; }
    void paintPage(QPainter& painter, int page, double dotsPerInch) const override;
    bool keepsPrinterWidth() const override { return true; }

    const QList<ReceiptLine>& lines() const { return lines_; }

private:
    QList<ReceiptLine> lines_;
};

// Prints a receipt where the shop's receipt printer setting sends it: drawn on the system
// printer, or as ESC/POS to the receipt printer. False with `error` set when that fails.
bool printReceipt(const ReceiptInput& input, QString* error);
