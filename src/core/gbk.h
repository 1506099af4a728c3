// GBK (code page 936): the byte form of every text the shop's printers, files and name rules
// measure in.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

QByteArray toGbk(const QString& text);
QString fromGbk(const QByteArray& bytes);

// Display columns of a text as a receipt printer counts them: a character that takes two GBK
// bytes counts two, any other one.
int displayColumns(const QString& text);

// The text cut into pieces of at most `columns` display columns, never splitting a character
// (a character wider than `columns` stands alone); an empty text gives one empty piece.
QStringList wrapAtColumns(const QString& text, int columns);
