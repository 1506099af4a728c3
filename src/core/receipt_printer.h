// Where receipts go: the system printer (drawn as a page), or straight to an ESC/POS receipt
// printer on the network or on a USB or serial port. The choice is kept per user under
// "\Software\tessvale\pos".
#pragma once

#include <QByteArray>
#include <QString>

#include "core/escpos.h"

struct ReceiptPrinterSettings {
    enum class Mode { System, Network, Device };
    Mode mode = Mode::System;
    QString host;
    int port = 9100;
    QString device;  // e.g. /dev/usb/lp0
    EscPosOptions options;

    static ReceiptPrinterSettings load();
    void save() const;
    // What is missing before receipts can go this way, in words for the operator; empty when
    // nothing is.
    QString problem() const;
};

namespace ReceiptPrinterKeys {
inline const QString kMode = QStringLiteral("printer_mode");  // "system", "network" or "device"
inline const QString kHost = QStringLiteral("printer_host");
inline const QString kPort = QStringLiteral("printer_port");
inline const QString kDevice = QStringLiteral("printer_device");
inline const QString kPaper = QStringLiteral("paper_mm");
inline const QString kCut = QStringLiteral("cut");
inline const QString kDrawer = QStringLiteral("drawer");
}  // namespace ReceiptPrinterKeys

// How long sending a receipt may hold the counter, all steps together.
inline constexpr int kReceiptPrinterTimeoutMs = 3000;

// Sends a job to the network or device printer of the settings. Where the printer answers the
// paper status request, a printer out of paper gets nothing. False with `error` in words for
// the operator when the printer cannot be reached, refuses or has no paper; never longer than
// the timeout.
bool sendToReceiptPrinter(const ReceiptPrinterSettings& settings, const QByteArray& job, QString* error,
                          int timeoutMs = kReceiptPrinterTimeoutMs);
