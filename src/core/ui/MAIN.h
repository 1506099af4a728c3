// TMainForm: the main window's frame — top band with the code entry field and the serial,
// the note grid, the totals, the toolbar and its menus, the status bar, the two floating
// panels, the settings stores, and the show, activation and close sequences. It knows
// nothing of the windows it opens: it asks for them with signals.
#pragma once

#include <QDate>
#include <QMainWindow>
#include <QTimer>
#include <functional>

#include "core/settings_stores.h"

class DBGrid;
class Tdmfm;
class FloatingPanel;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    struct Environment {
        QString programDir;  // the executable's directory by default
        QString configDir;   // where config.ini lives; the program's directory by default
        // An installed program shows no advice to run it from a USB drive: it was installed.
        bool installed = false;
        std::function<bool(const QString&)> isRemovableDrive;  // the drive advisory's test
    };

    explicit TMainForm(Environment environment, QWidget* parent = nullptr);
    ~TMainForm() override;

    // State the main window owns.
    // The login log id lives in the session, so every window reads the same one.
    int loginLogId() const;
    void setLoginLogId(int id);
    QString serialText() const;
    void setSerialText(const QString& serial);
    QString counterText() const;
    void setCounterText(const QString& counter);
    QDate noteDate() const { return noteDate_; }
    QString noteDateText() const;
    IniFile& config() { return config_; }
    // Writes the serial and counter to config.ini now; false when the file cannot be written.
    bool saveNumbering();

    QString statusText(int panel) const;
    void setStatusText(int panel, const QString& text);

    // The data module, made after the main window: the show sequence opens its tables and the
    // close sequence writes the login log through it.
    void setDataModule(Tdmfm* dm) { dm_ = dm; }

    // The sequences, callable directly by tests.
    void runShowSequence();
    void activationHook();
    bool runCloseSequence();

    // Skin menu items: apply at once and remember the choice.
    void chooseSkin(int index);
    void checkForUpgrade();
    void openWebSite();

    // Widgets other parts of the program fill or drive.
    QLineEdit* Edit47;     // 商品编码/条形码
    QPushButton* Button6;  // 商品...
    QLabel* Label31;       // the serial
    QLabel* Label29;       // the counter, never shown
    QLabel* Label25;       // 共:0.00元
    QLabel* Label26;       // 商品数量：0
    DBGrid* noteGrid;
    FloatingPanel* linePanel;  // the line edit panel
    FloatingPanel* Panel1;     // the settlement panel
    QToolButton* ToolButton7;  // 结 账
    QToolButton* ToolButton1;  // 商品管理
    QToolButton* ToolButton3;  // 销售明细
    QToolButton* ToolButton2;  // 送货单
    QToolButton* ToolButton4;  // 数据备份
    QToolButton* ToolButton5;  // 设 置
    QToolButton* ToolButton6;  // 技术支持
    QMenu* settingsMenu;
    QMenu* supportMenu;
    QAction* changePasswordItem;
    QAction* userManagementItem;
    QAction* receiptPrinterItem;  // 小票打印机设置
    QAction* skinItems[5];
    QAction* upgradeItem;
    QAction* webSiteItem;
    QAction* aboutItem;
    QTimer* Timer3;  // 200 ms, keeps the change amount current

signals:
    void loginRequested();
    void settleRequested();
    void goodsRequested();
    void salesDetailRequested();
    void deliveryNoteRequested();
    void backupRequested();
    void changePasswordRequested();
    void userManagementRequested();
    void receiptPrinterRequested();
    void aboutRequested();
    void shown();   // after each show sequence
    void closed();  // after the close sequence let the window go

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTopBand(QWidget* parent);
    void buildBottomArea(QWidget* parent);
    void buildStatusBar();
    void buildMenus();
    void applyGridHeight();
    void queueActivationHook();

    Environment environment_;
    Tdmfm* dm_ = nullptr;
    IniFile config_;
    QDate noteDate_;
    bool showDone_ = false;
    bool loginShowing_ = false;
    bool activationQueued_ = false;
    bool closing_ = false;
    QLabel* statusPanels_[4];
};
