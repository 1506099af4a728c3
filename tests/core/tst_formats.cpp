// Number and date texts: what the totals, the change, the line values and the dates show.
#include <QtTest>

#include "core/formats.h"
#include "support/test_registry.h"

class TestFormats : public QObject {
    Q_OBJECT

private slots:
    void general_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction") << 12.5 << "12.5";
        QTest::newRow("whole") << 3.0 << "3";
        QTest::newRow("binary noise hidden") << 0.1 + 0.2 << "0.3";
        QTest::newRow("product") << 2.5 * 4 << "10";
        QTest::newRow("negative") << -2.5 << "-2.5";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("fifteen digits") << 123456789012.345 << "123456789012.345";
        QTest::newRow("too many digits") << 1234567890123456789.0 << "1.23456789012346E18";
        QTest::newRow("small") << 0.0001 << "0.0001";
        QTest::newRow("tiny") << 0.00001 << "1E-5";
    }
    void general() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatGeneral(value), text);
    }

    void fixed2_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0.00";
        QTest::newRow("whole") << 25.0 << "25.00";
        QTest::newRow("one decimal") << 12.5 << "12.50";
        QTest::newRow("negative") << -3.0 << "-3.00";
        // 2.345 is stored a hair below; a person still rounds it up.
        QTest::newRow("half up on decimal form") << 2.345 << "2.35";
        QTest::newRow("1.005") << 1.005 << "1.01";
        QTest::newRow("half a cent") << 0.005 << "0.01";
        QTest::newRow("tiny negative") << -0.001 << "0.00";
        QTest::newRow("carry") << 9.999 << "10.00";
        QTest::newRow("change 30-25") << 30.0 - 25.0 << "5.00";
        QTest::newRow("large") << 1234567.891 << "1234567.89";
    }
    void fixed2() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatFixed2(value), text);
    }

    void tenThousandths_data() {
        QTest::addColumn<qint64>("sum");
        QTest::addColumn<QString>("general");
        QTest::addColumn<QString>("fixed");
        QTest::newRow("zero") << qint64(0) << "0"
                              << "0.00";
        QTest::newRow("2.5") << qint64(25000) << "2.5"
                             << "2.50";
        QTest::newRow("four decimals") << qint64(123456) << "12.3456"
                                       << "12.35";
        QTest::newRow("negative") << qint64(-30000) << "-3"
                                  << "-3.00";
        QTest::newRow("half cent rounds away") << qint64(-50) << "-0.005"
                                               << "-0.01";
        QTest::newRow("under half a cent") << qint64(49) << "0.0049"
                                           << "0.00";
    }
    void tenThousandths() {
        QFETCH(qint64, sum);
        QFETCH(QString, general);
        QFETCH(QString, fixed);
        QCOMPARE(formatTenThousandthsGeneral(sum), general);
        QCOMPARE(formatTenThousandthsFixed2(sum), fixed);
    }

    void parsing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << "12.5" << true << 12.5;
        QTest::newRow("trailing point") << "12." << true << 12.0;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("blanks") << " 3 " << true << 3.0;
        QTest::newRow("signed") << "-1" << true << -1.0;
        QTest::newRow("exponent") << "1e3" << true << 1000.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("lone point") << "." << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("comma") << "1,5" << false << 0.0;
    }
    void parsing() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        const auto parsed = parseNumber(text);
        QCOMPARE(parsed.has_value(), ok);
        if (ok) QCOMPARE(*parsed, value);
    }

    void integersAndBlanks() {
        QCOMPARE(parseInteger(QStringLiteral(" 15 ")).value_or(-1), 15);
        QVERIFY(!parseInteger(QStringLiteral("1.5")).has_value());
        QVERIFY(!parseInteger(QStringLiteral("x")).has_value());
        QCOMPARE(trimBlanks(QStringLiteral("\t 0 \r\n")), QStringLiteral("0"));
        // A full-width blank is a character of the text.
        QCOMPARE(trimBlanks(QStringLiteral("\u3000x ")), QStringLiteral("\u3000x"));
    }

    void dates() {
        QCOMPARE(formatDate(QDate(2012, 11, 22)), QStringLiteral("2012-11-22"));
        QCOMPARE(formatDate(QDate(2013, 1, 5)), QStringLiteral("2013-01-05"));
        QCOMPARE(formatDateTime(QDateTime(QDate(2013, 1, 5), QTime(9, 4, 3))), QStringLiteral("2013-01-05 09:04:03"));
        QCOMPARE(parseDate(QStringLiteral("2013-1-5")).value_or(QDate()), QDate(2013, 1, 5));
        QVERIFY(!parseDate(QStringLiteral("2013-02-30")).has_value());
        QVERIFY(!parseDate(QStringLiteral("05/01/2013")).has_value());
    }
};

ZENLO_TEST(TestFormats)
#include "tst_formats.moc"
