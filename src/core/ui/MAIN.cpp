// TMainForm: the main window's frame and its show, activation and close sequences.
#include "core/ui/MAIN.h"
#include "core/user_queries.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/dm.h"
#include "core/errors.h"
#include "core/formats.h"
#include "core/jet_dialect.h"
#include "core/session.h"
#include "core/shared_queries.h"
#include "core/ui/dbgrid.h"
#include "core/ui/dialogs.h"
#include "core/ui/drive_advisory.h"
#include "core/ui/fit_label.h"
#include "core/ui/floating_panel.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/pictures.h"
#include "core/ui/skins.h"
#include "core/ui/upgrade_check.h"
#include "core/vendor.h"

namespace {

constexpr int kClientWidth = 980;
constexpr int kClientHeight = 642;
constexpr int kTopBandHeight = 97;
constexpr int kBannerHeight = 56;
constexpr int kGridHeightAllowance = 320;  // the grid is the window's outer height less this
constexpr int kStatusBarHeight = 24;
const int kStatusWidths[4] = {300, 300, 200, 300};

QIcon tileIcon(const QString& glyph, const QColor& colour) {
    return QIcon(glyphTile(glyph, colour, 64));
}

QToolButton* toolButton(const QString& name, const QString& caption, const QIcon& icon, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(caption);
    b->setIcon(icon);
    b->setIconSize(QSize(32, 32));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setMinimumWidth(72);
    return b;
}

}  // namespace

TMainForm::TMainForm(Environment environment, QWidget* parent)
    : QMainWindow(parent),
      environment_(std::move(environment)),
      config_(configIniPath(!environment_.configDir.isEmpty()    ? environment_.configDir
                            : !environment_.programDir.isEmpty() ? environment_.programDir
                                                                 : QCoreApplication::applicationDirPath())) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(Vendor::kProductTitle);
    setFont(songtiPixels(16));
    if (!environment_.isRemovableDrive) environment_.isRemovableDrive = isOnRemovableDrive;

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    buildTopBand(central);
    noteGrid = new DBGrid(central);
    noteGrid->setObjectName(QStringLiteral("DBGrid1"));
    column->addWidget(central->findChild<QWidget*>(QStringLiteral("TopBand")));
    column->addWidget(noteGrid);
    buildBottomArea(central);
    column->addWidget(central->findChild<QWidget*>(QStringLiteral("BottomArea")), 1);
    setCentralWidget(central);

    linePanel = new FloatingPanel(central);
    linePanel->setObjectName(QStringLiteral("LinePanel"));
    linePanel->resize(233, 208);
    linePanel->move(560, 150);
    Panel1 = new FloatingPanel(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(214, 58, 488, 383);
    connect(linePanel, &FloatingPanel::closeClicked, linePanel, &QWidget::hide);
    connect(Panel1, &FloatingPanel::closeClicked, Panel1, &QWidget::hide);

    buildStatusBar();
    buildMenus();

    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(200);
    Timer3->start();

    // The sale numbering, read once here and written back at close.
    config_.load();
    setSerialText(config_.value(ConfigIni::kSerialSection, ConfigIni::kSerialKey, ConfigIni::kSerialDefault));
    setCounterText(config_.value(ConfigIni::kCounterSection, ConfigIni::kCounterKey, ConfigIni::kCounterDefault));

    resize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
    applyGridHeight();
}

TMainForm::~TMainForm() = default;

void TMainForm::buildTopBand(QWidget* parent) {
    auto* band = new QWidget(parent);
    band->setObjectName(QStringLiteral("TopBand"));
    band->setFixedHeight(kTopBandHeight);
    auto* layout = new QVBoxLayout(band);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* banner = new QLabel(Vendor::kProductName, band);
    banner->setObjectName(QStringLiteral("BannerPanel"));
    banner->setFixedHeight(kBannerHeight);
    banner->setAlignment(Qt::AlignCenter);
    banner->setFont(songtiPixels(35, true));
    banner->setStyleSheet(
        QStringLiteral("QLabel#BannerPanel { color: white; background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
                       " stop:0 #1d5fa8, stop:1 #3c8de0); }"));
    layout->addWidget(banner);

    auto* row = new QWidget(band);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(8, 4, 8, 4);
    h->addWidget(new QLabel(QStringLiteral("商品编码/条形码："), row));
    Edit47 = new QLineEdit(row);
    Edit47->setObjectName(QStringLiteral("Edit47"));
    Edit47->setFixedWidth(260);
    h->addWidget(Edit47);
    Button6 = new QPushButton(QStringLiteral("商品..."), row);
    Button6->setObjectName(QStringLiteral("Button6"));
    Button6->setFocusPolicy(Qt::StrongFocus);
    h->addWidget(Button6);
    h->addStretch(1);
    h->addWidget(new QLabel(QStringLiteral("销售流水号："), row));
    Label31 = new QLabel(row);
    Label31->setObjectName(QStringLiteral("Label31"));
    Label31->setMinimumWidth(200);
    Label31->setStyleSheet(QStringLiteral("QLabel#Label31 { color: #b00000; font-weight: bold; }"));
    h->addWidget(Label31);
    Label29 = new QLabel(row);
    Label29->setObjectName(QStringLiteral("Label29"));
    Label29->hide();
    layout->addWidget(row);
}

