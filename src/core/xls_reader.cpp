// Reads a worksheet of an .xls workbook: libgsf opens the compound file (mini stream included), the
// BIFF8 records are read here with every length checked, and a damaged sheet is refused, not guessed at.
#include "core/xls_reader.h"

// The headers one by one: gsf.h brings in gio, whose `signals` field Qt takes for its keyword.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QtEndian>
#include <bitset>
#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcXls, "zenlo.xls", QtWarningMsg)

// Caps that keep a hostile file from taking the machine: no real goods list comes near them.
constexpr qint64 kMaxStream = 256LL * 1024 * 1024;
constexpr qint64 kMaxCells = 4LL * 1024 * 1024;  // cells held in all rows, counted to each row's end
constexpr quint32 kMaxRows = 65536;              // BIFF8's own limits
constexpr quint32 kMaxColumns = 256;
constexpr int kMaxRecord = 8224;

enum Record : quint16 {
    kBof = 0x0809,
    kEof = 0x000A,
    kFilePass = 0x002F,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kContinue = 0x003C,
    kDimension = 0x0200,
    kRow = 0x0208,
    kBlank = 0x0201,
    kMulBlank = 0x00BE,
    kNumber = 0x0203,
    kRk = 0x027E,
    kMulRk = 0x00BD,
    kLabel = 0x0204,
    kLabelSst = 0x00FD,
    kRString = 0x00D6,
    kBoolErr = 0x0205,
    kFormula = 0x0006,
    kString = 0x0207,
};
// The chart records (0x10xx) are BIFF8's last.
constexpr quint16 kLastRecordType = 0x10FF;

enum BofType : quint16 { kGlobals = 0x0005, kWorksheet = 0x0010, kChart = 0x0020 };
constexpr quint16 kBiff8 = 0x0600, kBiff5 = 0x0500;

[[noreturn]] void fail(XlsError::Kind kind, const QString& detail) {
    throw XlsError{kind, detail};
}

[[noreturn]] void damaged(const QString& detail) {
    fail(XlsError::Kind::Damaged, detail);
}

QString sheetPlace(const QString& name) {
    return QStringLiteral("工作表“%1”").arg(name);
}

// A, B, … Z, AA, …: how the operator finds a column in the spreadsheet program.
QString columnLetters(int column) {
    QString letters;
    for (int c = column + 1; c > 0; c = (c - 1) / 26) letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters;
}

quint16 u16(const uchar* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const uchar* p) {
    return qFromLittleEndian<quint32>(p);
}

// ---- the compound file ----

void initGsf() {
    static const bool done = [] {
        gsf_init();
        // libgsf reports damaged containers on stderr; the caller hears of them as an XlsError.
        for (const char* domain : {"libgsf:msole", "libgsf"}) {
            g_log_set_handler(
                domain, GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_MESSAGE),
                [](const gchar* d, GLogLevelFlags, const gchar* message, gpointer) {
                    qCDebug(lcXls, "%s: %s", d, message);
                },
                nullptr);
        }
        return true;
    }();
    Q_UNUSED(done);
}

template <typename T>
struct GObjectRef {
    T* p = nullptr;
    explicit GObjectRef(T* object = nullptr) : p(object) {}
    ~GObjectRef() {
        if (p) g_object_unref(p);
    }
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
};

QString notWorkbook(const QString& path) {
    return QStringLiteral("%1 不是Excel 97-2003 工作簿（.xls），或者文件已损坏。")
        .arg(QFileInfo(path).absoluteFilePath());
}

// The header's count of allocation-table sectors sizes a table libgsf puts on the stack: a count
// no file of this size can hold is refused before libgsf sees it.
bool plausibleHeader(const QString& path, qint64 fileSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray header = file.read(512);
    if (header.size() < 512) return false;
    const auto* h = reinterpret_cast<const uchar*>(header.constData());
    const quint16 shift = u16(h + 0x1E);
    if (shift != 9 && shift != 12) return false;
    const qint64 sectors = fileSize >> shift;
    const qint64 perSector = (qint64(1) << shift) / 4;
    return u32(h + 0x2C) <= sectors / perSector + 2;
}

