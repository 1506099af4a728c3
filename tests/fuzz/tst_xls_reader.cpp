// Seeded mutants of goods_100.xls and of a SheetJS workbook through the .xls reader: each is refused
// with an XlsError, has no sheet "quorbin", or gives all its rows with something in the first nine
// columns of each.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>
#include <map>

#include "core/xls_reader.h"
#include "support/compound_file.h"
#include "support/test_registry.h"

namespace {

constexpr qsizetype kSector = 512;

qsizetype at(QRandomGenerator& random, qsizetype size) {
    return qsizetype(random.bounded(quint64(std::max<qsizetype>(size, 1))));
}

void flipBits(QByteArray& bytes, QRandomGenerator& random) {
    for (int i = 0, n = random.bounded(1, 9); i < n && !bytes.isEmpty(); ++i) {
        bytes[at(random, bytes.size())] ^= char(1 << random.bounded(8));
    }
}

void randomRun(QByteArray& bytes, QRandomGenerator& random) {
    const qsizetype from = at(random, bytes.size());
    const bool extreme = random.bounded(3) == 0;  // sizes, counts and types of 0 or all ones
    const char fill = random.bounded(2) ? char(0xFF) : char(0);
    for (qsizetype i = from, end = std::min(bytes.size(), from + random.bounded(1, 65)); i < end; ++i) {
        bytes[i] = extreme ? fill : char(random.bounded(256));
    }
}

// One sector over another, or two swapped; the header stays.
void moveSectors(QByteArray& bytes, QRandomGenerator& random) {
    const qsizetype sectors = bytes.size() / kSector;
    if (sectors < 3) return;
    const qsizetype a = 1 + at(random, sectors - 1), b = 1 + at(random, sectors - 1);
    const QByteArray first = bytes.mid(a * kSector, kSector), second = bytes.mid(b * kSector, kSector);
    bytes.replace(b * kSector, kSector, first);
    if (random.bounded(2)) bytes.replace(a * kSector, kSector, second);
}

const char* const kMutations[] = {"file bits",   "file cut",   "file run",  "sectors",
                                  "stream bits", "stream cut", "stream run"};

// Mutation `kind` of the workbook: on the file's bytes, or on its Workbook stream in a new file.
QByteArray mutant(int kind, const QByteArray& file, const QByteArray& stream, QRandomGenerator& random) {
    QByteArray bytes = kind < 4 ? file : stream;
    switch (kind) {
        case 0:
        case 4:
            flipBits(bytes, random);
            break;
        case 1:
        case 5:
            bytes.truncate(at(random, bytes.size()));
            break;
        case 2:
        case 6:
            randomRun(bytes, random);
            break;
        default:
            moveSectors(bytes, random);
            break;
    }
    return kind < 4 ? bytes : compoundFile(bytes);
}

// Empty when the sheet is whole: every row there, each with something among the nine columns.
QString missingRows(const XlsSheet& sheet, int rows) {
    if (sheet.rowCount() < rows) return QStringLiteral("%1 rows").arg(sheet.rowCount());
    for (int r = 0; r < rows; ++r) {
        bool filled = false;
        for (int c = 0; c < 9 && !filled; ++c) {
            const SheetCell& cell = sheet.cell(r, c);
            filled =
                cell.kind != SheetCell::Kind::Empty && !(cell.kind == SheetCell::Kind::Text && cell.text.isEmpty());
        }
        if (!filled) return QStringLiteral("row %1 empty").arg(r + 1);
    }
    return {};
}

}  // namespace

class TestXlsReaderFuzz : public QObject {
    Q_OBJECT

private slots:
    // goods_100.xls (xlwt; the heading and 100 goods rows), and SheetJS's tiny workbook, whose
    // stream lies in the mini stream.
    void mutantsAreWholeOrRefused_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("mutants");
        QTest::newRow("goods_100") << QStringLiteral("goods_100.xls") << 101 << 21000;  // 3000 of each kind
        QTest::newRow("sheetjs-tiny") << QStringLiteral("xls/sheetjs-tiny.xls") << 4 << 7000;
    }
    void mutantsAreWholeOrRefused() {
        QFETCH(QString, fixture);
        QFETCH(int, rows);
        QFETCH(int, mutants);
        QFile source(QStringLiteral(ZENLO_TEST_SOURCE_DIR "/fixtures/") + fixture);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray file = source.readAll();
        const QByteArray stream = compoundStream(file);
        QVERIFY(!stream.isEmpty());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mutant.xls"));

        // XLS_SEED=n runs another sequence of mutants, to hunt beyond the one that always runs.
        const quint32 seed = quint32(qEnvironmentVariableIntValue("XLS_SEED"));
        QRandomGenerator random(seed ? seed : 20250611u);
        std::map<QString, int> outcomes;
        QElapsedTimer clock;
        clock.start();
        const int kinds = int(std::size(kMutations));
        for (int i = 0; i < mutants; ++i) {
            const int kind = i % kinds;
            const QByteArray bytes = mutant(kind, file, stream, random);
            // A new file each time: ext4 flushes a file truncated and written again, 3 ms a time.
            QFile::remove(path);
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            QCOMPARE(out.write(bytes), bytes.size());
            out.close();
            const QByteArray where =
                QStringLiteral("mutant %1 (%2)").arg(i).arg(QLatin1String(kMutations[kind])).toUtf8();
            try {
                const std::optional<XlsSheet> sheet = readXlsSheet(path, QStringLiteral("quorbin"));
                if (!sheet) {
                    ++outcomes[QStringLiteral("no sheet")];
                    continue;
                }
                const QString missing = missingRows(*sheet, rows);
                if (!missing.isEmpty()) {
                    // Kept for a look at what got through.
                    const QString kept = QDir::temp().filePath(QStringLiteral("xls-mutant-%1.xls").arg(i));
                    QFile::remove(kept);
                    QFile::copy(path, kept);
                    QFAIL((where + ": read with " + missing.toUtf8() + ", kept as " + kept.toUtf8()).constData());
                }
                ++outcomes[QStringLiteral("whole")];
            } catch (const XlsError& e) {
                static const char* names[] = {"Missing", "NotWorkbook", "Encrypted", "Damaged", "TooLarge"};
                QVERIFY2(e.kind != XlsError::Kind::Missing && !e.detail.isEmpty(), where.constData());
                ++outcomes[QLatin1String(names[int(e.kind)])];
            }
        }
        QStringList counts;
        for (const auto& [outcome, n] : outcomes) counts.append(QStringLiteral("%1 %2").arg(outcome).arg(n));
        qInfo("%s in %lld ms", qPrintable(counts.join(QStringLiteral(", "))), qlonglong(clock.elapsed()));
        // The damage reached the cells often, and often did not.
        QVERIFY(outcomes[QStringLiteral("Damaged")] > mutants / 5 && outcomes[QStringLiteral("whole")] > mutants / 50);
    }
};

ZENLO_TEST(TestXlsReaderFuzz)
#include "tst_xls_reader.moc"
