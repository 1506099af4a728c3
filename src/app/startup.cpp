// Program: creates the long-lived windows in their fixed order and wires them together.
#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "core/auto_backup.h"
#include "core/dm.h"
#include "core/errors.h"
#include "core/ui/dialogs.h"
#include "core/ui/floating_panel.h"
#include "core/ui/window_opener.h"
#include "goods/Unit1.h"
#include "goods/excel.h"
#include "goods/ys.h"
#include "maintenance/About.h"
#include "maintenance/first_start.h"
#include "maintenance/repairdb.h"
#include "note/note_list.h"
#include "sale/Unit2.h"
#include "sale/code_entry.h"
#include "sale/counter.h"
#include "sale/note_editing.h"
#include "sale/receipt_printer_window.h"
#include "sales/Unit4.h"
#include "users/changepass.h"
#include "users/login.h"
#include "users/usergl.h"

QString databaseProblemText(const QString& path, int kind, const QString& detail) {
    const QString file = QFileInfo(path).absoluteFilePath();
    // The commands name the file itself: an installed program's data is not beside the program.
    const QString quoted = QLatin1Char('"') + QDir::toNativeSeparators(file) + QLatin1Char('"');
    const QString create = QStringLiteral("\n\n要新建数据库，请运行：\n    zenlo-admin init ") + quoted +
                           QStringLiteral("\n（加 --demo 可带演示商品）；或者用备份文件恢复它。");
    const QString copies = QDir(QFileInfo(file).absolutePath()).filePath(QStringLiteral("备份"));
    const QString restore =
        QStringLiteral("\n\n请用备份文件恢复它：运行\n    zenlo-admin restore 备份文件 ") + quoted +
        QStringLiteral("\n（被替换的文件会保留为安全副本）。") +
        (QFileInfo(copies).isDir()
             ? QStringLiteral("每天的自动备份在“%1”文件夹里。").arg(QDir::toNativeSeparators(copies))
             : QString());
    switch (static_cast<DataError::Kind>(kind)) {
        case DataError::Kind::Missing:
            return QStringLiteral("找不到数据库文件：\n%1").arg(file) + create;
        case DataError::Kind::Folder:
            return QStringLiteral("“%1”是一个文件夹，不是数据库文件。\n\n请把这个文件夹改名或移到别处。").arg(file) +
                   create;
        case DataError::Kind::Unreadable:
            return QStringLiteral(
                       "数据库文件无法读取：\n%1\n\n请检查文件和它所在文件夹的权限：当前用户必须能读写它们。")
                .arg(file);
        case DataError::Kind::Damaged:
            return QStringLiteral("数据库文件已经损坏：\n%1").arg(file) +
                   (detail.isEmpty() || detail.contains(QStringLiteral("损坏"))
                        ? QString()
                        : QStringLiteral("\n（%1）").arg(detail)) +
                   QStringLiteral("\n\n程序没有写入这个文件。") + restore;
        case DataError::Kind::InUse:
            return QStringLiteral(
                       "数据库文件正在被另一个程序使用：\n%1\n\n请先关闭另一个打开的Zenlo送货单打印软件，"
                       "或者等命令行的数据库恢复完成后再启动。")
                .arg(file);
        case DataError::Kind::ReadOnly:
            return QStringLiteral(
                       "数据库文件只能读取，不能写入：\n%1\n\n请检查文件的权限，"
                       "或者把程序和数据放到可以写入的位置。")
                .arg(file);
        default:
            return QStringLiteral(
                       "数据库文件无法打开：\n%1\n\n它不是本程序的数据库（或者它的密码不同），也可能已经损坏。")
                       .arg(file) +
                   restore;
    }
}

Program::Program() : Program(Options()) {}

Program::Program(Options options) : options_(std::move(options)) {}

Program::~Program() {
    destroyWindows();
}

template <class T, class... Args>
T* Program::make(Args&&... args) {
    T* made = new T(std::forward<Args>(args)...);
    creationOrder_.append(QString::fromLatin1(T::staticMetaObject.className()));
    return made;
}

