// The Excel import: worksheets written by an independent writer (tests/fixtures), read into the
// catalogue of a chosen database whole or not at all, and the window that runs it.
#include <QFile>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "core/goods_import.h"
#include "core/schema.h"
#include "goods/excel.h"
#include "support/compound_file.h"
#include "support/test_registry.h"
#include "support/ui_fixture.h"

namespace {
QString fixture(const char* name) {
    return QStringLiteral(ZENLO_TEST_SOURCE_DIR "/fixtures/") + QString::fromUtf8(name);
}

// Every row of sp as the engine quotes it (texts in quotes, NULL, numbers bare), in the order of
// the nine import columns, keyed by row order.
QStringList catalogue(TempDatabase& db, const QString& where = QStringLiteral("1")) {
    QStringList rows;
    Statement st(
        db.db().handle(),
        QStringLiteral("SELECT quote(商品名称)||','||quote(规格型号)||','||quote(商品类别)||','||quote(商品编码)"
                       "||','||quote(单位)||','||quote(供货商)||','||quote(进货单价)||','||quote(销售单价)"
                       "||','||quote(会员价) FROM sp WHERE ") +
            where + QStringLiteral(" ORDER BY rowid"));
    while (st.step()) rows.append(st.value(0).toString());
    return rows;
}
}  // namespace

class TestGoodsImport : public QObject {
    Q_OBJECT

private slots:
    void importsEveryRowAndReportsProgress() {
        TempDatabase db;
        QList<std::pair<int, int>> steps;
        const GoodsImportResult r = importGoods(fixture("goods_100.xls"), db.path(), [&](int done, int total) {
            steps.append({done, total});
        });
        QCOMPARE(r.failure, GoodsImportResult::Failure::None);
        QCOMPARE(r.rows, 100);
        QCOMPARE(db.count(QStringLiteral("sp")), 100);
        QCOMPARE(db.count(QStringLiteral("sp"), QStringLiteral("coalesce(sppy,lbpy,ghspy) IS NOT NULL")), 0);
        QCOMPARE(catalogue(db).constLast(),
                 QStringLiteral("'测试商品100号','250ml','饮料','6900000000100','个','永辉供货',6.0,9.0,7.8"));
        QVERIFY(steps.size() > 10);  // the bar moves while rows are written
        QCOMPARE(steps.constFirst(), std::make_pair(0, 100));
        QCOMPARE(steps.constLast(), std::make_pair(100, 100));
        for (int i = 1; i < steps.size(); ++i) QVERIFY(steps[i].first > steps[i - 1].first);
    }

    // Headings in another order, columns it does not know and a sheet before "quorbin".
    void findsItsSheetAndHeadingsAnywhere() {
        TempDatabase db;
        db.addGoods(QStringLiteral("6900000000002"), QStringLiteral("老商品"), 3, 2);
        QCOMPARE(importGoods(fixture("reordered.xls"), db.path()).rows, 3);
        QCOMPARE(catalogue(db, QStringLiteral("商品编码='6900000000002'")),
                 QStringList(
                     {QStringLiteral("'老商品','标准','测试','6900000000002','个','测试供货商',2.0,3.0,0.0"),
                      QStringLiteral("'测试商品2号','750ml','日用','6900000000002','个','本地厂家',1.5,2.25,1.95")}));
    }

    void storesCellsAsTheSheetHoldsThem() {
        TempDatabase db;
        QCOMPARE(importGoods(fixture("cells.xls"), db.path()).rows, 4);  // the empty row is no goods
        QCOMPARE(catalogue(db),
                 QStringList({
                     QStringLiteral("'只有名称',NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL"),
                     // Numbers under text headings as their digits; prices typed as text.
                     QStringLiteral("'整数编码','42',NULL,'6901234567892','3.25','1234567890123456',2.0,12.5,11.0"),
                     QStringLiteral("'O''Brien \"特级\" 100%纯','50% off','''; DROP TABLE sp; --','A''1%',NULL,'%',"
                                    "0.1,1.0e-07,-3.5"),
                     QStringLiteral("'空行之后',NULL,NULL,'0012',NULL,NULL,NULL,8.0,NULL"),
                 }));
    }

