// A fresh encrypted database in a temporary directory.
#include "support/temp_database.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>

#include "core/schema.h"

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TempDatabase::TempDatabase() {
    oldHome_ = qgetenv("HOME");
    oldXdg_ = qgetenv("XDG_CONFIG_HOME");
    QDir(dir_.path()).mkpath(QStringLiteral("home/.config"));
    qputenv("HOME", dir_.filePath(QStringLiteral("home")).toUtf8());
    qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("home/.config")).toUtf8());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.filePath(QStringLiteral("home/.config")));
    Connection creator;
    creator.create(path(), QByteArray(kDatabaseKey));
    createSchema(creator);
    creator.close();
}

TempDatabase::~TempDatabase() {
    db_.close();
    qputenv("HOME", oldHome_);
    if (oldXdg_.isEmpty()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", oldXdg_);
    }
}

QString TempDatabase::path() const {
    return dir_.filePath(QStringLiteral("data.mdb"));
}

Connection& TempDatabase::db() {
    if (!db_.isOpen()) db_.open(path(), QByteArray(kDatabaseKey));
    return db_;
}

QVariant TempDatabase::scalar(const QString& sql, const QVariantList& values) {
    return db().scalar(sql, values);
}

int TempDatabase::count(const QString& table, const QString& where) {
    QString sql = QStringLiteral("SELECT count(*) FROM \"") + table + QLatin1Char('"');
    if (!where.isEmpty()) sql += QStringLiteral(" WHERE ") + where;
    return scalar(sql).toInt();
}

void TempDatabase::exec(const QString& sql, const QVariantList& values) {
    db().execute(sql, values);
}

void TempDatabase::addGoods(const QString& code, const QString& name, double salePrice, double purchasePrice,
                            double memberPrice, const QString& unit) {
    exec(QStringLiteral("INSERT INTO sp (商品编码,商品类别,商品名称,规格型号,进货单价,销售单价,"
                        "会员价,单位,供货商) VALUES (?,?,?,?,?,?,?,?,?)"),
         {code, QStringLiteral("测试"), name, QStringLiteral("标准"), purchasePrice, salePrice, memberPrice, unit,
          QStringLiteral("测试供货商")});
}
