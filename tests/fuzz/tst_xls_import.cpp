// Damaged and random workbooks through the goods import: every one is read or refused with a
// message, never the end of the program, and a refused import leaves the catalogue as it was.
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include "core/goods_import.h"
#include "support/temp_database.h"
#include "support/test_registry.h"

namespace {

constexpr qsizetype kSector = 512;

QList<QByteArray> fixtures() {
    QList<QByteArray> out;
    const QDir dir(QStringLiteral(ZENLO_TEST_SOURCE_DIR "/fixtures"));
    for (const QString& name : dir.entryList({QStringLiteral("*.xls")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly)) out.append(file.readAll());
    }
    return out;
}

// One damage of the kinds a copied or half-written file shows.
QByteArray damaged(QByteArray bytes, QRandomGenerator& random) {
    const auto at = [&](qsizetype size) { return qsizetype(random.bounded(quint64(std::max<qsizetype>(size, 1)))); };
    switch (random.bounded(6)) {
        case 0:  // bit flips
            for (int i = 0, n = random.bounded(1, 9); i < n; ++i)
                bytes[at(bytes.size())] ^= char(1 << random.bounded(8));
            break;
        case 1:  // cut short
            bytes.truncate(at(bytes.size()));
            break;
        case 2: {  // a run of random bytes
            const qsizetype from = at(bytes.size());
            for (qsizetype i = from, end = std::min(bytes.size(), from + random.bounded(1, 65)); i < end; ++i) {
                bytes[i] = char(random.bounded(256));
            }
            break;
        }
        case 3: {  // one sector over another, or two sectors swapped (the header stays)
            const qsizetype sectors = bytes.size() / kSector;
            if (sectors < 3) break;
            const qsizetype a = 1 + at(sectors - 1), b = 1 + at(sectors - 1);
            const QByteArray first = bytes.mid(a * kSector, kSector), second = bytes.mid(b * kSector, kSector);
            bytes.replace(b * kSector, kSector, first);
            if (random.bounded(2)) bytes.replace(a * kSector, kSector, second);
            break;
        }
        case 4: {  // extreme values: sizes, counts and record types of 0 or all ones
            const qsizetype from = at(bytes.size());
            const char value = random.bounded(2) ? char(0xFF) : char(0);
            for (qsizetype i = from; i < std::min(bytes.size(), from + random.bounded(1, 5)); ++i) bytes[i] = value;
            break;
        }
        default: {  // a run of the file copied elsewhere in it
            const qsizetype from = at(bytes.size()), to = at(bytes.size());
            const QByteArray run = bytes.mid(from, random.bounded(1, 600));
            bytes.replace(to, std::min(run.size(), bytes.size() - to), run);
            break;
        }
    }
    return bytes;
}

QByteArray randomBytes(QRandomGenerator& random, qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes) b = char(random.bounded(256));
    return bytes;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Read or refused with a line that says what is wrong; a refusal reads the same every time.
void checkRead(const QString& path, const QByteArray& bytes, GoodsImportResult* out = nullptr) {
    const GoodsImportResult r = readGoodsWorkbook(path);
    const QByteArray input = bytes.left(16).toHex();
    if (r.failure == GoodsImportResult::Failure::None) {
        QVERIFY2(r.rows >= 0 && r.problem.isEmpty(), input.constData());
    } else {
        QVERIFY2(r.failure == GoodsImportResult::Failure::Import, input.constData());
        QVERIFY2(!r.problem.isEmpty() && r.rows == 0, input.constData());
    }
    if (out) *out = r;
}

}  // namespace

