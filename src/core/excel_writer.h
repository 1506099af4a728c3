// The grid export: a list written as a small Excel worksheet - a raw BIFF record stream with
// the title, the maker line, the column headings, one sheet row per record and the footers.
// No widgets here: the grid is described by plain columns and the rows are read through the
// dataset, a page at a time on the windowed lists.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class Dataset;

// One grid column as the export sees it.
struct ExportColumn {
    QString field;
    QString title;  // "上|下" gives two heading rows
    bool visible = true;
    QStringList footerTexts;  // the footers' fixed texts, top to bottom
};

// Everything on the sheet besides the rows.
struct ExcelSheet {
    QString title;
    QString beginDate;  // optional period texts
    QString endDate;
    QString userName;
    QDateTime madeAt;  // the maker line's moment; invalid = now
    QList<ExportColumn> columns;
    int footerRows = 0;
};

// Called after each record with its 1-based number.
using ExportProgress = std::function<void(int record)>;

// Row numbers in the file are 16-bit: rows 0 to 65535.
inline constexpr int kExcelMaxSheetRows = 65536;

// Sheet rows an export of `records` records takes: title, period, maker line, headings,
// records and footers.
int excelSheetRows(const ExcelSheet& sheet, int records);
// The most records that fit on one sheet with this title, headings and footers.
int excelMaxRecords(const ExcelSheet& sheet);
// What the operator is told when a list is too long for one sheet.
QString excelTooManyRowsMessage(const ExcelSheet& sheet, int records);

// The whole stream in memory; empty when the dataset is closed, holds no record or does not
// fit on one sheet.
QByteArray excelStream(const Dataset& rows, const ExcelSheet& sheet, const ExportProgress& progress = {});

struct ExcelWriteResult {
    enum class Status { Written, Empty, TooManyRows, Failed };
    Status status = Status::Failed;
    QString error;  // why, when Failed
};

// Writes the stream to `path` through QSaveFile: a failure leaves no half file behind and an
// existing file as it was. Nothing is written for a closed or empty dataset.
ExcelWriteResult writeExcelFile(const QString& path, const Dataset& rows, const ExcelSheet& sheet,
                                const ExportProgress& progress = {});
