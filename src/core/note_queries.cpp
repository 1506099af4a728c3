// The statements of code entry.
#include "core/note_queries.h"

#include "core/formats.h"
#include "core/jet_dialect.h"

QString scannedGoodsQuery(const QString& code) {
    return QStringLiteral("select * from sp where 商品编码='") + sqlText(trimBlanks(code)) + QStringLiteral("'  ");
}

QString noteLineQuery(const QString& code) {
    return QStringLiteral("select * from data where c='") + sqlText(code) + QStringLiteral("'");
}

BoundStatement noteLineMerge(double quantity, double amount, double profit, const QString& code) {
    return {QStringLiteral("update data set [2]=[2]+?,[6]=[6]+?,[7]=[7]+? where c=?"),
            {quantity, amount, profit, code}};
}
