// Who is logged in for this run.
#include "core/session.h"

#include "core/schema.h"

namespace {
QString g_operator;
int g_loginLogId = 0;
}  // namespace

namespace Session {

QString operatorName() {
    return g_operator;
}
void setOperatorName(const QString& name) {
    g_operator = name;
}
int loginLogId() {
    return g_loginLogId;
}
void setLoginLogId(int id) {
    g_loginLogId = id;
}
bool isSuperAdministrator(const QString& name) {
    return name == kSuperAdministrator;
}
bool isSuperAdministrator() {
    return isSuperAdministrator(g_operator);
}

void reset() {
    g_operator.clear();
    g_loginLogId = 0;
}

}  // namespace Session
