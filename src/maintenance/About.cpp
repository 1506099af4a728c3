// TAboutBox: "关于软件...", the product and how to reach its makers.
#include "maintenance/About.h"

#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include "core/ui/click_label.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/pictures.h"
#include "core/vendor.h"

namespace {

ClickLabel* link(const QString& name, const QString& address, QWidget* parent) {
    auto* l = new ClickLabel(address, parent);
    l->setObjectName(name);
    l->setToolTip(Vendor::kLinkHint);
    return l;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* mainWindow) : QDialog(mainWindow) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("关于软件..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(songtiPixels(14));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(16, 12, 16, 14);
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(glyphTile(QStringLiteral("Z"), QColor(0x1d, 0x5f, 0xa8), 32));
    outer->addWidget(icon, 0, Qt::AlignLeft);

    ProductName = new QLabel(QStringLiteral("《") + Vendor::kProductName + QStringLiteral("》"), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setFont(songtiPixels(22, true));
    ProductName->setAlignment(Qt::AlignCenter);
    outer->addWidget(ProductName);
    outer->addSpacing(12);

    auto* addresses = new QGridLayout;
    addresses->addWidget(new QLabel(QStringLiteral("Email："), this), 0, 0, Qt::AlignRight);
    EmailLink = link(QStringLiteral("EmailLink"), Vendor::kEmail, this);
    addresses->addWidget(EmailLink, 0, 1);
    addresses->addWidget(new QLabel(QStringLiteral("网 站："), this), 1, 0, Qt::AlignRight);
    WebLink = link(QStringLiteral("WebLink"), Vendor::kWebSite, this);
    addresses->addWidget(WebLink, 1, 1);
    addresses->setColumnStretch(0, 1);
    addresses->setColumnStretch(2, 1);
    addresses->addItem(new QSpacerItem(0, 0), 0, 2);
    outer->addLayout(addresses);
    outer->addSpacing(8);

    RightsLine = new QLabel(Vendor::kRightsLine, this);
    RightsLine->setObjectName(QStringLiteral("RightsLine"));
    RightsLine->setAlignment(Qt::AlignCenter);
    outer->addWidget(RightsLine);
    DataFolder = new QLabel(this);
    DataFolder->setObjectName(QStringLiteral("DataFolder"));
    DataFolder->setAlignment(Qt::AlignCenter);
    DataFolder->setWordWrap(true);
    DataFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    DataFolder->setFont(songtiPixels(12));
    outer->addWidget(DataFolder);
    outer->addStretch(1);

    OKButton = new QPushButton(QStringLiteral("确 定"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    outer->addWidget(OKButton, 0, Qt::AlignHCenter);

    setFixedSize(440, 300);
    connect(EmailLink, &ClickLabel::clicked, this, &TAboutBox::writeMail);
    connect(WebLink, &ClickLabel::clicked, this, &TAboutBox::openWebSite);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::writeMail() {
    if (!Dialogs::current().openUrl(QUrl(QStringLiteral("mailto:") + Vendor::kEmail))) {
        showInfo(QStringLiteral("没有找到邮件程序。请把邮件发送到：") + Vendor::kEmail, this);
    }
}

void TAboutBox::openWebSite() {
    ::openWebSite(this);
}

void TAboutBox::showEvent(QShowEvent* event) {
    // Centred on the desktop, not on the main window.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
    QDialog::showEvent(event);
}

// The background picture: a pale sky with a band of the banner's blue at the foot.
void TAboutBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0xf4, 0xf8, 0xfd));
    sky.setColorAt(0.75, QColor(0xdc, 0xe9, 0xf8));
    sky.setColorAt(1, QColor(0x9c, 0xc1, 0xea));
    p.fillRect(rect(), sky);
    p.setPen(QPen(QColor(0x3c, 0x8d, 0xe0), 2));
    p.drawLine(16, 50, width() - 16, 50);
    QDialog::paintEvent(event);
}

void TAboutBox::setDataFolder(const QString& folder) {
    DataFolder->setText(QStringLiteral("数据文件夹：") + QDir::toNativeSeparators(folder));
}
