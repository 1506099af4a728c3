// The shop's printed and shown texts name the font 宋体; here it maps to an installed CJK serif.
#include "core/ui/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {
const QString kSongti = QStringLiteral("宋体");
}

void installFontSubstitutions() {
    QStringList candidates = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                              QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei")};
    QStringList present;
    const QStringList families = QFontDatabase::families();
    for (const QString& c : candidates) {
        if (families.contains(c)) present.append(c);
    }
    if (!present.isEmpty()) QFont::insertSubstitutions(kSongti, present);
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")});
}

QFont songtiPixels(int pixels, bool bold) {
    QFont f(kSongti);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont songtiPoints(double points, bool bold) {
    QFont f(kSongti);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QFont songtiFixedPitch(int pixels, bool bold) {
    QFont f;
    f.setFamilies(
        {QStringLiteral("SimSun"), QStringLiteral("NSimSun"), QStringLiteral("Noto Sans Mono CJK SC"), kSongti});
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}
