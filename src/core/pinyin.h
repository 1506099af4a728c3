// PinyinInitials: the first letters of the pinyin readings of a Chinese text, worked out on its
// GBK bytes: 商品 -> sp, 类别 -> lb, 供货商 -> ghs, 超级管理员 -> cjgly.
#pragma once

#include <QByteArray>
#include <QString>

// On GBK bytes. Never fails: a unit with no known initial gives "!", and ASCII letters, digits
// and common punctuation are copied as they are. The result is never longer than the input.
QByteArray PinyinInitialsGbk(const QByteArray& gbk);

// The same for a text, which is turned into GBK first.
QString PinyinInitials(const QString& text);
