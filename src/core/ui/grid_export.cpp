// The grid export with its questions, progress window and hand-off to the default program.
#include "core/ui/grid_export.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QUrl>
#include <memory>

#include "core/dataset.h"
#include "core/formats.h"
#include "core/ui/dbgrid.h"
#include "core/ui/dialogs.h"
#include "core/ui/fonts.h"

namespace {

// Rows between two looks at the event queue: often enough for the bar to move smoothly,
// rarely enough to cost nothing against the writing.
constexpr int kRowsPerRepaint = 256;

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// A small frameless window with a raised panel, a bold line of text and a blue bar.
class ProgressWindow : public QFrame {
public:
    ProgressWindow(QWidget* parent, int maximum) : QFrame(parent, Qt::Dialog | Qt::FramelessWindowHint) {
        setObjectName(kExportProgressName);
        setWindowModality(Qt::ApplicationModal);
        setAttribute(Qt::WA_DeleteOnClose, false);
        setFixedSize(300, 100);
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
        setFont(songtiPoints(9));

        auto* panel = new QFrame(this);
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setGeometry(1, 1, 298, 98);

        auto* label = new QLabel(QStringLiteral("正在导出数据，请稍候......"), panel);
        label->setFont(songtiPoints(9, true));
        label->move(25 - 1, 25 - 1);
        label->adjustSize();

        bar_ = new QProgressBar(panel);
        bar_->setObjectName(kExportProgressBarName);
        bar_->setGeometry(20 - 1, 50 - 1, 260, 13);
        bar_->setRange(0, maximum);
        bar_->setValue(0);
        bar_->setTextVisible(false);
        bar_->setStyleSheet(
            QStringLiteral("QProgressBar { border: 1px solid gray; background: white; }"
                           "QProgressBar::chunk { background: blue; }"));

        QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
        if (screen) move(screen->availableGeometry().center() - rect().center());
    }

    void setValue(int value) {
        bar_->setValue(value);
        // Paint the bar, but take no clicks or keys: the list must not change under the export.
        if (value % kRowsPerRepaint == 0) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

private:
    QProgressBar* bar_;
};

QString nativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

ExcelSheet gridSheet(const DBGrid& grid) {
    ExcelSheet sheet;
    sheet.footerRows = grid.footerRowCount();
    for (const GridColumn& c : grid.columns()) {
        ExportColumn column{c.field, c.title, c.visible, {}};
        // Only a footer's fixed text goes to the file, not the sum the grid shows.
        if (sheet.footerRows > 0) {
            column.footerTexts.append(c.footer.kind == GridFooter::Kind::Text ? c.footer.text : QString());
        }
        sheet.columns.append(column);
    }
    return sheet;
}

bool TDBGridEhToExcel::Execute() {
    if (!DBGridEh) return false;
    const Dataset* rows = DBGridEh->dataset();
    if (!rows || !rows->isOpen() || rows->recordCount() == 0) return false;
    if (trimBlanks(FileName).isEmpty()) return false;

    ExcelSheet sheet = gridSheet(*DBGridEh);
    sheet.title = TitleName;
    sheet.beginDate = BeginDate;
    sheet.endDate = EndDate;
    sheet.userName = UserName;
    sheet.madeAt = madeAt.isValid() ? madeAt : QDateTime::currentDateTime();
    const int records = rows->recordCount();
    if (records > excelMaxRecords(sheet)) {
        showWarning(excelTooManyRowsMessage(sheet, records), parent_);
        return false;
    }

    ExcelWriteResult result;
    {
        WaitCursor wait;  // up before the question, as the export has always done
        if (QFileInfo::exists(FileName)) {
            const QString question =
                QStringLiteral("已存在文件（") + nativePath(FileName) + QStringLiteral("），是否覆盖？");
            if (!Dialogs::current().yesNo(parent_, QStringLiteral("提示"), question, false, Dialogs::Icon::Question)) {
                return false;
            }
        }
        std::unique_ptr<ProgressWindow> progress;
        if (ShowProgress) {
            progress = std::make_unique<ProgressWindow>(parent_, records);
            progress->show();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        // The existing file is replaced only when the new one is whole.
        result = writeExcelFile(FileName, *rows, sheet, [&progress](int record) {
            if (progress) progress->setValue(record);
        });
    }

    switch (result.status) {
        case ExcelWriteResult::Status::Written:
            if (!Dialogs::current().openUrl(QUrl::fromLocalFile(FileName))) {
                showInfo(QStringLiteral("文件已导出到：\n%1\n但没有找到能打开它的程序。").arg(nativePath(FileName)),
                         parent_);
            }
            return true;
        case ExcelWriteResult::Status::Failed:
            // The shop owner must know the file is not there, and why.
            showError(QStringLiteral("导出Excel失败，文件没有写成：\n") + result.error, parent_);
            return false;
        case ExcelWriteResult::Status::TooManyRows:
            showWarning(result.error, parent_);
            return false;
        case ExcelWriteResult::Status::Empty:
            break;
    }
    return false;
}

bool exportGrid(QWidget* parent, const DBGrid& grid, const QString& title, const QString& userName) {
    // Refused before the file is chosen, so nobody picks a place for a file that never comes.
    const Dataset* rows = grid.dataset();
    if (refusedWhilePending(rows, parent)) return false;
    if (rows && rows->isOpen()) {
        const ExcelSheet sheet = gridSheet(grid);
        const int records = rows->recordCount();
        if (records > excelMaxRecords(sheet)) {
            showWarning(excelTooManyRowsMessage(sheet, records), parent);
            return false;
        }
    }
    const QString path =
        Dialogs::current().saveFileName(parent, QStringLiteral("导出Excel"), QString(),
                                        QStringLiteral("Microsoft Excel xls文件 (*.xls)"), QStringLiteral("xls"));
    if (path.isEmpty()) return false;

    TDBGridEhToExcel writer(parent);
    writer.TitleName = title;
    writer.UserName = userName;
    writer.DBGridEh = &grid;
    writer.ShowProgress = true;
    writer.FileName = path;
    return writer.Execute();
}
