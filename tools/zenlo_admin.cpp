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
    const int code = runAdmin(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return code;
}
