// TAboutBox: "关于软件...", the product and how to reach its makers.
#include "maintenance/About.h"

TAboutBox::TAboutBox(QWidget* mainWindow) : QDialog(mainWindow) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("关于软件..."));
}