void TMainForm::buildBottomArea(QWidget* parent) {
    auto* area = new QWidget(parent);
    area->setObjectName(QStringLiteral("BottomArea"));
    auto* h = new QHBoxLayout(area);
    h->setContentsMargins(6, 6, 6, 6);

    auto* totals = new QFrame(area);
    totals->setObjectName(QStringLiteral("TotalsBox"));
    totals->setFrameShape(QFrame::StyledPanel);
    totals->setStyleSheet(QStringLiteral("QFrame#TotalsBox { background-color: #87ceeb; }"));
    auto* v = new QVBoxLayout(totals);
    v->setContentsMargins(12, 4, 12, 4);
    v->setSpacing(2);
    Label25 = new FitLabel(QStringLiteral("共:0.00元"), totals);
    Label25->setObjectName(QStringLiteral("Label25"));
    Label25->setFont(songtiPixels(56, true));
    Label26 = new QLabel(QStringLiteral("商品数量：0"), totals);
    Label26->setObjectName(QStringLiteral("Label26"));
    Label26->setFont(songtiPixels(29, true));
    v->addWidget(Label25);
    v->addWidget(Label26);
    h->addWidget(totals, 1);

    auto* bar = new QFrame(area);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    auto* tools = new QHBoxLayout(bar);
    tools->setContentsMargins(0, 0, 0, 0);
    tools->setSpacing(2);
    ToolButton7 = toolButton(QStringLiteral("ToolButton7"), QStringLiteral("结 账"),
                             tileIcon(QStringLiteral("¥"), QColor(0x2e, 0x9d, 0x4f)), bar);
    ToolButton1 = toolButton(QStringLiteral("ToolButton1"), QStringLiteral("商品管理"),
                             tileIcon(QStringLiteral("商"), QColor(0x1d, 0x6f, 0xc4)), bar);
    ToolButton3 = toolButton(QStringLiteral("ToolButton3"), QStringLiteral("销售明细"),
                             tileIcon(QStringLiteral("明"), QColor(0x7b, 0x4f, 0xc2)), bar);
    ToolButton2 = toolButton(QStringLiteral("ToolButton2"), QStringLiteral("送货单"),
                             tileIcon(QStringLiteral("送"), QColor(0xe0, 0x7b, 0x1a)), bar);
    ToolButton4 = toolButton(QStringLiteral("ToolButton4"), QStringLiteral("数据备份"),
                             tileIcon(QStringLiteral("备"), QColor(0x0f, 0x8c, 0x8c)), bar);
    ToolButton5 = toolButton(QStringLiteral("ToolButton5"), QStringLiteral("设 置"),
                             tileIcon(QStringLiteral("设"), QColor(0x5c, 0x6b, 0x7a)), bar);
    ToolButton6 = toolButton(QStringLiteral("ToolButton6"), QStringLiteral("技术支持"),
                             tileIcon(QStringLiteral("助"), QColor(0xc2, 0x3b, 0x3b)), bar);
    for (QToolButton* b : {ToolButton7, ToolButton1, ToolButton3, ToolButton2, ToolButton4, ToolButton5, ToolButton6}) {
        tools->addWidget(b);
    }
    h->addWidget(bar, 0, Qt::AlignBottom);

    connect(ToolButton7, &QToolButton::clicked, this, &TMainForm::settleRequested);
    connect(ToolButton1, &QToolButton::clicked, this, &TMainForm::goodsRequested);
    connect(ToolButton3, &QToolButton::clicked, this, &TMainForm::salesDetailRequested);
    connect(ToolButton2, &QToolButton::clicked, this, &TMainForm::deliveryNoteRequested);
    connect(ToolButton4, &QToolButton::clicked, this, &TMainForm::backupRequested);
}

