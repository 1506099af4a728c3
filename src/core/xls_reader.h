// One worksheet of an Excel 97-2003 workbook (.xls, BIFF8) as rows of cells, read without widgets.
#pragma once

#include <QString>
#include <optional>
#include <vector>

struct SheetCell {
    enum class Kind : unsigned char { Empty, Text, Number, Boolean, Error };
    Kind kind = Kind::Empty;
    double number = 0;  // Number; Boolean as 0 or 1; Error as Excel's error code
    QString text;       // Text (it may be empty); Error as Excel shows it, e.g. "#DIV/0!"
};

struct XlsSheet {
    QString name;
    std::vector<std::vector<SheetCell>> rows;  // rows[r][c], 0-based; a short row holds empties after its end
    int rowCount() const { return int(rows.size()); }
    const SheetCell& cell(int row, int column) const;  // an Empty cell when outside
};

struct XlsError {
    enum class Kind { Missing, NotWorkbook, Encrypted, Damaged, TooLarge };
    Kind kind;
    QString detail;  // Chinese, for the operator: for Damaged, where (sheet, row) and why
};

// Reads the worksheet whose name equals sheetName without regard to case. Returns nothing when
// the workbook has no such worksheet; throws XlsError when the file is missing, is no BIFF8
// workbook, is password protected, or is damaged. Never crashes, never hangs, bounded memory.
//
// Numbers stay numbers (a date is its serial number). A formula gives its cached result. Rows
// run to the last one holding a cell record, blank cells included. A sheet is taken as damaged
// when its records run past the stream, stop before its end record or go on after it; a record
// has a type BIFF8 does not know or a length its type never has; a cell lies outside the sheet's
// declared range, comes twice or after a later row; the declared range holds rows no record
// describes; the cells and the ROW records disagree on which rows hold cells; or a shared text
// is missing or runs past its data. Excel 5.0/95 workbooks are refused as NotWorkbook.
std::optional<XlsSheet> readXlsSheet(const QString& path, const QString& sheetName);
