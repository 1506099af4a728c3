// The shop's printed and shown texts name the font 宋体; here it maps to an installed CJK serif.
#pragma once

#include <QFont>

// Call once after the application object exists.
void installFontSubstitutions();

// 宋体 at a pixel size (screens) or a point size (paper).
QFont songtiPixels(int pixels, bool bold = false);
QFont songtiPoints(double points, bool bold = false);

// 宋体 as a receipt printer has it: half-width characters one column, Chinese two. Where the real
// 宋体 is missing, a fixed-pitch CJK font keeps the receipt's columns straight.
QFont songtiFixedPitch(int pixels, bool bold = false);
