// The five window skins and the built-in default look, applied to every window at once.
#pragma once

#include <QString>

inline constexpr int kSkinCount = 5;

QString skinName(int index);  // "黑色经典" ... "梦想成真"
// Applies skin 0-4; any other index brings back the default look.
void applySkin(int index);
int appliedSkin();  // -1 for the default
