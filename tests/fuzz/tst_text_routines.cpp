// The pinyin initials and the amount in capitals on random texts: nothing breaks them, and what
// they must give is checked against properties and a small reference of their own.
#include <QRandomGenerator>
#include <QtTest>

#include "core/capitals.h"
#include "core/gbk.h"
#include "core/pinyin.h"
#include "support/test_registry.h"

namespace {

const QByteArray kPassThrough = QByteArrayLiteral(
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "!.#$%()*+-,/[\\|^~`@{}_");

// Any code point but the surrogates, weighted towards Hanzi, GBK symbols and what GBK lacks.
QString randomText(QRandomGenerator& random, int length) {
    std::u32string text;
    for (int i = 0; i < length; ++i) {
        char32_t c;
        switch (random.bounded(5)) {
            case 0:
                c = char32_t(random.bounded(0, 0x80));
                break;
            case 1:
                c = char32_t(random.bounded(0x4e00, 0xa000));
                break;
            case 2:
                c = char32_t(random.bounded(0x1f300, 0x1fa00));  // emoji
                break;
            case 3:
                c = char32_t(random.bounded(0x20000, 0x2fa20));  // extension B and beyond
                break;
            default:
                c = char32_t(random.bounded(0, 0x110000));
                if (c >= 0xd800 && c < 0xe000) c = 0xfffd;
        }
        text += c;
    }
    return QString::fromStdU32String(text);
}

// A first-level GB2312 character: the level ordered by pinyin.
QString firstLevelHanzi(QRandomGenerator& random, QByteArray* code) {
    const int lead = random.bounded(0xb0, 0xd8);
    const int trail = random.bounded(0xa1, lead == 0xd7 ? 0xfa : 0xff);
    code->clear();
    code->append(char(lead)).append(char(trail));
    return fromGbk(*code);
}

// The same amount from an independent reckoning: groups of four digits under 亿, 万 and none.
QString group(qint64 value) {
    static const QString digits = QStringLiteral("零壹贰叁肆伍陆柒捌玖");
    static const QString units[] = {QStringLiteral("仟"), QStringLiteral("佰"), QStringLiteral("拾"), QString()};
    QString out;
    bool zero = false;
    for (int place = 0, divisor = 1000; place < 4; ++place, divisor /= 10) {
        const int d = int(value / divisor % 10);
        if (d == 0) {
            zero = !out.isEmpty();
            continue;
        }
        if (zero) out += digits.at(0);
        out += digits.at(d) + units[place];
        zero = false;
    }
    return out;
}

QString referenceCapitals(qint64 yuan, int jiao, int fen) {
    static const QString digits = QStringLiteral("零壹贰叁肆伍陆柒捌玖");
    QString out;
    const qint64 groups[] = {yuan / 100000000, yuan / 10000 % 10000, yuan % 10000};
    const QString groupUnits[] = {QStringLiteral("亿"), QStringLiteral("万"), QString()};
    bool gap = false;
    for (int g = 0; g < 3; ++g) {
        if (groups[g] == 0) {
            gap = !out.isEmpty();
            continue;
        }
        if (!out.isEmpty() && (gap || groups[g] < 1000)) out += digits.at(0);
        out += group(groups[g]) + groupUnits[g];
        gap = false;
    }
    if (yuan > 0) out += QStringLiteral("元");
    if (jiao == 0 && fen == 0) return yuan > 0 ? out + QStringLiteral("整") : out;
    if (jiao > 0) {
        out += digits.at(jiao) + QStringLiteral("角");
    } else if (yuan > 0) {
        out += digits.at(0);
    }
    if (fen > 0) out += digits.at(fen) + QStringLiteral("分");
    return out;
}

}  // namespace

class TestTextRoutinesFuzz : public QObject {
    Q_OBJECT

private slots:
    // Whatever the text: one letter or copied character per GBK unit, only characters a name
    // column may hold, and the text taken one character at a time gives the same letters when
    // every character is a whole unit.
    void pinyinOfRandomTexts() {
        QRandomGenerator random(3377);
        for (int i = 0; i < 6000; ++i) {
            const QString text = randomText(random, i % 1000 == 0 ? 5000 : random.bounded(0, 16));
            const QByteArray gbk = toGbk(text);
            const QString initials = PinyinInitials(text);
            QVERIFY2(initials.size() <= gbk.size() && initials.size() >= (gbk.size() + 1) / 2, gbk.toHex().constData());
            for (QChar c : initials) QVERIFY2(kPassThrough.contains(char(c.unicode())), gbk.toHex().constData());

            QString oneByOne;
            bool wholeUnits = true;
            for (int k = 0; k < text.size(); ++k) {
                const int width = text.at(k).isHighSurrogate() && k + 1 < text.size() ? 2 : 1;
                const QString character = text.mid(k, width);
                k += width - 1;
                const QByteArray bytes = toGbk(character);
                wholeUnits =
                    wholeUnits && (bytes.size() == 2 || (bytes.size() == 1 && kPassThrough.contains(bytes[0])));
                oneByOne += PinyinInitials(character);
            }
            if (wholeUnits) QVERIFY2(initials == oneByOne, gbk.toHex().constData());
        }
    }

