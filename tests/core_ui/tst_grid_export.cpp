// "导出Excel" as the operator meets it: the save dialog, the overwrite question, the progress
// window, the file handed to its program, and the refusals and failures around them.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QtTest>

#include "core/dataset.h"
#include "core/shared_queries.h"
#include "core/ui/dbgrid.h"
#include "core/ui/grid_export.h"
#include "support/excel_records.h"
#include "support/test_registry.h"
#include "support/ui_fixture.h"

namespace {

const QString kTitle = QStringLiteral("全部商品清单");
const QString kMaker = QStringLiteral("VantroPOS收银系统");

QWidget* progressWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == kExportProgressName) return w;
    }
    return nullptr;
}

QList<ExcelRecord> recordsOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return excelRecords(file.readAll());
}

QString textAt(const QList<ExcelRecord>& records, int row, int column) {
    for (const ExcelRecord& r : records) {
        if (r.type == 0x0204 && r.row() == row && r.column() == column) return r.text();
    }
    return QStringLiteral("<no text cell>");
}

// The goods window's grid over its list.
struct GoodsGrid {
    GoodsGrid() {
        QList<GridColumn> columns;
        for (const QString& name :
             QStringLiteral("商品编码 商品类别 商品名称 规格型号 进货单价 销售单价 会员价 单位 供货商")
                 .split(QLatin1Char(' '))) {
            GridColumn c;
            c.field = c.title = name;
            columns.append(c);
        }
        grid.setColumns(columns);
        grid.setFooterRowCount(1);
        grid.setDataset(&list());
        grid.resize(900, 300);
    }

    Dataset& list() { return f.dm->ADOQuery12; }
    void refresh() { OpenQuery(list(), QStringLiteral("select * from sp")); }
    // `count` goods in one statement.
    void fill(int count) {
        f.db.exec(
            QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x < ?) "
                           "INSERT INTO sp (商品编码,商品名称,销售单价) SELECT 690000+x, '商品'||x, x*0.5 FROM n"),
            {count});
        refresh();
    }
    QString path(const QString& name) const { return f.db.file(name); }
    bool exportIt() { return exportGrid(&grid, grid, kTitle, kMaker); }

    UiFixture f;
    DBGrid grid;
};

}  // namespace

class TestGridExport : public QObject {
    Q_OBJECT

private slots:

