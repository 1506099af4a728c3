// The five window skins and the built-in default look.
#include "core/ui/skins.h"

#include <QApplication>

namespace {

int g_applied = -1;

// The hint colour stays the same under every skin.
const char kHints[] = "QToolTip { background-color: rgb(255,194,134); color: black; border: 1px solid #a0703c; }\n";

struct Skin {
    const char* name;
    const char* sheet;
};

const Skin kSkins[kSkinCount] = {
    {"黑色经典",
     "QWidget { background-color: #2b2b2b; color: #e8e8e8; }\n"
     "QLineEdit, QComboBox, QTableView, QListWidget { background-color: #1e1e1e; color: #f0f0f0;"
     " border: 1px solid #555; selection-background-color: #6a6a6a; }\n"
     "QPushButton, QToolButton { background-color: #3c3c3c; border: 1px solid #666; padding: 3px; }\n"
     "QPushButton:hover, QToolButton:hover { background-color: #505050; }\n"
     "QHeaderView::section { background-color: #3a3a3a; color: #f0f0f0; }\n"
     "QMenu { background-color: #2b2b2b; color: #e8e8e8; } QMenu::item:selected { background: #555; }\n"},
    {"蓝色幻想",
     "QWidget { background-color: #dbe8f7; color: #0b2a4a; }\n"
     "QLineEdit, QComboBox, QTableView, QListWidget { background-color: white; border: 1px solid #7aa3d0;"
     " selection-background-color: #3d7cc9; selection-color: white; }\n"
     "QPushButton, QToolButton { background-color: #b9d2ef; border: 1px solid #5a88c0; padding: 3px; }\n"
     "QPushButton:hover, QToolButton:hover { background-color: #9fc1ea; }\n"
     "QMenu::item:selected { background: #3d7cc9; color: white; }\n"},
    {"梦幻天空",
     "QWidget { background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #e6f6ff, stop:1 #bfe6ff);"
     " color: #123; }\n"
     "QLineEdit, QComboBox, QTableView, QListWidget { background: white; border: 1px solid #86c5ea;"
     " selection-background-color: #4fb0e8; }\n"
     "QPushButton, QToolButton { background: #d3efff; border: 1px solid #6bb8e6; border-radius: 4px;"
     " padding: 3px; }\n"
     "QMenu::item:selected { background: #4fb0e8; }\n"},
    {"黑色遐想",
     "QWidget { background-color: #1d1f26; color: #c9d1d9; }\n"
     "QLineEdit, QComboBox, QTableView, QListWidget { background-color: #0d1117; color: #e6edf3;"
     " border: 1px solid #30363d; selection-background-color: #8a5a00; }\n"
     "QPushButton, QToolButton { background-color: #2d2f36; border: 1px solid #d29922; color: #f0c060;"
     " padding: 3px; }\n"
     "QHeaderView::section { background-color: #2d2f36; color: #f0c060; }\n"
     "QMenu { background-color: #1d1f26; color: #c9d1d9; } QMenu::item:selected { background: #8a5a00; }\n"},
    {"梦想成真",
     "QWidget { background-color: #fff4e6; color: #4a2a00; }\n"
     "QLineEdit, QComboBox, QTableView, QListWidget { background: white; border: 1px solid #f0a040;"
     " selection-background-color: #f08a24; selection-color: white; }\n"
     "QPushButton, QToolButton { background: #ffe0b3; border: 1px solid #e08a20; border-radius: 4px;"
     " padding: 3px; }\n"
     "QMenu::item:selected { background: #f08a24; color: white; }\n"},
};

}  // namespace

QString skinName(int index) {
    if (index < 0 || index >= kSkinCount) return QString();
    return QString::fromUtf8(kSkins[index].name);
}

void applySkin(int index) {
    const bool known = index >= 0 && index < kSkinCount;
    g_applied = known ? index : -1;
    QString sheet = QString::fromUtf8(kHints);
    if (known) sheet += QString::fromUtf8(kSkins[index].sheet);
    if (qApp) qApp->setStyleSheet(sheet);
}

int appliedSkin() {
    return g_applied;
}
