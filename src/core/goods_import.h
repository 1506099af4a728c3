// Goods from the worksheet "quorbin" of an .xls workbook into the catalogue `sp` of a chosen
// database: the work of the import window and of `zenlo-admin import`.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

struct GoodsImportResult {
    enum class Failure { None, Connect, Import };
    Failure failure = Failure::None;
    int rows = 0;     // goods rows written
    QString problem;  // what was wrong, in words the operator can act on; empty on success
};

namespace GoodsImport {
inline const QString kSheetName = QStringLiteral("quorbin");
// The worksheet's headings, which are also the `sp` columns they fill, in the order they are
// reported when missing.
inline const QStringList kHeadings = {
    QStringLiteral("商品名称"), QStringLiteral("规格型号"), QStringLiteral("商品类别"),
    QStringLiteral("商品编码"), QStringLiteral("单位"),     QStringLiteral("供货商"),
    QStringLiteral("进货单价"), QStringLiteral("销售单价"), QStringLiteral("会员价")};
inline const QString kSucceeded = QStringLiteral("批量EXCEL导入成功！请退出在主界面中点全部记录查看");
inline const QString kImportFailed = QStringLiteral("批量EXCEL导入失败！请联系技术客服");
inline const QString kConnectFailed = QStringLiteral("连接ACCESS失败！请联系技术客服");
}  // namespace GoodsImport

// Reads every goods row of the worksheet, then inserts them into `sp` of the database file (the
// program's key; an existing file only) in one transaction: all rows or none. `progress` hears
// how many rows are written while it goes on. Never throws for a bad file or database: the
// result says what failed.
GoodsImportResult importGoods(const QString& xlsPath, const QString& databasePath,
                              const std::function<void(int done, int total)>& progress = {});

// Reads the worksheet exactly as importGoods does and writes nothing: `rows` goods rows, or
// failure Import with what was wrong. Never throws for a bad file.
GoodsImportResult readGoodsWorkbook(const QString& xlsPath);

// What the reading program (zenlo-read-xls) hands back for a workbook: the goods rows of its
// worksheet, or what was wrong with it.
QByteArray goodsWorkbookMessage(const QString& xlsPath);

// A failed import as the operator is told: the failure's message with the support contact, and
// on the next line what was wrong.
QString importFailureText(const GoodsImportResult& result);
