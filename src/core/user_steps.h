// The user management's data steps, without its window: each takes the typed text, does what
// the rules allow on the data module's dataset, and says what to tell the operator.
#pragma once

#include <QString>

class Dataset;

struct UserStepResult {
    bool done = false;        // the database was changed (or, for a check, it passed)
    QString message;          // the information box to show; empty for none
    bool refillList = false;  // the list of users is read again after it
};

// The super administrator's password typed again before the management opens.
UserStepResult checkAdministratorPassword(Dataset& query, const QString& typedPassword);
// "初始化密码": the chosen user's password back to the initial one.
UserStepResult resetUserPassword(Dataset& query, const QString& typedName);
// "增加用户": a new operator with the initial password; a name that exists is refused, since a
// second row of it would make that user's login fail for good.
UserStepResult addUser(Dataset& query, const QString& typedName);
// "删除用户" in two halves around the question: whether it may be asked (done) or why not, and
// the deletion itself.
UserStepResult deletionRefusal(const QString& typedName);
UserStepResult deleteUser(Dataset& query, const QString& typedName);