    // First-level Hanzi: one initial each, a letter a pinyin syllable can start with, and since
    // the level is ordered by pinyin, a higher code never has an earlier letter.
    void pinyinOfFirstLevelHanzi() {
        QRandomGenerator random(9001);
        for (int i = 0; i < 5000; ++i) {
            QByteArray first, second;
            const QString a = firstLevelHanzi(random, &first), b = firstLevelHanzi(random, &second);
            const QString initials = PinyinInitials(a + b);
            QCOMPARE(initials.size(), 2);
            for (QChar c : initials)
                QVERIFY2(c >= u'a' && c <= u'z' && c != u'i' && c != u'u' && c != u'v', qPrintable(a + b));
            if (first < second) QVERIFY2(initials.at(0) <= initials.at(1), qPrintable(a + b));
            if (second < first) QVERIFY2(initials.at(1) <= initials.at(0), qPrintable(a + b));
        }
    }

    // Random bytes made of units: a unit is a copied byte, or any other byte with the byte after
    // it. Cut anywhere between units, the two halves give the letters of the whole.
    void pinyinOfRandomUnitsSplits() {
        QRandomGenerator random(6161);
        for (int i = 0; i < 20000; ++i) {
            QByteArray bytes;
            QList<qsizetype> boundaries{0};
            for (int n = random.bounded(0, 12); n > 0; --n) {
                const char b = char(random.bounded(256));
                bytes.append(b);
                if (!kPassThrough.contains(b)) bytes.append(char(random.bounded(256)));
                boundaries.append(bytes.size());
            }
            const qsizetype cut = boundaries.at(random.bounded(int(boundaries.size())));
            const QByteArray whole = PinyinInitialsGbk(bytes);
            QCOMPARE(whole.size(), boundaries.size() - 1);
            QVERIFY2(whole == PinyinInitialsGbk(bytes.left(cut)) + PinyinInitialsGbk(bytes.mid(cut)),
                     bytes.toHex().constData());
        }
    }

    // Amounts below a million million yuan, written the ways a price is typed, against the
    // reference.
    void capitalsOfRandomAmounts() {
        QRandomGenerator random(1234);
        for (int i = 0; i < 20000; ++i) {
            const int digits = random.bounded(0, 13);
            qint64 yuan = 0;
            for (int d = 0; d < digits; ++d) yuan = yuan * 10 + random.bounded(10);
            const int jiao = random.bounded(4) ? random.bounded(10) : 0;
            const int fen = random.bounded(4) ? random.bounded(10) : 0;
            QString amount = QString::number(yuan);
            switch (random.bounded(5)) {
                case 0:
                    amount += QStringLiteral(".%1%2").arg(jiao).arg(fen);
                    break;
                case 1:  // leading zeros
                    amount = QStringLiteral("00") + amount + QStringLiteral(".%1%2").arg(jiao).arg(fen);
                    break;
                case 2:  // one decimal when the fen are none
                    amount += fen == 0 ? QStringLiteral(".%1").arg(jiao) : QStringLiteral(".%1%2").arg(jiao).arg(fen);
                    break;
                case 3:  // no yuan before the point
                    amount = (yuan == 0 ? QString() : amount) + QStringLiteral(".%1%2").arg(jiao).arg(fen);
                    break;
                default:  // whole yuan, with or without the point
                    amount += jiao == 0 && fen == 0 ? QString() : QStringLiteral(".%1%2").arg(jiao).arg(fen);
                    if (jiao == 0 && fen == 0 && random.bounded(2)) amount += QLatin1Char('.');
            }
            const Capitals c = amountInCapitals(amount);
            QCOMPARE(c.badCode, -1);
            QVERIFY2(c.text == referenceCapitals(yuan, jiao, fen), qPrintable(amount + QLatin1Char(' ') + c.text));
        }
    }

    // Anything else: no words, and the code of the first character that is neither a digit nor
    // a point, as one byte.
    void capitalsOfTextsThatAreNoAmount() {
        QRandomGenerator random(4321);
        for (int i = 0; i < 20000; ++i) {
            QString text = randomText(random, random.bounded(1, 12));
            if (random.bounded(2)) text.prepend(QString::number(random.bounded(100000)) + QLatin1Char('.'));
            const Capitals c = amountInCapitals(text);
            qsizetype bad = 0;
            while (bad < text.size() && ((text.at(bad) >= u'0' && text.at(bad) <= u'9') || text.at(bad) == u'.')) ++bad;
            if (bad == text.size()) continue;  // the random part was digits after all
            QVERIFY2(c.text.isEmpty(), qPrintable(text));
            QVERIFY2(c.badCode >= 0 && c.badCode < 256, qPrintable(text));
            if (text.at(bad).unicode() < 0x80) QCOMPARE(c.badCode, int(text.at(bad).unicode()));
        }
    }
};

ZENLO_TEST(TestTextRoutinesFuzz)
#include "tst_text_routines.moc"
