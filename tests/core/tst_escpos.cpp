// Receipts for ESC/POS printers: the bytes against golden files at both paper widths, the
// narrow paper's rules, and sending to a printer on the network or a device, which fails in
// words and in time when the printer is not there.
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include "core/escpos.h"
#include "core/gbk.h"
#include "core/receipt_printer.h"
#include "support/golden.h"
#include "support/loopback_printer.h"
#include "support/test_registry.h"

namespace {

// Two lines, 可口可乐 and 啤酒.
ReceiptInput colaAndBeer() {
    ReceiptInput in;
    in.serial = QStringLiteral("CJG121122000002 ");
    in.cashier = QStringLiteral("超级管理员");
    in.noteDate = QStringLiteral("2012-11-22");
    in.time = QStringLiteral("15:04:09");
    in.goods = {{QStringLiteral("可口可乐"), 2, 6}, {QStringLiteral("啤酒"), 4, 20}};
    in.total = in.received = QStringLiteral("26.00");
    in.cash = 30;
    in.change = 4;
    return in;
}

// One name of exactly 18 columns, which fills the wide name column and is cut on narrow paper.
ReceiptInput eighteenColumnName() {
    ReceiptInput in = colaAndBeer();
    in.goods = {{QStringLiteral("青岛啤酒500ml*12罐"), 12, 60}};
    in.total = in.received = QStringLiteral("60.00");
    in.cash = 100;
    in.change = 40;
    return in;
}

// The job as a reviewer reads it: one command or one text line per line, with its bytes.
QString dump(const QByteArray& job) {
    const QList<QPair<QByteArray, QString>> commands{{EscPos::kInitialise, QStringLiteral("initialise")},
                                                     {EscPos::kChineseMode, QStringLiteral("chinese mode")},
                                                     {EscPos::kBoldOn, QStringLiteral("bold on")},
                                                     {EscPos::kBoldOff, QStringLiteral("bold off")},
                                                     {EscPos::kDoubleHeight, QStringLiteral("double height")},
                                                     {EscPos::kNormalSize, QStringLiteral("normal size")},
                                                     {EscPos::kFeed, QStringLiteral("feed")},
                                                     {EscPos::kPartialCut, QStringLiteral("partial cut")},
                                                     {EscPos::kDrawerPulse, QStringLiteral("drawer pulse")}};
    QString out;
    qsizetype at = 0;
    while (at < job.size()) {
        bool matched = false;
        for (const auto& [bytes, name] : commands) {
            if (job.mid(at, bytes.size()) == bytes) {
                out += name + QStringLiteral(": ") + QString::fromLatin1(bytes.toHex(' ')) + QLatin1Char('\n');
                at += bytes.size();
                matched = true;
                break;
            }
        }
        if (matched) continue;
        qsizetype end = job.indexOf('\n', at);
        if (end < 0) end = job.size() - 1;
        const QByteArray line = job.mid(at, end - at + 1);
        out += QStringLiteral("text \"%1\": %2\n").arg(fromGbk(line.chopped(1)), QString::fromLatin1(line.toHex(' ')));
        at = end + 1;
    }
    return out;
}

ReceiptPrinterSettings network(quint16 port, const QString& host = QStringLiteral("127.0.0.1")) {
    ReceiptPrinterSettings s;
    s.mode = ReceiptPrinterSettings::Mode::Network;
    s.host = host;
    s.port = port;
    return s;
}

}  // namespace

Q_DECLARE_METATYPE(ReceiptInput)
Q_DECLARE_METATYPE(ReceiptPrinterSettings)