    void exportsTheListAndOpensIt() {
        GoodsGrid g;
        g.fill(600);
        g.list().setRecNo(300);
        QList<GridColumn> columns = g.grid.columns();
        columns[0].footer.kind = GridFooter::Kind::Text;
        columns[0].footer.text = QStringLiteral("合计");
        columns[5].footer.kind = GridFooter::Kind::Sum;
        columns[4].visible = false;
        g.grid.setColumns(columns);
        const QString path = g.path(QStringLiteral("商品.xls"));
        g.f.dialogs.fileAnswers = {path};

        // What the operator sees while the rows are written: the window at first, then the bar.
        QString firstLook;
        QList<int> values;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&firstLook, &values] {
            QWidget* w = progressWindow();
            if (!w) return;
            const auto* bar = w->findChild<QProgressBar*>(kExportProgressBarName);
            const QCursor* cursor = QApplication::overrideCursor();
            if (values.isEmpty()) {
                firstLook = QStringLiteral("%1 %2x%3 %4 max %5 cursor %6")
                                .arg(w->isVisible())
                                .arg(w->width())
                                .arg(w->height())
                                .arg(w->findChild<QLabel*>()->text())
                                .arg(bar->maximum())
                                .arg(cursor ? int(cursor->shape()) : -1);
            }
            values.append(bar->value());
        });
        watch.start();
        QVERIFY(g.exportIt());
        watch.stop();

        QCOMPARE(firstLook,
                 QStringLiteral("1 300x100 正在导出数据，请稍候...... max 600 cursor %1").arg(int(Qt::WaitCursor)));
        // The bar moved while the rows were being written, not only at the end.
        QVERIFY(std::any_of(values.cbegin(), values.cend(), [](int v) { return v > 0 && v < 600; }));
        QCOMPARE(g.f.dialogs.fileCaptions.size(), 1);
        QVERIFY(g.f.dialogs.boxes.isEmpty());
        QCOMPARE(g.f.dialogs.urls, QList<QUrl>{QUrl::fromLocalFile(path)});
        QVERIFY(!progressWindow());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(g.list().recNo(), 300);

        const QList<ExcelRecord> records = recordsOf(path);
        QCOMPARE(textAt(records, 0, 3), kTitle);
        QCOMPARE(textAt(records, 1, 0), QStringLiteral("制表人：") + kMaker);
        QCOMPARE(textAt(records, 2, 0), QStringLiteral("商品编码"));
        QCOMPARE(textAt(records, 2, 4), QStringLiteral("销售单价"));  // the hidden 进货单价 has no heading
        QCOMPARE(textAt(records, 3, 0), QStringLiteral("690001"));    // the first row, whatever was current
        QCOMPARE(textAt(records, 3 + 600, 0), QStringLiteral("合计"));
        // A sum footer writes its fixed text, which is none, not the sum the grid shows.
        QCOMPARE(textAt(records, 3 + 600, 4), QString());
    }

    void anExistingFileIsReplacedOnlyOnYes() {
        GoodsGrid g;
        g.fill(3);
        const QString path = g.path(QStringLiteral("old.xls"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("the shop's own sheet");
        }
        g.f.dialogs.fileAnswers = {path};
        g.f.dialogs.answers = {false};
        // The hourglass is up before the question is asked.
        bool waitingWhenAsked = false;
        g.f.dialogs.onBox = [&waitingWhenAsked](const RecordingDialogs::Box&) {
            waitingWhenAsked =
                QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        };
        QVERIFY(!g.exportIt());
        QVERIFY(waitingWhenAsked);
        g.f.dialogs.onBox = nullptr;
        QCOMPARE(g.f.dialogs.boxes.size(), 1);
        const RecordingDialogs::Box box = g.f.dialogs.boxes.first();
        QCOMPARE(box.kind, QStringLiteral("yesNo"));
        QCOMPARE(box.title, QStringLiteral("提示"));
        QCOMPARE(box.text, QStringLiteral("已存在文件（") + path + QStringLiteral("），是否覆盖？"));
        QCOMPARE(box.icon, Dialogs::Icon::Question);
        QVERIFY(!box.defaultYes);
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("the shop's own sheet"));
        kept.close();
        QVERIFY(g.f.dialogs.urls.isEmpty());
        QVERIFY(!QApplication::overrideCursor());

        g.f.dialogs.fileAnswers = {path};
        g.f.dialogs.answers = {true};
        QVERIFY(g.exportIt());
        const QList<ExcelRecord> records = recordsOf(path);
        QVERIFY(!records.isEmpty());
        QCOMPARE(textAt(records, 0, 3), kTitle);
        QCOMPARE(g.f.dialogs.urls.size(), 1);
    }

    void anEmptyListShowsTheSaveDialogAndWritesNothing() {
        GoodsGrid g;
        g.refresh();
        const QString path = g.path(QStringLiteral("empty.xls"));
        g.f.dialogs.fileAnswers = {path};
        QVERIFY(!g.exportIt());
        QCOMPARE(g.f.dialogs.fileCaptions.size(), 1);
        QVERIFY(g.f.dialogs.boxes.isEmpty());
        QVERIFY(g.f.dialogs.urls.isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    void aListTooLongForOneSheetIsRefusedBeforeTheSaveDialog() {
        GoodsGrid g;
        // Title, maker line, one heading row and the footer leave 65 532 rows for goods.
        g.fill(65533);
        g.f.dialogs.fileAnswers = {g.path(QStringLiteral("all.xls"))};
        QVERIFY(!g.exportIt());
        QVERIFY(g.f.dialogs.fileCaptions.isEmpty());
        QCOMPARE(g.f.dialogs.boxes.size(), 1);
        QCOMPARE(g.f.dialogs.boxes.first().icon, Dialogs::Icon::Warning);
        const QString text = g.f.dialogs.boxes.first().text;
        QVERIFY2(text.contains(QStringLiteral("65533")) && text.contains(QStringLiteral("65532")), qPrintable(text));
        QVERIFY(!QFile::exists(g.path(QStringLiteral("all.xls"))));
    }

    void aFileThatCannotBeWrittenIsReported() {
        GoodsGrid g;
        g.fill(3);
        const QString path = g.path(QStringLiteral("no such folder/goods.xls"));
        g.f.dialogs.fileAnswers = {path};
        QVERIFY(!g.exportIt());
        QCOMPARE(g.f.dialogs.boxes.size(), 1);
        QCOMPARE(g.f.dialogs.boxes.first().icon, Dialogs::Icon::Error);
        QVERIFY2(g.f.dialogs.boxes.first().text.contains(path), qPrintable(g.f.dialogs.boxes.first().text));
        QVERIFY(g.f.dialogs.urls.isEmpty());
        QVERIFY(!progressWindow());
        QVERIFY(!QApplication::overrideCursor());
    }
};

ZENLO_TEST(TestGridExport)
#include "tst_grid_export.moc"