    // Workbooks written by SheetJS: empty texts anywhere (the nine columns, an ignored column,
    // another sheet), and one so small it lives in the compound file's mini stream.
    void workbooksOfAnotherWriter() {
        TempDatabase db;
        GoodsImportResult r = importGoods(fixture("xls/sheetjs-tiny.xls"), db.path());
        QVERIFY2(r.failure == GoodsImportResult::Failure::None, qPrintable(r.problem));
        QCOMPARE(catalogue(db),
                 QStringList({
                     QStringLiteral("'可口可乐','330ml','饮料','6901234567892','罐','永辉供货',1.8,2.5,2.3"),
                     QStringLiteral("'旺旺雪饼','84g','零食','A-01','包','华联批发',3.2,4.5,4.0"),
                     QStringLiteral("'洗洁精','1.5kg','日用','0012','瓶','本地厂家',6.75,9.9,8.8"),
                 }));
        TempDatabase other;
        r = importGoods(fixture("xls/sheetjs-empty-texts.xls"), other.path());
        QVERIFY2(r.failure == GoodsImportResult::Failure::None, qPrintable(r.problem));
        QCOMPARE(r.rows, 10);
        const QStringList rows = catalogue(other);
        // Row k holds its empty text in column k: that column is NULL, the others are kept.
        QCOMPARE(rows.at(0), QStringLiteral("NULL,'500ml','饮料','6901234567000','瓶','华联批发',2.5,3.5,3.0"));
        QCOMPARE(rows.at(3), QStringLiteral("'空文本商品4','500ml','饮料',NULL,'瓶','华联批发',2.5,3.5,3.0"));
        QCOMPARE(rows.at(8),
                 QStringLiteral("'空文本商品9','500ml','饮料','6901234567008','瓶','华联批发',2.5,3.5,NULL"));
        QCOMPARE(rows.at(9), QStringLiteral("'编码是文本','1kg','粮油','0012','袋','本地厂家',12.8,15.0,14.5"));
    }

    // A workbook cut short imports nothing and says where it stops; a price that is no finite
    // number or beyond any price stops the import at its row.
    void damagedWorkbooksImportNothing_data() {
        QTest::addColumn<QString>("xls");
        QTest::addColumn<QString>("problem");
        QTest::newRow("its Workbook stream cut part-way") << "cut"
                                                          << "在第";
        QTest::newRow("a price of 3e209")
            << fixture("huge_price.xls") << "工作表“quorbin”第3行H列（销售单价）的价格 3e+209 不是有效的价格";
        QTest::newRow("a price that is no number")
            << fixture("nan_price.xls") << "工作表“quorbin”第3行H列（销售单价）的价格 nan 不是有效的价格";
    }

