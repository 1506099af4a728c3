// The grid export's record stream: the exact bytes of a small sheet, what an independent .xls
// reader makes of the goods list, the 16-bit row limit, the cell kinds, and files that are
// either whole or as they were.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include "core/dataset.h"
#include "core/excel_writer.h"
#include "core/shared_queries.h"
#include "support/data_module_test.h"
#include "support/excel_records.h"
#include "support/golden.h"
#include "support/test_registry.h"

namespace {

ExcelSheet sheetOf(const QString& titles, int footerRows = 0) {
    ExcelSheet sheet;
    sheet.title = QStringLiteral("全部商品清单");
    sheet.userName = QStringLiteral("张三");
    sheet.madeAt = QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9));
    for (const QString& t : titles.split(QLatin1Char(' ')))
        sheet.columns.append({t.section(QLatin1Char('='), 0, 0), t.section(QLatin1Char('='), -1), true, {}});
    sheet.footerRows = footerRows;
    return sheet;
}

const QString kGoodsColumns =
    QStringLiteral("商品编码 商品类别 商品名称 规格型号 进货单价 销售单价 会员价 单位 供货商");

QList<ExcelRecord> cells(const QByteArray& stream) {
    QList<ExcelRecord> out;
    for (const ExcelRecord& r : excelRecords(stream)) {
        if (r.isCell()) out.append(r);
    }
    return out;
}

