// The grid export's record stream: the exact bytes of a small sheet, what an independent .xls
// reader makes of a real list, the 16-bit row limit, the cell kinds, and files that are
// either whole or not there.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include "core/connection.h"
#include "core/dataset.h"
#include "core/excel_writer.h"
#include "core/gbk.h"
#include "core/shared_queries.h"
#include "support/data_module_test.h"
#include "support/excel_records.h"
#include "support/golden.h"
#include "support/test_registry.h"

namespace {

const QDateTime kMadeAt(QDate(2026, 3, 5), QTime(14, 7, 9));

ExportColumn column(const QString& field, const QString& title, bool visible = true) {
    return ExportColumn{field, title, visible, {}};
}

// The goods window's columns, each titled with its column name.
QList<ExportColumn> goodsColumns() {
    QList<ExportColumn> columns;
    for (const char* name :
         {"商品编码", "商品类别", "商品名称", "规格型号", "进货单价", "销售单价", "会员价", "单位", "供货商"}) {
        columns.append(column(QString::fromUtf8(name), QString::fromUtf8(name)));
    }
    return columns;
}

ExcelSheet sheetOf(const QList<ExportColumn>& columns, int footerRows = 0) {
    ExcelSheet sheet;
    sheet.title = QStringLiteral("全部商品清单");
    sheet.userName = QStringLiteral("张三");
    sheet.madeAt = kMadeAt;
    sheet.columns = columns;
    sheet.footerRows = footerRows;
    return sheet;
}

// The cell records of a stream, in order.
QList<ExcelRecord> cells(const QByteArray& stream) {
    QList<ExcelRecord> out;
    for (const ExcelRecord& r : excelRecords(stream)) {
        if (r.isCell()) out.append(r);
    }
    return out;
}

int lastRow(const QByteArray& stream) {
    int last = -1;
    for (const ExcelRecord& r : cells(stream)) last = std::max(last, r.row());
    return last;
}

// The reader comes with Debian's python3-xlrd; an interpreter of the user's own may shadow it.
QString pythonWithXlrd() {
    for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import xlrd")});
        if (probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0) {
            return candidate;
        }
    }
    return QString();
}

