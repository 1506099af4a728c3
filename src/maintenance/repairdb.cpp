// Trepair: "数据库备份", copying the database to a backup file and back.
#include "maintenance/repairdb.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/auto_backup.h"
#include "core/dm.h"
#include "core/errors.h"
#include "core/formats.h"
#include "core/settings_stores.h"
#include "core/ui/click_label.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/pictures.h"
#include "core/ui/work_progress.h"

namespace {

QPushButton* bigButton(const QString& name, const QString& text, const QString& glyph, const QColor& colour,
                       QWidget* parent) {
    auto* b = new QPushButton(QIcon(glyphTile(glyph, colour, 64)), text, parent);
    b->setObjectName(name);
    b->setIconSize(QSize(28, 28));
    b->setMinimumHeight(40);
    b->setAutoDefault(false);
    return b;
}

QFrame* section(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::StyledPanel);
    return f;
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString sizeText(qint64 bytes) {
    if (bytes < 1024 * 1024) return QStringLiteral("%1 KB").arg(double(bytes) / 1024, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(double(bytes) / (1024 * 1024), 0, 'f', 1);
}

}  // namespace

Trepair::Trepair(QWidget* owner, Tdmfm& dm) : OnDemandWindow(owner), dm_(dm) {
    setObjectName(QStringLiteral("repair"));
    setWindowTitle(QStringLiteral("数据库备份"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(songtiPixels(14));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(18, 14, 18, 16);
    outer->setSpacing(10);
    auto* header = new QLabel(QStringLiteral("数据库维护备份"), this);
    header->setObjectName(QStringLiteral("Label2"));
    header->setFont(songtiPixels(22, true));
    header->setAlignment(Qt::AlignCenter);
    outer->addWidget(header);

    // Both sections fit the window: nothing needs scrolling into view.
    QFrame* backupBox = section(this);
    auto* b = new QGridLayout(backupBox);
    b->addWidget(new QLabel(QStringLiteral("备份数据的目录:"), backupBox), 0, 0);
    Edit1 = new QLineEdit(defaultBackupPath(), backupBox);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    b->addWidget(Edit1, 0, 1);
    Label4 = new ClickLabel(QStringLiteral("默认"), backupBox);
    Label4->setObjectName(QStringLiteral("Label4"));
    b->addWidget(Label4, 0, 2);
    BitBtn1 = bigButton(QStringLiteral("BitBtn1"), QStringLiteral("备份数据库"), QStringLiteral("备"),
                        QColor(0x0f, 0x8c, 0x8c), backupBox);
    b->addWidget(BitBtn1, 1, 1, Qt::AlignLeft);
    Label3 = new QLabel(QStringLiteral("温馨提示：定期备份数据，维护数据安全！"), backupBox);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setStyleSheet(QStringLiteral("QLabel#Label3 { color: #1d6f1d; }"));
    b->addWidget(Label3, 2, 0, 1, 3);
    b->setColumnStretch(1, 1);
    outer->addWidget(backupBox);

    QFrame* restoreBox = section(this);
    auto* r = new QGridLayout(restoreBox);
    Edit2 = new QLineEdit(restoreBox);  // filled with the backup path when shown
    Edit2->setObjectName(QStringLiteral("Edit2"));
    r->addWidget(Edit2, 0, 0);
    Button1 = new QPushButton(QStringLiteral("打开备份文件"), restoreBox);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    r->addWidget(Button1, 0, 1);
    BitBtn5 = bigButton(QStringLiteral("BitBtn5"), QStringLiteral("恢复数据库"), QStringLiteral("恢"),
                        QColor(0xc2, 0x3b, 0x3b), restoreBox);
    r->addWidget(BitBtn5, 1, 0, Qt::AlignLeft);
    Label1 = new QLabel(QStringLiteral("警告：恢复数据库功能，只有当目前使用的数据库损坏或丢失时才使用，"
                                       "否则旧数据库会覆盖当前的最新数据库，造成信息丢失。"),
                        restoreBox);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setStyleSheet(QStringLiteral("QLabel#Label1 { color: red; }"));
    r->addWidget(Label1, 2, 0, 1, 2);
    r->setColumnStretch(0, 1);
    outer->addWidget(restoreBox);

    QFrame* autoBox = section(this);
    auto* a = new QGridLayout(autoBox);
    CheckBox1 = new QCheckBox(QStringLiteral("退出程序时自动备份到："), autoBox);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    a->addWidget(CheckBox1, 0, 0, 1, 2);
    Edit3 = new QLineEdit(autoBox);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    a->addWidget(Edit3, 1, 0);
    Button2 = new QPushButton(QStringLiteral("选择文件夹…"), autoBox);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    a->addWidget(Button2, 1, 1);
    ListView1 = new QTreeWidget(autoBox);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setHeaderLabels({QStringLiteral("自动备份的日期"), QStringLiteral("大小")});
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ListView1->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    ListView1->setToolTip(QStringLiteral("选中一个自动备份，再按“恢复数据库”"));
    a->addWidget(ListView1, 2, 0, 1, 2);
    Label5 = new QLabel(autoBox);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setWordWrap(true);
    a->addWidget(Label5, 3, 0, 1, 2);
    a->setColumnStretch(0, 1);
    outer->addWidget(autoBox, 1);
    autoBox->setVisible(false);  // until the program says where its copies go

    setFixedSize(560, 600);

    // Every change of the path is remembered at once.
    connect(Edit1, &QLineEdit::textChanged, this,
            [](const QString& path) { UserKey::jxc().setValue(kBackupPathValue, path); });
    connect(Label4, &ClickLabel::clicked, this, [this] { useDefaultPath(); });
    connect(Button1, &QPushButton::clicked, this, [this] { chooseBackupFile(); });
    connect(BitBtn1, &QPushButton::clicked, this, onAction(this, [this] { backup(); }));
    connect(BitBtn5, &QPushButton::clicked, this, onAction(this, [this] { restore(); }));
    connect(CheckBox1, &QCheckBox::toggled, this, [this] { saveAutoBackupSetting(); });
    connect(Edit3, &QLineEdit::editingFinished, this, [this] {
        saveAutoBackupSetting();
        listAutoBackups();
    });
    connect(Button2, &QPushButton::clicked, this, [this] { chooseAutoBackupFolder(); });
    // A copy chosen in the list is what "恢复数据库" restores, with the same checks as any file.
    connect(ListView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) Edit2->setText(item->data(0, Qt::UserRole).toString());
    });
}

void Trepair::setAutoBackupFolder(const QString& defaultDir) {
    autoDefaultDir_ = defaultDir;
    Edit3->parentWidget()->setVisible(!defaultDir.isEmpty());
    if (defaultDir.isEmpty()) return;
    const AutoBackupSetting setting = autoBackupSetting(defaultDir);
    const QSignalBlocker quiet(CheckBox1);
    CheckBox1->setChecked(setting.enabled);
    Edit3->setText(QDir::toNativeSeparators(setting.dir));
    listAutoBackups();
}

void Trepair::saveAutoBackupSetting() {
    if (autoDefaultDir_.isEmpty()) return;
    ::saveAutoBackupSetting({CheckBox1->isChecked(), QDir::fromNativeSeparators(trimBlanks(Edit3->text()))},
                            autoDefaultDir_);
}

void Trepair::listAutoBackups() {
    ListView1->clear();
    const QString dir = QDir::fromNativeSeparators(trimBlanks(Edit3->text()));
    const QList<AutoBackupFile> copies = dir.isEmpty() ? QList<AutoBackupFile>() : autoBackups(dir);
    for (const AutoBackupFile& f : copies) {
        const QString time = QFileInfo(f.path).lastModified().toString(QStringLiteral("hh:mm"));
        auto* item = new QTreeWidgetItem(
            ListView1, {f.day.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + time, sizeText(f.size)});
        item->setData(0, Qt::UserRole, QDir::toNativeSeparators(f.path));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    const QString last = lastAutoBackupText();
    Label5->setText(copies.isEmpty() ? QStringLiteral("还没有自动备份。") +
                                           (last.isEmpty() ? QString() : QStringLiteral("最近一次：") + last)
                                     : QStringLiteral("共%1个自动备份。最近一次：%2")
                                           .arg(copies.size())
                                           .arg(last.isEmpty() ? QStringLiteral("—") : last));
    Label5->setStyleSheet(last.contains(QStringLiteral("没有备份")) ? QStringLiteral("QLabel#Label5 { color: red; }")
                                                                    : QString());
}

void Trepair::chooseAutoBackupFolder() {
    const QString chosen = Dialogs::current().existingDirectory(this, QStringLiteral("自动备份的文件夹"),
                                                                QDir::fromNativeSeparators(Edit3->text()));
    if (chosen.isEmpty()) return;
    Edit3->setText(QDir::toNativeSeparators(chosen));
    saveAutoBackupSetting();
    listAutoBackups();
}

void Trepair::showEvent(QShowEvent* event) {
    OnDemandWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    // The copies need data.mdb out of use: every dataset closes with the connection.
    dm_.disconnectDatabase();
    const auto saved = UserKey::jxc().value(kBackupPathValue);
    if (saved && !saved->isEmpty()) Edit1->setText(*saved);
    Edit2->setText(Edit1->text());
}

void Trepair::useDefaultPath() {
    Edit1->setText(defaultBackupPath());
}

bool Trepair::confirmReplace(const QString& target, const QString& source) {
    return Dialogs::current().yesNo(
        this, QStringLiteral("确认文件替换"),
        QStringLiteral("“%1”已经存在。\n要用“%2”替换它吗？").arg(shown(target), shown(source)), false,
        Dialogs::Icon::Question);
}

DatabaseCopyResult Trepair::withProgress(const std::function<DatabaseCopyResult(const CopyProgress&)>& copy) {
    WorkProgress progress(this, QStringLiteral("copyProgress"), QStringLiteral("正在复制数据库，请稍候……"));
    return copy([&progress](qint64 done, qint64 total) { progress.step(done, total); });
}

void Trepair::backup() {
    const QString target = trimBlanks(Edit1->text());
    const QString database = dm_.databasePath();
    const QFileInfo targetInfo(target);
    if (!target.isEmpty() && targetInfo.isFile() && !confirmReplace(target, database)) {
        showWarning(Repair::kBackupFailed + QStringLiteral("\n已有的备份文件没有替换。"), this);
        return;
    }
    const DatabaseCopyResult result =
        withProgress([&](const CopyProgress& progress) { return backupDatabase(database, target, progress); });
    if (result.ok()) {
        showInfo(Repair::kBackupSucceeded, this);
    } else {
        showWarning(Repair::kBackupFailed + QLatin1Char('\n') + result.problem, this);
    }
}

void Trepair::chooseBackupFile() {
    QString start = trimBlanks(Edit2->text());
    if (start.isEmpty()) start = trimBlanks(Edit1->text());
    const QString chosen = Dialogs::current().openFileName(
        this, QStringLiteral("打开备份文件"), start.isEmpty() ? QString() : QFileInfo(start).absolutePath(),
        QStringLiteral("备份文件 (*.mdb);;所有文件 (*)"));
    // As the dialog keeps it: the last file chosen, nothing before the first choice.
    if (!chosen.isEmpty()) chosenFile_ = QDir::toNativeSeparators(chosen);
    Edit2->setText(chosenFile_);
}

void Trepair::restore() {
    const QString source = trimBlanks(Edit2->text());
    const QString database = dm_.databasePath();
    if (source.isEmpty() || !QFileInfo(source).isFile()) {
        showWarning(Repair::kSourceMissing, this);
        return;
    }
    if (QFileInfo::exists(database) && !confirmReplace(database, source)) {
        showWarning(Repair::kRestoreFailed + QStringLiteral("\n当前的数据库没有替换。"), this);
        return;
    }
    const DatabaseCopyResult result =
        withProgress([&](const CopyProgress& progress) { return restoreDatabase(source, database, progress); });
    if (result.failure == DatabaseCopyResult::Failure::SourceMissing) {
        showWarning(Repair::kSourceMissing, this);
    } else if (!result.ok()) {
        showWarning(Repair::kRestoreFailed + QLatin1Char('\n') + result.problem, this);
    } else {
        safetyCopy_ = result.safetyCopy;
        QString text = Repair::kRestoreSucceeded;
        if (!safetyCopy_.isEmpty()) text += QStringLiteral("\n恢复前的数据库保存为：") + shown(safetyCopy_);
        showInfo(text, this);
    }
}

bool Trepair::reconnect() {
    try {
        dm_.connectDatabase();
        dm_.ADOTable5.open();
        dm_.ADOTable2.open();
    } catch (const DataError& e) {
        // Back to where the window started, so that another backup can be restored.
        dm_.disconnectDatabase();
        QString text = QStringLiteral("数据库无法重新连接：%1\n%2").arg(shown(dm_.databasePath()), e.message());
        if (!safetyCopy_.isEmpty()) text += QStringLiteral("\n恢复前的数据库保存在：") + shown(safetyCopy_);
        if (e.kind() == DataError::Kind::InUse) {
            text += QStringLiteral(
                "\n\n另一个程序正在使用数据库（另一个打开的Zenlo送货单打印软件，或者命令行的数据库恢复）。"
                "请等它结束或者关闭它，然后再关闭本窗口。");
        } else {
            text += QStringLiteral("\n\n请恢复一个有效的备份文件，然后再关闭本窗口。");
        }
        showError(text, this);
        return false;
    }
    if (refreshNoteList_) guard(this, refreshNoteList_);
    return true;
}

void Trepair::closeEvent(QCloseEvent* event) {
    // The program never runs on without its database.
    if (!reconnect()) {
        event->ignore();
        return;
    }
    OnDemandWindow::closeEvent(event);
    if (QWidget* main = parentWidget()) main->show();
}
