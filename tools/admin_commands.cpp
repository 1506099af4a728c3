// zenlo-admin's commands, as a library so tests can run them.
#include "admin_commands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "core/auto_backup.h"
#include "core/connection.h"
#include "core/data_place.h"
#include "core/database_copy.h"
#include "core/demo_goods.h"
#include "core/demo_sales.h"
#include "core/errors.h"
#include "core/goods_import.h"
#include "core/pinyin.h"
#include "core/schema.h"
#include "core/settings_stores.h"

namespace {

// The database a command works on when none is named: the one the program itself opens.
QString defaultDatabase() {
    const DataPlace place = currentDataPlace();
    return place.installed ? place.databasePath : QString::fromLatin1(kDatabaseFile);
}

const char kUsage[] =
    "用法：\n"
    "  zenlo-admin init [--demo] [文件]   创建新的数据库文件（默认当前目录的 data.mdb）；\n"
    "                                     --demo 同时加入约五十种演示商品和十四个月的演示销售\n"
    "                                     记录。已有文件不会被覆盖。\n"
    "  zenlo-admin check [文件]           检查数据库文件能否打开、表是否齐全、内容是否完整。\n"
    "  zenlo-admin import 表格.xls [文件] 把工作表“quorbin”中的商品加入数据库（默认当前目录的\n"
    "                                     data.mdb）；全部导入或者一行也不导入。\n"
    "  zenlo-admin backup [备份文件] [文件] 把数据库（默认当前目录的 data.mdb）备份到备份文件\n"
    "                                     （默认“数据库备份”窗口里的备份路径）；程序运行时也可以。\n"
    "  zenlo-admin backup --rotate 文件夹 [文件]\n"
    "                                     像程序退出时一样自动备份：备份为文件夹里的\n"
    "                                     data-年月日.mdb，保留最近30天的和一年内每月最早的备份，\n"
    "                                     删除其余的自动备份；适合每天由 cron 运行。\n"
    "  zenlo-admin restore 备份文件 [文件] 用备份文件替换数据库，原来的数据库另存为\n"
    "                                     data.before-restore-日期-时间.mdb；程序运行时不能恢复。\n"
    "安装的程序（/opt/zenlo）默认的数据库是 ~/.local/share/zenlo/data.mdb。\n";

int init(const QStringList& args, QTextStream& out, QTextStream& err) {
    bool demo = false;
    QString file;
    for (const QString& a : args) {
        if (a == QLatin1String("--demo")) {
            demo = true;
        } else if (a.startsWith(QLatin1Char('-')) || !file.isEmpty()) {
            err << kUsage;
            return 2;
        } else {
            file = a;
        }
    }
    if (file.isEmpty()) file = defaultDatabase();
    try {
        createDatabaseFile(file, demo);
    } catch (const DataError& e) {
        err << "zenlo-admin: " << e.message() << '\n';
        return 1;
    }
    out << "已创建数据库：" << QFileInfo(file).absoluteFilePath();
    if (demo) out << "（含 " << demoGoods().size() << " 种演示商品）";
    out << "\n超级管理员：" << kSuperAdministrator << "，初始密码：" << kDefaultPassword << '\n';
    return 0;
}

int check(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QString file = args.isEmpty() ? defaultDatabase() : args.first();
    if (const QString problem = databaseProblem(file); !problem.isEmpty()) {
        err << "zenlo-admin: " << problem << '\n';
        return 1;
    }
    try {
        Connection db;
        db.openReadOnly(file, QByteArray(kDatabaseKey));
        for (const TableDef& t : schemaTables()) {
            out << t.name << ": " << db.scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(t.name)).toLongLong()
                << " 行\n";
        }
    } catch (const DataError& e) {
        err << "zenlo-admin: " << e.message() << '\n';
        return 1;
    }
    out << "数据库正常：" << QFileInfo(file).absoluteFilePath() << '\n';
    return 0;
}

int importCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty() || args.size() > 2 || args.first().startsWith(QLatin1Char('-'))) {
        err << kUsage;
        return 2;
    }
    const QString database = args.size() > 1 ? args.at(1) : defaultDatabase();
    const GoodsImportResult result = importGoods(args.first(), database);
    if (result.failure != GoodsImportResult::Failure::None) {
        err << "zenlo-admin: " << importFailureText(result) << '\n';
        return 1;
    }
    out << "已导入 " << result.rows << " 种商品：" << QFileInfo(database).absoluteFilePath() << '\n';
    return 0;
}

// The copy the program makes at a close, for a computer left running: today's file and the rotation.
int rotateCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty() || args.size() > 2 || args.first().startsWith(QLatin1Char('-'))) {
        err << kUsage;
        return 2;
    }
    const QString database = args.size() > 1 ? args.at(1) : defaultDatabase();
    QStringList removed;
    const DatabaseCopyResult result =
        runAutoBackup(database, args.first(), QDate::currentDate(), QDeadlineTimer(QDeadlineTimer::Forever), &removed);
    if (!result.ok()) {
        err << "zenlo-admin: 数据库备份失败！" << result.problem << '\n';
        return 1;
    }
    out << "数据库备份成功！"
        << QFileInfo(QDir(args.first()).filePath(autoBackupName(QDate::currentDate()))).absoluteFilePath();
    if (!removed.isEmpty()) out << "（删除了 " << removed.size() << " 个旧的自动备份）";
    out << '\n';
    return 0;
}

// A backup needs no pause of the program: the engine copies a consistent state while it runs.
int backupCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.value(0) == QLatin1String("--rotate")) return rotateCommand(args.mid(1), out, err);
    if (args.size() > 2 || (!args.isEmpty() && args.first().startsWith(QLatin1Char('-')))) {
        err << kUsage;
        return 2;
    }
    QString target = args.value(0);
    if (target.isEmpty()) target = UserKey::jxc().value(kBackupPathValue).value_or(QString());
    if (target.isEmpty()) target = defaultBackupPath();
    const QString database = args.size() > 1 ? args.at(1) : defaultDatabase();
    const DatabaseCopyResult result = backupDatabase(database, target);
    if (!result.ok()) {
        err << "zenlo-admin: 数据库备份失败！" << result.problem << '\n';
        return 1;
    }
    out << "数据库备份成功！" << QFileInfo(target).absoluteFilePath() << '\n';
    return 0;
}

int restoreCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty() || args.size() > 2 || args.first().startsWith(QLatin1Char('-'))) {
        err << kUsage;
        return 2;
    }
    const QString database = args.size() > 1 ? args.at(1) : defaultDatabase();
    const DatabaseCopyResult result = restoreDatabase(args.first(), database);
    if (!result.ok()) {
        err << "zenlo-admin: 数据库恢复失败！" << result.problem << '\n';
        return 1;
    }
    out << "数据库恢复成功！" << QFileInfo(database).absoluteFilePath();
    if (!result.safetyCopy.isEmpty()) out << "（原来的数据库保存为 " << result.safetyCopy << "）";
    out << '\n';
    return 0;
}

}  // namespace

int runAdmin(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty()) {
        err << kUsage;
        return 2;
    }
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("init")) return init(rest, out, err);
    if (command == QLatin1String("check")) return check(rest, out, err);
    if (command == QLatin1String("import")) return importCommand(rest, out, err);
    if (command == QLatin1String("backup")) return backupCommand(rest, out, err);
    if (command == QLatin1String("restore")) return restoreCommand(rest, out, err);
    err << kUsage;
    return 2;
}
