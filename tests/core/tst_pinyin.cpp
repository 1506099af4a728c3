// Tests for the pinyin initials that name the catalogue's search columns and the sale serials.
#include <QRandomGenerator>
#include <QSet>
#include <QtTest>

#include "core/gbk.h"
#include "core/pinyin.h"
#include "core/pinyin_lists.h"
#include "support/test_registry.h"

namespace {

// The characters copied as they are, written out independently of the implementation.
QByteArray passThroughBytes() {
    QByteArray bytes = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (char c : {0x21, 0x2E, 0x23, 0x24, 0x25, 0x28, 0x29, 0x2A, 0x2B, 0x2D, 0x2C,
                   0x2F, 0x5B, 0x5C, 0x7C, 0x5E, 0x7E, 0x60, 0x40, 0x7B, 0x7D, 0x5F}) {
        bytes.append(c);
    }
    return bytes;
}

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) out.append(static_cast<char>(v));
    return out;
}

}  // namespace

class TestPinyin : public QObject {
    Q_OBJECT

private slots:
    void initials_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty") << QString() << QString();

        // The names the catalogue columns and the sale serials are built from.
        QTest::newRow("goods") << u"商品"_qs << u"sp"_qs;
        QTest::newRow("category") << u"类别"_qs << u"lb"_qs;
        QTest::newRow("supplier") << u"供货商"_qs << u"ghs"_qs;
        QTest::newRow("administrator") << u"超级管理员"_qs << u"cjgly"_qs;

        // ASCII letters, digits and the listed punctuation pass through, case kept.
        QTest::newRow("upper case stays") << u"ABC"_qs << u"ABC"_qs;
        QTest::newRow("weight") << u"1.5kg"_qs << u"1.5kg"_qs;
        QTest::newRow("mixed") << u"Hello世界"_qs << u"Hellosj"_qs;
        QTest::newRow("hyphen between") << u"王-伟"_qs << u"w-w"_qs;

        // Bytes that are not passed through swallow the next byte, whatever it is.
        QTest::newRow("blank eats B") << u"A B"_qs << u"A!"_qs;
        QTest::newRow("trailing blank alone") << u"商 "_qs << u"s!"_qs;
        QTest::newRow("bracket eats b") << u"a]b"_qs << u"a!"_qs;
        QTest::newRow("equals eats 1") << u"x=1"_qs << u"x!"_qs;
        QTest::newRow("question mark alone") << u"?"_qs << u"!"_qs;
        // The blank takes 商's first byte (matched across an entry boundary of the c list); the
        // lone second byte, read with 0, falls in the t range.
        QTest::newRow("blank splits a character") << u"A 商"_qs << u"Act"_qs;

        // Full-width forms are in no range and no list.
        QTest::newRow("full-width parentheses") << u"商品（新）"_qs << u"sp!x!"_qs;
        QTest::newRow("full-width letter") << u"Ａ"_qs << u"!"_qs;

