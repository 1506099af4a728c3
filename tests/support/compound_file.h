// Compound files for the .xls tests: one stream taken out of a file, and a new file built around a stream.
#pragma once

#include <QByteArray>

// The stream of that name in the compound file's root; empty when the file has none or is no compound file.
QByteArray compoundStream(const QByteArray& file, const char* name = "Workbook");

// A compound file whose root holds the one stream; libgsf puts a stream under 4096 bytes in the mini stream.
QByteArray compoundFile(const QByteArray& stream, const char* name = "Workbook");
