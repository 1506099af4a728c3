// Goods from the worksheet "quorbin" of an .xls workbook into the catalogue of a chosen database.
#include "core/goods_import.h"

#include <sqlcipher/sqlite3.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <vector>

#include "core/connection.h"
#include "core/errors.h"
#include "core/formats.h"
#include "core/schema.h"
#include "core/vendor.h"
#include "core/xls_reader.h"

namespace {

constexpr int kColumns = 9;
// 进货单价, 销售单价 and 会员价, the last three headings, are numbers; the others texts.
constexpr int kFirstPriceColumn = 6;
// No price of a shop's goods comes near this; a larger one is a mistyped or damaged cell.
constexpr double kLargestPrice = 1e9;

struct Cell {
    enum class Kind : unsigned char { Null, Text, Number };
    Kind kind = Kind::Null;
    double number = 0;
    QByteArray text;  // UTF-8, as the engine stores it
};
using GoodsRow = std::array<Cell, kColumns>;

// Stops an import before anything is written.
struct SheetProblem {
    QString text;
};

QString sheetPlace() {
    return QStringLiteral("工作表“%1”").arg(GoodsImport::kSheetName);
}

// A, B, … Z, AA, AB, …: how the operator finds a column in the spreadsheet program.
QString columnLetters(int column) {
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26) letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters;
}

// A spreadsheet keeps a typed bar code as a number: it goes in as its plain digits, never as
// 6.90123e+12 or 42.0.
QByteArray numberText(double value) {
    if (value == 0) return QByteArrayLiteral("0");
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e21) {
        return QByteArray::number(value, 'f', 0);
    }
    return formatGeneral(value).toUtf8();
}

// Under a text heading: texts as they are, numbers (and TRUE/FALSE, as 1/0) as their digits.
// An empty text and an error value are empty cells.
Cell textCell(const SheetCell& v) {
    Cell cell;
    switch (v.kind) {
        case SheetCell::Kind::Number:
        case SheetCell::Kind::Boolean:
            cell.kind = Cell::Kind::Text;
            cell.text = numberText(v.number);
            break;
        case SheetCell::Kind::Text:
            if (!v.text.isEmpty()) {
                cell.kind = Cell::Kind::Text;
                cell.text = v.text.toUtf8();
            }
            break;
        default:
            break;
    }
    return cell;
}

QString cellPlace(int row, int column, const QString& heading) {
    return QStringLiteral("%1第%2行%3列（%4）").arg(sheetPlace()).arg(row + 1).arg(columnLetters(column), heading);
}

// A price may have been typed as text ("12.5"); blanks alone count as an empty cell. A price
// that is no finite number or beyond any shop's prices stops the import at its row.
Cell priceCell(const SheetCell& v, int row, int column, const QString& heading) {
    Cell cell;
    switch (v.kind) {
        case SheetCell::Kind::Number:
        case SheetCell::Kind::Boolean:
            cell.kind = Cell::Kind::Number;
            cell.number = v.number;
            break;
        case SheetCell::Kind::Text: {
            if (trimBlanks(v.text).isEmpty()) return cell;
            const std::optional<double> number = parseNumber(v.text);
            if (!number) {
                throw SheetProblem{
                    QStringLiteral("%1的内容“%2”不是数字。").arg(cellPlace(row, column, heading), v.text)};
            }
            cell.kind = Cell::Kind::Number;
            cell.number = *number;
            break;
        }
        default:
            return cell;
    }
    if (!std::isfinite(cell.number) || std::fabs(cell.number) > kLargestPrice) {
        throw SheetProblem{QStringLiteral("%1的价格 %2 不是有效的价格（不能超过 1000000000）。")
                               .arg(cellPlace(row, column, heading), QString::number(cell.number, 'g', 6))};
    }
    return cell;
}

QString unreadableFile(const QString& path) {
    return QStringLiteral("无法读取Excel文件：%1（它不是Excel 97-2003 工作簿 .xls，或者文件已损坏）")
        .arg(QFileInfo(path).absoluteFilePath());
}

QString workbookProblem(const XlsError& e, const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    switch (e.kind) {
        case XlsError::Kind::Missing:
            return QStringLiteral("找不到Excel文件：%1").arg(file);
        case XlsError::Kind::Encrypted:
            return QStringLiteral("Excel文件设有密码，请在Excel中取消密码后再导入。");
        case XlsError::Kind::Damaged:
            return QStringLiteral("Excel文件已损坏：%1\n%2").arg(file, e.detail);
        case XlsError::Kind::TooLarge:
            return QStringLiteral("Excel文件太大，无法导入：%1\n%2").arg(file, e.detail);
        case XlsError::Kind::NotWorkbook:
            break;
    }
    // The reader's own words add to this only where they say more (a workbook of Excel 95, a
    // .xlsx under another name).
    if (e.detail.isEmpty() || e.detail.contains(QStringLiteral("不是Excel 97-2003 工作簿（.xls）"))) {
        return unreadableFile(path);
    }
    return unreadableFile(path) + QLatin1Char('\n') + e.detail;
}

