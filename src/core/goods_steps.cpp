// The goods window's data steps.
#include "core/goods_steps.h"

#include "core/dataset.h"
#include "core/formats.h"
#include "core/jet_dialect.h"
#include "core/pinyin.h"
#include "core/shared_queries.h"

QList<QPair<QString, QVariant>> goodsRowValues(const GoodsEntry& e) {
    const QString name = trimBlanks(e.name);
    const QString category = trimBlanks(e.category);
    const QString supplier = trimBlanks(e.supplier);
    return {{QStringLiteral("商品编码"), trimBlanks(e.code)},
            {QStringLiteral("商品类别"), category},
            {QStringLiteral("商品名称"), name},
            {QStringLiteral("规格型号"), trimBlanks(e.spec)},
            {QStringLiteral("会员价"), parseNumber(e.memberPrice).value_or(0)},
            {QStringLiteral("进货单价"), parseNumber(e.purchasePrice).value_or(0)},
            {QStringLiteral("销售单价"), parseNumber(e.salePrice).value_or(0)},
            {QStringLiteral("单位"), trimBlanks(e.unit)},
            {QStringLiteral("供货商"), supplier},
            {QStringLiteral("ghspy"), PinyinInitials(supplier)},
            {QStringLiteral("sppy"), PinyinInitials(name)},
            {QStringLiteral("lbpy"), PinyinInitials(category)}};
}

// The price keys let several points through: such a text is no price, and nothing is written.
PriceProblem firstBadPrice(const GoodsEntry& e) {
    const std::pair<const QString*, const char*> prices[] = {
        {&e.purchasePrice, "进货单价"}, {&e.salePrice, "销售单价"}, {&e.memberPrice, "会员价/批发价"}};
    for (int i = 0; i < 3; ++i) {
        if (parseNumber(*prices[i].first)) continue;
        return {i, QStringLiteral("%1“%2”不是有效的数字，请重新输入！")
                       .arg(QString::fromUtf8(prices[i].second), *prices[i].first)};
    }
    return {};
}

QString goodsCodeQuery(const QString& code) {
    return QStringLiteral("select * from sp where 商品编码='") + sqlText(code) + QStringLiteral("'");
}

bool goodsCodeExists(Dataset& lookup, const QString& code) {
    OpenQuery(lookup, goodsCodeQuery(code));
    const bool exists = lookup.recordCount() > 0;
    lookup.close();
    return exists;
}
