// Who is logged in for this run: the operator's name, the login log row, and whether the
// operator is the super administrator. Set once by the login; every window reads it here.
#pragma once

#include <QString>

namespace Session {

QString operatorName();
void setOperatorName(const QString& name);

// The id of this run's login log row; 0 until a login succeeded.
int loginLogId();
void setLoginLogId(int id);

// Only the exact name "超级管理员" (no trimming, no case folding) is the super administrator.
bool isSuperAdministrator(const QString& name);
bool isSuperAdministrator();

// Back to "nobody logged in"; tests use it between cases.
void reset();

}  // namespace Session
