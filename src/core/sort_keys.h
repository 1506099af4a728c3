// The order the grids sort rows in: empty values first, then numbers by value, then texts in
// the Chinese collation. Values become ranks once, so sorting compares integers instead of
// decoding and collating values on every comparison.
#pragma once

#include <QVariant>
#include <vector>

// A value the engine gave as a number (not a text that reads as one).
bool isNumberValue(const QVariant& v);

// The reference order of two values: negative, zero or positive.
int compareSortValues(const QVariant& a, const QVariant& b);

// Two UTF-8 texts in the Chinese collation (pinyin order), as the grids sort them; texts the
// collation holds equal compare by their bytes, so the order is total. The engine's "chinese"
// collation.
int compareChineseUtf8(const char* a, int aSize, const char* b, int bSize);

// One rank per value: equal values share a rank, and ranks order as compareSortValues does.
std::vector<int> sortRanks(const std::vector<QVariant>& values);

struct RankKey {
    std::vector<int> ranks;  // by position
    bool descending = false;
};

// Positions 0..n-1 ordered by the keys in turn; ties keep their position order.
std::vector<int> orderByRanks(int count, const std::vector<RankKey>& keys);
