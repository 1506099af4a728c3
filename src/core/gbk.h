// GBK (code page 936): the byte form of every text the shop's printers, files and name rules
// measure in.
#pragma once

#include <QByteArray>
#include <QString>

QByteArray toGbk(const QString& text);
QString fromGbk(const QByteArray& bytes);

// Display columns of a text as a receipt printer counts them: a character that takes two GBK
// bytes counts two, any other one.
int displayColumns(const QString& text);