    void damagedWorkbooksImportNothing() {
        QFETCH(QString, xls);
        QFETCH(QString, problem);
        TempDatabase db;
        db.addGoods(QStringLiteral("A1"), QStringLiteral("原有商品"), 3, 2);
        const QStringList before = catalogue(db);
        if (xls == QLatin1String("cut")) {
            // The list's stream cut short and put into a sound compound file: a damaged copy as a
            // disk or a download leaves it, which read as 18 rows, the last without code or prices.
            xls = db.file(QStringLiteral("cut.xls"));
            QFile source(fixture("goods_100.xls"));
            QVERIFY(source.open(QIODevice::ReadOnly));
            const QByteArray stream = compoundStream(source.readAll());
            QVERIFY(!stream.isEmpty());
            QFile out(xls);
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(compoundFile(stream.left(stream.size() * 2 / 5))) > 0);
        }
        const GoodsImportResult r = importGoods(xls, db.path());
        QCOMPARE(r.failure, GoodsImportResult::Failure::Import);
        QCOMPARE(r.rows, 0);
        QVERIFY2(r.problem.contains(problem), qPrintable(r.problem));
        QCOMPARE(catalogue(db), before);
    }

    // The workbook is read by a program apart: one that falls over, or writes half its answer,
    // makes the file unreadable and the catalogue stays as it was.
    void aReaderThatFallsOverReadsNothing() {
        TempDatabase db;
        db.addGoods(QStringLiteral("A1"), QStringLiteral("原有商品"), 3, 2);
        const QStringList before = catalogue(db);
        for (const QByteArray& body : {QByteArrayLiteral("kill -SEGV $$"), QByteArrayLiteral("printf '\\000\\000'")}) {
            const QString reader = db.file(QStringLiteral("reader.sh"));
            QFile script(reader);
            QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
            script.write("#!/bin/sh\n" + body + "\n");
            script.close();
            QVERIFY(script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
            qputenv("ZENLO_XLS_READER", QFile::encodeName(reader));
            const GoodsImportResult r = importGoods(fixture("goods_100.xls"), db.path());
            qunsetenv("ZENLO_XLS_READER");
            QCOMPARE(r.failure, GoodsImportResult::Failure::Import);
            QVERIFY2(r.problem.startsWith(QStringLiteral("无法读取Excel文件")), qPrintable(r.problem));
            QCOMPARE(catalogue(db), before);
        }
        // The program's own reader beside the tests reads it.
        QCOMPARE(importGoods(fixture("goods_100.xls"), db.path()).rows, 100);
    }

    void failures_data() {
        QTest::addColumn<QString>("xls");
        QTest::addColumn<QString>("database");  // "own", or a file made as named
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("problem");
        const int import = int(GoodsImportResult::Failure::Import);
        const int connect = int(GoodsImportResult::Failure::Connect);
        QTest::newRow("heading missing") << fixture("missing_heading.xls") << "own" << import
                                         << "工作表“quorbin”的第一行缺少标题：单位、会员价。";
        QTest::newRow("sheet named otherwise")
            << fixture("wrong_sheet.xls") << "own" << import << "Excel文件中没有名为“quorbin”的工作表。";
        QTest::newRow("price not a number") << fixture("bad_price.xls") << "own" << import
                                            << "工作表“quorbin”第5行H列（销售单价）的内容“十元”不是数字。";
        QTest::newRow("not a workbook") << fixture("make_import_fixtures.py") << "own" << import << "无法读取Excel文件";
        QTest::newRow("no workbook") << fixture("none.xls") << "own" << import << "找不到Excel文件";
        QTest::newRow("no database") << fixture("goods_100.xls") << "missing" << connect << "找不到数据库文件";
        QTest::newRow("another key") << fixture("goods_100.xls") << "other key" << connect << "不是本程序的数据库";
        QTest::newRow("no database file") << fixture("goods_100.xls") << "text" << connect << "不是本程序的数据库";
    }

    // Nothing is written, and the operator learns what to mend.
    void failures() {
        QFETCH(QString, xls);
        QFETCH(QString, database);
        QFETCH(int, failure);
        QFETCH(QString, problem);
        TempDatabase db;
        db.addGoods(QStringLiteral("A1"), QStringLiteral("原有商品"), 3, 2);
        const QStringList before = catalogue(db);
        QString path = db.path();
        if (database == QLatin1String("other key")) {
            path = db.file(QStringLiteral("other.mdb"));
            Connection other;
            other.create(path, QByteArrayLiteral("another key"));
            createSchema(other);
        } else if (database != QLatin1String("own")) {
            path = db.file(QStringLiteral("other.mdb"));
            QFile text(path);
            if (database == QLatin1String("text")) QVERIFY(text.open(QIODevice::WriteOnly) && text.write("goods") > 0);
        }
        const GoodsImportResult r = importGoods(xls, path);
        QCOMPARE(int(r.failure), failure);
        QCOMPARE(r.rows, 0);
        QVERIFY2(r.problem.startsWith(problem), qPrintable(r.problem));
        QCOMPARE(importFailureText(r).section(QLatin1Char('\n'), 1), r.problem);
        QCOMPARE(catalogue(db), before);
        if (database == QLatin1String("missing")) QVERIFY(!QFile::exists(path));  // never created
    }

    void aFailureWhileWritingLeavesTheCatalogueAsItWas() {
        TempDatabase db;
        db.addGoods(QStringLiteral("A1"), QStringLiteral("原有商品"), 3, 2);
        db.exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON sp WHEN NEW.商品编码='6900000000050' "
                           "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        const QStringList before = catalogue(db);
        const GoodsImportResult r = importGoods(fixture("goods_100.xls"), db.path());
        QCOMPARE(r.failure, GoodsImportResult::Failure::Import);
        QVERIFY2(r.problem.contains(QStringLiteral("disk full")), qPrintable(r.problem));
        QCOMPARE(catalogue(db), before);
        // Nothing is left locked or half-done: the next try goes through.
        db.exec(QStringLiteral("DROP TRIGGER refuse"));
        QCOMPARE(importGoods(fixture("goods_100.xls"), db.path()).rows, 100);
    }
};