void TMainForm::buildMenus() {
    settingsMenu = new QMenu(this);
    settingsMenu->setObjectName(QStringLiteral("SettingsMenu"));
    changePasswordItem = settingsMenu->addAction(QStringLiteral("修改密码"));
    changePasswordItem->setObjectName(QStringLiteral("ChangePasswordItem"));
    userManagementItem = settingsMenu->addAction(QStringLiteral("用户管理"));
    userManagementItem->setObjectName(QStringLiteral("UserManagementItem"));
    receiptPrinterItem = settingsMenu->addAction(QStringLiteral("小票打印机设置"));
    receiptPrinterItem->setObjectName(QStringLiteral("ReceiptPrinterItem"));
    settingsMenu->addSeparator();
    for (int i = 0; i < kSkinCount; ++i) {
        skinItems[i] = settingsMenu->addAction(skinName(i) + QStringLiteral("(皮肤)"));
        skinItems[i]->setObjectName(QStringLiteral("SkinItem%1").arg(i));
        connect(skinItems[i], &QAction::triggered, this, [this, i] { chooseSkin(i); });
    }
    connect(changePasswordItem, &QAction::triggered, this, &TMainForm::changePasswordRequested);
    connect(userManagementItem, &QAction::triggered, this, &TMainForm::userManagementRequested);
    connect(receiptPrinterItem, &QAction::triggered, this, &TMainForm::receiptPrinterRequested);
    ToolButton5->setMenu(settingsMenu);
    ToolButton5->setPopupMode(QToolButton::InstantPopup);

    supportMenu = new QMenu(this);
    supportMenu->setObjectName(QStringLiteral("SupportMenu"));
    upgradeItem = supportMenu->addAction(QStringLiteral("软件升级"));
    upgradeItem->setObjectName(QStringLiteral("UpgradeItem"));
    webSiteItem = supportMenu->addAction(QStringLiteral("官方网站"));
    webSiteItem->setObjectName(QStringLiteral("WebSiteItem"));
    aboutItem = supportMenu->addAction(QStringLiteral("关于..."));
    aboutItem->setObjectName(QStringLiteral("AboutItem"));
    connect(upgradeItem, &QAction::triggered, this, &TMainForm::checkForUpgrade);
    connect(webSiteItem, &QAction::triggered, this, &TMainForm::openWebSite);
    connect(aboutItem, &QAction::triggered, this, &TMainForm::aboutRequested);
    ToolButton6->setMenu(supportMenu);
    ToolButton6->setPopupMode(QToolButton::InstantPopup);
}

void TMainForm::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(kStatusBarHeight);
    bar->installEventFilter(this);
    for (int i = 0; i < 4; ++i) {
        statusPanels_[i] = new QLabel(bar);
        statusPanels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        statusPanels_[i]->setFixedWidth(kStatusWidths[i]);
        if (i > 0) statusPanels_[i]->setAlignment(Qt::AlignCenter);
        statusPanels_[i]->installEventFilter(this);
        bar->addWidget(statusPanels_[i]);
    }
    statusPanels_[1]->setText(QStringLiteral("操作员："));
    statusPanels_[3]->setText(Vendor::kWebSite);
    bar->setCursor(Qt::PointingHandCursor);
}

int TMainForm::loginLogId() const {
    return Session::loginLogId();
}
void TMainForm::setLoginLogId(int id) {
    Session::setLoginLogId(id);
}

QString TMainForm::serialText() const {
    return Label31->text();
}
void TMainForm::setSerialText(const QString& serial) {
    Label31->setText(serial);
}
QString TMainForm::counterText() const {
    return Label29->text();
}
void TMainForm::setCounterText(const QString& counter) {
    Label29->setText(counter);
}
QString TMainForm::noteDateText() const {
    return formatDate(noteDate_);
}

QString TMainForm::statusText(int panel) const {
    return panel >= 0 && panel < 4 ? statusPanels_[panel]->text() : QString();
}

void TMainForm::setStatusText(int panel, const QString& text) {
    if (panel >= 0 && panel < 4) statusPanels_[panel]->setText(text);
}

bool TMainForm::saveNumbering() {
    config_.setValue(ConfigIni::kSerialSection, ConfigIni::kSerialKey, serialText());
    config_.setValue(ConfigIni::kCounterSection, ConfigIni::kCounterKey, counterText());
    return config_.save();
}