class TestXlsImportFuzz : public QObject {
    Q_OBJECT

private slots:
    void damagedWorkbooksAreReadOrRefused() {
        const QList<QByteArray> originals = fixtures();
        QVERIFY(originals.size() >= 5);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("damaged.xls"));
        // The goods rows of each workbook whole: a damaged copy that is read must give them all.
        QList<int> wholeRows;
        for (const QByteArray& original : originals) {
            write(path, original);
            wholeRows.append(readGoodsWorkbook(path).rows);
        }
        QRandomGenerator random(7301);
        int read = 0, refused = 0, partly = 0;
        for (int i = 0; i < 600; ++i) {
            const int which = random.bounded(int(originals.size()));
            QByteArray bytes = originals.at(which);
            for (int n = random.bounded(1, 4); n > 0; --n) bytes = damaged(bytes, random);
            write(path, bytes);
            GoodsImportResult r;
            checkRead(path, bytes, &r);
            if (QTest::currentTestFailed()) return;
            (r.failure == GoodsImportResult::Failure::None ? read : refused) += 1;
            if (r.failure == GoodsImportResult::Failure::None && r.rows < wholeRows.at(which)) ++partly;
        }
        qInfo("%d damaged workbooks: %d read whole, %d refused, %d read in part", read + refused, read - partly,
              refused, partly);
        QCOMPARE(partly, 0);
        // Both ways out were taken, or the damage reached nothing.
        QVERIFY2(read >= 5 && refused > 60, qPrintable(QStringLiteral("%1 read, %2 refused").arg(read).arg(refused)));
    }

    // Pure noise, and noise behind a compound file's real header, which the reader then tries
    // to follow into sectors and sheets that are not there.
    void randomFilesAreRefused() {
        const QByteArray header = fixtures().constFirst().left(kSector);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("random.xls"));
        QRandomGenerator random(1187);
        for (int i = 0; i < 200; ++i) {
            const qsizetype size = random.bounded(0, 6 * kSector);
            const QByteArray bytes = (i % 2 ? header : QByteArray()) + randomBytes(random, size);
            write(path, bytes);
            GoodsImportResult r;
            checkRead(path, bytes, &r);
            if (QTest::currentTestFailed()) return;
            QVERIFY2(r.failure == GoodsImportResult::Failure::Import, bytes.left(16).toHex().constData());
        }
    }

    // A workbook whose sheet repeats its dimensions record after its first cells (a reader once
    // fell over on it): a damaged file like any other.
    void aReaderThatFallsOverIsADamagedFile() {
        QFile source(QStringLiteral(ZENLO_TEST_SOURCE_DIR "/fixtures/goods_100.xls"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QByteArray bytes = source.readAll();
        // The first NUMBER record (0x0203, 14 bytes) of the sheet becomes a DIMENSION (0x0200).
        const qsizetype number = bytes.indexOf(QByteArray::fromHex("03020e00"), bytes.indexOf("quorbin"));
        QVERIFY(number > 0);
        bytes[number] = 0;
        TempDatabase db;
        db.addGoods(QStringLiteral("6901"), QStringLiteral("可口可乐"), 3, 2);
        const QString path = db.file(QStringLiteral("repeated_dimensions.xls"));
        write(path, bytes);
        const GoodsImportResult r = importGoods(path, db.path());
        QCOMPARE(r.failure, GoodsImportResult::Failure::Import);
        QVERIFY2(r.problem.contains(QStringLiteral("文件已损坏")), qPrintable(r.problem));
        QVERIFY(importFailureText(r).startsWith(GoodsImport::kImportFailed));
        QCOMPARE(db.count(QStringLiteral("sp")), 1);
    }

    // The whole import on a sample of damaged files: the reading decides, and a refused file
    // writes nothing while a read one writes exactly its rows.
    void importWritesAllRowsOrNone() {
        const QList<QByteArray> originals = fixtures();
        TempDatabase db;
        db.addGoods(QStringLiteral("6901"), QStringLiteral("可口可乐"), 3, 2);
        const QString path = db.file(QStringLiteral("damaged.xls"));
        QRandomGenerator random(4410);
        for (int i = 0; i < 30; ++i) {
            const QByteArray bytes = damaged(originals.at(random.bounded(int(originals.size()))), random);
            write(path, bytes);
            GoodsImportResult read;
            checkRead(path, bytes, &read);
            const int before = db.count(QStringLiteral("sp"));
            const GoodsImportResult imported = importGoods(path, db.path());
            QCOMPARE(imported.failure, read.failure);
            QCOMPARE(imported.problem, read.problem);
            QCOMPARE(imported.rows, read.rows);
            QCOMPARE(db.count(QStringLiteral("sp")), before + imported.rows);
        }
    }
};

ZENLO_TEST(TestXlsImportFuzz)
#include "tst_xls_import.moc"
