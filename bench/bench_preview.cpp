// The print preview of long lists: all sold lines (1 000 000) and the catalogue (100 000
// goods). How soon the preview shows its first page fitted to the window, how long counting
// every page takes in the background (beside reading every text it prints, the floor), and
// the memory the preview holds while open and gives back when it closes.
#include <malloc.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <cstdio>

#include "bench_support.h"
#include "core/dm.h"
#include "core/ui/dbgrid.h"
#include "core/ui/grid_print.h"
#include "core/ui/page_preview.h"
#include "core/ui/report_render.h"
#include "goods/Unit1.h"
#include "history_data.h"
#include "sales/Unit4.h"

namespace {

constexpr int kLines = 1000000;
constexpr int kSales = 200000;
constexpr int kGoods = 100000;

qint64 statusKiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

double rssMB() {
    malloc_trim(0);
    return double(statusKiB("VmRSS:")) / 1024;
}

void measure(const char* what, const DBGrid& grid, GridPrintTexts texts) {
    for (int i = 0; i < grid.columns().size(); ++i) texts.footers.append(grid.footerText(i));
    const Dataset& d = *grid.dataset();
    std::printf("%s: %d rows\n", what, d.recordCount());
    const double floor = bench::millis([&] {
        for (int r = 0; r < d.recordCount(); ++r)
            for (const GridColumn& c : grid.columns()) d.textAt(r, d.fieldIndex(c.field));
    });
    const double before = rssMB();
    const DatasetRows rows(d);
    auto document = std::make_unique<ReportDocument>(gridReport(grid.columns(), texts), rows);
    double shown = 0;
    QSize canvas;
    {
        PagePreview preview(*document);
        shown = bench::millis([&] {
            preview.resize(1024, 800);
            preview.show();
            QApplication::processEvents();
        });
        canvas = preview.findChild<QLabel*>(QStringLiteral("PageCanvas"))->size();
        preview.hide();
    }
    const double count = bench::millis([&] {
        while (!document->layOutMore(400)) {
        }
    });
    const double open = rssMB();
    const double last = bench::millis([&] { renderPageImage(*document, document->pageCount() - 1, 96); });
    const int pages = document->pageCount();
    document.reset();
    const double after = rssMB();
    bench::report("  preview shown, first page fitted to the window", shown, 0, 300);
    std::printf("  (the page on screen %d x %d px in a 1024 x 800 window)\n", canvas.width(), canvas.height());
    bench::report("  every page counted (in steps, while idle)", count, floor, 30000);
    std::printf("  (%d pages; the floor reads every text the pages print)\n", pages);
    bench::report("  the last page painted", last, 0, 300);
    std::printf("  memory: %.0f MB before, %.0f MB with every page counted, %.0f MB after closing\n", before, open,
                after);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = bench::historyDatabase(kLines, kSales, kGoods);
    Tdmfm dm(path);
    dm.startHistoryIndex();
    dm.historyIndex.waitUntilReady(600000);

    Txstj window(nullptr, dm);
    window.show();
    QApplication::processEvents();
    window.allRecords();
    const GridPrintTexts sales{QString(), QStringLiteral("销 售 统 计 报 表"),
                               QStringLiteral("制表人：超级管理员    日期：2026-12-10")};
    measure("sales report, all lines", *window.DBGridEh1, sales);
    // Opened a second time, it holds no more than the first time: nothing stays behind.
    measure("sales report again", *window.DBGridEh1, sales);
    window.hide();
    window.reject();

    TForm1 goods(nullptr, dm);
    goods.openWindow();
    goods.listAll();
    measure("goods list, 100 000 goods", *goods.grid,
            {QStringLiteral("收银系统"), QStringLiteral("全 部 商 品 报 表"), QStringLiteral("%[Today]")});
    std::printf("peak memory %.0f MB\n", double(statusKiB("VmHWM:")) / 1024);
    return 0;
}
