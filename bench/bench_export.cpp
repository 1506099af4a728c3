// Exporting 20 000 goods to an Excel file: the writer on the goods window's windowed list, the
// whole action with its progress window, and a list sorted on screen; beside the same bytes
// written from plain engine calls.
#include <sqlcipher/sqlite3.h>
#include <QApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>
#include <QtEndian>
#include <cstdio>

#include "bench_app.h"
#include "bench_support.h"
#include "core/dm.h"
#include "core/excel_writer.h"
#include "core/formats.h"
#include "core/shared_queries.h"
#include "core/ui/dbgrid.h"
#include "core/ui/grid_export.h"

namespace {

constexpr int kGoods = 20000;
constexpr int kRounds = 7;
const QDateTime kMadeAt(QDate(2026, 3, 5), QTime(14, 7, 9));

QList<GridColumn> goodsColumns() {
    QList<GridColumn> columns;
    for (const char* name :
         {"商品编码", "商品类别", "商品名称", "规格型号", "进货单价", "销售单价", "会员价", "单位", "供货商"}) {
        GridColumn c;
        c.field = QString::fromUtf8(name);
        c.title = c.field;
        columns.append(c);
    }
    return columns;
}

// The same stream from plain engine calls: every column of sp in its own order, texts in GBK,
// numbers as doubles, NULL as blank cells.
class PlainSheet {
public:
    void text(int row, int column, const QString& s) {
        const QByteArray bytes = gbk_.encode(s);
        header(0x0204, quint16(8 + bytes.size()));
        cell(row, column, 0);
        u16(quint16(bytes.size()));
        out.append(bytes);
    }
    void number(int row, int column, double v) {
        header(0x0203, 14);
        cell(row, column, 0);
        char raw[8];
        qToLittleEndian(v, raw);
        out.append(raw, 8);
    }
    void blank(int row, int column) {
        header(0x0201, 6);
        cell(row, column, 0x17);
    }
    void u16(quint16 v) {
        char raw[2];
        qToLittleEndian(v, raw);
        out.append(raw, 2);
    }
    void header(quint16 type, quint16 length) {
        u16(type);
        u16(length);
    }
    void cell(int row, int column, quint16 format) {
        u16(quint16(row));
        u16(quint16(column));
        u16(format);
    }

    QByteArray out;

private:
    QStringEncoder gbk_{"GBK"};
};

void plainExport(sqlite3* db, const QString& path) {
    PlainSheet s;
    s.header(0x0809, 8);
    for (quint16 v : {0x0000, 0x0010, 0x0000, 0x0000}) s.u16(v);
    s.header(0x0042, 2);
    s.u16(936);
    s.text(0, 3, QStringLiteral("全部商品清单"));
    s.text(1, 0, QStringLiteral("制表人：VantroPOS收银系统"));
    s.text(1, 5, QStringLiteral("制表时间：") + formatDateTime(kMadeAt));
    const QList<GridColumn> columns = goodsColumns();
    for (int c = 0; c < columns.size(); ++c) s.text(2, c, columns[c].title);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select * from sp", -1, &st, nullptr);
    const int fields = sqlite3_column_count(st);
    int row = 3;
    for (; sqlite3_step(st) == SQLITE_ROW; ++row) {
        for (int c = 0; c < fields; ++c) {
            switch (sqlite3_column_type(st, c)) {
                case SQLITE_NULL:
                    s.blank(row, c);
                    break;
                case SQLITE_FLOAT:
                case SQLITE_INTEGER:
                    s.number(row, c, sqlite3_column_double(st, c));
                    break;
                default:
                    s.text(row, c,
                           QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                             sqlite3_column_bytes(st, c)));
                    break;
            }
        }
    }
    sqlite3_finalize(st);
    for (int c = 0; c < columns.size(); ++c) s.text(row, c, QString());
    s.header(0x000A, 0);
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(s.out);
    file.commit();
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

int main(int argc, char** argv) {
    bench::WindowBench bench(argc, argv, kGoods);
    TempDatabase& db = bench.db;

    Tdmfm dm(db.path());
    Dataset& list = dm.ADOQuery12;
    OpenQuery(list, QStringLiteral("select * from sp"));
    DBGrid grid;
    grid.setColumns(goodsColumns());
    grid.setFooterRowCount(1);
    grid.setDataset(&list);
    ExcelSheet sheet = gridSheet(grid);
    sheet.title = QStringLiteral("全部商品清单");
    sheet.userName = QStringLiteral("VantroPOS收银系统");
    sheet.madeAt = kMadeAt;

    const QString ours = db.file(QStringLiteral("ours.xls"));
    const QString plain = db.file(QStringLiteral("plain.xls"));
    const QString flow = db.file(QStringLiteral("flow.xls"));
    std::vector<double> writer, action, sorted, floor;
    for (int round = 0; round < kRounds; ++round) {
        floor.push_back(bench::millis([&] { plainExport(db.db().handle(), plain); }));
        writer.push_back(bench::millis([&] { writeExcelFile(ours, list, sheet); }));
        action.push_back(bench::millis([&] {
            TDBGridEhToExcel x;
            x.DBGridEh = &grid;
            x.TitleName = sheet.title;
            x.UserName = sheet.userName;
            x.FileName = flow;
            x.madeAt = kMadeAt;
            x.Execute();
        }));
    }
    const bool same = contents(ours) == contents(plain) && contents(flow) == contents(plain);
    std::printf("%d bytes; the writer's file %s the plain one\n", int(contents(ours).size()),
                same ? "is byte for byte" : "DIFFERS FROM");

    list.setSort(QStringLiteral("商品名称 DESC"));
    for (int round = 0; round < kRounds; ++round) {
        sorted.push_back(bench::millis([&] { writeExcelFile(ours, list, sheet); }));
    }

    std::printf("\n");
    bench::report("export 20 000 goods: writer (median)", bench::median(writer), bench::median(floor), 500);
    bench::report("export 20 000 goods: whole action, progress (median)", bench::median(action), bench::median(floor),
                  500);
    bench::report("export 20 000 goods sorted by name (median)", bench::median(sorted), bench::median(floor), 500);
    return same ? 0 : 1;
}
