// Reading back the records of an exported Excel stream, for checks and golden files.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include "core/gbk.h"

struct ExcelRecord {
    quint16 type = 0;
    QByteArray data;

    quint16 u16(int offset) const { return qFromLittleEndian<quint16>(data.constData() + offset); }
    bool isCell() const { return type == 0x0204 || type == 0x0203 || type == 0x027E || type == 0x0201; }
    int row() const { return u16(0); }
    int column() const { return u16(2); }
    QString text() const { return fromGbk(data.mid(8, u16(6))); }  // of a text cell
};

// The records of a stream; a record running past the end is reported in `error`.
inline QList<ExcelRecord> excelRecords(const QByteArray& stream, QString* error = nullptr) {
    QList<ExcelRecord> out;
    qsizetype at = 0;
    while (at + 4 <= stream.size()) {
        ExcelRecord r;
        r.type = qFromLittleEndian<quint16>(stream.constData() + at);
        const quint16 length = qFromLittleEndian<quint16>(stream.constData() + at + 2);
        if (at + 4 + length > stream.size()) break;
        r.data = stream.mid(at + 4, length);
        out.append(r);
        at += 4 + length;
    }
    if (error) *error = at == stream.size() ? QString() : QStringLiteral("stray bytes at %1").arg(at);
    return out;
}

// One line per record: its type, length and bytes in hex, then what they say.
inline QString dumpExcelRecords(const QByteArray& stream) {
    QString error;
    QStringList lines;
    for (const ExcelRecord& r : excelRecords(stream, &error)) {
        QString line = QStringLiteral("%1 %2 |").arg(r.type, 4, 16, QLatin1Char('0')).arg(r.data.size());
        for (char c : r.data) line += QStringLiteral(" %1").arg(uchar(c), 2, 16, QLatin1Char('0'));
        if (r.isCell()) line += QStringLiteral("  @%1,%2").arg(r.row()).arg(r.column());
        if (r.type == 0x0204) line += QStringLiteral(" \"%1\"").arg(r.text());
        if (r.type == 0x0203) line += QStringLiteral(" %1").arg(qFromLittleEndian<double>(r.data.constData() + 6));
        if (r.type == 0x027E) {
            line += QStringLiteral(" %1").arg(qFromLittleEndian<qint32>(r.data.constData() + 6) >> 2);
        }
        lines.append(line);
    }
    if (!error.isEmpty()) lines.append(error);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
