// Sells and settles notes in a loop until it is killed: the crash test's victim.
// Arguments: the database file and the program directory (for config.ini).
#include <QApplication>
#include <QLineEdit>
#include <cstdio>

#include "core/dm.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/ui/MAIN.h"
#include "sale/code_entry.h"
#include "sale/counter.h"
#include "sale/settlement.h"
#include "support/counter_window.h"
#include "support/recording_dialogs.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) return 2;
    RecordingDialogs dialogs;
    Tdmfm dm(QString::fromLocal8Bit(argv[1]));
    CounterWindow window(dm, QString::fromLocal8Bit(argv[2]));
    TMainForm& main = *window.main;
    Counter& counter = *window.counter;
    const QStringList codes = {QStringLiteral("A1"), QStringLiteral("B2"), QStringLiteral("C3")};
    for (int sale = 1;; ++sale) {
        for (int i = 0; i < 1 + sale % 3; ++i) {
            main.Edit47->setText(codes.at((sale + i) % codes.size()));
            counter.codeEntry->enterPressed();
        }
        counter.settlement->open();
        counter.settlement->Edit5->setText(QStringLiteral("1000"));
        counter.settlement->settle();
        if (!dialogs.boxes.isEmpty()) {
            std::fprintf(stderr, "box: %s\n", qPrintable(dialogs.lastText()));
            return 1;
        }
        std::printf("sold %d\n", sale);
        std::fflush(stdout);
    }
}