// The Workbook stream, as far as the container gives it: a file cut short or a broken sector chain
// leaves a shorter stream, and the records then say where it stops.
QByteArray workbookStream(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        fail(XlsError::Kind::Missing, QStringLiteral("找不到Excel文件：%1").arg(info.absoluteFilePath()));
    if (!info.isFile()) fail(XlsError::Kind::NotWorkbook, notWorkbook(path));
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            fail(XlsError::Kind::Missing, QStringLiteral("Excel文件无法打开：%1").arg(info.absoluteFilePath()));
        }
        if (file.peek(4) == QByteArrayLiteral("PK\x03\x04")) {
            fail(XlsError::Kind::NotWorkbook,
                 QStringLiteral(
                     "%1 是Excel 2007及以后的工作簿（.xlsx），请在Excel中另存为“Excel 97-2003 工作簿”后再导入。")
                     .arg(info.absoluteFilePath()));
        }
    }
    if (!plausibleHeader(path, info.size())) fail(XlsError::Kind::NotWorkbook, notWorkbook(path));

    initGsf();
    GObjectRef<GsfInput> input(gsf_input_stdio_new(QFile::encodeName(path).constData(), nullptr));
    if (!input.p) fail(XlsError::Kind::Missing, QStringLiteral("Excel文件无法打开：%1").arg(info.absoluteFilePath()));
    GObjectRef<GsfInfile> ole(gsf_infile_msole_new(input.p, nullptr));
    if (!ole.p) fail(XlsError::Kind::NotWorkbook, notWorkbook(path));

    int workbook = -1;
    bool book = false, encryptedPackage = false;
    for (int i = 0, n = gsf_infile_num_children(ole.p); i < n; ++i) {
        const char* name = gsf_infile_name_by_index(ole.p, i);
        if (!name) continue;
        const QString child = QString::fromUtf8(name);
        if (child.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0) {
            if (workbook < 0) workbook = i;
        } else if (child.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0) {
            book = true;
        } else if (child.compare(QLatin1String("EncryptedPackage"), Qt::CaseInsensitive) == 0) {
            encryptedPackage = true;
        }
    }
    if (workbook < 0) {
        if (encryptedPackage)
            fail(XlsError::Kind::Encrypted, QStringLiteral("Excel文件设有密码，请在Excel中取消密码后再导入。"));
        // Excel 5.0/95 keeps its strings in the workbook's code page, with record layouts of their
        // own for every text: such files are refused, not read half right.
        if (book) {
            fail(XlsError::Kind::NotWorkbook,
                 QStringLiteral("%1 是Excel 5.0/95 工作簿，请在Excel中另存为“Excel 97-2003 工作簿”后再导入。")
                     .arg(info.absoluteFilePath()));
        }
        fail(XlsError::Kind::NotWorkbook, notWorkbook(path));
    }
    GObjectRef<GsfInput> stream(gsf_infile_child_by_index(ole.p, workbook));
    if (!stream.p) {
        damaged(QStringLiteral("Excel文件已损坏：工作簿数据无法读取（%1）。").arg(info.absoluteFilePath()));
    }
    const gsf_off_t size = gsf_input_size(stream.p);
    if (size > kMaxStream) {
        fail(XlsError::Kind::TooLarge, QStringLiteral("Excel文件太大：工作簿数据超过256 MB，请分成几个文件导入。"));
    }
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    auto* data = reinterpret_cast<guint8*>(out.data());
    qsizetype done = 0;
    // Big pieces while they come; past a failure, small ones find how much is there.
    for (qsizetype piece = 65536; done < out.size();) {
        const qsizetype n = std::min(piece, out.size() - done);
        if (gsf_input_seek(stream.p, done, G_SEEK_SET) == 0 && gsf_input_read(stream.p, size_t(n), data + done)) {
            done += n;
        } else if (piece > 64) {
            piece = 64;
        } else {
            break;
        }
    }
    out.truncate(done);
    return out;
}

// ---- records ----

struct Rec {
    quint16 type = 0;
    qsizetype at = 0;  // offset of the header in the stream
    const uchar* data = nullptr;
    int size = 0;
};

class Records {
public:
    enum class Next { Record, End, Cut };

    Records(const QByteArray& stream, qsizetype at)
        : data_(reinterpret_cast<const uchar*>(stream.constData())), size_(stream.size()), at_(at) {}

    Next next(Rec* r) {
        if (at_ >= size_) return Next::End;
        if (size_ - at_ < 4) return Next::Cut;
        r->type = u16(data_ + at_);
        r->size = u16(data_ + at_ + 2);
        r->at = at_;
        if (size_ - at_ - 4 < r->size) return Next::Cut;
        r->data = data_ + at_ + 4;
        at_ += 4 + r->size;
        return Next::Record;
    }
    // The type of the record that comes next, 0 at the end.
    quint16 peekType() const { return size_ - at_ >= 4 ? u16(data_ + at_) : 0; }
    qsizetype at() const { return at_; }

private:
    const uchar* data_;
    qsizetype size_;
    qsizetype at_;
};

