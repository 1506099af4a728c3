// Goods from the worksheet "quorbin" of an .xls workbook into the catalogue of a chosen database.
#include "core/goods_import.h"

#include <freexl.h>
#include <sqlcipher/sqlite3.h>

#include <QDataStream>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <vector>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "core/connection.h"
#include "core/errors.h"
#include "core/formats.h"
#include "core/schema.h"
#include "core/vendor.h"

namespace {

constexpr int kColumns = 9;
// 进货单价, 销售单价 and 会员价, the last three headings, are numbers; the others texts.
constexpr int kFirstPriceColumn = 6;

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

bool isText(const FreeXL_CellValue& v) {
    switch (v.type) {
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return v.value.text_value != nullptr;
        default:
            return false;
    }
}

Cell textCell(const FreeXL_CellValue& v) {
    Cell cell;
    if (v.type == FREEXL_CELL_INT) {
        cell.kind = Cell::Kind::Text;
        cell.text = QByteArray::number(v.value.int_value);
    } else if (v.type == FREEXL_CELL_DOUBLE) {
        cell.kind = Cell::Kind::Text;
        cell.text = numberText(v.value.double_value);
    } else if (isText(v) && *v.value.text_value) {
        cell.kind = Cell::Kind::Text;
        cell.text = QByteArray(v.value.text_value);
    }
    return cell;
}

// A price may have been typed as text ("12.5"); blanks alone count as an empty cell.
Cell priceCell(const FreeXL_CellValue& v, unsigned row, int column, const QString& heading) {
    Cell cell;
    if (v.type == FREEXL_CELL_INT) {
        cell.kind = Cell::Kind::Number;
        cell.number = v.value.int_value;
    } else if (v.type == FREEXL_CELL_DOUBLE) {
        cell.kind = Cell::Kind::Number;
        cell.number = v.value.double_value;
    } else if (isText(v)) {
        const QString text = QString::fromUtf8(v.value.text_value);
        if (trimBlanks(text).isEmpty()) return cell;
        const std::optional<double> number =
            v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT ? parseNumber(text) : std::nullopt;
        if (!number) {
            throw SheetProblem{QStringLiteral("%1第%2行%3列（%4）的内容“%5”不是数字。")
                                   .arg(sheetPlace())
                                   .arg(row + 1)
                                   .arg(columnLetters(column), heading, text)};
        }
        cell.kind = Cell::Kind::Number;
        cell.number = *number;
    }
    return cell;
}

QString unreadableFile(const QString& path) {
    return QStringLiteral("无法读取Excel文件：%1（它不是Excel 97-2003 工作簿 .xls，或者文件已损坏）")
        .arg(QFileInfo(path).absoluteFilePath());
}

// FreeXL's handle of one workbook, closed on every way out.
class Workbook {
public:
    explicit Workbook(const QString& path) {
        const int rc = freexl_open(QFile::encodeName(path).constData(), &handle_);
        if (rc != FREEXL_OK) {
            freexl_close(handle_);  // FreeXL wants this even after a failed open
            handle_ = nullptr;
            throw SheetProblem{rc == FREEXL_FILE_NOT_FOUND && !QFileInfo(path).isFile()
                                   ? QStringLiteral("找不到Excel文件：%1").arg(QFileInfo(path).absoluteFilePath())
                                   : unreadableFile(path)};
        }
        unsigned int password = 0;
        if (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
            password == FREEXL_BIFF_OBFUSCATED) {
            freexl_close(handle_);
            handle_ = nullptr;
            throw SheetProblem{QStringLiteral("Excel文件设有密码，请在Excel中取消密码后再导入。")};
        }
    }
    ~Workbook() {
        if (handle_) freexl_close(handle_);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // The old engine named sheets without regard to case.
    bool selectSheet(const QString& name) {
        unsigned int count = 0;
        if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) return false;
        for (unsigned int i = 0; i < count; ++i) {
            const char* sheet = nullptr;
            if (freexl_get_worksheet_name(handle_, static_cast<unsigned short>(i), &sheet) != FREEXL_OK || !sheet) {
                continue;
            }
            if (QString::fromUtf8(sheet).compare(name, Qt::CaseInsensitive) == 0) {
                return freexl_select_active_worksheet(handle_, static_cast<unsigned short>(i)) == FREEXL_OK;
            }
        }
        return false;
    }

    // Rows and columns of the selected sheet, counted from 1.
    std::pair<unsigned, unsigned> size() const {
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_worksheet_dimensions(handle_, &rows, &columns) != FREEXL_OK) return {0, 0};
        return {rows, columns};
    }

