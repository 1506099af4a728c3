// The grid export as a raw BIFF record stream.
#include "core/excel_writer.h"

#include <QBuffer>
#include <QSaveFile>
#include <QStringEncoder>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/dataset.h"
#include "core/errors.h"
#include "core/formats.h"

namespace {

constexpr quint16 kBofRecord = 0x0809;
constexpr quint16 kCodePageRecord = 0x0042;
constexpr quint16 kTextRecord = 0x0204;
constexpr quint16 kNumberRecord = 0x0203;
constexpr quint16 kIntegerRecord = 0x027E;
constexpr quint16 kBlankRecord = 0x0201;
constexpr quint16 kEofRecord = 0x000A;

constexpr quint16 kWorksheet = 0x0010;
constexpr quint16 kBlankFormat = 0x0017;
// Without a code page a raw stream is read as a Western one, and the Chinese comes out garbled.
constexpr quint16 kGbkCodePage = 936;

// A record's length is 16-bit: a text cell holds at most this many bytes.
constexpr int kMaxTextBytes = 0xFFFF - 8;
// An RK value holds a whole number in its upper 30 bits.
constexpr qint64 kMinRk = -(qint64(1) << 29);
constexpr qint64 kMaxRk = (qint64(1) << 29) - 1;

constexpr qsizetype kFlushBytes = 64 * 1024;

// Longest prefix of a GBK byte string that fits `limit` bytes and ends on a whole character.
qsizetype wholeGbkPrefix(const QByteArray& bytes, qsizetype limit) {
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype step = uchar(bytes[i]) >= 0x81 && i + 1 < bytes.size() ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

// Collects records and hands them to the device in large pieces.
class RecordWriter {
public:
    explicit RecordWriter(QIODevice& out) : out_(out) { buffer_.reserve(kFlushBytes + 1024); }

    void bof() {
        header(kBofRecord, 8);
        u16(0x0000);
        u16(kWorksheet);
        u16(0x0000);
        u16(0x0000);
    }
    void codePage() {
        header(kCodePageRecord, 2);
        u16(kGbkCodePage);
    }
    void eof() { header(kEofRecord, 0); }

    void text(int row, int column, const QString& text) {
        QByteArray bytes = gbk(text);
        if (bytes.size() > kMaxTextBytes) bytes.truncate(wholeGbkPrefix(bytes, kMaxTextBytes));
        header(kTextRecord, quint16(8 + bytes.size()));
        cell(row, column, 0);
        u16(quint16(bytes.size()));
        buffer_.append(bytes);
        flushIfFull();
    }
    void number(int row, int column, double value) {
        header(kNumberRecord, 14);
        cell(row, column, 0);
        char raw[8];
        qToLittleEndian(value, raw);
        buffer_.append(raw, 8);
        flushIfFull();
    }
    void integer(int row, int column, qint32 value) {
        header(kIntegerRecord, 10);
        cell(row, column, 0);
        u32((quint32(value) << 2) | 2u);
        flushIfFull();
    }
    void blank(int row, int column) {
        header(kBlankRecord, 6);
        cell(row, column, kBlankFormat);
        flushIfFull();
    }

    // False when the device refused the bytes; `error` says why. A file short of room takes
    // part of them without a word: writing the rest brings the reason (a full disk).
    bool flush() {
        if (failed_) return false;
        for (qsizetype done = 0; done < buffer_.size();) {
            const qint64 n = out_.write(buffer_.constData() + done, buffer_.size() - done);
            if (n <= 0) {
                failed_ = true;
                break;
            }
            done += qsizetype(n);
        }
        buffer_.clear();
        return !failed_;
    }
    bool failed() const { return failed_; }

private:
    QByteArray gbk(const QString& text) {
        // Most cells are codes and numbers: ASCII is its own GBK form.
        const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
        if (ascii) return text.toLatin1();
        // One encoder for the whole export: opening the converter costs more than a cell.
        return encoder_.encode(text);
    }
    void u16(quint16 v) {
        char raw[2];
        qToLittleEndian(v, raw);
        buffer_.append(raw, 2);
    }
    void u32(quint32 v) {
        char raw[4];
        qToLittleEndian(v, raw);
        buffer_.append(raw, 4);
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
    void flushIfFull() {
        if (buffer_.size() >= kFlushBytes) flush();
    }

    QIODevice& out_;
    QByteArray buffer_;
    QStringEncoder encoder_{"GBK"};
    bool failed_ = false;
};

// A dataset field in the order the sheet shows it.
struct SheetField {
    int index;
    bool visible;
};

// The fields of the grid's columns first, in column order, titled and shown as the columns
// are; the other fields after them in their own order. A label with "*****" hides the field.
std::vector<SheetField> arrangeFields(const Dataset& rows, const QList<ExportColumn>& columns) {
    const int count = rows.fieldCount();
    std::vector<bool> placed(size_t(count), false);
    std::vector<SheetField> out;
    const auto hidesValues = [](const QString& label) { return label.contains(QLatin1String("*****")); };
    for (const ExportColumn& c : columns) {
        const int index = rows.fieldIndex(c.field);
        if (index < 0 || placed[size_t(index)]) continue;
        placed[size_t(index)] = true;
        out.push_back({index, c.visible && !hidesValues(c.title)});
    }
    for (int i = 0; i < count; ++i) {
        if (!placed[size_t(i)]) out.push_back({i, !hidesValues(rows.field(i).name)});
    }
    return out;
}

int headingRows(const QList<ExportColumn>& columns) {
    int rows = 1;
    for (const ExportColumn& c : columns) rows = std::max(rows, int(c.title.count(QLatin1Char('|'))) + 1);
    return rows;
}

bool hasPeriod(const ExcelSheet& sheet) {
    return !trimBlanks(sheet.beginDate).isEmpty() || !trimBlanks(sheet.endDate).isEmpty();
}

void writeValue(RecordWriter& out, int row, int column, const QVariant& value, FieldType type) {
    switch (type) {
        case FieldType::Integer:
            if (const auto n = Dataset::numberOf(value)) {
                // A whole number too large for an RK value keeps its value as a number cell.
                if (*n == std::floor(*n) && *n >= double(kMinRk) && *n <= double(kMaxRk)) {
                    out.integer(row, column, qint32(*n));
                } else {
                    out.number(row, column, *n);
                }
                return;
            }
            break;
        case FieldType::Float:
            if (const auto n = Dataset::numberOf(value)) {
                out.number(row, column, *n);
                return;
            }
            break;
        case FieldType::Blob:
            out.text(row, column, QString());
            return;
        default:
            break;
    }
    out.text(row, column, Dataset::displayText(value, type));
}

// The stream for an open dataset with at least one record that fits on the sheet.
bool writeSheet(QIODevice& device, const Dataset& rows, const ExcelSheet& sheet, const ExportProgress& progress,
                QString* error) {
    // The rows are read while the progress window lets events through; should the list be
    // read again meanwhile, the rows written so far belong to another list.
    bool listChanged = false;
    QObject watch;
    const auto changed = [&listChanged] { listChanged = true; };
    QObject::connect(&rows, &Dataset::rowsReset, &watch, changed);
    QObject::connect(&rows, &Dataset::rowInserted, &watch, changed);
    QObject::connect(&rows, &Dataset::rowRemoved, &watch, changed);

    RecordWriter out(device);
    out.bof();
    out.codePage();

    int row = 0;
    out.text(row, 3, sheet.title);
    ++row;
    if (hasPeriod(sheet)) {
        if (!trimBlanks(sheet.beginDate).isEmpty()) out.text(row, 0, sheet.beginDate);
        if (!trimBlanks(sheet.endDate).isEmpty()) out.text(row, 5, sheet.endDate);
        ++row;
    }
    const QDateTime madeAt = sheet.madeAt.isValid() ? sheet.madeAt : QDateTime::currentDateTime();
    out.text(row, 0, QStringLiteral("制表人：") + sheet.userName);
    out.text(row, 5, QStringLiteral("制表时间：") + formatDateTime(madeAt));
    ++row;

    const int levels = headingRows(sheet.columns);
    for (int level = 0; level < levels; ++level) {
        int column = 0;
        for (const ExportColumn& c : sheet.columns) {
            if (c.visible) out.text(row, column++, c.title.split(QLatin1Char('|')).value(level));
        }
        ++row;
    }

    const std::vector<SheetField> fields = arrangeFields(rows, sheet.columns);
    std::vector<FieldType> types;
    for (const SheetField& f : fields) types.push_back(rows.field(f.index).type);
    const int records = rows.recordCount();
    for (int record = 0; record < records; ++record, ++row) {
        for (size_t i = 0; i < fields.size(); ++i) {
            const int column = int(i);
            if (!fields[i].visible) {
                out.blank(row, column);
                continue;
            }
            const QVariant value = rows.valueAt(record, fields[i].index);
            if (!value.isValid() || value.isNull()) {
                out.blank(row, column);
            } else {
                writeValue(out, row, column, value, types[i]);
            }
        }
        if (progress) progress(record + 1);
        if (listChanged) {
            *error = QStringLiteral("导出时列表被重新读取了，请再导出一次。");
            return false;
        }
        if (out.failed()) break;
    }

    if (sheet.footerRows > 0) {
        int column = 0;
        for (const ExportColumn& c : sheet.columns) {
            if (!c.visible) continue;
            for (int k = 0; k < sheet.footerRows; ++k) out.text(row + k, column, c.footerTexts.value(k));
            ++column;
        }
    }
    out.eof();
    if (!out.flush()) {
        *error = device.errorString();
        return false;
    }
    return true;
}

bool exportable(const Dataset& rows) {
    return rows.isOpen() && rows.recordCount() > 0;
}

// The reason a file could not be written, in words a shop owner can act on.
QString fileError(const QSaveFile& file, const QString& path) {
    QString why;
    switch (file.error()) {
        case QFileDevice::OpenError:
        case QFileDevice::PermissionsError:
            why = QStringLiteral("无法在这里建立文件，可能没有写入权限，或者文件夹不存在。");
            break;
        case QFileDevice::WriteError:
        case QFileDevice::ResourceError:
            why = QStringLiteral("写入时出错，磁盘可能已满。");
            break;
        case QFileDevice::RenameError:
            why = QStringLiteral("不能替换原来的文件，它可能正被别的程序打开。");
            break;
        default:
            why = QStringLiteral("写入失败。");
            break;
    }
    return QStringLiteral("%1\n%2（%3）").arg(path, why, file.errorString());
}

}  // namespace

int excelSheetRows(const ExcelSheet& sheet, int records) {
    return 1 + (hasPeriod(sheet) ? 1 : 0) + 1 + headingRows(sheet.columns) + std::max(records, 0) +
           std::max(sheet.footerRows, 0);
}

int excelMaxRecords(const ExcelSheet& sheet) {
    return kExcelMaxSheetRows - excelSheetRows(sheet, 0);
}

QString excelTooManyRowsMessage(const ExcelSheet& sheet, int records) {
    return QStringLiteral(
               "要导出的记录太多（共 %1 行），一个 Excel 工作表最多只能放 %2 行记录。"
               "请先用查询条件缩小范围后再导出。")
        .arg(records)
        .arg(excelMaxRecords(sheet));
}

QByteArray excelStream(const Dataset& rows, const ExcelSheet& sheet, const ExportProgress& progress) {
    if (!exportable(rows) || rows.recordCount() > excelMaxRecords(sheet)) return QByteArray();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!writeSheet(buffer, rows, sheet, progress, &error)) return QByteArray();
    return bytes;
}

ExcelWriteResult writeExcelFile(const QString& path, const Dataset& rows, const ExcelSheet& sheet,
                                const ExportProgress& progress) {
    using Status = ExcelWriteResult::Status;
    if (!exportable(rows)) return {Status::Empty, QString()};
    const int records = rows.recordCount();
    if (records > excelMaxRecords(sheet)) return {Status::TooManyRows, excelTooManyRowsMessage(sheet, records)};

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {Status::Failed, fileError(file, path)};
    QString error;
    bool written = false;
    try {
        written = writeSheet(file, rows, sheet, progress, &error);
    } catch (const DataError& e) {
        error = e.message();
    }
    if (!written) {
        const QString why =
            file.error() != QFileDevice::NoError ? fileError(file, path) : path + QLatin1Char('\n') + error;
        file.cancelWriting();
        return {Status::Failed, why};
    }
    // The last bytes are written only now; a file cut short is dropped and the old one stays.
    if (!file.flush() || file.error() != QFileDevice::NoError) {
        const QString why = fileError(file, path);
        file.cancelWriting();
        return {Status::Failed, why};
    }
    if (!file.commit()) return {Status::Failed, fileError(file, path)};
    return {Status::Written, QString()};
}