// The record types BIFF8 has: every one below 0x100, where the small numbers of a stream read out
// of step fall most, and the ranges of the rest. Another is damage.
bool knownType(quint16 type) {
    if (type >= 0x100) {
        return type <= 0x02FF || type == 0x041E || type == 0x04BC || (type >= 0x0800 && type <= 0x08FF) ||
               (type >= 0x1000 && type <= kLastRecordType);
    }
    static const std::bitset<256> known = [] {
        std::bitset<256> b;
        for (int t : {0x06, 0x0A, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19,
                      0x1A, 0x1B, 0x1C, 0x1D, 0x22, 0x23, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2F, 0x31, 0x33, 0x3C,
                      0x3D, 0x40, 0x41, 0x42, 0x4D, 0x50, 0x51, 0x52, 0x55, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
                      0x60, 0x61, 0x63, 0x7D, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x8C, 0x8D, 0x90, 0x92, 0x94,
                      0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0xA0, 0xA1, 0xA9, 0xAB, 0xAE, 0xAF,
                      0xB0, 0xB1, 0xB2, 0xB4, 0xB5, 0xB6, 0xB8, 0xB9, 0xBD, 0xBE, 0xBF, 0xC0, 0xC1, 0xC2, 0xC3, 0xC5,
                      0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0, 0xD1, 0xD2, 0xD3, 0xD5, 0xD6,
                      0xD7, 0xD8, 0xD9, 0xDA, 0xDC, 0xDD, 0xDE, 0xE0, 0xE1, 0xE2, 0xE3, 0xE5, 0xE9, 0xEB, 0xEC, 0xED,
                      0xEF, 0xF0, 0xF1, 0xF2, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFB, 0xFC, 0xFD, 0xFF}) {
            b.set(size_t(t));
        }
        return b;
    }();
    return known.test(type);
}

// The records whose length never varies, each with it: another length is a damaged record.
int fixedSize(quint16 type) {
    switch (type) {
        case kEof:
        case 0x00E2:  // INTERFACEEND
            return 0;
        case 0x000C:  // CALCCOUNT, CALCMODE, PRECISION, REFMODE
        case 0x000D:
        case 0x000E:
        case 0x000F:
        case 0x0011:  // ITERATION, PROTECT, PASSWORD, WINDOWPROTECT
        case 0x0012:
        case 0x0013:
        case 0x0019:
        case 0x0022:  // DATE1904
        case 0x002A:  // PRINTHEADERS, PRINTGRIDLINES
        case 0x002B:
        case 0x0040:  // BACKUP, CODEPAGE, DEFCOLWIDTH, SAVERECALC, OBJPROTECT
        case 0x0042:
        case 0x0055:
        case 0x005F:
        case 0x0063:
        case 0x0081:  // WSBOOL, GRIDSET, HCENTER, VCENTER, HIDEOBJ
        case 0x0082:
        case 0x0083:
        case 0x0084:
        case 0x008D:
        case 0x009C:  // FNGROUPCOUNT, BOOKBOOL, SCENPROTECT
        case 0x00DA:
        case 0x00DD:
        case 0x0160:  // USESELFS, DSF, PROT4REV, REFRESHALL, PROT4REVPASS
        case 0x0161:
        case 0x01AF:
        case 0x01B7:
        case 0x01BC:
            return 2;
        case 0x008C:  // COUNTRY, DEFAULTROWHEIGHT
        case 0x0225:
            return 4;
        case 0x0010:  // DELTA, the margins, GUTS
        case 0x0026:
        case 0x0027:
        case 0x0028:
        case 0x0029:
        case 0x0080:
        case kBoolErr:
            return 8;
        case kBlank:
            return 6;
        case kRk:
        case kLabelSst:
            return 10;
        case kNumber:
        case kDimension:
            return 14;
        case kRow:
            return 16;
        case 0x003D:  // WINDOW1
            return 18;
        case 0x00E0:  // XF
            return 20;
        case 0x00A1:  // SETUP
            return 34;
        default:
            return -1;
    }
}

// Record type 0 is none: zeros where records were.
bool sane(const Rec& r) {
    const int fixed = fixedSize(r.type);
    // COLINFO has 12 bytes, or 11 from Spreadsheet::WriteExcel.
    if (r.type == 0x007D && r.size != 11 && r.size != 12) return false;
    return r.size <= kMaxRecord && r.type != 0 && knownType(r.type) && (fixed < 0 || r.size == fixed);
}

// Bytes of a record and the CONTINUE records after it, read as one run; a string's characters
// that go on in the next record start there with a fresh option byte (8 or 16 bits a character).
class Pieces {
public:
    void add(const uchar* data, int size) { pieces_.push_back({data, size}); }

