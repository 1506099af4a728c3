// Bar-code labels of the goods listed: a sheet of 210 × 150 mm with four labels across, each a
// rounded box with the goods name on top and a Code 128 bar code of its code below.
#pragma once

#include <QByteArray>
#include <QString>

#include "core/report.h"
#include "core/ui/grid_print.h"

// The built-in sheet. Detail fields: "商品名称", "barcodeText" (the code under its bars),
// "codeText" (the code in words where no bar code can hold it); picture column "barcode".
ReportDefinition labelSheet();

// A PNG of the Code 128 bar code of `code`; empty when Code 128 cannot hold the code (anything
// but printable ASCII, such as Chinese characters).
QByteArray code128Png(const QString& code);

// The listed goods as label rows: the bar code is made when its page is painted.
class LabelRows : public DatasetRows {
public:
    using DatasetRows::DatasetRows;
    QString text(int row, const QString& column) const override;
    QByteArray image(int row, const QString& column) const override;
};
