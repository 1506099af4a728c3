// zenlo-read-xls WORKBOOK: reads the goods worksheet of an .xls workbook for the goods import,
// in a process of its own, and writes the rows (or what was wrong) to standard output.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "core/goods_import.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fputs("usage: zenlo-read-xls WORKBOOK\n", stderr);
        return 2;
    }
    const QByteArray message = goodsWorkbookMessage(args.at(1));
    return std::fwrite(message.constData(), 1, size_t(message.size()), stdout) == size_t(message.size()) &&
                   std::fflush(stdout) == 0
               ? 0
               : 1;
}
