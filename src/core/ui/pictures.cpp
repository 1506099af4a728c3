// The program's own small pictures.
#include "core/ui/pictures.h"

#include <QPainter>

#include "core/ui/fonts.h"

QPixmap glyphTile(const QString& glyph, const QColor& colour, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const double inset = size / 32.0;
    p.drawRoundedRect(QRectF(inset, inset, size - 2 * inset, size - 2 * inset), size * 0.17, size * 0.17);
    p.setPen(Qt::white);
    p.setFont(songtiPixels(size * 3 / 5, true));
    p.drawText(QRectF(0, 0, size, size * 0.97), Qt::AlignCenter, glyph);
    return pm;
}