    bool read(uchar* out, qsizetype n) {
        while (n > 0) {
            if (piece_ >= pieces_.size()) return false;
            const qsizetype take = std::min<qsizetype>(n, pieces_[piece_].size - at_);
            std::memcpy(out, pieces_[piece_].data + at_, size_t(take));
            out += take;
            n -= take;
            at_ += take;
            if (at_ == pieces_[piece_].size && n > 0) nextPiece();
        }
        return true;
    }
    bool skip(qint64 n) {
        while (n > 0) {
            if (piece_ >= pieces_.size()) return false;
            const qint64 take = std::min<qint64>(n, pieces_[piece_].size - at_);
            n -= take;
            at_ += qsizetype(take);
            if (at_ == pieces_[piece_].size && n > 0) nextPiece();
        }
        return true;
    }
    template <typename T>
    bool value(T* v) {
        uchar b[sizeof(T)];
        if (!read(b, sizeof(T))) return false;
        *v = qFromLittleEndian<T>(b);
        return true;
    }
    qsizetype leftInPiece() const { return piece_ < pieces_.size() ? pieces_[piece_].size - at_ : 0; }
    qint64 left() const {
        qint64 n = leftInPiece();
        for (size_t i = piece_ + 1; i < pieces_.size(); ++i) n += pieces_[i].size;
        return n;
    }
    bool nextPiece() {
        if (piece_ >= pieces_.size()) return false;
        ++piece_;
        at_ = 0;
        return piece_ < pieces_.size();
    }

    // `count` characters, 16-bit ones when `wide`.
    bool chars(int count, bool wide, QString* out) {
        out->resize(count);
        QChar* to = out->data();
        for (int got = 0;;) {
            const qsizetype avail = leftInPiece() / (wide ? 2 : 1);
            const int take = int(std::min<qsizetype>(avail, count - got));
            if (take > 0) {
                const uchar* from = pieces_[piece_].data + at_;
                for (int i = 0; i < take; ++i) to[got + i] = wide ? QChar(u16(from + 2 * i)) : QChar(char16_t(from[i]));
                at_ += take * (wide ? 2 : 1);
                got += take;
            }
            if (got == count) return true;
            // A character cut in two, or no record left to go on in.
            if (leftInPiece() != 0 || !nextPiece()) return false;
            quint8 option = 0;
            if (!value(&option) || (option & ~1u) != 0) return false;
            wide = option & 1;
        }
    }

private:
    struct Piece {
        const uchar* data;
        qsizetype size;
    };
    std::vector<Piece> pieces_;
    size_t piece_ = 0;
    qsizetype at_ = 0;
};

// A BIFF8 string: its length (in `lengthBytes`), an option byte, then rich-text run and phonetic
// counts when the option says so, the characters, the runs and the phonetic data. False when it
// runs past its data or its option byte holds bits no writer sets.
bool unicodeString(Pieces& p, int lengthBytes, QString* out) {
    quint16 count = 0;
    if (lengthBytes == 1) {
        quint8 c = 0;
        if (!p.value(&c)) return false;
        count = c;
    } else if (!p.value(&count)) {
        return false;
    }
    quint8 option = 0;
    if (!p.value(&option) || (option & 0xF2) != 0) return false;
    quint16 runs = 0;
    quint32 phonetic = 0;
    if ((option & 0x08) && !p.value(&runs)) return false;
    if ((option & 0x04) && (!p.value(&phonetic) || phonetic > quint32(p.left()))) return false;
    if (count > 0 && !p.chars(count, option & 1, out)) return false;
    if (count == 0) out->clear();
    return p.skip(qint64(runs) * 4) && p.skip(phonetic);
}

QString errorName(quint8 code) {
    switch (code) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        case 0x2A:
            return QStringLiteral("#N/A");
        default:
            return QStringLiteral("#ERR%1").arg(code);
    }
}

double rkNumber(quint32 rk) {
    double value = 0;
    if (rk & 2) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100 : value;
}

// ---- the workbook globals ----

struct BoundSheet {
    quint32 offset = 0;
    quint8 type = 0;  // 0 a worksheet (or dialog), 1 a macro sheet, 2 a chart, 6 a VB module
    QString name;
};

struct Globals {
    std::vector<BoundSheet> sheets;
    qsizetype end = 0;           // just past the globals' end record
    std::vector<QString> texts;  // the shared string table
};

const QString kGlobalsCut = QStringLiteral("Excel文件已损坏：工作簿的开头部分不完整（文件被截断）。");

