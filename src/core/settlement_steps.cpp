// The steps of a settlement that need no window.
#include "core/settlement_steps.h"

#include "core/connection.h"
#include "core/dm.h"
#include "core/formats.h"
#include "core/jet_dialect.h"
#include "core/serial.h"
#include "core/settings_stores.h"
#include "core/shared_queries.h"

SettlementRefusal checkSettlement(const SettlementInput& in) {
    using Action = SettlementRefusal::Action;
    if (in.noteLines == 0) return {Action::Close, QStringLiteral("请先进行商品销售！")};
    if (in.total == QLatin1String("0.00")) return {Action::CloseQuiet, QString()};
    if (in.cash.isEmpty()) return {Action::FixCash, QStringLiteral("请输入现金金额！")};
    if (!parseNumber(in.cash)) {
        return {Action::FixCash, QStringLiteral("现金金额“%1”不是有效的数字，请重新输入！").arg(in.cash)};
    }
    const auto change = parseNumber(in.change);
    if (!change || *change < 0) return {Action::FixCash, QStringLiteral("现金金额不足！")};
    if (!parseNumber(in.total) || !parseNumber(in.received) || !parseNumber(in.profit)) {
        return {Action::FixCash, QStringLiteral("金额不是有效的数字，请重新结账。")};
    }
    if (!parseNumber(trimBlanks(in.owed))) {
        return {Action::FixOwed, QStringLiteral("欠款金额“%1”不是有效的数字，没有欠款请填 0。").arg(in.owed)};
    }
    if (!parseInteger(in.counter)) {
        return {Action::FixCash, QStringLiteral("config.ini 中的计数器“%1”不是整数，无法生成下一个流水号。\n"
                                                "请把 config.ini 里 [counter] 下的 number0 改成整数后再结账。")
                                     .arg(in.counter)};
    }
    if (!in.noteDate.isValid()) return {Action::FixCash, QStringLiteral("销售日期无效，请重新启动程序后再结账。")};
    return {};
}

StoredSale storeSale(Tdmfm& dm, IniFile& config, const SettlementInput& in) {
    StoredSale out;
    Transaction tx(dm.ADOConnection1);
    // A serial a sale already has is never given to another: the counter moves past the
    // highest one stored with the same stem (config.ini may be old, emptied or unwritten).
    const FreeSerial free = freeSerial(dm.ADOConnection1, in.serialShown, *parseInteger(in.counter));
    const qint64 counter = free.counter;
    out.serial = free.serial;
    out.serialMoved = free.moved;
    out.serialShown = free.moved ? free.serial + QLatin1Char(' ') : in.serialShown;
    out.nextCounter = QString::number(counter + 1);
    out.nextSerial = makeSerial(in.operatorName, in.today, counter + 1);

    config.setValue(ConfigIni::kSerialSection, ConfigIni::kSerialKey, out.nextSerial);
    config.setValue(ConfigIni::kCounterSection, ConfigIni::kCounterKey, out.nextCounter);
    out.serialSaved = config.save();

    // Every line carries the serial of its sale row, even lines left from an earlier run.
    ExecQuery(dm.ADOQuery2, QStringLiteral("update data set h='") + sqlText(out.serial) + QStringLiteral("'"));
    ExecQuery(dm.ADOQuery8, kSaleArchiveSql);
    Dataset& sales = dm.ADOTable6;
    sales.open();
    sales.append();
    try {
        sales.setValue(QStringLiteral("1"), trimBlanks(in.total));
        sales.setValue(QStringLiteral("2"), trimBlanks(in.received));
        sales.setValue(QStringLiteral("3"), trimBlanks(in.cash));
        sales.setValue(QStringLiteral("4"), trimBlanks(in.change));
        sales.setValue(QStringLiteral("5"), in.profit);
        sales.setValue(QStringLiteral("6"), 0);
        sales.setValue(QStringLiteral("7"), trimBlanks(in.owed));
        sales.setValue(QStringLiteral("day1"), formatDate(in.noteDate));
        sales.setValue(QStringLiteral("a"), out.serial);
        sales.setValue(QStringLiteral("b"), trimBlanks(in.operatorName));
        sales.setValue(QStringLiteral("h"), trimBlanks(in.customerName));
        sales.setValue(QStringLiteral("i"), trimBlanks(in.customerAddress));
        sales.setValue(QStringLiteral("j"), trimBlanks(in.contact));
        sales.setValue(QStringLiteral("k"), trimBlanks(in.phone));
        sales.post();
    } catch (...) {
        sales.cancel();
        throw;
    }
    ExecQuery(dm.ADOQuery7, QStringLiteral("delete   from   data "));
    tx.commit();
    return out;
}

QString serialMovedText(const QString& shown, const QString& taken, SerialMoment when) {
    return QStringLiteral(
               "流水号 %1 已经有一笔销售用过（config.ini 可能是旧的、被清空或者没有保存），"
               "%2改用流水号 %3，以后的流水号从它接着编。")
        .arg(shown, when == SerialMoment::Settlement ? QStringLiteral("这笔销售") : QStringLiteral("下一笔销售"),
             taken);
}
