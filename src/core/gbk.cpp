// GBK (code page 936).
#include "core/gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

QByteArray toGbk(const QString& text) {
    QStringEncoder encoder("GBK");
    QByteArray out = encoder.encode(text);
    return out;
}

QString fromGbk(const QByteArray& bytes) {
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

int displayColumns(const QString& text) {
    int columns = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size()) {
            columns += 2;
            ++i;
        } else {
            columns += c.unicode() < 0x80 ? 1 : 2;
        }
    }
    return columns;
}

QStringList wrapAtColumns(const QString& text, int columns) {
    QStringList out;
    QString piece;
    int used = 0;
    for (int i = 0; i < text.size(); ++i) {
        const int step = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, step);
        const int width = displayColumns(ch);
        if (used + width > columns && !piece.isEmpty()) {
            out.append(piece);
            piece.clear();
            used = 0;
        }
        piece += ch;
        used += width;
        i += step - 1;
    }
    if (!piece.isEmpty() || out.isEmpty()) out.append(piece);
    return out;
}