// What xlrd reads from a file: its code page, its encoding and every cell that is not empty
// as [row, column, type, value]. With `gbk` the reader is told the encoding instead.
QJsonObject readWithXlrd(const QString& path, bool gbk) {
    const QString python = pythonWithXlrd();
    if (python.isEmpty()) return {{QStringLiteral("error"), QStringLiteral("python3-xlrd is not installed")}};
    const QString script = QStringLiteral(
        "import json, sys, xlrd\n"
        "kw = {'encoding_override': 'gbk'} if sys.argv[2] == 'gbk' else {}\n"
        "book = xlrd.open_workbook(sys.argv[1], **kw)\n"
        "s = book.sheet_by_index(0)\n"
        "cells = [[r, c, s.cell_type(r, c), s.cell_value(r, c)] for r in range(s.nrows) for c in range(s.ncols)\n"
        "         if s.cell_type(r, c) != xlrd.XL_CELL_EMPTY]\n"
        "print(json.dumps({'codepage': book.codepage, 'encoding': book.encoding, 'rows': s.nrows,\n"
        "                  'cells': cells}, ensure_ascii=True))\n");
    QProcess p;
    p.start(python, {QStringLiteral("-c"), script, path, gbk ? QStringLiteral("gbk") : QStringLiteral("own")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        return {{QStringLiteral("error"), QString::fromUtf8(p.readAllStandardError())}};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// xlrd's cell types.
constexpr int kXlText = 1;
constexpr int kXlNumber = 2;

}  // namespace

class TestExcelWriter : public DataModuleTest {
    Q_OBJECT

    // A table with a field of every kind, read by a plain query.
    Dataset& stockList() {
        db->exec(
            QStringLiteral("CREATE TABLE stock (id INTEGER PRIMARY KEY, code TEXT, name TEXT, qty INTEGER, "
                           "price DOUBLE, cost DOUBLE, made DATETIME, note TEXT, pic BLOB)"));
        const QString insert = QStringLiteral("INSERT INTO stock VALUES (?,?,?,?,?,?,?,?,?)");
        db->exec(insert, {1, QStringLiteral("6901"), QStringLiteral("可口可乐"), 24, 2.5, 1.8,
                          QStringLiteral("2026-03-01 00:00:00"), QStringLiteral("整箱"), QByteArray("\x00\xff", 2)});
        db->exec(insert, {2, QStringLiteral("A-02"), QStringLiteral("雪碧"), -3, 0.1, QVariant(),
                          QStringLiteral("2026-03-02 08:15:00"), QVariant(), QVariant()});
        db->exec(insert, {3, QString(), QStringLiteral("Tea"), QVariant(), 1e20, 3, QVariant(), QStringLiteral("备注"),
                          QVariant()});
        OpenQuery(dm->ADOQuery3, QStringLiteral("select * from stock order by id"));
        return dm->ADOQuery3;
    }

    void fillGoods(int count) {
        Connection& c = db->db();
        Transaction tx(c);
        for (int i = 0; i < count; ++i) {
            c.execute(QStringLiteral("INSERT INTO sp (商品编码,商品类别,商品名称,规格型号,进货单价,销售单价,会员价,"
                                     "单位,供货商) VALUES (?,?,?,?,?,?,?,?,?)"),
                      {QString::number(690000 + i), QStringLiteral("饮料"), QStringLiteral("商品%1号").arg(i),
                       i % 3 ? QVariant(QStringLiteral("500ml")) : QVariant(), 1.25 + i, 2.5 + i, 2 + i,
                       QStringLiteral("瓶"), QStringLiteral("供货商%1").arg(i % 4)});
        }
        tx.commit();
    }

private slots:

    void smallSheetMatchesItsGoldenBytes() {
        const Dataset& rows = stockList();
        QList<ExportColumn> columns{column(QStringLiteral("code"), QStringLiteral("商品|编码")),
                                    column(QStringLiteral("name"), QStringLiteral("商品|名称")),
                                    column(QStringLiteral("qty"), QStringLiteral("数量")),
                                    column(QStringLiteral("price"), QStringLiteral("单价")),
                                    column(QStringLiteral("cost"), QStringLiteral("进价*****")),
                                    column(QStringLiteral("made"), QStringLiteral("日期"), false)};
        columns[0].footerTexts = {QStringLiteral("合计")};
        columns[4].footerTexts = {QStringLiteral("保密")};
        columns[5].footerTexts = {QStringLiteral("隐藏列的表尾")};
        ExcelSheet sheet = sheetOf(columns, 1);
        sheet.title = QStringLiteral("库存清单");
        const QByteArray stream = excelStream(rows, sheet);
        const QString diff = compareWithGolden(QStringLiteral("excel-small-sheet.txt"), dumpExcelRecords(stream));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    void periodTextsTakeARowOfTheirOwn() {
        const Dataset& rows = stockList();
        ExcelSheet sheet = sheetOf({column(QStringLiteral("code"), QStringLiteral("编码"))});
        sheet.beginDate = QStringLiteral("2026-03-01");
        sheet.endDate = QStringLiteral("2026-03-31");
        QList<ExcelRecord> all = cells(excelStream(rows, sheet));
        QCOMPARE(all[1].row(), 1);
        QCOMPARE(all[1].column(), 0);
        QCOMPARE(all[1].text(), sheet.beginDate);
        QCOMPARE(all[2].column(), 5);
        QCOMPARE(all[2].text(), sheet.endDate);
        QCOMPARE(all[3].row(), 2);
        QCOMPARE(all[3].text(), QStringLiteral("制表人：张三"));
        QCOMPARE(all[4].text(), QStringLiteral("制表时间：2026-03-05 14:07:09"));

        // A blank period text is no period: the maker line stays on row 1.
        sheet.beginDate = QStringLiteral("  ");
        sheet.endDate.clear();
        all = cells(excelStream(rows, sheet));
        QCOMPARE(all[1].row(), 1);
        QCOMPARE(all[1].text(), QStringLiteral("制表人：张三"));
    }

    void nothingForAnEmptyOrClosedList() {
        const ExcelSheet sheet = sheetOf(goodsColumns());
        OpenQuery(dm->ADOQuery12, QStringLiteral("select * from sp"));
        QVERIFY(excelStream(dm->ADOQuery12, sheet).isEmpty());
        const QString path = db->file(QStringLiteral("empty.xls"));
        QCOMPARE(writeExcelFile(path, dm->ADOQuery12, sheet).status, ExcelWriteResult::Status::Empty);
        dm->ADOQuery12.close();
        QCOMPARE(writeExcelFile(path, dm->ADOQuery12, sheet).status, ExcelWriteResult::Status::Empty);
        QVERIFY(!QFile::exists(path));
    }

    void anIndependentReaderReadsTheGoodsList() {
        // More goods than one page of the windowed list, shown in an order of their own.
        fillGoods(150);
        Dataset& list = dm->ADOQuery12;
        OpenQuery(list, QStringLiteral("select * from sp"));
        QVERIFY(list.isWindowed());
        list.setSort(QStringLiteral("商品名称 DESC"));
        list.setRecNo(40);
        QList<ExportColumn> columns = goodsColumns();
        columns[2].title = QStringLiteral("商品|名称");
        columns[4].visible = false;  // 进货单价
        ExcelSheet sheet = sheetOf(columns, 1);
        sheet.columns[0].footerTexts = {QStringLiteral("合计")};
        QList<int> progress;
        const QString path = db->file(QStringLiteral("goods.xls"));
        const ExcelWriteResult result =
            writeExcelFile(path, list, sheet, [&progress](int record) { progress.append(record); });
        QCOMPARE(result.status, ExcelWriteResult::Status::Written);
        QCOMPARE(list.recNo(), 40);
        QCOMPARE(progress.size(), 150);
        QCOMPARE(progress.last(), 150);

        const QJsonObject book = readWithXlrd(path, true);
        QVERIFY2(!book.contains(QStringLiteral("error")), qPrintable(book.value(QStringLiteral("error")).toString()));
        // title, maker, two heading rows, 150 goods, the footer
        QCOMPARE(book.value(QStringLiteral("rows")).toInt(), 1 + 1 + 2 + 150 + 1);
        QMap<QPair<int, int>, QJsonArray> at;
        for (const QJsonValue& v : book.value(QStringLiteral("cells")).toArray()) {
            const QJsonArray c = v.toArray();
            at.insert({c[0].toInt(), c[1].toInt()}, c);
        }
        const auto textAt = [&at](int r, int c) {
            const QJsonArray cell = at.value({r, c});
            return cell.size() == 4 && cell[2].toInt() == kXlText ? cell[3].toString() : QStringLiteral("<not text>");
        };
        QCOMPARE(textAt(0, 3), QStringLiteral("全部商品清单"));
        QCOMPARE(textAt(1, 0), QStringLiteral("制表人：张三"));
        QCOMPARE(textAt(1, 5), QStringLiteral("制表时间：2026-03-05 14:07:09"));
        // Headings: the hidden 进货单价 is left out, so 销售单价 moves up to column 4.
        QCOMPARE(textAt(2, 2), QStringLiteral("商品"));
        QCOMPARE(textAt(3, 2), QStringLiteral("名称"));
        QCOMPARE(textAt(2, 0), QStringLiteral("商品编码"));
        QCOMPARE(textAt(3, 0), QString());
        QCOMPARE(textAt(2, 4), QStringLiteral("销售单价"));
        QCOMPARE(textAt(2, 7), QStringLiteral("供货商"));
        QCOMPARE(textAt(154, 0), QStringLiteral("合计"));

        const int code = list.fieldIndex(QStringLiteral("商品编码"));
        const int name = list.fieldIndex(QStringLiteral("商品名称"));
        const int spec = list.fieldIndex(QStringLiteral("规格型号"));
        const int price = list.fieldIndex(QStringLiteral("销售单价"));
        const int pinyin = list.fieldIndex(QStringLiteral("ghspy"));
        for (int i = 0; i < list.recordCount(); ++i) {
            const int r = 4 + i;
            QCOMPARE(textAt(r, 0), list.textAt(i, code));
            QCOMPARE(textAt(r, 2), list.textAt(i, name));
            // Data cells keep the field order: the hidden field is a blank cell in column 4.
            QVERIFY(!at.contains({r, 4}));
            const QJsonArray salePrice = at.value({r, 5});
            QCOMPARE(salePrice[2].toInt(), kXlNumber);
            QCOMPARE(salePrice[3].toDouble(), list.valueAt(i, price).toDouble());
            QCOMPARE(at.contains({r, 3}), !list.valueAt(i, spec).isNull());
            // The pinyin fields follow the grid's columns; empty ones are blank cells.
            QVERIFY(pinyin >= 9);
            QVERIFY(!at.contains({r, pinyin}));
        }
    }

    void theCodePageMakesChineseReadableWithoutBeingTold() {
        // A reader that is not told the encoding takes it from the CODEPAGE record.
        fillGoods(3);
        OpenQuery(dm->ADOQuery12, QStringLiteral("select * from sp"));
        const QString path = db->file(QStringLiteral("own.xls"));
        QCOMPARE(writeExcelFile(path, dm->ADOQuery12, sheetOf(goodsColumns())).status,
                 ExcelWriteResult::Status::Written);
        const QJsonObject book = readWithXlrd(path, false);
        QVERIFY2(!book.contains(QStringLiteral("error")), qPrintable(book.value(QStringLiteral("error")).toString()));
        QCOMPARE(book.value(QStringLiteral("codepage")).toInt(), 936);
        const QJsonArray title = book.value(QStringLiteral("cells")).toArray().first().toArray();
        QCOMPARE(title[3].toString(), QStringLiteral("全部商品清单"));
    }

    void rowLimitFollowsTheSheetLayout_data() {
        QTest::addColumn<bool>("period");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("footerRows");
        QTest::newRow("plain") << false << QStringLiteral("编码") << 0;
        QTest::newRow("two-level title") << false << QStringLiteral("商品|编码") << 0;
        QTest::newRow("period and footer") << true << QStringLiteral("编码") << 1;
        QTest::newRow("three levels, two footers") << true << QStringLiteral("a|b|c") << 2;
    }

    // The rows the limit counts are the rows the stream fills.
    void rowLimitFollowsTheSheetLayout() {
        QFETCH(bool, period);
        QFETCH(QString, title);
        QFETCH(int, footerRows);
        const Dataset& rows = stockList();
        ExcelSheet sheet = sheetOf({column(QStringLiteral("code"), title)}, footerRows);
        if (period) sheet.beginDate = QStringLiteral("2026-03-01");
        const QByteArray stream = excelStream(rows, sheet);
        QCOMPARE(excelSheetRows(sheet, rows.recordCount()), lastRow(stream) + 1);
    }

    void theLastSheetRowIs65535() {
        db->exec(QStringLiteral("CREATE TABLE big (v INTEGER)"));
        const ExcelSheet sheet = sheetOf({column(QStringLiteral("v"), QStringLiteral("序号"))});
        const int fits = excelMaxRecords(sheet);
        db->exec(QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x < ?) "
                                "INSERT INTO big SELECT x FROM n"),
                 {fits});
        OpenQuery(dm->ADOQuery3, QStringLiteral("select * from big"));
        const QByteArray stream = excelStream(dm->ADOQuery3, sheet);
        QCOMPARE(lastRow(stream), 65535);
        const ExcelRecord last = cells(stream).last();
        QCOMPARE(last.type, quint16(0x027E));
        QCOMPARE(qFromLittleEndian<qint32>(last.data.constData() + 6) >> 2, fits);

        // One more and row numbers would wrap to the top of the sheet: nothing is written.
        db->exec(QStringLiteral("INSERT INTO big VALUES (0)"));
        OpenQuery(dm->ADOQuery3, QStringLiteral("select * from big"));
        QVERIFY(excelStream(dm->ADOQuery3, sheet).isEmpty());
        const QString path = db->file(QStringLiteral("big.xls"));
        const ExcelWriteResult result = writeExcelFile(path, dm->ADOQuery3, sheet);
        QCOMPARE(result.status, ExcelWriteResult::Status::TooManyRows);
        QVERIFY2(result.error.contains(QString::number(fits + 1)), qPrintable(result.error));
        QVERIFY2(result.error.contains(QString::number(fits)), qPrintable(result.error));
        QVERIFY(!QFile::exists(path));
    }

    void cellKinds_data() {
        QTest::addColumn<QString>("declared");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("record");
        QTest::addColumn<QByteArray>("payload");  // after row, column and format, in hex

        QTest::newRow("integer") << QStringLiteral("INTEGER") << QVariant(7) << 0x027E << QByteArray("1e000000");
        QTest::newRow("negative integer")
            << QStringLiteral("INTEGER") << QVariant(-3) << 0x027E << QByteArray("f6ffffff");
        QTest::newRow("integer too large for RK")
            << QStringLiteral("INTEGER") << QVariant(qint64(1) << 31) << 0x0203 << QByteArray("000000000000e041");
        QTest::newRow("float") << QStringLiteral("DOUBLE") << QVariant(2.5) << 0x0203 << QByteArray("0000000000000440");
        QTest::newRow("whole float stays a number")
            << QStringLiteral("DOUBLE") << QVariant(3.0) << 0x0203 << QByteArray("0000000000000840");
        QTest::newRow("text") << QStringLiteral("TEXT") << QVariant(QStringLiteral("苹果A")) << 0x0204
                              << QByteArray("0500c6bbb9fb41");
        QTest::newRow("empty text is no blank")
            << QStringLiteral("TEXT") << QVariant(QStringLiteral("")) << 0x0204 << QByteArray("0000");
        QTest::newRow("number in a text field")
            << QStringLiteral("TEXT") << QVariant(12.5) << 0x0204 << QByteArray("040031322e35");
        QTest::newRow("date") << QStringLiteral("DATETIME") << QVariant(QStringLiteral("2026-01-05 00:00:00")) << 0x0204
                              << QByteArray("0a00323032362d30312d3035");
        QTest::newRow("blob") << QStringLiteral("BLOB") << QVariant(QByteArray("\x01\x02", 2)) << 0x0204
                              << QByteArray("0000");
        QTest::newRow("null") << QStringLiteral("INTEGER") << QVariant() << 0x0201 << QByteArray();
    }

    void cellKinds() {
        QFETCH(QString, declared);
        QFETCH(QVariant, stored);
        QFETCH(int, record);
        QFETCH(QByteArray, payload);
        db->exec(QStringLiteral("CREATE TABLE t (v %1)").arg(declared));
        db->exec(QStringLiteral("INSERT INTO t VALUES (?)"), {stored});
        OpenQuery(dm->ADOQuery3, QStringLiteral("select * from t"));
        const ExcelRecord cell = cells(excelStream(dm->ADOQuery3, sheetOf({column(QStringLiteral("v"), {})}))).last();
        QCOMPARE(cell.row(), 3);
        QCOMPARE(cell.column(), 0);
        QCOMPARE(int(cell.type), record);
        QCOMPARE(cell.u16(4), quint16(record == 0x0201 ? 0x0017 : 0x0000));
        QCOMPARE(cell.data.mid(6).toHex(), payload);
    }

    void aTextTooLongForItsRecordEndsOnAWholeCharacter() {
        db->exec(QStringLiteral("CREATE TABLE t (v TEXT)"));
        db->exec(QStringLiteral("INSERT INTO t VALUES (?)"), {QString(40000, QChar(0x6C49))});
        OpenQuery(dm->ADOQuery3, QStringLiteral("select * from t"));
        const QByteArray stream = excelStream(dm->ADOQuery3, sheetOf({column(QStringLiteral("v"), {})}));
        QString error;
        const QList<ExcelRecord> records = excelRecords(stream, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(records.last().type, quint16(0x000A));
        const ExcelRecord cell = cells(stream).last();
        // 65 527 bytes would fit; the last character would be cut in half, so it is left out.
        QCOMPARE(cell.u16(6), quint16(65526));
        QCOMPARE(cell.text(), QString(32763, QChar(0x6C49)));
    }

    void aListReadAgainMidwayLeavesTheOldFileAsItWas() {
        fillGoods(100);
        Dataset& list = dm->ADOQuery12;
        OpenQuery(list, QStringLiteral("select * from sp"));
        const QString path = db->file(QStringLiteral("kept.xls"));
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old file");
        }
        const ExcelWriteResult result = writeExcelFile(path, list, sheetOf(goodsColumns()), [&list](int record) {
            if (record == 50) OpenQuery(list, QStringLiteral("select * from sp where 商品编码 like '6900%'"));
        });
        QCOMPARE(result.status, ExcelWriteResult::Status::Failed);
        QVERIFY(result.error.contains(path));
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("old file"));
        // No temporary file is left beside it either.
        QCOMPARE(QDir(db->dir()).entryList({QStringLiteral("kept*")}, QDir::Files),
                 QStringList{QStringLiteral("kept.xls")});
    }

    void aFileThatCannotBeCreatedSaysWhere() {
        fillGoods(2);
        OpenQuery(dm->ADOQuery12, QStringLiteral("select * from sp"));
        const QString path = db->file(QStringLiteral("no such folder/goods.xls"));
        const ExcelWriteResult result = writeExcelFile(path, dm->ADOQuery12, sheetOf(goodsColumns()));
        QCOMPARE(result.status, ExcelWriteResult::Status::Failed);
        QVERIFY2(result.error.contains(path), qPrintable(result.error));
        QVERIFY(!QFile::exists(path));
    }
};

ZENLO_TEST(TestExcelWriter)

#include "tst_excel_writer.moc"
