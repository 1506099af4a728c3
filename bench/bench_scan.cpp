// Scan → line on the note with its totals, with 100 000 goods in the catalogue and 500 lines
// on the note; and opening the goods lookup on those goods. Each figure beside the same work
// done with plain engine calls.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <cstdio>

#include "bench_app.h"
#include "bench_support.h"
#include "core/dm.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/ui/MAIN.h"
#include "goods/ys.h"
#include "note/note_list.h"
#include "sale/code_entry.h"
#include "sale/counter.h"
#include "support/counter_window.h"

namespace {

constexpr int kGoods = 100000;
constexpr int kNoteLines = 500;
constexpr int kScans = 200;

QString codeOf(int i) {
    return QString::number(690000000000LL + i);
}

// The same lookups and writes a scan makes, and re-reading the note with its sums.
double plainScan(Connection& db, const QString& code) {
    return bench::millis([&] {
        Statement goods(db.handle(), QStringLiteral("select * from sp where 商品编码=?"));
        goods.bind(1, code);
        goods.step();
        const double price = goods.value(5).toDouble();
        const double cost = goods.value(4).toDouble();
        Statement line(db.handle(), QStringLiteral("select * from data where c=?"));
        line.bind(1, code);
        if (line.step()) {
            db.execute(QStringLiteral("update data set [2]=[2]+1,[6]=[6]+?,[7]=[7]+? where c=?"),
                       {price, price - cost, code});
        } else {
            db.execute(QStringLiteral("insert into data (a,c,[1],[2],[4],[6],[7]) values (?,?,?,1,?,?,?)"),
                       {goods.value(2), code, cost, price, price, price - cost});
        }
        Statement all(db.handle(), QStringLiteral("select * from data order by id"));
        double q = 0, a = 0;
        while (all.step()) {
            for (int c = 0; c < all.columnCount(); ++c) all.value(c);
            q += all.value(12).toDouble();
            a += all.value(16).toDouble();
        }
        (void)q;
        (void)a;
    });
}

}  // namespace

int main(int argc, char** argv) {
    bench::WindowBench bench(argc, argv, kGoods);
    TempDatabase& db = bench.db;

    Tdmfm dm(db.path());
    CounterWindow window(dm, db.dir());
    TMainForm& main = *window.main;
    Counter& counter = *window.counter;

    auto scan = [&](const QString& code) {
        return bench::millis([&] {
            main.Edit47->setText(code);
            counter.codeEntry->enterPressed();
        });
    };
    std::printf("putting %d lines on the note ...\n", kNoteLines);
    for (int i = 0; i < kNoteLines; ++i) scan(codeOf(i * 37));
    if (dm.ADOQuery15.recordCount() != kNoteLines) {
        std::printf("expected %d lines, the note has %d\n", kNoteLines, dm.ADOQuery15.recordCount());
        return 1;
    }

    std::vector<double> merged, added, plainMerged, plainAdded;
    for (int i = 0; i < kScans; ++i) merged.push_back(scan(codeOf((i % kNoteLines) * 37)));
    for (int i = 0; i < kScans; ++i) added.push_back(scan(codeOf(50000 + i)));
    std::printf("note now %d lines; totals %s / %s\n", dm.ADOQuery15.recordCount(), qPrintable(main.Label25->text()),
                qPrintable(main.Label26->text()));

    // The floor, on a copy of the same note.
    Connection& raw = db.db();
    raw.execute(QStringLiteral("delete from data where id > ?"), {kNoteLines});
    for (int i = 0; i < kScans; ++i) plainMerged.push_back(plainScan(raw, codeOf((i % kNoteLines) * 37)));
    for (int i = 0; i < kScans; ++i) plainAdded.push_back(plainScan(raw, codeOf(60000 + i)));

    std::printf("\n");
    bench::report("scan merging into a line (median)", bench::median(merged), bench::median(plainMerged), 5);
    bench::report("scan adding a line (median)", bench::median(added), bench::median(plainAdded), 5);
    bench::report("scan merging into a line (95th percentile)", bench::percentile(merged, 0.95),
                  bench::percentile(plainMerged, 0.95), 5);

    // Opening the goods lookup on the whole catalogue.
    Tysfm lookup(&main, dm);
    lookup.setCodeEntry(&main, counter.codeEntry);
    std::vector<double> opens, plainOpens;
    for (int i = 0; i < 5; ++i) {
        opens.push_back(bench::millis([&] {
            lookup.prepareForCodeEntry();
            lookup.show();
            QCoreApplication::processEvents();
        }));
        lookup.reject();
        plainOpens.push_back(bench::millis([&] {
            Statement all(raw.handle(), Tysfm::kGroupedSql);
            while (all.step()) {
                for (int c = 0; c < all.columnCount(); ++c) all.value(c);
            }
        }));
    }
    bench::report("open the goods lookup on 100 000 goods (median)", bench::median(opens), bench::median(plainOpens),
                  300);
    return 0;
}