// What xlrd reads from a file: code page, rows, and [row, column, type, value] of every cell
// that is not empty. With `gbk` the reader is told the encoding instead of reading it.
QJsonObject readWithXlrd(const QString& path, bool gbk) {
    // Debian's python3-xlrd; an interpreter of the user's own may come first on the path.
    const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                             : QStringLiteral("python3");
    const QString script = QStringLiteral(
        "import json, sys, xlrd\n"
        "book = xlrd.open_workbook(sys.argv[1], **({'encoding_override': 'gbk'} if sys.argv[2] == 'gbk' else {}))\n"
        "s = book.sheet_by_index(0)\n"
        "print(json.dumps({'codepage': book.codepage, 'rows': s.nrows, 'cells': [[r, c, s.cell_type(r, c),\n"
        "    s.cell_value(r, c)] for r in range(s.nrows) for c in range(s.ncols) if s.cell_type(r, c)]}))\n");
    QProcess p;
    p.start(python, {QStringLiteral("-c"), script, path, gbk ? QStringLiteral("gbk") : QStringLiteral("own")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        return {{QStringLiteral("error"), QString::fromUtf8(p.readAllStandardError())}};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

}  // namespace

class TestExcelWriter : public DataModuleTest {
    Q_OBJECT

    // A field of every kind, read by a plain query.
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

    // The goods window's list, windowed, with `count` goods.
    Dataset& goods(int count) {
        if (count > 0) {
            db->exec(
                QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x < ?) "
                               "INSERT INTO sp (商品编码,商品名称,规格型号,销售单价,单位) SELECT 690000+x, '商品'||x, "
                               "CASE WHEN x % 3 THEN '500ml' END, x*0.25, '瓶' FROM n"),
                {count});
        }
        OpenQuery(dm->ADOQuery12, QStringLiteral("select * from sp"));
        return dm->ADOQuery12;
    }

private slots:

    // Two-level titles, a hidden column and a "*****" title, one footer row.
    void smallSheetMatchesItsGoldenBytes() {
        const Dataset& rows = stockList();
        ExcelSheet sheet =
            sheetOf(QStringLiteral("code=商品|编码 name=商品|名称 qty=数量 price=单价 cost=进价***** made=日期"), 1);
        sheet.title = QStringLiteral("库存清单");
        sheet.columns[5].visible = false;
        sheet.columns[0].footerTexts = {QStringLiteral("合计")};
        sheet.columns[4].footerTexts = {QStringLiteral("保密")};
        sheet.columns[5].footerTexts = {QStringLiteral("隐藏列的表尾")};
        const QString diff =
            compareWithGolden(QStringLiteral("excel-small-sheet.txt"), dumpExcelRecords(excelStream(rows, sheet)));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    void nothingForAnEmptyOrClosedList() {
        Dataset& list = goods(0);
        const QString path = db->file(QStringLiteral("empty.xls"));
        QVERIFY(excelStream(list, sheetOf(kGoodsColumns)).isEmpty());
        QCOMPARE(writeExcelFile(path, list, sheetOf(kGoodsColumns)).status, ExcelWriteResult::Status::Empty);
        list.close();
        QCOMPARE(writeExcelFile(path, list, sheetOf(kGoodsColumns)).status, ExcelWriteResult::Status::Empty);
        QVERIFY(!QFile::exists(path));
    }

    void anIndependentReaderReadsTheGoodsList() {
        // More goods than a page of the windowed list, in an order of their own.
        Dataset& list = goods(150);
        list.setSort(QStringLiteral("商品名称 DESC"));
        list.setRecNo(40);
        ExcelSheet sheet = sheetOf(kGoodsColumns, 1);
        sheet.columns[2].title = QStringLiteral("商品|名称");
        sheet.columns[4].visible = false;  // 进货单价
        sheet.columns[0].footerTexts = {QStringLiteral("合计")};
        QList<int> progress;
        const QString path = db->file(QStringLiteral("goods.xls"));
        QCOMPARE(writeExcelFile(path, list, sheet, [&progress](int record) { progress.append(record); }).status,
                 ExcelWriteResult::Status::Written);
        QCOMPARE(list.recNo(), 40);
        QCOMPARE(progress.size(), 150);
        QCOMPARE(progress.last(), 150);

        const QJsonObject book = readWithXlrd(path, true);
        QVERIFY2(!book.contains(QStringLiteral("error")), qPrintable(book.value(QStringLiteral("error")).toString()));
        QCOMPARE(book.value(QStringLiteral("rows")).toInt(), 1 + 1 + 2 + 150 + 1);
        QMap<QPair<int, int>, QJsonArray> at;
        for (const QJsonValue& v : book.value(QStringLiteral("cells")).toArray()) {
            at.insert({v[0].toInt(), v[1].toInt()}, v.toArray());
        }
        const auto text = [&at](int r, int c) {
            const QJsonArray cell = at.value({r, c});
            return cell.size() == 4 && cell[2].toInt() == 1 ? cell[3].toString() : QStringLiteral("<not text>");
        };
        QCOMPARE(text(0, 3), QStringLiteral("全部商品清单"));
        QCOMPARE(text(1, 0), QStringLiteral("制表人：张三"));
        QCOMPARE(text(1, 5), QStringLiteral("制表时间：2026-03-05 14:07:09"));
        QCOMPARE(text(2, 2) + text(3, 2), QStringLiteral("商品名称"));
        QCOMPARE(text(3, 0), QString());
        QCOMPARE(text(2, 4), QStringLiteral("销售单价"));  // the hidden column has no heading
        QCOMPARE(text(154, 0), QStringLiteral("合计"));
        const int price = list.fieldIndex(QStringLiteral("销售单价"));
        for (int i = 0; i < list.recordCount(); ++i) {
            QCOMPARE(text(4 + i, 0), list.textAt(i, 0));
            QCOMPARE(text(4 + i, 2), list.textAt(i, 2));
            QCOMPARE(at.contains({4 + i, 3}), !list.valueAt(i, 3).isNull());
            QVERIFY(!at.contains({4 + i, 4}));  // but its field keeps a blank cell
            QCOMPARE(at.value({4 + i, 5})[2].toInt(), 2);
            QCOMPARE(at.value({4 + i, 5})[3].toDouble(), list.valueAt(i, price).toDouble());
        }

        // Not told the encoding, the reader takes it from the code page record.
        const QJsonObject own = readWithXlrd(path, false);
        QCOMPARE(own.value(QStringLiteral("codepage")).toInt(), 936);
        QCOMPARE(own.value(QStringLiteral("cells")).toArray().first()[3].toString(), QStringLiteral("全部商品清单"));
    }

    void rowCountFollowsTheSheetLayout_data() {
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("footerRows");
        QTest::newRow("plain") << QString() << QStringLiteral("编码") << 0;
        QTest::newRow("blank period") << QStringLiteral("  ") << QStringLiteral("编码") << 0;
        QTest::newRow("period, footer") << QStringLiteral("2026-03-01") << QStringLiteral("编码") << 1;
        QTest::newRow("three levels, two footers") << QStringLiteral("2026-03-01") << QStringLiteral("a|b|c") << 2;
    }

    // The rows the limit counts are the rows the stream fills.
    void rowCountFollowsTheSheetLayout() {
        QFETCH(QString, period);
        QFETCH(QString, title);
        QFETCH(int, footerRows);
        const Dataset& rows = stockList();
        ExcelSheet sheet = sheetOf(QStringLiteral("code=") + title, footerRows);
        sheet.beginDate = period;
        int last = 0;
        for (const ExcelRecord& r : cells(excelStream(rows, sheet))) last = std::max(last, r.row());
        QCOMPARE(excelSheetRows(sheet, rows.recordCount()), last + 1);
    }

    void theLastSheetRowIs65535() {
        db->exec(QStringLiteral("CREATE TABLE big (v INTEGER)"));
        const ExcelSheet sheet = sheetOf(QStringLiteral("v=序号"));
        const int fits = excelMaxRecords(sheet);
        db->exec(QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x < ?) "
                                "INSERT INTO big SELECT x FROM n"),
                 {fits});
        OpenQuery(dm->ADOQuery3, QStringLiteral("select * from big"));
        const ExcelRecord last = cells(excelStream(dm->ADOQuery3, sheet)).last();
        QCOMPARE(last.row(), 65535);
        QCOMPARE(qFromLittleEndian<qint32>(last.data.constData() + 6) >> 2, fits);

        // One more and the row numbers would wrap to the top of the sheet: nothing is written.
        db->exec(QStringLiteral("INSERT INTO big VALUES (0)"));
        OpenQuery(dm->ADOQuery3, QStringLiteral("select * from big"));
        QVERIFY(excelStream(dm->ADOQuery3, sheet).isEmpty());
        const QString path = db->file(QStringLiteral("big.xls"));
        const ExcelWriteResult result = writeExcelFile(path, dm->ADOQuery3, sheet);
        QCOMPARE(result.status, ExcelWriteResult::Status::TooManyRows);
        QVERIFY2(result.error.contains(QString::number(fits + 1)) && result.error.contains(QString::number(fits)),
                 qPrintable(result.error));
        QVERIFY(!QFile::exists(path));
    }

    void cellKinds_data() {
        QTest::addColumn<QString>("declared");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("record");
        QTest::addColumn<QByteArray>("payload");  // after row, column and format, in hex
        const QString integer = QStringLiteral("INTEGER"), real = QStringLiteral("DOUBLE"),
                      text = QStringLiteral("TEXT");
        QTest::newRow("integer") << integer << QVariant(7) << 0x027E << QByteArray("1e000000");
        QTest::newRow("negative integer") << integer << QVariant(-3) << 0x027E << QByteArray("f6ffffff");
        QTest::newRow("integer too large for RK")
            << integer << QVariant(qint64(1) << 31) << 0x0203 << QByteArray("000000000000e041");
        QTest::newRow("float") << real << QVariant(2.5) << 0x0203 << QByteArray("0000000000000440");
        QTest::newRow("whole float") << real << QVariant(3.0) << 0x0203 << QByteArray("0000000000000840");
        QTest::newRow("text") << text << QVariant(QStringLiteral("苹果A")) << 0x0204 << QByteArray("0500c6bbb9fb41");
        QTest::newRow("empty text") << text << QVariant(QStringLiteral("")) << 0x0204 << QByteArray("0000");
        QTest::newRow("number in a text field") << text << QVariant(12.5) << 0x0204 << QByteArray("040031322e35");
        QTest::newRow("date") << QStringLiteral("DATETIME") << QVariant(QStringLiteral("2026-01-05 00:00:00")) << 0x0204
                              << QByteArray("0a00323032362d30312d3035");
        QTest::newRow("blob") << QStringLiteral("BLOB") << QVariant(QByteArray("\x01\x02", 2)) << 0x0204
                              << QByteArray("0000");
        QTest::newRow("null") << integer << QVariant() << 0x0201 << QByteArray();
    }

    void cellKinds() {
        QFETCH(QString, declared);
        QFETCH(QVariant, stored);
        QFETCH(int, record);
        QFETCH(QByteArray, payload);
        db->exec(QStringLiteral("CREATE TABLE t (v %1)").arg(declared));
        db->exec(QStringLiteral("INSERT INTO t VALUES (?)"), {stored});
        OpenQuery(dm->ADOQuery3, QStringLiteral("select * from t"));
        const ExcelRecord cell = cells(excelStream(dm->ADOQuery3, sheetOf(QStringLiteral("v=")))).last();
        QCOMPARE(cell.row(), 3);
        QCOMPARE(int(cell.type), record);
        QCOMPARE(cell.u16(4), quint16(record == 0x0201 ? 0x0017 : 0x0000));
        QCOMPARE(cell.data.mid(6).toHex(), payload);
    }

    void aTextTooLongForItsRecordEndsOnAWholeCharacter() {
        db->exec(QStringLiteral("CREATE TABLE t (v TEXT)"));
        db->exec(QStringLiteral("INSERT INTO t VALUES (?)"), {QString(40000, QChar(0x6C49))});
        OpenQuery(dm->ADOQuery3, QStringLiteral("select * from t"));
        const ExcelRecord cell = cells(excelStream(dm->ADOQuery3, sheetOf(QStringLiteral("v=")))).last();
        // 65 527 bytes would fit the record, but the last character would be cut in half.
        QCOMPARE(cell.u16(6), quint16(65526));
        QCOMPARE(cell.text(), QString(32763, QChar(0x6C49)));
    }

    void aListReadAgainMidwayLeavesTheOldFileAsItWas() {
        Dataset& list = goods(100);
        const QString path = db->file(QStringLiteral("kept.xls"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old file") == 8);
        old.close();
        const ExcelWriteResult result = writeExcelFile(path, list, sheetOf(kGoodsColumns), [&list](int record) {
            if (record == 50) OpenQuery(list, QStringLiteral("select * from sp where 商品编码 like '6900%'"));
        });
        QCOMPARE(result.status, ExcelWriteResult::Status::Failed);
        QVERIFY(result.error.contains(path));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old file"));
        QCOMPARE(QDir(db->dir()).entryList({QStringLiteral("kept*")}, QDir::Files),
                 QStringList{QStringLiteral("kept.xls")});
    }
};

ZENLO_TEST(TestExcelWriter)

#include "tst_excel_writer.moc"