void TMainForm::runShowSequence() {
    // 1. The advisory, every time the window is shown from a fixed disk.
    const QString programDir =
        environment_.programDir.isEmpty() ? QCoreApplication::applicationDirPath() : environment_.programDir;
    if (!environment_.installed && !environment_.isRemovableDrive(programDir)) {
        Dialogs::current().message(this, kAdvisoryCaption, kAdvisoryText, Dialogs::Icon::Error);
    }
    // 2. The three tables code entry and settlement write to.
    if (dm_) {
        guard(this, [this] {
            dm_->ADOTable5.open();
            dm_->ADOTable6.open();
            dm_->ADOTable2.open();
        });
    }
    // 3. The line edit panel starts hidden.
    linePanel->hide();
    // 4. Hint timing and colour are installed for the application (see hints.h and skins.cpp).
    // 5. The note date.
    noteDate_ = QDate::currentDate();
    // 6. The skin chosen last, if any.
    if (const auto skin = UserKey::pos().value(QStringLiteral("skin"))) {
        static const QStringList known = {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                                          QStringLiteral("3"), QStringLiteral("4")};
        const int index = known.indexOf(*skin);
        if (index >= 0) applySkin(index);
    }
    // 7. Dates are "yyyy-mm-dd" everywhere.
    setShortDateFormat(QStringLiteral("yyyy-MM-dd"));
    // 8. Today in the status bar.
    setStatusText(2, QStringLiteral("今天：") + formatDate(QDate::currentDate()));
    applyGridHeight();
    showDone_ = true;
    emit shown();
    if (isActiveWindow() || !QApplication::activeWindow()) queueActivationHook();
}

void TMainForm::queueActivationHook() {
    if (activationQueued_) return;
    activationQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        activationQueued_ = false;
        activationHook();
    });
}

void TMainForm::activationHook() {
    if (loginLogId() != 0 || loginShowing_ || closing_ || !showDone_ || !isVisible()) return;
    loginShowing_ = true;
    emit loginRequested();
    loginShowing_ = false;
}

bool TMainForm::runCloseSequence() {
    if (loginLogId() != 0 && dm_) {
        QString failure;
        try {
            ExecQuery(dm_->ADOQuery1, exitTimeUpdate(loginLogId(), QDateTime::currentDateTime()));
        } catch (const std::exception& e) {
            const auto* data = dynamic_cast<const DataError*>(&e);
            failure = data ? data->message() : QString::fromLocal8Bit(e.what());
        }
        // A folder that became read-only, a damaged or vanished file: the exit time cannot be
        // written, but the operator can still leave (the program would otherwise have to be
        // killed). Staying is the default.
        if (!failure.isEmpty() &&
            !Dialogs::current().yesNo(this, Boxes::kWarningTitle,
                                      QStringLiteral("退出时间没有写入数据库：\n%1\n\n仍然退出程序吗？").arg(failure),
                                      false, Dialogs::Icon::Warning)) {
            return false;
        }
    }
    if (!saveNumbering()) {
        showError(QStringLiteral("无法保存销售流水号到 %1，下次启动时流水号可能重复。").arg(config_.path()), this);
    }
    return true;
}

void TMainForm::chooseSkin(int index) {
    applySkin(index);
    UserKey::pos().setValue(QStringLiteral("skin"), QString::number(index));
}

void TMainForm::checkForUpgrade() {
    const QUrl url(
        config_.value(ConfigIni::kUpgradeSection, ConfigIni::kUpgradeKey, QString::fromLatin1(kDefaultUpgradeUrl)));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const UpgradeResult result = ::checkForUpgrade(url, QString::fromLatin1(kProgramVersion));
    QApplication::restoreOverrideCursor();
    showInfo(upgradeMessage(result, QString::fromLatin1(kProgramVersion)), this);
}

void TMainForm::openWebSite() {
    ::openWebSite(this);
}

void TMainForm::applyGridHeight() {
    const int frame = frameGeometry().height() - geometry().height();
    const int outer = height() + std::max(frame, 0);
    noteGrid->setFixedHeight(std::max(outer - kGridHeightAllowance, 40));
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous() || showDone_) return;
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !showDone_) runShowSequence();
    });
}

void TMainForm::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    if (!event->spontaneous()) showDone_ = false;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    if (!runCloseSequence()) {
        event->ignore();
        return;
    }
    closing_ = true;
    event->accept();
    emit closed();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    applyGridHeight();
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) queueActivationHook();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && (watched == statusBar() || watched->parent() == statusBar())) {
        openWebSite();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