void readSst(Pieces& p, std::vector<QString>* texts) {
    quint32 total = 0, unique = 0;
    if (!p.value(&total) || !p.value(&unique)) {
        damaged(QStringLiteral("Excel文件已损坏：共享文本表不完整。"));
    }
    // Every string takes at least three bytes: a count past that is no table.
    if (unique > p.left() / 3) {
        damaged(QStringLiteral("Excel文件已损坏：共享文本表声明了%1个文本，数据却装不下。").arg(unique));
    }
    texts->reserve(unique);
    for (quint32 i = 0; i < unique; ++i) {
        QString text;
        if (!unicodeString(p, 2, &text)) {
            damaged(QStringLiteral("Excel文件已损坏：共享文本表的第%1个文本超出了数据范围。").arg(i + 1));
        }
        texts->push_back(std::move(text));
    }
}

// Substreams follow one another: from the end record of one to the start of the next (or the end
// of the stream) there is nothing, or zeros where a writer pads the stream. Anything else means the
// end record came early: sectors out of place, say, that put a later part of the sheet where an
// earlier one was.
bool onlyZerosAfter(const QByteArray& stream, qsizetype at, const Globals& g) {
    qsizetype next = stream.size();
    for (const BoundSheet& s : g.sheets) {
        if (qsizetype(s.offset) >= at) next = std::min(next, qsizetype(s.offset));
    }
    for (qsizetype i = at; i < next; ++i) {
        if (stream.at(i) != 0) return false;
    }
    return true;
}

Globals readGlobals(const QByteArray& stream, const QString& path) {
    Records records(stream, 0);
    Rec r;
    if (records.next(&r) != Records::Next::Record || r.type != kBof || r.size < 4) {
        fail(XlsError::Kind::NotWorkbook, notWorkbook(path));
    }
    const quint16 version = u16(r.data);
    if (version == kBiff5) {
        fail(XlsError::Kind::NotWorkbook,
             QStringLiteral("%1 是Excel 5.0/95 工作簿，请在Excel中另存为“Excel 97-2003 工作簿”后再导入。")
                 .arg(QFileInfo(path).absoluteFilePath()));
    }
    if (version != kBiff8 || u16(r.data + 2) != kGlobals) fail(XlsError::Kind::NotWorkbook, notWorkbook(path));

    Globals g;
    for (;;) {
        const Records::Next next = records.next(&r);
        if (next != Records::Next::Record) damaged(kGlobalsCut);
        if (!sane(r)) damaged(QStringLiteral("Excel文件已损坏：工作簿开头部分有一条损坏的记录。"));
        if (r.type == kEof) break;
        switch (r.type) {
            case kBof:  // the next substream began before this one ended
                damaged(kGlobalsCut);
            case kFilePass:
                fail(XlsError::Kind::Encrypted, QStringLiteral("Excel文件设有密码，请在Excel中取消密码后再导入。"));
            case kBoundSheet: {
                Pieces p;
                p.add(r.data, r.size);
                BoundSheet s;
                quint8 state = 0;
                if (!p.value(&s.offset) || !p.value(&state) || !p.value(&s.type) || !unicodeString(p, 1, &s.name) ||
                    p.left() != 0) {
                    damaged(QStringLiteral("Excel文件已损坏：工作表的名称记录不完整。"));
                }
                g.sheets.push_back(std::move(s));
                break;
            }
            case kSst: {
                Pieces p;
                p.add(r.data, r.size);
                while (records.peekType() == kContinue) {
                    Rec c;
                    if (records.next(&c) != Records::Next::Record) damaged(kGlobalsCut);
                    if (!sane(c)) damaged(QStringLiteral("Excel文件已损坏：共享文本表有一条损坏的记录。"));
                    p.add(c.data, c.size);
                }
                g.texts.clear();
                readSst(p, &g.texts);
                break;
            }
            default:
                break;
        }
    }
    // Every sheet begins where its entry says, after the globals, with its own start record.
    const qsizetype globalsEnd = g.end = records.at();
    for (const BoundSheet& s : g.sheets) {
        if (s.offset < globalsEnd || qint64(s.offset) + 4 > stream.size()) {
            damaged(QStringLiteral("%1的位置超出了工作簿数据的范围（文件已损坏或被截断）。").arg(sheetPlace(s.name)));
        }
        if (u16(reinterpret_cast<const uchar*>(stream.constData()) + s.offset) != kBof) {
            damaged(QStringLiteral("%1的位置上没有工作表的开头（文件已损坏）。").arg(sheetPlace(s.name)));
        }
    }
    if (!onlyZerosAfter(stream, g.end, g)) {
        damaged(QStringLiteral("Excel文件已损坏：工作簿开头部分的结束记录之后还有别的数据。"));
    }
    return g;
}

// ---- one worksheet ----

class SheetReader {
public:
    SheetReader(const QString& name, const Globals& globals) : name_(name), globals_(globals), texts_(globals.texts) {
        sheet_.name = name;
    }

