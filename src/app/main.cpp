// zenlo: the counter program. Run from a folder of its own it keeps data.mdb in the working
// directory; installed, in the user's data folder (see core/data_place.h).
#include <QDir>
#include <QIcon>
#include <QStyle>

#include "app/startup.h"
#include "core/data_place.h"
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
    // The icon the package puts in the theme; a program run from its folder has none there.
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("zenlo"), QApplication::style()->standardIcon(QStyle::SP_ComputerIcon)));
    installFontSubstitutions();
    installChineseTranslations(&app);
    installHintTiming(&app);
    installEnterPressesButtons(&app);
    applySkin(-1);
    const DataPlace place = currentDataPlace();
    if (place.installed) QDir::setCurrent(place.dataDir);
    Program::Options options;
    options.databasePath = place.databasePath;
    options.environment.configDir = place.configDir;
    options.environment.installed = place.installed;
    options.backupDir = place.backupDir;
    Program program(options);
    return program.run();
}
