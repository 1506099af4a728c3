// A new database file of the program, whole or not at all.
#include "core/database_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/connection.h"
#include "core/demo_goods.h"
#include "core/demo_sales.h"
#include "core/errors.h"
#include "core/pinyin.h"
#include "core/schema.h"

namespace {

void insertDemoGoods(Connection& db) {
    Transaction tx(db);
    for (const DemoGoods& g : demoGoods()) {
        db.execute(QStringLiteral("INSERT INTO sp (商品编码,商品类别,商品名称,规格型号,进货单价,"
                                  "销售单价,会员价,单位,供货商,ghspy,sppy,lbpy) "
                                  "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)"),
                   {g.code, g.category, g.name, g.spec, g.purchasePrice, g.salePrice, g.memberPrice, g.unit, g.supplier,
                    PinyinInitials(g.supplier), PinyinInitials(g.name), PinyinInitials(g.category)});
    }
    tx.commit();
}

// Fourteen months of a quiet counter up to yesterday, so that the sales window and its charts
// have something to show; today's serials stay free for the first real sale.
void insertDemoSales(Connection& db) {
    SalesHistoryShape shape;
    shape.lastDay = QDate::currentDate().addDays(-1);
    shape.firstDay = shape.lastDay.addMonths(-14);
    shape.sales = 1300;
    shape.lines = 4500;
    shape.goods = int(demoGoods().size());
    shape.operators = {QStringLiteral("超级管理员")};
    writeSalesHistory(db, shape, false);
}

}  // namespace

void createDatabaseFile(const QString& path, bool withDemoGoods) {
    const QFileInfo target(path);
    if (target.exists()) {
        throw DataError(QStringLiteral("文件已存在，不会覆盖：") + target.absoluteFilePath(), DataError::Kind::State);
    }
    if (!target.absoluteDir().exists()) {
        throw DataError(QStringLiteral("目录不存在：") + target.absolutePath(), DataError::Kind::Missing);
    }
    // Build the file under a temporary name and move it into place only when it is complete;
    // the rename refuses to replace a file that appeared meanwhile.
    const QString temp =
        target.absoluteFilePath() + QStringLiteral(".creating-%1").arg(QCoreApplication::applicationPid());
    QFile::remove(temp);
    try {
        Connection db;
        db.create(temp, QByteArray(kDatabaseKey));
        createSchema(db);
        if (withDemoGoods) {
            insertDemoGoods(db);
            insertDemoSales(db);
        }
        db.close();
    } catch (...) {
        QFile::remove(temp);
        throw;
    }
    if (!QFile::rename(temp, target.absoluteFilePath())) {
        QFile::remove(temp);
        throw DataError(QStringLiteral("不能创建文件：") + target.absoluteFilePath(), DataError::Kind::State);
    }
}
