// The statements of the operators and their login log.
#include "core/user_queries.h"

#include "core/formats.h"
#include "core/jet_dialect.h"

namespace {
QString quoted(const QString& value) {
    return QLatin1Char('\'') + sqlText(value) + QLatin1Char('\'');
}
}  // namespace

QString userWithPasswordQuery(const QString& user, const QString& password) {
    return QStringLiteral("select username from userdb where passwd=") + quoted(password) +
           QStringLiteral(" and username=") + quoted(user);
}

QString userNamedQuery(const QString& user) {
    return QStringLiteral("select username from userdb where username=") + quoted(user);
}

QString userNamesQuery() {
    return QStringLiteral("select username from userdb");
}

QString userInsert(const QString& user, const QString& password) {
    return QStringLiteral("Insert into userdb values (") + quoted(user) + QLatin1Char(',') + quoted(password) +
           QLatin1Char(')');
}

QString userDelete(const QString& user) {
    return QStringLiteral("delete from userdb where username=") + quoted(user);
}

QString passwordUpdate(const QString& user, const QString& password, bool reset) {
    return QStringLiteral("update userdb set passwd=") + quoted(password) +
           (reset ? QStringLiteral("where username=") : QStringLiteral(" where username=")) + quoted(user);
}

QString loginLogInsert(const QString& user, const QDateTime& at) {
    return QStringLiteral("Insert into rz (username,btime) values (") + quoted(user) + QLatin1Char(',') +
           quoted(formatDateTime(at)) + QLatin1Char(')');
}

QString lastLoginLogQuery() {
    return QStringLiteral("select max(id) as maxid from rz");
}

QString exitTimeUpdate(int loginLogId, const QDateTime& at) {
    return QStringLiteral("update rz set jtime=") + quoted(formatDateTime(at)) + QStringLiteral("where id=") +
           QString::number(loginLogId);
}
