// Printing a settled sale again: its receipt and its delivery note, made from what the history
// holds — the sale's row and its lines — and marked as printed again.
#pragma once

#include <QDateTime>
#include <optional>

#include "core/receipt_layout.h"
#include "sale/Unit2.h"

class Connection;

struct SaleReprint {
    ReceiptInput receipt;
    DeliveryNoteInput deliveryNote;
};

// Where lines of the sale have been deleted since, the printouts say so on a line of their own.
inline const QString kLinesDeletedNote = QStringLiteral("部分明细已删除");

// The sale with the serial `serial`, its lines in the order they were sold; nothing when no
// sale has that serial. `now` is the moment of printing again, which the receipt shows below the
// sale's date.
std::optional<SaleReprint> saleReprint(Connection& db, const QString& serial, const QDateTime& now);