    XlsSheet read(const QByteArray& stream, quint32 offset) {
        Records records(stream, offset);
        Rec r;
        if (records.next(&r) != Records::Next::Record) cut();
        if (r.size < 4 || u16(r.data) != kBiff8 || u16(r.data + 2) != kWorksheet) {
            damaged(QStringLiteral("%1的位置上没有工作表的开头（文件已损坏）。").arg(place()));
        }
        int depth = 0;  // charts drawn on the sheet are substreams of their own inside it
        for (;;) {
            const Records::Next next = records.next(&r);
            if (next != Records::Next::Record) cut();
            if (!sane(r)) brokenRecord();
            if (r.type == kBof) {
                if (r.size < 4 || u16(r.data + 2) != kChart) cut();
                ++depth;
                continue;
            }
            if (r.type == kEof) {
                if (depth == 0) break;
                --depth;
                continue;
            }
            if (depth > 0) continue;
            if (r.type == kString) {
                Pieces p;
                p.add(r.data, r.size);
                while (records.peekType() == kContinue) {
                    Rec c;
                    if (records.next(&c) != Records::Next::Record) cut();
                    if (!sane(c)) brokenRecord();
                    p.add(c.data, c.size);
                }
                formulaText(p);
                continue;
            }
            record(r);
        }
        finish();
        if (!onlyZerosAfter(stream, records.at(), globals_)) {
            damaged(QStringLiteral("%1的结束记录之后还有它的数据，结束记录来得太早（文件已损坏）。").arg(place()));
        }
        return std::move(sheet_);
    }

private:
    QString place() const { return sheetPlace(name_); }
    QString cellPlace(int row, int column) const {
        return QStringLiteral("%1第%2行%3列").arg(place()).arg(row + 1).arg(columnLetters(column));
    }

    [[noreturn]] void cut() const {
        if (lastRow_ < 0) damaged(QStringLiteral("%1不完整（文件被截断）。").arg(place()));
        damaged(QStringLiteral("%1在第%2行之后不完整（文件被截断）。").arg(place()).arg(lastRow_ + 1));
    }
    [[noreturn]] void brokenRecord() const {
        if (lastRow_ < 0) damaged(QStringLiteral("%1开头有一条损坏的记录（文件已损坏）。").arg(place()));
        damaged(QStringLiteral("%1在第%2行之后有一条损坏的记录（文件已损坏）。").arg(place()).arg(lastRow_ + 1));
    }
    [[noreturn]] void brokenCell(int row) const {
        damaged(QStringLiteral("%1第%2行有一个损坏的单元格记录（文件已损坏）。").arg(place()).arg(row + 1));
    }

    void record(const Rec& r) {
        const uchar* d = r.data;
        const int n = r.size;
        switch (r.type) {
            case kDimension:
                dimension(r);
                return;
            case kRow: {
                if (n != 16) brokenRecord();
                const int row = u16(d);
                lastRowRecord_ = std::max(lastRowRecord_, row);
                described_.set(size_t(row));
                // Its first and past-the-last column of cells: a row said to hold cells must show them.
                if (u16(d + 4) > u16(d + 2)) claimed_.set(size_t(row));
                return;
            }
            case kBlank:
                if (n != 6) brokenRecord();
                place(u16(d), u16(d + 2), std::nullopt);
                return;
            case kMulBlank: {
                if (n < 8 || n % 2 != 0) brokenRecord();
                const int row = u16(d), first = u16(d + 2), count = (n - 6) / 2;
                if (u16(d + n - 2) != first + count - 1) brokenCell(row);
                for (int i = 0; i < count; ++i) place(row, first + i, std::nullopt);
                return;
            }
            case kNumber: {
                if (n != 14) brokenRecord();
                place(u16(d), u16(d + 2), number(qFromLittleEndian<double>(d + 6)));
                return;
            }
            case kRk:
                if (n != 10) brokenRecord();
                place(u16(d), u16(d + 2), number(rkNumber(u32(d + 6))));
                return;
            case kMulRk: {
                if (n < 12 || (n - 6) % 6 != 0) brokenRecord();
                const int row = u16(d), first = u16(d + 2), count = (n - 6) / 6;
                if (u16(d + n - 2) != first + count - 1) brokenCell(row);
                for (int i = 0; i < count; ++i) place(row, first + i, number(rkNumber(u32(d + 4 + 6 * i + 2))));
                return;
            }
            case kLabelSst: {
                if (n != 10) brokenRecord();
                const int row = u16(d), column = u16(d + 2);
                const quint32 index = u32(d + 6);
                if (index >= texts_.size()) {
                    damaged(QStringLiteral("%1引用的共享文本（第%2个）不存在，共享文本表只有%3个（文件已损坏）。")
                                .arg(cellPlace(row, column))
                                .arg(qint64(index) + 1)
                                .arg(texts_.size()));
                }
                place(row, column, text(texts_[index]));
                return;
            }
            case kLabel:
            case kRString: {
                if (n < 9) brokenRecord();
                const int row = u16(d), column = u16(d + 2);
                Pieces p;
                p.add(d + 6, n - 6);
                QString s;
                if (!unicodeString(p, 2, &s)) brokenCell(row);
                if (r.type == kRString) {
                    quint16 runs = 0;
                    if (!p.value(&runs) || !p.skip(qint64(runs) * 4)) brokenCell(row);
                }
                // The text fills its record: a longer one took in records that came after it.
                if (p.left() != 0) brokenCell(row);
                place(row, column, text(s));
                return;
            }
            case kBoolErr: {
                if (n != 8 || d[7] > 1) brokenRecord();
                SheetCell c;
                if (d[7]) {
                    c.kind = SheetCell::Kind::Error;
                    c.number = d[6];
                    c.text = errorName(d[6]);
                } else {
                    c.kind = SheetCell::Kind::Boolean;
                    c.number = d[6] ? 1 : 0;
                }
                place(u16(d), u16(d + 2), c);
                return;
            }
            case kFormula:
                formula(r);
                return;
            case 0x023E:  // WINDOW2: 18 bytes on a worksheet (10 only on a chart)
                if (n != 18) brokenRecord();
                return;
            default:
                return;
        }
    }