class TestEscPos : public QObject {
    Q_OBJECT

private slots:
    void bytesMatchTheirGoldenFiles_data() {
        QTest::addColumn<ReceiptInput>("receipt");
        QTest::addColumn<int>("paper");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<bool>("drawer");
        QTest::addColumn<QString>("golden");
        QTest::newRow("two lines, 80 mm") << colaAndBeer() << 80 << true << false << "escpos-two-lines-80.txt";
        QTest::newRow("two lines, 58 mm") << colaAndBeer() << 58 << false << true << "escpos-two-lines-58.txt";
        QTest::newRow("18-column name, 80 mm")
            << eighteenColumnName() << 80 << true << true << "escpos-long-name-80.txt";
        QTest::newRow("18-column name, 58 mm")
            << eighteenColumnName() << 58 << true << true << "escpos-long-name-58.txt";
    }
    void bytesMatchTheirGoldenFiles() {
        QFETCH(ReceiptInput, receipt);
        QFETCH(int, paper);
        QFETCH(bool, cut);
        QFETCH(bool, drawer);
        QFETCH(QString, golden);
        const QString diff = compareWithGolden(golden, dump(escPosReceipt(receipt, {paper, cut, drawer})));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    // On 58 mm paper every line fits 32 columns: rules of 32 hyphens, names cut to 12 columns,
    // and longer texts continued on the next line without splitting a character.
    void narrowPaperKeepsToItsColumns() {
        ReceiptInput in = eighteenColumnName();
        in.goods.append({QStringLiteral("一二三四五六七八九十"), 1, 1});
        in.total = in.received = QStringLiteral("1234567890.00");
        in.cash = 1234567890;
        const QStringList lines = escPosLines(in, 58);
        for (const QString& line : lines) QVERIFY2(displayColumns(line) <= 32, qPrintable(line));
        QCOMPARE(lines.count(QString(32, QLatin1Char('-'))), 6);
        QVERIFY(lines.contains(QStringLiteral("青岛啤酒500m  12      60")));
        QVERIFY(lines.contains(QStringLiteral("一二三四五六  1      1")));
        qsizetype total = 0;
        while (total < lines.size() && !lines[total].startsWith(QStringLiteral("总计:"))) ++total;
        QVERIFY(total + 1 < lines.size());
        QCOMPARE(lines[total] + lines[total + 1], QStringLiteral("总计:1234567890.00元  实收:1234567890.00元"));
        // The wide paper prints the receipt's own lines.
        QVERIFY(escPosLines(in, 80).contains(QStringLiteral("青岛啤酒500ml*12罐  12      60")));
    }

    // What the printer receives is the status request, then exactly the job; a printer that
    // reports no paper gets nothing more, and one that does not answer still prints.
    void aNetworkPrinterReceivesTheJob() {
        const QByteArray job = escPosReceipt(colaAndBeer(), {});
        {
            LoopbackPrinter printer;
            QString error;
            QVERIFY2(sendToReceiptPrinter(network(printer.port()), job, &error), qPrintable(error));
            QCOMPARE(printer.received(), EscPos::kPaperStatus + job);
        }
        {
            LoopbackPrinter silent(std::nullopt);
            QString error;
            QVERIFY2(sendToReceiptPrinter(network(silent.port()), job, &error), qPrintable(error));
            QCOMPARE(silent.received(), EscPos::kPaperStatus + job);
        }
        {
            LoopbackPrinter stranger('H');  // something that is no printer's status answer
            QString error;
            QVERIFY2(sendToReceiptPrinter(network(stranger.port()), job, &error), qPrintable(error));
            QCOMPARE(stranger.received(), EscPos::kPaperStatus + job);
        }
        {
            LoopbackPrinter empty(char(0x72));
            QString error;
            QVERIFY(!sendToReceiptPrinter(network(empty.port()), job, &error));
            QVERIFY(error.contains(QStringLiteral("缺纸")));
            QCOMPARE(empty.received(), EscPos::kPaperStatus);
        }
    }

    // A device path receives the job as it is; a printer that is not there is named at once.
    void printersThatAreNotThereFailInTime_data() {
        QTest::addColumn<ReceiptPrinterSettings>("settings");
        QTest::addColumn<QString>("named");
        QTest::newRow("refused port") << network(LoopbackPrinter::closedPort()) << "127.0.0.1";
        ReceiptPrinterSettings device;
        device.mode = ReceiptPrinterSettings::Mode::Device;
        device.device = QStringLiteral("/dev/usb/lp-not-here");
        QTest::newRow("missing device") << device << "/dev/usb/lp-not-here";
        ReceiptPrinterSettings noHost = network(9100, QString());
        QTest::newRow("no address") << noHost << "地址";
    }
    void printersThatAreNotThereFailInTime() {
        QFETCH(ReceiptPrinterSettings, settings);
        QFETCH(QString, named);
        QElapsedTimer t;
        t.start();
        QString error;
        QVERIFY(!sendToReceiptPrinter(settings, escPosReceipt(colaAndBeer(), {}), &error));
        QVERIFY2(t.elapsed() < kReceiptPrinterTimeoutMs + 500, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(error.contains(named), qPrintable(error));
    }

    void aDeviceFileReceivesTheJob() {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("lp0")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        ReceiptPrinterSettings s;
        s.mode = ReceiptPrinterSettings::Mode::Device;
        s.device = file.fileName();
        const QByteArray job = escPosReceipt(eighteenColumnName(), {58, true, true});
        QString error;
        QVERIFY2(sendToReceiptPrinter(s, job, &error), qPrintable(error));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), job);
    }
};

ZENLO_TEST(TestEscPos)

#include "tst_escpos.moc"
