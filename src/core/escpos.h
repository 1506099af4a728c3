// The receipt in the receipt printer's own language (ESC/POS): its texts in GBK for the
// printer's built-in Chinese font, line by line, on 80 mm paper (48 columns) or 58 mm paper
// (32 columns), then the paper fed, cut and the cash drawer opened as the shop chose.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include "core/receipt_layout.h"

struct EscPosOptions {
    int paperMm = 80;  // 80 or 58
    bool cut = true;
    bool drawer = false;
};

namespace EscPos {
inline const QByteArray kInitialise("\x1b\x40", 2);               // ESC @
inline const QByteArray kChineseMode("\x1c\x26", 2);              // FS &
inline const QByteArray kBoldOn("\x1b\x45\x01", 3);               // ESC E 1
inline const QByteArray kBoldOff("\x1b\x45\x00", 3);              // ESC E 0
inline const QByteArray kDoubleHeight("\x1d\x21\x01", 3);         // GS ! 1
inline const QByteArray kNormalSize("\x1d\x21\x00", 3);           // GS ! 0
inline const QByteArray kFeed("\x1b\x64\x04", 3);                 // ESC d 4: four lines, past the cutter
inline const QByteArray kPartialCut("\x1d\x56\x01", 3);           // GS V 1
inline const QByteArray kDrawerPulse("\x1b\x70\x00\x19\xfa", 5);  // ESC p 0: pin 2, 50 ms on, 500 ms off
inline const QByteArray kPaperStatus("\x10\x04\x04", 3);          // DLE EOT 4: the paper roll sensor
// In the answer to the status request: the paper has run out.
inline constexpr unsigned char kPaperEnd = 0x60;
// A status answer has bit 1 and bit 4 set, bits 0 and 7 clear; anything else is not one.
inline constexpr bool isStatusByte(unsigned char b) {
    return (b & 0x93) == 0x12;
}
}  // namespace EscPos

// Text columns of the paper width: 48 on 80 mm, 32 on 58 mm.
int escPosColumns(int paperMm);

// The receipt's lines as the printer prints them: on 58 mm paper with the 12-column name rule
// and rules as wide as the paper; any text wider than the paper goes on in the next line,
// never splitting a character.
QStringList escPosLines(const ReceiptInput& input, int paperMm);

// The whole job: initialise, Chinese mode, the heading bold and double height, the other lines,
// then feed, cut and drawer as set.
QByteArray escPosReceipt(const ReceiptInput& input, const EscPosOptions& options);

// A short receipt to check the printer's connection and its Chinese font.
QByteArray escPosTestPage(const EscPosOptions& options, const QDateTime& when);
