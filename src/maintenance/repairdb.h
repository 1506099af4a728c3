// Trepair: "数据库备份", copying the database to a backup file and back. While it is open the
// program is disconnected from the database and the main window is hidden; closing it
// connects again and brings the main window back.
#pragma once

#include <functional>

#include "core/database_copy.h"
#include "core/ui/window_opener.h"

class ClickLabel;
class QCheckBox;
class QLabel;
class QTreeWidget;
class QLineEdit;
class QPushButton;
class Tdmfm;

namespace Repair {
inline const QString kBackupSucceeded = QStringLiteral("数据库备份成功！");
inline const QString kBackupFailed = QStringLiteral("数据库备份失败！");
inline const QString kRestoreSucceeded = QStringLiteral("数据库恢复成功！");
inline const QString kRestoreFailed = QStringLiteral("数据库恢复失败！");
inline const QString kSourceMissing = QStringLiteral("备份数据库没找到!");
}  // namespace Repair

class Trepair : public OnDemandWindow {
    Q_OBJECT

public:
    Trepair(QWidget* owner, Tdmfm& dm);

    // What closing asks of the main window's working parts once the database is back.
    void setRefreshNoteList(std::function<void()> refresh) { refreshNoteList_ = std::move(refresh); }

    void useDefaultPath();    // "默认"
    void backup();            // "备份数据库"
    void chooseBackupFile();  // "打开备份文件"
    void restore();           // "恢复数据库"

    // The automatic copies: their folder unless the operator chose another; none when empty.
    void setAutoBackupFolder(const QString& defaultDir);
    void listAutoBackups();
    void chooseAutoBackupFolder();  // "选择文件夹…"

    QLineEdit* Edit1;        // the backup path
    ClickLabel* Label4;      // 默认
    QPushButton* BitBtn1;    // 备份数据库
    QLabel* Label3;          // the hint to back up regularly
    QLineEdit* Edit2;        // the file to restore from
    QPushButton* Button1;    // 打开备份文件
    QPushButton* BitBtn5;    // 恢复数据库
    QLabel* Label1;          // the warning about restoring
    QCheckBox* CheckBox1;    // 退出程序时自动备份
    QLineEdit* Edit3;        // the folder of the automatic copies
    QPushButton* Button2;    // 选择文件夹…
    QTreeWidget* ListView1;  // the automatic copies: 日期, 大小; choosing one fills Edit2
    QLabel* Label5;          // how the last automatic copy went

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool reconnect();
    bool confirmReplace(const QString& target, const QString& source);
    DatabaseCopyResult withProgress(const std::function<DatabaseCopyResult(const CopyProgress&)>& copy);

    Tdmfm& dm_;
    std::function<void()> refreshNoteList_;
    QString chosenFile_;  // the file dialog's file name: empty until a file has been chosen in it
    void saveAutoBackupSetting();

    QString autoDefaultDir_;
    QString safetyCopy_;  // where the last restore kept the database it replaced
    bool shownOnce_ = false;
};
