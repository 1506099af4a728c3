// Trepair: "数据库备份", copying the database to a backup file and back.
#include "maintenance/repairdb.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/dm.h"
#include "core/errors.h"
#include "core/formats.h"
#include "core/settings_stores.h"
#include "core/ui/click_label.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"
#include "core/ui/guard.h"
#include "core/ui/pictures.h"

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
    outer->addStretch(1);

    setFixedSize(560, 340);

    // Every change of the path is remembered at once.
    connect(Edit1, &QLineEdit::textChanged, this,
            [](const QString& path) { UserKey::jxc().setValue(kBackupPathValue, path); });
    connect(Label4, &ClickLabel::clicked, this, [this] { useDefaultPath(); });
    connect(Button1, &QPushButton::clicked, this, [this] { chooseBackupFile(); });
    connect(BitBtn1, &QPushButton::clicked, this, onAction(this, [this] { backup(); }));
    connect(BitBtn5, &QPushButton::clicked, this, onAction(this, [this] { restore(); }));
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
    QProgressDialog progress(QStringLiteral("正在复制数据库，请稍候……"), QString(), 0, 1, this);
    progress.setObjectName(QStringLiteral("copyProgress"));
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    return copy([&progress](qint64 done, qint64 total) {
        progress.setMaximum(int(std::max<qint64>(total, 1)));
        progress.setValue(int(done));
    });
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
