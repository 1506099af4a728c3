// PagePreview: the print preview for long documents.
#include "core/ui/page_preview.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/ui/dialogs.h"
#include "core/ui/report_render.h"

namespace {

constexpr double kMmPerInch = 25.4;
// Rows laid out per step while the preview is idle: a step takes a few milliseconds.
constexpr int kRowsPerStep = 400;

QToolButton* toolButton(QToolBar* bar, const QString& text, QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(bar);
    b->setText(text);
    b->setIcon(bar->style()->standardIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addWidget(b);
    return b;
}

}  // namespace

PagePreview::PagePreview(const PrintDocument& document, QWidget* parent) : QDialog(parent), document_(document) {
    setObjectName(QStringLiteral("PagePreview"));
    setWindowTitle(document.title().isEmpty() ? QStringLiteral("打印预览") : document.title());
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QToolBar(this);
    first_ = toolButton(bar, QStringLiteral("首页"), QStyle::SP_MediaSkipBackward);
    previous_ = toolButton(bar, QStringLiteral("上一页"), QStyle::SP_MediaSeekBackward);
    pageBox_ = new QSpinBox(bar);
    pageBox_->setObjectName(QStringLiteral("PageBox"));
    pageBox_->setMinimum(1);
    bar->addWidget(pageBox_);
    pagesLabel_ = new QLabel(bar);
    pagesLabel_->setObjectName(QStringLiteral("PagesLabel"));
    bar->addWidget(pagesLabel_);
    next_ = toolButton(bar, QStringLiteral("下一页"), QStyle::SP_MediaSeekForward);
    last_ = toolButton(bar, QStringLiteral("末页"), QStyle::SP_MediaSkipForward);
    bar->addSeparator();
    auto* fitPageButton = toolButton(bar, QStringLiteral("整页"), QStyle::SP_TitleBarMaxButton);
    auto* fitWidthButton = toolButton(bar, QStringLiteral("页宽"), QStyle::SP_ToolBarHorizontalExtensionButton);
    auto* zoomIn = toolButton(bar, QStringLiteral("放大"), QStyle::SP_ArrowUp);
    auto* zoomOut = toolButton(bar, QStringLiteral("缩小"), QStyle::SP_ArrowDown);
    bar->addSeparator();
    auto* printButton = toolButton(bar, QStringLiteral("打印..."), QStyle::SP_DialogSaveButton);
    printButton->setObjectName(QStringLiteral("PrintButton"));
    auto* closeButton = toolButton(bar, QStringLiteral("关闭"), QStyle::SP_DialogCloseButton);
    layout->addWidget(bar);

    area_ = new QScrollArea(this);
    area_->setAlignment(Qt::AlignCenter);
    area_->setBackgroundRole(QPalette::Dark);
    canvas_ = new QLabel(area_);
    canvas_->setObjectName(QStringLiteral("PageCanvas"));
    area_->setWidget(canvas_);
    layout->addWidget(area_, 1);
    // The page is fitted to the room it really has: the scroll area's viewport gets its size
    // only once the dialog is laid out on screen, after the dialog's own resize.
    area_->viewport()->installEventFilter(this);

    connect(first_, &QToolButton::clicked, this, [this] { showPage(0); });
    connect(previous_, &QToolButton::clicked, this, [this] { showPage(page_ - 1); });
    connect(next_, &QToolButton::clicked, this, [this] { showPage(page_ + 1); });
    connect(last_, &QToolButton::clicked, this, [this] {
        // The last page needs the whole layout; it is quick next to painting all pages.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        while (!document_.layOutMore(20000)) {
        }
        QApplication::restoreOverrideCursor();
        showPage(shownPages() - 1);
    });
    connect(pageBox_, &QSpinBox::valueChanged, this, [this](int value) {
        if (value - 1 != page_) showPage(value - 1);
    });
    connect(fitPageButton, &QToolButton::clicked, this, &PagePreview::fitPage);
    connect(fitWidthButton, &QToolButton::clicked, this, &PagePreview::fitWidth);
    connect(zoomIn, &QToolButton::clicked, this, [this] { setZoom(zoom_ * 1.25); });
    connect(zoomOut, &QToolButton::clicked, this, [this] { setZoom(zoom_ / 1.25); });
    connect(printButton, &QToolButton::clicked, this, &PagePreview::print);
    connect(closeButton, &QToolButton::clicked, this, &QDialog::reject);