class TestImportWindow : public QObject {
    Q_OBJECT

    struct Fixture : UiFixture {
        Fixture() : window(nullptr) {
            window.setRefreshNoteList([this] { ++refreshed; });
            window.show();
            if (!QTest::qWaitForWindowExposed(&window)) qWarning("import window not exposed");
        }
        void run(const QString& xls, const QString& database) {
            window.Edit1->setText(xls);
            window.Edit2->setText(database);
            QTest::mouseClick(window.importButton, Qt::LeftButton);
        }
        Texcell window;
        int refreshed = 0;
    };

private slots:
    void pathsComeFromTheFileDialogs() {
        Fixture f;
        f.window.Edit2->setText(QStringLiteral("kept.mdb"));
        f.dialogs.fileAnswers = {QStringLiteral("/shop/goods.xls"), QString(), QStringLiteral("/shop/data.mdb")};
        QTest::mouseClick(f.window.Button1, Qt::LeftButton);
        QTest::mouseClick(f.window.Button2, Qt::LeftButton);  // cancelled
        QCOMPARE(f.window.Edit2->text(), QStringLiteral("kept.mdb"));
        QTest::mouseClick(f.window.Button2, Qt::LeftButton);
        QCOMPARE(f.window.Edit1->text(), QStringLiteral("/shop/goods.xls"));
        QCOMPARE(f.window.Edit2->text(), QStringLiteral("/shop/data.mdb"));
        QCOMPARE(f.dialogs.fileCaptions,
                 QStringList({QStringLiteral("请选择相应的Excel文件"), QStringLiteral("请选择相应的MDB文件"),
                              QStringLiteral("请选择相应的MDB文件")}));
    }

    void refusesAnEmptyPath() {
        Fixture f;
        f.run(fixture("goods_100.xls"), QStringLiteral("  "));
        f.run(QString(), f.db.path());
        QCOMPARE(f.dialogs.texts(), QStringList(2, QStringLiteral("请正确选择相关路径！")));
        QCOMPARE(f.dialogs.boxes.constFirst().title, QStringLiteral("警告"));
        QCOMPARE(f.db.count(QStringLiteral("sp")), 0);
        QCOMPARE(f.refreshed, 0);
    }

    // The program's own data module holds the same file open meanwhile.
    void importsShowingProgressThenRefreshesTheNoteList() {
        Fixture f;
        int shownAt = -1, shownOf = -1;
        QTimer::singleShot(0, &f.window, [&] {  // runs while the rows are being written
            if (auto* p = f.window.findChild<QProgressDialog*>(); p && p->isVisible()) {
                shownAt = p->value();
                shownOf = p->maximum();
            }
        });
        f.run(QStringLiteral(" ") + fixture("goods_100.xls") + QStringLiteral(" "), f.db.path());
        QVERIFY2(shownAt > 0 && shownAt < 100 && shownOf == 100, qPrintable(QStringLiteral("%1").arg(shownAt)));
        QCOMPARE(f.dialogs.texts(), QStringList(QStringLiteral("批量EXCEL导入成功！请退出在主界面中点全部记录查看")));
        QCOMPARE(f.dialogs.boxes.constFirst().icon, Dialogs::Icon::Warning);
        QCOMPARE(f.db.count(QStringLiteral("sp")), 100);
        QCOMPARE(f.refreshed, 1);
        QVERIFY(!f.window.findChild<QProgressDialog*>());
    }

    void failuresNameTheFaultAndTheWayToSupport() {
        Fixture f;
        f.run(fixture("wrong_sheet.xls"), f.db.path());
        f.run(fixture("goods_100.xls"), f.db.file(QStringLiteral("none.mdb")));
        QCOMPARE(f.dialogs.texts(),
                 QStringList({QStringLiteral("批量EXCEL导入失败！请联系技术客服（客服邮箱：support@zenlo.example）\n"
                                             "Excel文件中没有名为“quorbin”的工作表。"),
                              QStringLiteral("连接ACCESS失败！请联系技术客服（客服邮箱：support@zenlo.example）\n"
                                             "找不到数据库文件：") +
                                  f.db.file(QStringLiteral("none.mdb"))}));
        QCOMPARE(f.refreshed, 0);
    }
};

ZENLO_TEST(TestGoodsImport)
ZENLO_TEST(TestImportWindow)
#include "tst_import.moc"
