// A fresh encrypted database in a temporary directory, with the per-user settings stores and
// the home directory pointed into it, so no test touches the real machine.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include "core/connection.h"

// A file's bytes; empty when it cannot be read.
QByteArray bytesOf(const QString& path);

class TempDatabase {
public:
    TempDatabase();
    ~TempDatabase();

    QString dir() const { return dir_.path(); }
    QString path() const;  // <dir>/data.mdb
    QString file(const QString& name) const { return dir_.filePath(name); }

    // A second connection of the test's own, for arranging rows and checking results.
    Connection& db();
    QVariant scalar(const QString& sql, const QVariantList& values = {});
    int count(const QString& table, const QString& where = QString());
    void exec(const QString& sql, const QVariantList& values = {});

    // One goods row with the given code and prices.
    void addGoods(const QString& code, const QString& name, double salePrice, double purchasePrice,
                  double memberPrice = 0, const QString& unit = QStringLiteral("个"));

private:
    QTemporaryDir dir_;
    Connection db_;
    QByteArray oldHome_;
    QByteArray oldXdg_;
};