    FreeXL_CellValue cell(unsigned row, unsigned column) const {
        FreeXL_CellValue v;
        if (freexl_get_cell_value(handle_, row, static_cast<unsigned short>(column), &v) != FREEXL_OK) {
            throw SheetProblem{
                QStringLiteral("Excel文件已损坏：第%1行%2列无法读取。").arg(row + 1).arg(columnLetters(int(column)))};
        }
        return v;
    }

private:
    const void* handle_ = nullptr;
};

// The goods rows of the sheet, in sheet order; rows with none of the nine cells filled are
// left out (a sheet often carries formatted but empty rows at its end).
std::vector<GoodsRow> readGoods(const QString& path) {
    Workbook book(path);
    if (!book.selectSheet(GoodsImport::kSheetName)) {
        throw SheetProblem{QStringLiteral("Excel文件中没有名为“%1”的工作表。").arg(GoodsImport::kSheetName)};
    }
    const auto [rows, columns] = book.size();

    std::array<int, kColumns> source;
    source.fill(-1);
    for (unsigned c = 0; rows > 0 && c < columns; ++c) {
        const FreeXL_CellValue v = book.cell(0, c);
        if (!isText(v)) continue;
        const int k = int(GoodsImport::kHeadings.indexOf(trimBlanks(QString::fromUtf8(v.value.text_value))));
        if (k >= 0 && source[k] < 0) source[k] = int(c);
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
    goods.reserve(rows);
    for (unsigned r = 1; r < rows; ++r) {
        GoodsRow row;
        bool filled = false;
        for (int k = 0; k < kColumns; ++k) {
            const FreeXL_CellValue v = book.cell(r, unsigned(source[k]));
            row[k] = k < kFirstPriceColumn ? textCell(v) : priceCell(v, r, source[k], GoodsImport::kHeadings.at(k));
            filled = filled || row[k].kind != Cell::Kind::Null;
        }
        if (filled) goods.push_back(std::move(row));
    }
    return goods;
}

#ifdef Q_OS_UNIX
// FreeXL reads past the end of its cell table on some damaged workbooks (a sheet whose
// dimensions record comes again after its first cells) and the process falls over inside
// freexl_open. So the workbook is read in a child process, which hands the rows (or the problem
// it found) back through a pipe: a reader that dies, or takes longer than any real sheet does,
// makes the file one that cannot be read, and the program goes on.
constexpr int kReaderSeconds = 30;

QByteArray readGoodsMessage(const QString& path) {
    QByteArray out;
    QDataStream stream(&out, QIODevice::WriteOnly);
    try {
        const std::vector<GoodsRow> goods = readGoods(path);
        stream << quint8(0) << quint32(goods.size());
        for (const GoodsRow& row : goods) {
            for (const Cell& cell : row) stream << quint8(cell.kind) << cell.number << cell.text;
        }
    } catch (const SheetProblem& p) {
        stream << quint8(1) << p.text;
    } catch (const std::bad_alloc&) {
        stream << quint8(1) << unreadableFile(path);
    }
    return out;
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
            cell.kind = Cell::Kind(cellKind);
        }
        goods.push_back(std::move(row));
    }
    if (kind != 0 || stream.status() != QDataStream::Ok || !stream.atEnd()) throw SheetProblem{unreadableFile(path)};
    return goods;
}

std::vector<GoodsRow> readGoodsApart(const QString& path) {
    int fds[2];
    if (pipe(fds) != 0) return readGoods(path);
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return readGoods(path);
    }
    if (child == 0) {
        close(fds[0]);
        const QByteArray message = readGoodsMessage(path);
        for (qsizetype done = 0; done < message.size();) {
            const ssize_t n = write(fds[1], message.constData() + done, size_t(message.size() - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) _exit(1);
            done += n;
        }
        _exit(0);  // nothing of the parent's is cleaned up here
    }
    close(fds[1]);
    QByteArray message;
    bool timedOut = false;
    const QDeadlineTimer deadline(kReaderSeconds * 1000);
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const int ready = poll(&p, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            timedOut = true;
            break;
        }
        char buffer[65536];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        message.append(buffer, n);
    }
    close(fds[0]);
    if (timedOut) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0) throw SheetProblem{unreadableFile(path)};
    return goodsFromMessage(message, path);
}
#else
std::vector<GoodsRow> readGoodsApart(const QString& path) {
    return readGoods(path);
}
#endif

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
