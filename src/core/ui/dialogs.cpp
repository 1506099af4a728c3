// Dialogs: the real boxes, file dialogs, browser, preview and printer.
#include "core/ui/dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>

#include "core/dataset.h"
#include "core/ui/page_preview.h"
#include "core/vendor.h"

namespace {

QMessageBox::Icon boxIcon(Dialogs::Icon icon) {
    switch (icon) {
        case Dialogs::Icon::Information:
            return QMessageBox::Information;
        case Dialogs::Icon::Warning:
            return QMessageBox::Warning;
        case Dialogs::Icon::Error:
            return QMessageBox::Critical;
        case Dialogs::Icon::Question:
            return QMessageBox::Question;
        case Dialogs::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QWidget* ownerOr(QWidget* parent) {
    return parent ? parent : QApplication::activeWindow();
}

}  // namespace

// Everything is positioned from the paper's corner; a receipt keeps the printer's width.
bool printDocument(QPrinter& printer, const PrintDocument& document) {
    printer.setFullPage(true);
    printer.setDocName(document.title());
    QPageLayout layout = document.pageLayout();
    if (document.keepsPrinterWidth()) {
        const double width = printer.pageLayout().fullRect(QPageLayout::Millimeter).width();
        const double length = layout.fullRect(QPageLayout::Millimeter).height();
        layout.setPageSize(
            QPageSize(QSizeF(width, length), QPageSize::Millimeter, QStringLiteral("User"), QPageSize::ExactMatch));
    }
    if (!printer.setPageLayout(layout)) return false;
    while (!document.layOutMore(10000)) {
    }
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const double dpi = printer.resolution();
    for (int page = 0; page < document.pageCount(); ++page) {
        if (page > 0 && !printer.newPage()) return false;
        document.paintPage(painter, page, dpi);
    }
    return painter.end();
}

bool printToPdf(const PrintDocument& document, const QString& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    return printDocument(printer, document);
}

namespace {

// Longer documents get the preview that paints the pages as they are looked at.
constexpr int kStandardPreviewPages = 20;

class RealDialogs final : public Dialogs {
public:
    void message(QWidget* parent, const QString& title, const QString& text, Icon icon) override {
        QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, ownerOr(parent));
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.exec();
    }

    bool okCancel(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok | QMessageBox::Cancel, ownerOr(parent));
        box.setDefaultButton(QMessageBox::Cancel);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
        return box.exec() == QMessageBox::Ok;
    }

    bool yesNo(QWidget* parent, const QString& title, const QString& text, bool defaultYes, Icon icon) override {
        QMessageBox box(boxIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, ownerOr(parent));
        box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否"));
        return box.exec() == QMessageBox::Yes;
    }

    QString openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter) override {
        return QFileDialog::getOpenFileName(ownerOr(parent), caption, dir, filter);
    }

    QString existingDirectory(QWidget* parent, const QString& caption, const QString& dir) override {
        return QFileDialog::getExistingDirectory(ownerOr(parent), caption, dir);
    }

    QString saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
                         const QString& defaultSuffix) override {
        QFileDialog dialog(ownerOr(parent), caption, dir, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(defaultSuffix);
        // The program asks its own overwrite question.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        return dialog.selectedFiles().constFirst();
    }

    bool openUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }

    void preview(QWidget* parent, const PrintDocument& document, QSize initialSize) override {
        if (!document.layoutComplete() || document.pageCount() > kStandardPreviewPages) {
            // The standard preview paints every page before it shows one.
            PagePreview preview(document, ownerOr(parent));
            preview.resize(initialSize);
            preview.exec();
            return;
        }
        QPrinter printer(QPrinter::HighResolution);
        QPrintPreviewDialog dialog(&printer, ownerOr(parent));
        dialog.setWindowTitle(document.title());
        dialog.resize(initialSize);
        // Zoomed to show the whole page, once: the preview keeps that mode by itself. Fitting
        // again on every change makes the view and its scroll bars set off each other.
        if (auto* view = dialog.findChild<QPrintPreviewWidget*>()) view->fitInView();
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                         [&document](QPrinter* p) { printDocument(*p, document); });
        dialog.exec();
    }

    bool print(const PrintDocument& document, QString* error) override {
        QPrinter printer(QPrinter::HighResolution);
        if (!printer.isValid()) {
            if (error) *error = QStringLiteral("没有可用的打印机");
            return false;
        }
        if (!printDocument(printer, document)) {
            if (error) *error = QStringLiteral("打印机“%1”拒绝了打印任务").arg(printer.printerName());
            return false;
        }
        return true;
    }
};

RealDialogs& realDialogs() {
    static RealDialogs dialogs;
    return dialogs;
}

Dialogs* g_installed = nullptr;

}  // namespace

Dialogs& Dialogs::current() {
    return g_installed ? *g_installed : realDialogs();
}

void Dialogs::install(Dialogs* dialogs) {
    g_installed = dialogs;
}

bool refusedWhilePending(const Dataset* rows, QWidget* parent) {
    if (!rows || !rows->isPending()) return false;
    showInfo(QStringLiteral("正在查询，请等列表显示出来后再试。"), parent);
    return true;
}

void openWebSite(QWidget* parent) {
    if (!Dialogs::current().openUrl(QUrl(Vendor::kWebSite))) {
        showInfo(QStringLiteral("没有找到浏览器。我们的网站是：") + Vendor::kWebSite, parent);
    }
}

void showInfo(const QString& text, QWidget* parent) {
    Dialogs::current().message(parent, Boxes::kAppTitle, text, Dialogs::Icon::Information);
}

void showWarning(const QString& text, QWidget* parent) {
    Dialogs::current().message(parent, Boxes::kWarningTitle, text, Dialogs::Icon::Warning);
}

void showError(const QString& text, QWidget* parent) {
    Dialogs::current().message(parent, Boxes::kAppTitle, text, Dialogs::Icon::Error);
}

bool confirmOkCancel(const QString& text, QWidget* parent) {
    return Dialogs::current().okCancel(parent, Boxes::kConfirmTitle, text);
}
