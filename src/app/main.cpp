// zenlo: the counter program. Start it from its own directory, where data.mdb lives.
#include <QStyle>

#include "app/startup.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/hints.h"
#include "core/ui/key_filters.h"
#include "core/ui/skins.h"
#include "core/ui/translations.h"
#include "core/vendor.h"

int main(int argc, char** argv) {
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zenlo"));
    QApplication::setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_ComputerIcon));
    installFontSubstitutions();
    installChineseTranslations(&app);
    installHintTiming(&app);
    installEnterPressesButtons(&app);
    applySkin(-1);
    Program program;
    return program.run();
}
