// The kill tests' victim: does one kind of write over and over until it is killed.
//
//     fault_child settle DATABASE PROGRAMDIR [receipt]
//                                                 sells and settles notes at the counter, printing
//                                                 each receipt with "receipt"
//     fault_child goods DATABASE SEED            adds, changes and deletes goods in the goods window
//     fault_child import DATABASE XLS            imports the workbook's goods again and again
//     fault_child backup DATABASE TARGET         backs the database up to TARGET again and again
//     fault_child autobackup DATABASE DIR        makes the day's automatic copy in DIR again and again
//     fault_child restore DATABASE A B           restores A, then B, then A, ...
//
// Before each write it prints "begin ..." and after it "done ...", one line each, flushed, so the
// test knows which writes were confirmed and which one the kill cut short.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <cstdio>
#include <map>

#include "core/auto_backup.h"
#include "core/database_copy.h"
#include "core/dataset.h"
#include "core/dm.h"
#include "core/goods_import.h"
#include "core/schema.h"
#include "core/session.h"
#include "core/ui/MAIN.h"
#include "fault/fault_goods.h"
#include "goods/Unit1.h"
#include "sale/code_entry.h"
#include "sale/counter.h"
#include "sale/settlement.h"
#include "support/counter_window.h"
#include "support/recording_dialogs.h"

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

int fail(const QString& why) {
    std::fprintf(stderr, "%s\n", why.toUtf8().constData());
    return 1;
}

int settle(const QString& database, const QString& programDir, bool receipt) {
    RecordingDialogs dialogs;
    Tdmfm dm(database);
    CounterWindow window(dm, programDir);
    TMainForm& main = *window.main;
    Counter& counter = *window.counter;
    const QStringList codes = {QStringLiteral("A1"), QStringLiteral("B2"), QStringLiteral("C3")};
    for (int sale = 1;; ++sale) {
        for (int i = 0; i < 1 + sale % 3; ++i) {
            main.Edit47->setText(codes.at((sale + i) % codes.size()));
            counter.codeEntry->enterPressed();
        }
        counter.settlement->open();
        counter.settlement->printReceiptBox->setChecked(receipt);
        counter.settlement->Edit5->setText(QStringLiteral("1000"));
        say(QStringLiteral("begin sale %1").arg(sale));
        counter.settlement->settle();
        if (!dialogs.boxes.isEmpty()) return fail(dialogs.lastText());
        say(QStringLiteral("done sale %1").arg(sale));
    }
}

// Goods changes as the operator makes them: the entry panel's 新 建 and 修 改, and 删 除 on a
// row of the list. Each line says what is written: "begin add CODE VERSION", "begin modify CODE
// VERSION", "begin delete CODE".
int goods(const QString& database, quint32 seed) {
    RecordingDialogs dialogs;  // answers the delete question with OK
    Tdmfm dm(database);
    TForm1 form(nullptr, dm);
    form.show();
    QRandomGenerator random(seed);
    Dataset& list = dm.ADOQuery12;
    const auto fill = [&form](const FaultGoods& g) {
        form.codeEdit->setText(g.code);
        form.nameEdit->setText(g.name());
        form.categoryEdit->setText(g.category());
        form.specEdit->setText(g.spec());
        form.supplierEdit->setText(g.supplier());
        form.unitEdit->setText(g.unit());
        form.purchasePriceEdit->setText(g.purchasePrice());
        form.salePriceEdit->setText(g.salePrice());
        form.memberPriceEdit->setText(g.memberPrice());
    };
    const auto pickRow = [&]() {
        form.listAll();
        const int row = 1 + int(random.bounded(list.recordCount()));
        list.setRecNo(row);
        form.loadRow(row);
        return list.text(QStringLiteral("商品编码"));
    };
    for (int op = 0;; ++op) {
        form.listAll();
        const int count = list.recordCount();
        const int version = int(seed % 1000) * 1000 + op;
        const quint32 kind = count < 5 ? 0 : random.bounded(3u);
        QString line;
        if (kind == 0) {
            const FaultGoods g{QStringLiteral("K%1").arg(version), version};
            line = QStringLiteral("add %1 %2").arg(g.code).arg(version);
            form.newGoods();
            fill(g);
            say(QStringLiteral("begin ") + line);
            form.addGoods();
        } else if (kind == 1) {
            const FaultGoods g{pickRow(), version};
            line = QStringLiteral("modify %1 %2").arg(g.code).arg(version);
            fill(g);
            say(QStringLiteral("begin ") + line);
            form.modifyGoods();
        } else {
            line = QStringLiteral("delete ") + pickRow();
            say(QStringLiteral("begin ") + line);
            form.deleteGoods();
        }
        for (const RecordingDialogs::Box& box : dialogs.boxes) {
            if (box.kind == QLatin1String("message") && box.text != QStringLiteral("删除成功！")) return fail(box.text);
        }
        dialogs.clear();
        say(QStringLiteral("done ") + line);
    }
}

int import(const QString& database, const QString& xls) {
    for (int n = 1;; ++n) {
        say(QStringLiteral("begin import %1").arg(n));
        const GoodsImportResult result = importGoods(xls, database);
        if (result.failure != GoodsImportResult::Failure::None) return fail(importFailureText(result));
        say(QStringLiteral("done import %1 %2").arg(n).arg(result.rows));
    }
}

int backup(const QString& database, const QString& target) {
    for (int n = 1;; ++n) {
        say(QStringLiteral("begin backup %1").arg(n));
        const DatabaseCopyResult result = backupDatabase(database, target);
        if (!result.ok()) return fail(result.problem);
        say(QStringLiteral("done backup %1").arg(n));
    }
}

// The copy a close makes, dated 10 December 2026, again and again.
int autoBackup(const QString& database, const QString& dir) {
    for (int n = 1;; ++n) {
        say(QStringLiteral("begin autobackup %1").arg(n));
        const DatabaseCopyResult result = runAutoBackup(database, dir, QDate(2026, 12, 10));
        if (!result.ok()) return fail(result.problem);
        say(QStringLiteral("done autobackup %1").arg(n));
    }
}

int restore(const QString& database, const QStringList& sources) {
    for (int n = 0;; ++n) {
        const QString& source = sources.at(n % sources.size());
        say(QStringLiteral("begin restore ") + source);
        const DatabaseCopyResult result = restoreDatabase(source, database);
        if (!result.ok()) return fail(result.problem);
        say(QStringLiteral("done restore ") + source);
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) return 2;
    const QString& mode = args.at(1);
    if (mode == QLatin1String("settle")) {
        return settle(args.at(2), args.at(3), args.value(4) == QLatin1String("receipt"));
    }
    if (mode == QLatin1String("goods")) return goods(args.at(2), args.at(3).toUInt());
    if (mode == QLatin1String("import")) return import(args.at(2), args.at(3));
    if (mode == QLatin1String("backup")) return backup(args.at(2), args.at(3));
    if (mode == QLatin1String("autobackup")) return autoBackup(args.at(2), args.at(3));
    if (mode == QLatin1String("restore") && args.size() >= 5) return restore(args.at(2), args.mid(3));
    return 2;
}