// The goods rows of the sheet, in sheet order; rows with none of the nine cells filled are
// left out (a sheet often carries formatted but empty rows at its end).
std::vector<GoodsRow> readGoods(const QString& path) {
    std::optional<XlsSheet> sheet;
    try {
        sheet = readXlsSheet(path, GoodsImport::kSheetName);
    } catch (const XlsError& e) {
        throw SheetProblem{workbookProblem(e, path)};
    }
    if (!sheet) throw SheetProblem{QStringLiteral("Excel文件中没有名为“%1”的工作表。").arg(GoodsImport::kSheetName)};

    std::array<int, kColumns> source;
    source.fill(-1);
    const int columns = sheet->rowCount() > 0 ? int(sheet->rows.front().size()) : 0;
    for (int c = 0; c < columns; ++c) {
        const SheetCell& v = sheet->cell(0, c);
        if (v.kind != SheetCell::Kind::Text) continue;
        const int k = int(GoodsImport::kHeadings.indexOf(trimBlanks(v.text)));
        if (k >= 0 && source[k] < 0) source[k] = c;
    }
    QStringList missing;
    for (int k = 0; k < kColumns; ++k) {
        if (source[k] < 0) missing.append(GoodsImport::kHeadings.at(k));
    }
    if (!missing.isEmpty()) {
        throw SheetProblem{
            QStringLiteral("%1的第一行缺少标题：%2。").arg(sheetPlace(), missing.join(QStringLiteral("、")))};
    }

    std::vector<GoodsRow> goods;
    goods.reserve(size_t(std::max(0, sheet->rowCount() - 1)));
    for (int r = 1; r < sheet->rowCount(); ++r) {
        GoodsRow row;
        bool filled = false;
        for (int k = 0; k < kColumns; ++k) {
            const SheetCell& v = sheet->cell(r, source[k]);
            row[k] = k < kFirstPriceColumn ? textCell(v) : priceCell(v, r, source[k], GoodsImport::kHeadings.at(k));
            filled = filled || row[k].kind != Cell::Kind::Null;
        }
        if (filled) goods.push_back(std::move(row));
    }
    return goods;
}

std::vector<GoodsRow> goodsFromMessage(const QByteArray& message, const QString& path) {
    QDataStream stream(message);
    quint8 kind = 0;
    stream >> kind;
    if (kind == 1) {
        QString problem;
        stream >> problem;
        if (stream.status() == QDataStream::Ok) throw SheetProblem{problem};
        throw SheetProblem{unreadableFile(path)};
    }
    quint32 count = 0;
    stream >> count;
    std::vector<GoodsRow> goods;
    while (stream.status() == QDataStream::Ok && goods.size() < count) {
        GoodsRow row;
        for (Cell& cell : row) {
            quint8 cellKind = 0;
            stream >> cellKind >> cell.number >> cell.text;
            cell.kind = Cell::Kind(std::min<quint8>(cellKind, quint8(Cell::Kind::Number)));
        }
        goods.push_back(std::move(row));
    }
    if (kind != 0 || stream.status() != QDataStream::Ok || !stream.atEnd()) throw SheetProblem{unreadableFile(path)};
    return goods;
}

// The workbook is read by a program of its own (zenlo-read-xls, beside this one), started
// afresh for each file: a reader that falls over on a damaged file, or takes longer than any
// real sheet does, makes the file one that cannot be read, and the program goes on. Without
// that program (a test run, a program copied alone) the workbook is read here.
constexpr int kReaderMilliseconds = 30000;

QString readerProgram() {
    const QString override = qEnvironmentVariable("ZENLO_XLS_READER");
    if (!override.isEmpty()) return override;
    if (!QCoreApplication::instance()) return QString();
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zenlo-read-xls"));
    return QFileInfo(beside).isExecutable() ? beside : QString();
}

std::vector<GoodsRow> readGoodsApart(const QString& path) {
    const QString program = readerProgram();
    if (program.isEmpty()) return readGoods(path);
    QProcess reader;
    reader.setProcessChannelMode(QProcess::SeparateChannels);
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.start(program, {QFileInfo(path).absoluteFilePath()}, QIODevice::ReadOnly);
    if (!reader.waitForStarted(kReaderMilliseconds)) return readGoods(path);
    if (!reader.waitForFinished(kReaderMilliseconds)) {
        reader.kill();
        reader.waitForFinished(1000);
        throw SheetProblem{unreadableFile(path)};
    }
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) throw SheetProblem{unreadableFile(path)};
    return goodsFromMessage(reader.readAllStandardOutput(), path);
}

