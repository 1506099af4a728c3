// The order the grids sort rows in.
#include "core/sort_keys.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

bool isEmpty(const QVariant& v) {
    return !v.isValid() || v.isNull();
}

QCollator chineseCollator() {
    return QCollator(QLocale(QLocale::Chinese, QLocale::China));
}

}  // namespace

int compareChineseUtf8(const char* a, int aSize, const char* b, int bSize) {
    thread_local const QCollator collator = chineseCollator();
    const int c = collator.compare(QString::fromUtf8(a, aSize), QString::fromUtf8(b, bSize));
    if (c != 0) return c;
    const int n = std::min(aSize, bSize);
    const int bytes = n > 0 ? std::memcmp(a, b, size_t(n)) : 0;
    if (bytes != 0) return bytes < 0 ? -1 : 1;
    return aSize == bSize ? 0 : (aSize < bSize ? -1 : 1);
}

bool isNumberValue(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Bool:
            return true;
        default:
            return false;
    }
}

int compareSortValues(const QVariant& a, const QVariant& b) {
    const bool an = isEmpty(a);
    const bool bn = isEmpty(b);
    if (an || bn) return an == bn ? 0 : (an ? -1 : 1);
    const bool anum = isNumberValue(a);
    const bool bnum = isNumberValue(b);
    if (anum && bnum) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (anum != bnum) return anum ? -1 : 1;
    thread_local const QCollator collator = chineseCollator();
    return collator.compare(a.toString(), b.toString());
}

std::vector<int> sortRanks(const std::vector<QVariant>& values) {
    // Distinct numbers and texts, each ranked once.
    std::vector<double> numbers;
    QHash<QString, int> textIndex;
    QStringList texts;
    for (const QVariant& v : values) {
        if (isEmpty(v)) continue;
        if (isNumberValue(v)) {
            numbers.push_back(v.toDouble());
        } else {
            const QString s = v.toString();
            if (!textIndex.contains(s)) {
                textIndex.insert(s, int(texts.size()));
                texts.append(s);
            }
        }
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());

    thread_local const QCollator collator = chineseCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(texts.size()));
    for (const QString& s : texts) keys.push_back(collator.sortKey(s));
    std::vector<int> byCollation(size_t(texts.size()));
    std::iota(byCollation.begin(), byCollation.end(), 0);
    std::sort(byCollation.begin(), byCollation.end(),
              [&keys](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    // Texts the collation holds equal share a rank.
    std::vector<int> textRank(size_t(texts.size()));
    int rank = int(numbers.size());
    for (size_t i = 0; i < byCollation.size(); ++i) {
        if (i == 0 || keys[size_t(byCollation[i - 1])].compare(keys[size_t(byCollation[i])]) != 0) ++rank;
        textRank[size_t(byCollation[i])] = rank;
    }

    std::vector<int> ranks(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const QVariant& v = values[i];
        if (isEmpty(v)) {
            ranks[i] = 0;
        } else if (isNumberValue(v)) {
            const double d = v.toDouble();
            ranks[i] = 1 + int(std::lower_bound(numbers.begin(), numbers.end(), d) - numbers.begin());
        } else {
            ranks[i] = textRank[size_t(textIndex.value(v.toString()))];
        }
    }
    return ranks;
}

std::vector<int> orderByRanks(int count, const std::vector<RankKey>& keys) {
    if (keys.size() == 1 && count > 0) {
        // One key, as every title sort: ranks are small numbers, so positions are counted into
        // their places in one pass, ties in position order, with no sorting buffer.
        const std::vector<int>& ranks = keys.front().ranks;
        const int top = *std::max_element(ranks.begin(), ranks.begin() + count);
        std::vector<int> start(size_t(top) + 2, 0);
        for (int i = 0; i < count; ++i) {
            const int r = keys.front().descending ? top - ranks[size_t(i)] : ranks[size_t(i)];
            ++start[size_t(r) + 1];
        }
        for (size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
        std::vector<int> order(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const int r = keys.front().descending ? top - ranks[size_t(i)] : ranks[size_t(i)];
            order[size_t(start[size_t(r)]++)] = i;
        }
        return order;
    }
    std::vector<int> order(size_t(std::max(count, 0)));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
        for (const RankKey& key : keys) {
            const int x = key.ranks[size_t(a)];
            const int y = key.ranks[size_t(b)];
            if (x != y) return key.descending ? x > y : x < y;
        }
        return false;
    });
    return order;
}
