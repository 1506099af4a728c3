// The user management's data steps.
#include "core/user_steps.h"

#include "core/dataset.h"
#include "core/formats.h"
#include "core/schema.h"
#include "core/shared_queries.h"
#include "core/user_queries.h"

UserStepResult checkAdministratorPassword(Dataset& query, const QString& typedPassword) {
    OpenQuery(query, userWithPasswordQuery(kSuperAdministrator, trimBlanks(typedPassword)));
    if (query.recordCount() != 1) return {false, QStringLiteral("密码不对！")};
    return {true, QStringLiteral("超级管理员登录成功！")};
}

UserStepResult resetUserPassword(Dataset& query, const QString& typedName) {
    const QString name = trimBlanks(typedName);
    if (name.isEmpty()) return {false, QStringLiteral("请选择用户名！")};
    ExecQuery(query, passwordUpdate(name, kDefaultPassword, true));
    return {true, QStringLiteral("已经成功将密码初始化为：") + kDefaultPassword};
}

UserStepResult addUser(Dataset& query, const QString& typedName) {
    const QString name = trimBlanks(typedName);
    if (name == kSuperAdministrator) return {false, QStringLiteral("超级管理员只能有一个，不能增加")};
    if (name.isEmpty()) return {false, QStringLiteral("请选择用户名！"), true};
    OpenQuery(query, userNamedQuery(name));
    if (query.recordCount() > 0) return {false, QStringLiteral("用户“%1”已经存在，不能重复增加！").arg(name), true};
    ExecQuery(query, userInsert(name, kDefaultPassword));
    return {true,
            QStringLiteral("成功添加新用户！缺省口令是：") + kDefaultPassword +
                QStringLiteral(",请此用户下次登录时及时修改口令！"),
            true};
}

UserStepResult deletionRefusal(const QString& typedName) {
    const QString name = trimBlanks(typedName);
    if (name == kSuperAdministrator) return {false, QStringLiteral("超级管理员不能删除！")};
    if (name.isEmpty()) return {false, QStringLiteral("请选择用户")};
    return {true, QString()};
}

UserStepResult deleteUser(Dataset& query, const QString& typedName) {
    ExecQuery(query, userDelete(trimBlanks(typedName)));
    return {true, QStringLiteral("成功删除！"), true};
}
