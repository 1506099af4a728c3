// A made-up sales history.
#include "core/demo_sales.h"

#include <QRandomGenerator>
#include <cmath>

#include "core/connection.h"
#include "core/demo_goods.h"
#include "core/serial.h"

namespace {

// A few wholesale customers take a delivery note; most sales are over the counter.
struct Customer {
    const char* name;
    const char* address;
    const char* contact;
    const char* phone;
};
constexpr Customer kCustomers[] = {
    {"城南小学食堂", "城南路12号", "刘老师", "13905710001"},
    {"红星便利店", "解放街88号", "周红星", "13905710002"},
    {"兴旺饭店", "东门菜场旁", "吴老板", "0571-86001234"},
};

void runOnce(Statement& st) {
    while (st.step()) {
    }
    st.reset();
}

}  // namespace

QString historyCodeOf(int goods) {
    return QString::number(6900000000000LL + goods);
}

void writeSalesHistory(Connection& db, const SalesHistoryShape& shape, bool withGoods) {
    QRandomGenerator random(shape.seed);
    const QList<DemoGoods>& demo = demoGoods();
    const bool variants = shape.goods > demo.size();
    const auto nameOf = [&demo](int g) {
        const int variant = g / int(demo.size());
        const QString& name = demo.at(g % demo.size()).name;
        return variant == 0 ? name : name + QString::number(variant);
    };
    const auto codeOf = [&](int g) { return variants ? historyCodeOf(g) : demo.at(g).code; };
    const int days = int(shape.firstDay.daysTo(shape.lastDay)) + 1;

    Transaction tx(db);
    if (withGoods) {
        Statement sp(
            db.handle(),
            QStringLiteral("INSERT INTO sp (商品编码,商品类别,商品名称,规格型号,进货单价,销售单价,会员价,单位,供货商) "
                           "VALUES (?,?,?,?,?,?,?,?,?)"));
        for (int g = 0; g < shape.goods; ++g) {
            const DemoGoods& d = demo.at(g % demo.size());
            const QVariantList values = {codeOf(g),   d.category,    nameOf(g), d.spec,    d.purchasePrice,
                                         d.salePrice, d.memberPrice, d.unit,    d.supplier};
            for (int i = 0; i < values.size(); ++i) sp.bind(i + 1, values.at(i));
            runOnce(sp);
        }
    }
    Statement line(db.handle(), QStringLiteral("INSERT INTO data1 (a,b,c,d,h,i,z,[1],[2],[3],[4],[5],[6],[7],day1) "
                                               "VALUES (?,?,?,?,?,?,?,?,?,?,?,0,?,?,?)"));
    Statement sale(db.handle(), QStringLiteral("INSERT INTO data3 (a,b,[1],[2],[3],[4],[5],[6],[7],day1,h,i,j,k) "
                                               "VALUES (?,?,?,?,?,?,?,0,0,?,?,?,?,?)"));
    int written = 0;
    for (int s = 0; s < shape.sales; ++s) {
        const QDate day = shape.firstDay.addDays(qint64(s) * days / shape.sales);
        const QString op = shape.operators.at(int(random.bounded(shape.operators.size())));
        const QString serial = makeSerial(op, day, s + 1).trimmed();  // the counter never restarts
        const QString date = day.toString(Qt::ISODate);
        const int count = int((qint64(s + 1) * shape.lines) / shape.sales) - written;
        double total = 0, profit = 0;
        for (int l = 0; l < count; ++l) {
            const int g = int(random.bounded(shape.goods));
            const DemoGoods& d = demo.at(g % demo.size());
            const double quantity = 1 + random.bounded(5);
            const double amount = quantity * d.salePrice;
            const double lineProfit = quantity * (d.salePrice - d.purchasePrice);
            const QVariantList values = {nameOf(g),
                                         d.spec,
                                         codeOf(g),
                                         d.category,
                                         serial,
                                         op,
                                         d.unit,
                                         d.purchasePrice,
                                         quantity,
                                         random.bounded(50) == 0 ? 0.0 : d.memberPrice,  // a few lines without
                                         d.salePrice,
                                         amount,
                                         lineProfit,
                                         date};
            for (int i = 0; i < values.size(); ++i) line.bind(i + 1, values.at(i));
            runOnce(line);
            total += amount;
            profit += lineProfit;
        }
        written += count;
        total = std::round(total * 100) / 100;
        const double cash = std::ceil(total / 10) * 10;
        const bool wholesale = random.bounded(8) == 0;
        const Customer& c = kCustomers[random.bounded(int(std::size(kCustomers)))];
        const auto customer = [wholesale](const char* text) { return wholesale ? QString::fromUtf8(text) : QString(); };
        const QVariantList values = {serial,
                                     op,
                                     total,
                                     total,
                                     cash,
                                     std::round((cash - total) * 100) / 100,
                                     std::round(profit * 100) / 100,
                                     date,
                                     customer(c.name),
                                     customer(c.address),
                                     customer(c.contact),
                                     customer(c.phone)};
        for (int i = 0; i < values.size(); ++i) sale.bind(i + 1, values.at(i));
        runOnce(sale);
    }
    tx.commit();
}
