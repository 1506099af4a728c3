// Importing a worksheet of 20 000 goods into the catalogue, by the import itself and through the
// import window with its progress display (the workbook read by the reading program), beside the
// same reading and writing done in this process with the workbook reader and plain engine calls.
#include <sqlcipher/sqlite3.h>

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QToolButton>
#include <cstdio>
#include <cstring>

#include "bench_support.h"
#include "core/goods_import.h"
#include "core/schema.h"
#include "core/xls_reader.h"
#include "goods/excel.h"
#include "support/recording_dialogs.h"
#include "support/temp_database.h"

namespace {
constexpr int kRows = 20000;
constexpr int kRounds = 5;

// The workbook comes from the tests' own generator (xlwt, Debian's python3-xlwt).
bool makeWorkbook(const QString& path) {
    const QString script = QStringLiteral(ZENLO_TEST_SOURCE_DIR "/fixtures/make_import_fixtures.py");
    const QString python = QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                                 : QStringLiteral("python3");
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(python, {script, QStringLiteral("--goods"), QString::number(kRows), path});
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The floor: the same sheet read in this process with the workbook reader alone and written
// with plain engine calls, nothing else.
bool plainImport(const QString& xls, const QString& database) {
    std::optional<XlsSheet> sheet;
    try {
        sheet = readXlsSheet(xls, QStringLiteral("quorbin"));
    } catch (const XlsError&) {
        return false;
    }
    if (!sheet || sheet->rowCount() == 0) return false;
    int source[9];
    for (int c = 0; c < int(sheet->rows.front().size()); ++c) {
        const int k = int(GoodsImport::kHeadings.indexOf(sheet->cell(0, c).text));
        if (k >= 0) source[k] = c;
    }
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(database).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_key(db, kDatabaseKey, int(std::strlen(kDatabaseKey)));
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO sp (商品名称,规格型号,商品类别,商品编码,单位,供货商,进货单价,销售单价,会员价) "
                       "VALUES (?,?,?,?,?,?,?,?,?)",
                       -1, &insert, nullptr);
    char digits[32];
    for (int r = 1; r < sheet->rowCount(); ++r) {
        for (int k = 0; k < 9; ++k) {
            const SheetCell& v = sheet->cell(r, source[k]);
            if (v.kind == SheetCell::Kind::Number && k < 6) {
                std::snprintf(digits, sizeof digits, "%.0f", v.number);
                sqlite3_bind_text(insert, k + 1, digits, -1, SQLITE_TRANSIENT);
            } else if (v.kind == SheetCell::Kind::Number) {
                sqlite3_bind_double(insert, k + 1, v.number);
            } else if (v.kind == SheetCell::Kind::Text) {
                const QByteArray text = v.text.toUtf8();
                sqlite3_bind_text(insert, k + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_null(insert, k + 1);
            }
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TempDatabase db;
    RecordingDialogs dialogs;
    const QString xls = db.file(QStringLiteral("goods.xls"));
    if (!makeWorkbook(xls)) {
        std::printf("could not write the workbook with python3-xlwt\n");
        return 1;
    }
    Texcell window(nullptr);
    window.Edit1->setText(xls);
    window.Edit2->setText(db.path());
    window.show();

    std::vector<double> ours, shown, floor;
    for (int round = 0; round < kRounds; ++round) {
        // Each round starts from the catalogue the shop had: empty.
        // The test's own connection lets go of the file before each timed import.
        db.exec(QStringLiteral("DELETE FROM sp"));
        db.db().close();
        GoodsImportResult result;
        int steps = 0;
        ours.push_back(bench::millis([&] { result = importGoods(xls, db.path(), [&](int, int) { ++steps; }); }));
        if (result.rows != kRows || db.count(QStringLiteral("sp")) != kRows) {
            std::printf("import failed: %s\n", qPrintable(result.problem));
            return 1;
        }
        db.exec(QStringLiteral("DELETE FROM sp"));
        db.db().close();
        dialogs.clear();
        shown.push_back(bench::millis([&] { window.importButton->click(); }));
        if (dialogs.lastText() != GoodsImport::kSucceeded || db.count(QStringLiteral("sp")) != kRows) {
            std::printf("window import failed: %s\n", qPrintable(dialogs.lastText()));
            return 1;
        }
        db.exec(QStringLiteral("DELETE FROM sp"));
        db.db().close();
        floor.push_back(bench::millis([&] { plainImport(xls, db.path()); }));
        if (db.count(QStringLiteral("sp")) != kRows) {
            std::printf("plain import failed\n");
            return 1;
        }
    }
    std::printf("\n");
    bench::report("import 20 000 goods from .xls (median)", bench::median(ours), bench::median(floor), 1000);
    bench::report("the same through the window, progress shown (median)", bench::median(shown), bench::median(floor),
                  1000);
    return 0;
}
