// The supplementary lists the pinyin initials fall back on for units outside the letter ranges.
#pragma once

#include <QByteArray>
#include <vector>

struct PinyinList {
    char letter;
    QByteArray gbk;  // every character followed by exactly one blank
};

// The 23 lists in the order they are searched (a to z, no i, u or v), as GBK; built on first use.
const std::vector<PinyinList>& pinyinSupplementaryLists();