    layoutTimer_.setInterval(0);
    connect(&layoutTimer_, &QTimer::timeout, this, &PagePreview::layOutSome);
    if (!document_.layoutComplete()) layoutTimer_.start();
    updateControls();
}

int PagePreview::shownPages() const {
    return std::max(1, document_.pageCount());
}

void PagePreview::layOutSome() {
    if (document_.layOutMore(kRowsPerStep)) layoutTimer_.stop();
    updateControls();
}

void PagePreview::updateControls() {
    const int pages = shownPages();
    const QSignalBlocker block(pageBox_);
    pageBox_->setMaximum(pages);
    pageBox_->setValue(page_ + 1);
    pagesLabel_->setText(document_.layoutComplete() ? QStringLiteral(" / %1 页 ").arg(pages)
                                                    : QStringLiteral(" / %1 页以上 ").arg(pages));
    first_->setEnabled(page_ > 0);
    previous_->setEnabled(page_ > 0);
    next_->setEnabled(page_ + 1 < pages || !document_.layoutComplete());
    last_->setEnabled(page_ + 1 < pages || !document_.layoutComplete());
}

void PagePreview::showPage(int page) {
    // A page beyond the layout so far is laid out first.
    while (page >= document_.pageCount() && !document_.layoutComplete()) document_.layOutMore(kRowsPerStep);
    page_ = std::clamp(page, 0, shownPages() - 1);
    render();
    updateControls();
}

void PagePreview::setZoom(double zoom) {
    fit_ = Fit::None;
    zoom_ = std::clamp(zoom, 0.1, 8.0);
    render();
}

void PagePreview::fitPage() {
    fit_ = Fit::Page;
    render();
}

void PagePreview::fitWidth() {
    fit_ = Fit::Width;
    render();
}

bool PagePreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == area_->viewport() && event->type() == QEvent::Resize && fit_ != Fit::None) render();
    return QDialog::eventFilter(watched, event);
}

void PagePreview::render() {
    const QRectF mm = document_.pageLayout().fullRect(QPageLayout::Millimeter);
    const double screenDpi = logicalDpiX();
    const QSize room = area_->viewport()->size() - QSize(16, 16);
    const double pageWidth = mm.width() * screenDpi / kMmPerInch;
    const double pageHeight = mm.height() * screenDpi / kMmPerInch;
    if (fit_ == Fit::Page) zoom_ = std::min(room.width() / pageWidth, room.height() / pageHeight);
    if (fit_ == Fit::Width) zoom_ = room.width() / pageWidth;
    zoom_ = std::clamp(zoom_, 0.1, 8.0);
    const qreal ratio = devicePixelRatioF();
    QImage page = renderPageImage(document_, page_, screenDpi * zoom_ * ratio);
    page.setDevicePixelRatio(ratio);
    canvas_->setPixmap(QPixmap::fromImage(page));
    canvas_->resize(page.size() / ratio);
}

void PagePreview::print() {
    while (!document_.layOutMore(20000)) {
    }
    updateControls();
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, shownPages());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted) return;
    int from = 0, to = shownPages() - 1;
    if (printer.printRange() == QPrinter::PageRange) {
        from = std::max(printer.fromPage(), 1) - 1;
        to = std::min(printer.toPage(), shownPages()) - 1;
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        from = to = page_;
    }
    if (printPages(printer, from, to)) accept();
}

bool PagePreview::printPages(QPrinter& printer, int from, int to) {
    return printWithProgress(printer, document_, this, from, to);
}

bool printWithProgress(QPrinter& printer, const PrintDocument& document, QWidget* parent, int from, int to) {
    while (!document.layOutMore(20000)) {
    }
    if (to < 0 || to >= document.pageCount()) to = document.pageCount() - 1;
    printer.setFullPage(true);
    printer.setDocName(document.title());
    if (!printer.setPageLayout(document.pageLayout())) return false;
    QProgressDialog progress(QStringLiteral("正在打印，请稍候……"), QStringLiteral("取消"), from, to + 1, parent);
    progress.setWindowTitle(QStringLiteral("打印"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const double dpi = printer.resolution();
    for (int page = from; page <= to; ++page) {
        progress.setValue(page);
        if (progress.wasCanceled()) {
            printer.abort();
            return false;
        }
        if (page > from && !printer.newPage()) return false;
        document.paintPage(painter, page, dpi);
    }
    progress.setValue(to + 1);
    return painter.end();
}
