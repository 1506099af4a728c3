// Settling a note of 200 lines: archive, sale row and emptying the note in one transaction,
// beside the same statements run with plain engine calls.
#include <QApplication>
#include <QLineEdit>
#include <cstdio>

#include "bench_app.h"
#include "bench_support.h"
#include "core/dm.h"
#include "core/jet_dialect.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/settlement_steps.h"
#include "core/ui/MAIN.h"
#include "sale/code_entry.h"
#include "sale/counter.h"
#include "sale/settlement.h"
#include "support/counter_window.h"

namespace {
constexpr int kLines = 200;
constexpr int kRounds = 15;
}  // namespace

int main(int argc, char** argv) {
    bench::WindowBench bench(argc, argv, 5000);
    TempDatabase& db = bench.db;
    RecordingDialogs& dialogs = bench.dialogs;
    Tdmfm dm(db.path());
    CounterWindow window(dm, db.dir());
    TMainForm& main = *window.main;
    Counter& counter = *window.counter;

    std::vector<double> ours, floor;
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < kLines; ++i) {
            main.Edit47->setText(QString::number(690000000000LL + i));
            counter.codeEntry->enterPressed();
        }
        counter.settlement->open();
        ours.push_back(bench::millis([&] { counter.settlement->settle(); }));
        if (!dialogs.boxes.isEmpty() || db.count(QStringLiteral("data")) != 0) {
            std::printf("settlement did not go through: %s\n", qPrintable(dialogs.lastText()));
            return 1;
        }
    }
    Connection& raw = db.db();
    for (int round = 0; round < kRounds; ++round) {
        raw.execute(
            QStringLiteral("insert into data (a,b,c,d,h,i,z,[1],[2],[3],[4],[5],[6],[7],day1) "
                           "select 商品名称,规格型号,商品编码,商品类别,'S','u',单位,进货单价,1,会员价,销售单价,0,"
                           "销售单价,销售单价-进货单价,'2026-12-09' from sp limit ?"),
            {kLines});
        floor.push_back(bench::millis([&] {
            Transaction tx(raw);
            raw.execute(translateJet(kSaleArchiveSql));
            raw.execute(
                QStringLiteral("insert into data3 (a,b,[1],[2],[3],[4],[5],[6],[7],day1) "
                               "values ('S','u',1,1,1,0,1,0,0,'2026-12-09')"));
            raw.execute(QStringLiteral("delete from data"));
            tx.commit();
        }));
    }
    std::printf("\n");
    bench::report("settle a 200-line note (median)", bench::median(ours), bench::median(floor), 50);
    std::printf("sales stored: %d, history lines: %d\n", db.count(QStringLiteral("data3")),
                db.count(QStringLiteral("data1")));
    return 0;
}
