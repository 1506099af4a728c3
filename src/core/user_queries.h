// The statements of the operators and their login log, composed as the login, the user
// management, the password change and the main window's close run them. Values are quoted by
// sqlText, so a quote in a name or a password is an ordinary character.
#pragma once

#include <QDateTime>
#include <QString>

// The operator of that name with that password: one row, or none.
QString userWithPasswordQuery(const QString& user, const QString& password);
QString userNamedQuery(const QString& user);
QString userNamesQuery();
QString userInsert(const QString& user, const QString& password);
QString userDelete(const QString& user);
// The password of one operator replaced; `reset` is the user management's form of the
// statement (no blank before "where"), the password change's has one.
QString passwordUpdate(const QString& user, const QString& password, bool reset);

// The login log: a row at each login, its exit time at the close.
QString loginLogInsert(const QString& user, const QDateTime& at);
QString lastLoginLogQuery();  // one row, column "maxid"
QString exitTimeUpdate(int loginLogId, const QDateTime& at);
