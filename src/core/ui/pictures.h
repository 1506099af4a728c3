// The program's own small pictures: a rounded coloured tile with one white character, for the
// toolbar and the settlement panel.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

QPixmap glyphTile(const QString& glyph, const QColor& colour, int size);
