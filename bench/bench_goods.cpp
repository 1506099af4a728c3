// The goods window on 100 000 goods: opening it and a search as the operator types, to the
// first screen of rows; and the label sheet's first page. Each beside plain engine calls.
#include <QApplication>
#include <QLineEdit>
#include <cstdio>

#include "bench_app.h"
#include "bench_support.h"
#include "core/dm.h"
#include "core/ui/dbgrid.h"
#include "core/ui/grid_print.h"
#include "core/ui/report_render.h"
#include "goods/Unit1.h"
#include "goods/labels.h"

namespace {

constexpr int kGoods = 100000;
constexpr int kRepeats = 7;

// What the grid shows at first: thirty rows of every column.
void firstScreen(const Dataset& d) {
    for (int r = 0; r < std::min(30, d.recordCount()); ++r) {
        for (int f = 0; f < d.fieldCount(); ++f) d.textAt(r, f);
    }
}

void plainList(Connection& db, const QString& sql) {
    Statement pass(db.handle(), QStringLiteral("SELECT rowid FROM (") + sql + QLatin1Char(')'));
    std::vector<qint64> rowids;
    while (pass.step()) rowids.push_back(pass.value(0).toLongLong());
    Statement rows(db.handle(), QStringLiteral("SELECT * FROM sp WHERE rowid=?"));
    for (size_t i = 0; i < rowids.size() && i < 30; ++i) {
        rows.reset();
        rows.bind(1, rowids[i]);
        rows.step();
        for (int c = 0; c < rows.columnCount(); ++c) rows.value(c);
    }
}

double median(const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < kRepeats; ++i) times.push_back(bench::millis(work));
    return bench::median(times);
}

}  // namespace

int main(int argc, char** argv) {
    bench::WindowBench bench(argc, argv, kGoods);
    TempDatabase& db = bench.db;
    Tdmfm dm(db.path());
    TForm1 form(nullptr, dm);
    Connection& raw = db.db();

    const double open = median([&] {
        form.openWindow();
        firstScreen(dm.ADOQuery12);
    });
    const double openFloor = median([&] { plainList(raw, QStringLiteral("select * from sp")); });
    bench::report("goods window: open (100 000 goods)", open, openFloor, 100);

    for (const auto& [what, name] : {std::pair{"goods window: keystroke, name 商品1", "商品1"},
                                     std::pair{"goods window: keystroke, name 测试商品99999号", "测试商品99999号"}}) {
        const QString typed = QString::fromUtf8(name);
        const double ours = median([&] {
            form.nameCondition->setText(typed);
            form.search();
            firstScreen(dm.ADOQuery12);
        });
        const double floor = median([&] { plainList(raw, goodsSearchQuery({{}, {}, typed, {}, {}})); });
        std::printf("  (%d goods match)\n", dm.ADOQuery12.recordCount());
        bench::report(what, ours, floor, 100);
    }

    form.listAll();
    const double printed = median([&] {
        const DatasetRows rows(dm.ADOQuery12);
        const ReportDocument list(
            gridReport(form.grid->columns(),
                       {QStringLiteral("收银系统"), QStringLiteral("全 部 商 品 报 表"), QStringLiteral("%[Today]")}),
            rows);
        renderPageImage(list, 0, 96);
    });
    bench::report("printed list of 100 000 goods: first page on screen", printed, 0, 2000);
    const double labels = median([&] {
        const LabelRows rows(dm.ADOQuery12);
        const ReportDocument sheet(labelSheet(), rows);
        renderPageImage(sheet, 0, 96);
    });
    bench::report("label sheet of 100 000 goods: first page on screen", labels, 0, 2000);
    return 0;
}