QString connectProblem(const DataError& e, const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    switch (e.kind()) {
        case DataError::Kind::Missing:
            return QStringLiteral("找不到数据库文件：%1").arg(file);
        case DataError::Kind::ReadOnly:
            return QStringLiteral("数据库文件只能读取，不能写入：%1").arg(file);
        case DataError::Kind::NotADatabase:
            return QStringLiteral("不是本程序的数据库，或者它的密码不同：%1").arg(file);
        default:
            return QStringLiteral("数据库文件无法打开：%1（%2）").arg(file, e.message());
    }
}

void bindCell(sqlite3* db, sqlite3_stmt* st, int index, const Cell& cell) {
    int rc = SQLITE_OK;
    switch (cell.kind) {
        case Cell::Kind::Null:
            rc = sqlite3_bind_null(st, index);
            break;
        case Cell::Kind::Number:
            rc = sqlite3_bind_double(st, index, cell.number);
            break;
        case Cell::Kind::Text:
            // The row outlives the statement's step.
            rc = sqlite3_bind_text(st, index, cell.text.constData(), int(cell.text.size()), SQLITE_STATIC);
            break;
    }
    if (rc != SQLITE_OK) throw DataError(QString::fromUtf8(sqlite3_errmsg(db)));
}

QString insertSql() {
    QStringList columns, marks;
    for (const QString& heading : GoodsImport::kHeadings) {
        columns.append(QLatin1Char('"') + heading + QLatin1Char('"'));
        marks.append(QStringLiteral("?"));
    }
    return QStringLiteral("INSERT INTO sp (") + columns.join(QLatin1Char(',')) + QStringLiteral(") VALUES (") +
           marks.join(QLatin1Char(',')) + QLatin1Char(')');
}

void writeGoods(Connection& db, const std::vector<GoodsRow>& goods,
                const std::function<void(int done, int total)>& progress) {
    const int total = int(goods.size());
    // About a hundred steps: the bar moves smoothly without repainting for every row.
    const int step = std::max(1, total / 100);
    if (progress) progress(0, total);
    Transaction tx(db);
    Statement insert(db.handle(), insertSql());
    for (int i = 0; i < total; ++i) {
        for (int k = 0; k < kColumns; ++k) bindCell(db.handle(), insert.handle(), k + 1, goods[size_t(i)][size_t(k)]);
        insert.step();
        insert.reset();
        if (progress && ((i + 1) % step == 0 || i + 1 == total)) progress(i + 1, total);
    }
    tx.commit();
}

}  // namespace

GoodsImportResult importGoods(const QString& xlsPath, const QString& databasePath,
                              const std::function<void(int done, int total)>& progress) {
    GoodsImportResult result;
    Connection db;
    try {
        db.open(databasePath, QByteArray(kDatabaseKey));
    } catch (const DataError& e) {
        result.failure = GoodsImportResult::Failure::Connect;
        result.problem = connectProblem(e, databasePath);
        return result;
    }
    result.failure = GoodsImportResult::Failure::Import;
    std::vector<GoodsRow> goods;
    try {
        goods = readGoodsApart(xlsPath);
    } catch (const SheetProblem& p) {
        result.problem = p.text;
        return result;
    }
    try {
        writeGoods(db, goods, progress);
    } catch (const DataError& e) {
        result.problem = QStringLiteral("写入商品时数据库出错，没有导入任何商品：") + e.message();
        return result;
    }
    result.failure = GoodsImportResult::Failure::None;
    result.rows = int(goods.size());
    return result;
}

GoodsImportResult readGoodsWorkbook(const QString& xlsPath) {
    GoodsImportResult result;
    try {
        result.rows = int(readGoodsApart(xlsPath).size());
    } catch (const SheetProblem& p) {
        result.failure = GoodsImportResult::Failure::Import;
        result.problem = p.text;
    }
    return result;
}

QString importFailureText(const GoodsImportResult& result) {
    const QString& message = result.failure == GoodsImportResult::Failure::Connect ? GoodsImport::kConnectFailed
                                                                                   : GoodsImport::kImportFailed;
    QString text = message + Vendor::kSupportContact;
    if (!result.problem.isEmpty()) text += QLatin1Char('\n') + result.problem;
    return text;
}

QByteArray goodsWorkbookMessage(const QString& xlsPath) {
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    try {
        const std::vector<GoodsRow> goods = readGoods(xlsPath);
        stream << quint8(0) << quint32(goods.size());
        for (const GoodsRow& row : goods) {
            for (const Cell& cell : row) stream << quint8(cell.kind) << cell.number << cell.text;
        }
    } catch (const SheetProblem& p) {
        stream << quint8(1) << p.text;
    } catch (const std::bad_alloc&) {
        stream << quint8(1) << unreadableFile(xlsPath);
    }
    return out;
}