    static SheetCell number(double v) {
        SheetCell c;
        c.kind = SheetCell::Kind::Number;
        c.number = v;
        return c;
    }
    static SheetCell text(const QString& s) {
        SheetCell c;
        c.kind = SheetCell::Kind::Text;
        c.text = s;
        return c;
    }

    void dimension(const Rec& r) {
        // A second one, or one after the cells, is no sheet a writer makes.
        if (dimension_ || lastRow_ >= 0) brokenRecord();
        if (r.size != 14) brokenRecord();
        firstRow_ = u32(r.data);
        endRow_ = u32(r.data + 4);
        firstColumn_ = u16(r.data + 8);
        endColumn_ = u16(r.data + 10);
        if (endRow_ > kMaxRows || endColumn_ > kMaxColumns) {
            damaged(QStringLiteral("%1声明了%2行、%3列，超过了Excel 97-2003 的上限（65536行、256列）（文件已损坏）。")
                        .arg(place())
                        .arg(endRow_)
                        .arg(endColumn_));
        }
        if (firstRow_ > endRow_ || firstColumn_ > endColumn_) brokenRecord();
        dimension_ = true;
    }

    void formula(const Rec& r) {
        const uchar* d = r.data;
        if (r.size < 22 || u16(d + 20) > r.size - 22) brokenRecord();
        const int row = u16(d), column = u16(d + 2);
        pendingText_ = false;
        if (u16(d + 12) != 0xFFFF) {
            place(row, column, number(qFromLittleEndian<double>(d + 6)));
            return;
        }
        SheetCell c;
        switch (d[6]) {
            case 0:  // a text, in the STRING record that follows
                c.kind = SheetCell::Kind::Text;
                place(row, column, c);
                pendingText_ = true;
                pendingRow_ = row;
                pendingColumn_ = column;
                return;
            case 1:
                c.kind = SheetCell::Kind::Boolean;
                c.number = d[8] ? 1 : 0;
                break;
            case 2:
                c.kind = SheetCell::Kind::Error;
                c.number = d[8];
                c.text = errorName(d[8]);
                break;
            case 3:  // the empty text
                c.kind = SheetCell::Kind::Text;
                break;
            default:
                brokenCell(row);
        }
        place(row, column, c);
    }

    void formulaText(Pieces& p) {
        if (!pendingText_) return;
        pendingText_ = false;
        QString s;
        if (!unicodeString(p, 2, &s) || p.left() != 0) brokenCell(pendingRow_);
        sheet_.rows[size_t(pendingRow_)][size_t(pendingColumn_)].text = s;
    }

