// Pinyin initials of a text, worked out on its GBK bytes.
#include "core/pinyin.h"

#include <QByteArrayView>
#include <string_view>

#include "core/gbk.h"
#include "core/pinyin_lists.h"

namespace {

// Bytes copied to the result as they are. Every other byte, the blank among them, starts a
// two-byte unit.
constexpr std::string_view kPassThrough =
    "0123456789abcdefghijklmnopqrstuvwxyz"
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "!.#$%()*+-,/[\\|^~`@{}_";

struct LetterRange {
    char letter;
    unsigned first;
    unsigned last;
};

// First-level GB2312 is ordered by pinyin, so its codes split into one contiguous run per
// initial. The test is on the 16-bit value alone, whatever the second byte.
constexpr LetterRange kRanges[] = {
    {'a', 0xB0A1, 0xB0C4}, {'b', 0xB0C5, 0xB2C0}, {'c', 0xB2C1, 0xB4ED}, {'d', 0xB4EE, 0xB6E9}, {'e', 0xB6EA, 0xB7A1},
    {'f', 0xB7A2, 0xB8C0}, {'g', 0xB8C1, 0xB9FD}, {'h', 0xB9FE, 0xBBF6}, {'j', 0xBBF7, 0xBFA5}, {'k', 0xBFA6, 0xC0AB},
    {'l', 0xC0AC, 0xC2E7}, {'m', 0xC2E8, 0xC4C2}, {'n', 0xC4C3, 0xC5B5}, {'o', 0xC5B6, 0xC5BD}, {'p', 0xC5BE, 0xC6D9},
    {'q', 0xC6DA, 0xC8BA}, {'r', 0xC8BB, 0xC8F5}, {'s', 0xC8F6, 0xCBF9}, {'t', 0xCBFA, 0xCDD9}, {'w', 0xCDDA, 0xCEF3},
    {'x', 0xCEF4, 0xD1B8}, {'y', 0xD1B9, 0xD4D0}, {'z', 0xD4D1, 0xD7F9},
};

bool isPassThrough(char byte) {
    return kPassThrough.find(byte) != std::string_view::npos;
}

char initialOfUnit(char first, char second) {
    const unsigned value = static_cast<unsigned char>(first) * 256u + static_cast<unsigned char>(second);
    for (const LetterRange& range : kRanges) {
        if (value >= range.first && value <= range.last) return range.letter;
    }
    // A plain byte search, so a unit may match across the blank between two entries. The view
    // carries its length because the second byte may be 0.
    const char unit[2] = {first, second};
    const QByteArrayView needle(unit, 2);
    for (const PinyinList& list : pinyinSupplementaryLists()) {
        if (list.gbk.contains(needle)) return list.letter;
    }
    return '!';
}

}  // namespace

QByteArray PinyinInitialsGbk(const QByteArray& gbk) {
    QByteArray initials;
    initials.reserve(gbk.size());
    const qsizetype size = gbk.size();
    qsizetype i = 0;
    while (i < size) {
        const char byte = gbk.at(i);
        if (isPassThrough(byte)) {
            initials.append(byte);
            ++i;
            continue;
        }
        // The second byte goes with the unit even when it is a pass-through character or the
        // blank; a lone last byte is read as if followed by 0.
        const char second = i + 1 < size ? gbk.at(i + 1) : '\0';
        initials.append(initialOfUnit(byte, second));
        i += 2;
    }
    return initials;
}

QString PinyinInitials(const QString& text) {
    return QString::fromLatin1(PinyinInitialsGbk(toGbk(text)));
}