bool Program::create() {
    mainForm = make<TMainForm>(options_.environment);
    loginfm = make<Tloginfm>(mainForm);
    for (;;) {
        try {
            dm = make<Tdmfm>(options_.databasePath);
            break;
        } catch (const DataError& e) {
            // No database yet: the shop chooses how to begin. A file that is there but cannot be
            // used is never replaced by a new one.
            if (e.kind() == DataError::Kind::Missing && !QFileInfo::exists(options_.databasePath)) {
                TFirstStart first(options_.databasePath);
                if (first.exec() == QDialog::Accepted) continue;
                destroyWindows();
                return false;
            }
            showError(databaseProblemText(options_.databasePath, int(e.kind()), e.message()));
            destroyWindows();
            return false;
        }
    }
    // The sales history is read into memory in the background while the operator logs in.
    dm->startHistoryIndex();
    aboutBox = make<TAboutBox>(mainForm);
    aboutBox->setDataFolder(QFileInfo(options_.databasePath).absolutePath());
    xstj = make<Txstj>(mainForm, *dm);
    form1 = make<TForm1>(mainForm, *dm);
    excell = make<Texcell>(mainForm);
    form2 = make<TForm2>(mainForm);
    ysfm = make<Tysfm>(mainForm, *dm);
    wire();
    return true;
}

void Program::wire() {
    // A large file's page check ends after the start: a damaged file ends the program then,
    // before anything is written to it.
    connect(dm, &Tdmfm::databaseDamaged, this, [this](const QString& problem) {
        showError(databaseProblemText(options_.databasePath, int(DataError::Kind::Damaged), problem));
        QApplication::exit(1);
    });
    mainForm->setDataModule(dm);
    loginfm->setDataModule(dm);
    counter = new Counter(mainForm, *dm);
    loginfm->setRefreshNoteList([this] { counter->noteList->refresh(); });
    loginfm->setNoteTotals([this] { counter->afterLogin(); });
    counter->setDeliveryNote(form2);
    xstj->setDeliveryNote(form2);
    xstj->setRefreshNoteList([this] { counter->noteList->refresh(); });
    loginfm->setLimitedRights([this] { xstj->setChartsVisible(false); });
    form1->setImportWindow(excell);
    excell->setRefreshNoteList([this] { counter->noteList->refresh(); });
    ysfm->setCodeEntry(mainForm, counter->codeEntry);
    connect(counter->codeEntry, &CodeEntry::lookupRequested, ysfm, &Tysfm::openForCodeEntry);
    connect(mainForm, &TMainForm::loginRequested, this, [this] { loginfm->exec(); });
    connect(mainForm, &TMainForm::aboutRequested, this, [this] { aboutBox->exec(); });
    connect(mainForm, &TMainForm::salesDetailRequested, this, [this] {
        xstj->exec();
        mainForm->linePanel->hide();
        mainForm->Panel1->hide();
    });
    connect(mainForm, &TMainForm::goodsRequested, this, [this] { form1->exec(); });
    connect(mainForm, &TMainForm::changePasswordRequested, this, [this] { openWindow(changepassfm, mainForm, *dm); });
    connect(mainForm, &TMainForm::userManagementRequested, this, [this] { openWindow(userglfm, mainForm, *dm); });
    connect(mainForm, &TMainForm::receiptPrinterRequested, this, [this] {
        TReceiptPrinterForm form(mainForm);
        form.exec();
    });
    connect(mainForm, &TMainForm::backupRequested, this, [this] {
        Trepair* w = openWindow(repair, mainForm, *dm);
        w->setAutoBackupFolder(options_.backupDir);
        // The database may come back restored: the note and its totals are read again.
        w->setRefreshNoteList([this] {
            counter->noteList->refresh();
            counter->editing->noteTotals();
        });
        mainForm->hide();
    });
    // The exit time and the serial are written by then; the day's copy follows, then the end.
    connect(mainForm, &TMainForm::closed, this, [this] { backUpAtClose(); });
    connect(mainForm, &TMainForm::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

// The copy of the day, in steps, given up when the close has waited long enough: the next close
// tries again. A close says nothing of it; the backup window shows how the last one went.
void Program::backUpAtClose() {
    if (options_.backupDir.isEmpty() || !dm) return;
    const AutoBackupSetting setting = autoBackupSetting(options_.backupDir);
    if (!setting.enabled) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const DatabaseCopyResult result = runAutoBackup(dm->databasePath(), setting.dir, QDate::currentDate(),
                                                    QDeadlineTimer(AutoBackup::kCloseSeconds * 1000));
    QApplication::restoreOverrideCursor();
    if (!result.ok()) qWarning("automatic backup: %s", qUtf8Printable(result.problem));
    rememberAutoBackup(result, QDateTime::currentDateTime());
}

void Program::destroyWindows() {
    // The main window owns the windows made with it as parent.
    delete mainForm;
    mainForm = nullptr;
    loginfm = nullptr;
    aboutBox = nullptr;
    xstj = nullptr;
    form1 = nullptr;
    excell = nullptr;
    form2 = nullptr;
    ysfm = nullptr;
    counter = nullptr;
    delete dm;
    dm = nullptr;
}

int Program::run() {
    if (!create()) return 1;
    mainForm->show();
    return QApplication::exec();
}
