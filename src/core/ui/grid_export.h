// TDBGridEhToExcel: a grid's list written to an Excel file and opened with the default program,
// with the overwrite question, the progress window and the hourglass; and the "导出Excel"
// action the windows share around it.
#pragma once

#include <QDateTime>
#include <QString>

#include "core/excel_writer.h"

class DBGrid;
class QWidget;

class TDBGridEhToExcel {
public:
    explicit TDBGridEhToExcel(QWidget* parent = nullptr) : parent_(parent) {}

    const DBGrid* DBGridEh = nullptr;
    QString TitleName;
    QString BeginDate;
    QString EndDate;
    QString UserName;
    QString FileName;
    bool ShowProgress = true;
    QDateTime madeAt;  // the maker line's moment; invalid = now

    // Writes the list to FileName and opens it. True when a file was written. A closed or
    // empty list and a blank file name do nothing.
    bool Execute();

private:
    QWidget* parent_;
};

// The sheet a grid gives: its columns with their titles, visibility and fixed footer texts.
ExcelSheet gridSheet(const DBGrid& grid);

// Object names of the progress window and its bar.
inline const QString kExportProgressName = QStringLiteral("exportProgress");
inline const QString kExportProgressBarName = QStringLiteral("exportProgressBar");

// The whole export action of a window: a list too long for one sheet is refused before the
// file is chosen; then the save dialog, then Execute. True when a file was written.
bool exportGrid(QWidget* parent, const DBGrid& grid, const QString& title, const QString& userName);