    // A cell at (row, column); nullopt for a blank one, which holds nothing but still counts as a
    // cell of the sheet's range.
    void place(int row, int column, const std::optional<SheetCell>& cell) {
        if (cell) pendingText_ = false;
        // Every writer gives the range before the cells; without it nothing shows a lost row.
        if (!dimension_) {
            damaged(QStringLiteral("%1缺少声明范围的记录（文件已损坏）。").arg(place()));
        }
        if (quint32(column) >= kMaxColumns) {
            damaged(QStringLiteral("%1第%2行第%3列超出了Excel 97-2003 的256列（文件已损坏）。")
                        .arg(place())
                        .arg(row + 1)
                        .arg(column + 1));
        }
        if ((quint32(row) < firstRow_ || quint32(row) >= endRow_ || quint32(column) < firstColumn_ ||
             quint32(column) >= endColumn_)) {
            damaged(QStringLiteral("%1的单元格在工作表声明的范围之外（文件已损坏）。").arg(cellPlace(row, column)));
        }
        if (row < lastRow_) {
            damaged(QStringLiteral("%1在第%2行之后又出现了第%3行的单元格，行的次序乱了（文件已损坏）。")
                        .arg(place())
                        .arg(lastRow_ + 1)
                        .arg(row + 1));
        }
        if (row > lastRow_) {
            lastRow_ = row;
            seen_.reset();
        }
        if (seen_.test(size_t(column))) {
            damaged(QStringLiteral("%1的单元格出现了两次（文件已损坏）。").arg(cellPlace(row, column)));
        }
        seen_.set(size_t(column));
        heldRows_.set(size_t(row));
        if (sheet_.rows.size() <= size_t(row)) sheet_.rows.resize(size_t(row) + 1);
        if (!cell) return;
        std::vector<SheetCell>& cells = sheet_.rows[size_t(row)];
        if (cells.size() <= size_t(column)) {
            held_ += qint64(column) + 1 - qint64(cells.size());
            if (held_ > kMaxCells) {
                fail(XlsError::Kind::TooLarge, QStringLiteral("%1的单元格太多，请分成几个工作表导入。").arg(place()));
            }
            cells.resize(size_t(column) + 1);
        }
        cells[size_t(column)] = *cell;
    }

    void finish() {
        // Writers that describe rows (all but SheetJS) describe every row with cells.
        const std::bitset<kMaxRows> lost = claimed_ & ~heldRows_;
        const std::bitset<kMaxRows> undescribed = described_.any() ? heldRows_ & ~described_ : std::bitset<kMaxRows>();
        if (lost.any() || undescribed.any()) {
            size_t row = 0;
            while (!lost.test(row) && !undescribed.test(row)) ++row;
            damaged(QStringLiteral("%1第%2行的单元格和它的行记录对不上（文件已损坏）。").arg(place()).arg(row + 1));
        }
        // Every writer gives the range, even of an empty sheet.
        if (!dimension_) damaged(QStringLiteral("%1缺少声明范围的记录（文件已损坏）。").arg(place()));
        // A declared range that reaches past every row a record describes lost its last rows; an
        // empty sheet may declare one cell (SheetJS does).
        const int described = std::max(lastRow_, lastRowRecord_);
        if (described < 0 && endRow_ <= 1 && endColumn_ <= 1) return;
        if (quint32(std::max(described, 0)) + 1 < endRow_) {
            damaged(QStringLiteral("%1声明有%2行，却只有%3行（文件已损坏或被截断）。")
                        .arg(place())
                        .arg(endRow_)
                        .arg(std::max(described, -1) + 1));
        }
    }

    const QString name_;
    const Globals& globals_;
    const std::vector<QString>& texts_;
    XlsSheet sheet_;
    bool dimension_ = false;
    quint32 firstRow_ = 0, endRow_ = 0, firstColumn_ = 0, endColumn_ = 0;
    int lastRow_ = -1;        // the highest row of a cell so far: rows only go up
    int lastRowRecord_ = -1;  // the highest row a ROW record describes
    std::bitset<kMaxColumns> seen_;
    std::bitset<kMaxRows> described_;  // rows with a ROW record
    std::bitset<kMaxRows> claimed_;    // rows a ROW record says hold cells
    std::bitset<kMaxRows> heldRows_;
    qint64 held_ = 0;
    bool pendingText_ = false;
    int pendingRow_ = 0, pendingColumn_ = 0;
};

}  // namespace

const SheetCell& XlsSheet::cell(int row, int column) const {
    static const SheetCell empty;
    if (row < 0 || column < 0 || size_t(row) >= rows.size()) return empty;
    const std::vector<SheetCell>& cells = rows[size_t(row)];
    return size_t(column) < cells.size() ? cells[size_t(column)] : empty;
}

std::optional<XlsSheet> readXlsSheet(const QString& path, const QString& sheetName) {
    const QByteArray stream = workbookStream(path);
    const Globals globals = readGlobals(stream, path);
    for (const BoundSheet& s : globals.sheets) {
        if (s.type != 0 || s.name.compare(sheetName, Qt::CaseInsensitive) != 0) continue;
        return SheetReader(s.name, globals).read(stream, s.offset);
    }
    return std::nullopt;
}