        // A first-level character takes its range's letter even where a list also holds it.
        QTest::newRow("first level in b list") << u"曝"_qs << u"p"_qs;
        QTest::newRow("first level in a list") << u"嚣"_qs << u"x"_qs;
        // Second level: the first list in order that holds it wins.
        QTest::newRow("second level b and p") << u"芘"_qs << u"b"_qs;
        QTest::newRow("second level c, t and x") << u"镡"_qs << u"c"_qs;
        QTest::newRow("second level a list start") << u"锕"_qs << u"a"_qs;
        QTest::newRow("second level b list end") << u"醭"_qs << u"b"_qs;
        QTest::newRow("second level z list end") << u"笮"_qs << u"z"_qs;
        QTest::newRow("no list") << u"嗯"_qs << u"!"_qs;
        QTest::newRow("radical") << u"丨"_qs << u"!"_qs;
    }

    void initials() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString result = PinyinInitials(text);
        QCOMPARE(result, expected);
        QVERIFY(result.size() <= toGbk(text).size());
    }

    void gbkBytes_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");

        // A lone last byte is looked up with 0 as its second byte, and a 0 byte matches nothing
        // in the lists.
        QTest::newRow("lone 0xC0 in k range") << bytes({0xC0}) << QByteArray("k");
        QTest::newRow("lone 0xB0 below ranges") << bytes({0xB0}) << QByteArray("!");
        QTest::newRow("lone 0xD8 above ranges") << bytes({0xD8}) << QByteArray("!");
        QTest::newRow("lone 0x80") << bytes({0x80}) << QByteArray("!");

        // Only the 16-bit value counts: second bytes that are no GBK trail byte still fall in a
        // range and are consumed with the unit.
        QTest::newRow("digit as second byte") << bytes({0xB1, '0'}) << QByteArray("b");
        QTest::newRow("blank as second byte") << bytes({0xB1, ' '}) << QByteArray("b");
        QTest::newRow("letter as second byte") << bytes({0xC0, 'A', 'B'}) << QByteArray("kB");

        // Just outside the first and last range.
        QTest::newRow("0xB0A0") << bytes({0xB0, 0xA0}) << QByteArray("!");
        QTest::newRow("0xD7FA") << bytes({0xD7, 0xFA}) << QByteArray("!");

        // The list search is on bytes, so units with a blank match across entry boundaries.
        QTest::newRow("trail byte and blank") << bytes({0xA1, ' '}) << QByteArray("a");
        QTest::newRow("blank and lead byte") << bytes({' ', 0xD8}) << QByteArray("b");
        QTest::newRow("range then lone byte") << bytes({0xB9, ' ', 0xD8}) << QByteArray("g!");
    }

    void gbkBytes() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(PinyinInitialsGbk(input), expected);
    }

    void letterRanges_data() {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");

        const char* const ranges[][3] = {
            {"a", "啊", "澳"}, {"b", "芭", "怖"}, {"c", "擦", "错"}, {"d", "搭", "堕"}, {"e", "蛾", "贰"},
            {"f", "发", "咐"}, {"g", "噶", "过"}, {"h", "哈", "祸"}, {"j", "击", "骏"}, {"k", "喀", "阔"},
            {"l", "垃", "络"}, {"m", "妈", "穆"}, {"n", "拿", "诺"}, {"o", "哦", "沤"}, {"p", "啪", "瀑"},
            {"q", "期", "群"}, {"r", "然", "弱"}, {"s", "撒", "所"}, {"t", "塌", "唾"}, {"w", "挖", "误"},
            {"x", "昔", "迅"}, {"y", "压", "孕"}, {"z", "匝", "座"},
        };
        for (const auto& range : ranges) {
            QTest::newRow(range[0]) << QString::fromUtf8(range[0]) << QString::fromUtf8(range[1])
                                    << QString::fromUtf8(range[2]);
        }
    }

    // The first and last character of every range, so each boundary is checked from both sides.
    void letterRanges() {
        QFETCH(QString, letter);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QCOMPARE(PinyinInitials(first + last), letter + letter);
    }

    void passThrough() {
        const QByteArray passing = passThroughBytes();
        QCOMPARE(QSet<char>(passing.begin(), passing.end()).size(), 84);
        QCOMPARE(PinyinInitialsGbk(passing), passing);

        // Every other ASCII byte, control characters included, pairs with the next byte and the
        // pair is found nowhere.
        for (int b = 0; b < 0x80; ++b) {
            if (passing.contains(static_cast<char>(b))) continue;
            const QByteArray input = bytes({b, 'a'});
            QVERIFY2(PinyinInitialsGbk(input) == "!", qPrintable(QString::number(b, 16)));
        }
    }

    void supplementaryLists_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("entries");

        const std::pair<char, int> expected[] = {
            {'a', 34},  {'b', 143}, {'c', 194}, {'d', 149}, {'e', 26},  {'f', 83},  {'g', 151}, {'h', 153},
            {'j', 242}, {'k', 100}, {'l', 234}, {'m', 133}, {'n', 80},  {'o', 4},   {'p', 109}, {'q', 175},
            {'r', 38},  {'s', 205}, {'t', 159}, {'w', 92},  {'x', 181}, {'y', 296}, {'z', 241},
        };
        int index = 0;
        for (const auto& [letter, entries] : expected) {
            QTest::newRow(QByteArray(1, letter).constData()) << index++ << letter << entries;
        }
    }

    // Each list in its place, with every character two GBK bytes and followed by one blank.
    void supplementaryLists() {
        QFETCH(int, index);
        QFETCH(char, letter);
        QFETCH(int, entries);
        const std::vector<PinyinList>& lists = pinyinSupplementaryLists();
        QCOMPARE(lists.size(), size_t(23));
        const PinyinList& list = lists.at(index);
        QCOMPARE(list.letter, letter);
        QCOMPARE(list.gbk.size(), qsizetype(entries) * 3);
        for (qsizetype i = 0; i < list.gbk.size(); ++i) {
            QCOMPARE(list.gbk.at(i) == ' ', i % 3 == 2);
        }
    }

    void listTextsStartAsStored() {
        QVERIFY(pinyinSupplementaryLists().front().gbk.startsWith(toGbk(u"锕 捱 嗳 嗌 "_qs)));
    }

    // Over the whole second level of GB2312: 93 characters stand in no list, and 112 characters
    // stand in more than one.
    void secondLevelCoverage() {
        int unmatched = 0;
        for (int lead = 0xD8; lead <= 0xF7; ++lead) {
            for (int trail = 0xA1; trail <= 0xFE; ++trail) {
                if (PinyinInitialsGbk(bytes({lead, trail})) == "!") ++unmatched;
            }
        }
        QCOMPARE(unmatched, 93);

        QHash<QString, QSet<char>> letters;
        for (const PinyinList& list : pinyinSupplementaryLists()) {
            for (const QString& entry : fromGbk(list.gbk).split(u' ', Qt::SkipEmptyParts)) {
                letters[entry].insert(list.letter);
            }
        }
        int inSeveral = 0;
        for (const QSet<char>& set : std::as_const(letters)) {
            if (set.size() > 1) ++inSeveral;
        }
        QCOMPARE(inSeveral, 112);
    }

    // One letter per unit: never longer than the input, never shorter than half of it, and only
    // pass-through characters (which include "!") come out.
    void resultLengthOnRandomBytes() {
        const QByteArray passing = passThroughBytes();
        QRandomGenerator random(20240607);
        for (int round = 0; round < 3000; ++round) {
            QByteArray input;
            const int size = random.bounded(0, 24);
            for (int i = 0; i < size; ++i) input.append(static_cast<char>(random.bounded(256)));
            const QByteArray result = PinyinInitialsGbk(input);
            QVERIFY2(result.size() <= input.size(), input.toHex().constData());
            QVERIFY2(result.size() >= (input.size() + 1) / 2, input.toHex().constData());
            for (char c : result) QVERIFY2(passing.contains(c), input.toHex().constData());
        }
    }
};

ZENLO_TEST(TestPinyin)

#include "tst_pinyin.moc"
