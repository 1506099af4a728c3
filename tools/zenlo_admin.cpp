// zenlo-admin: create, check, back up and restore the program's database and import goods from the
// command line.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "admin_commands.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args == QStringList{QStringLiteral("--help")} || args == QStringList{QStringLiteral("-h")}) {
        // Asked for, the usage goes to standard output and is no error: it is what the tool
        // answers a call without a command.
        QString usage;
        QTextStream text(&usage);
        runAdmin({}, text, text);
        text.flush();
        out << usage;
        return 0;
    }
    const int code = runAdmin(args, out, err);
    out.flush();
    err.flush();
    return code;
}
