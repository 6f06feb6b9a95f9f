#pragma once
// The main window's menu tree (MainMenu1), built from one table: names, captions with their
// mnemonics, shortcuts, check marks, separators and the enabling at start.

#include <QHash>
#include <QString>

class QAction;
class QMenuBar;

namespace kalvora {

struct MenuEntry {
    int depth;            // 0 = menu bar item
    const char* name;     // object name of the item (nullptr for a separator)
    const char* caption;  // "&" marks the mnemonic (Alt+letter); "&&" shows as one ampersand
    unsigned flags;
    const char* shortcut = nullptr;  // e.g. "Ctrl+O"
};

enum MenuFlag : unsigned {
    kSeparator = 1u << 0,
    kCheckable = 1u << 1,
    kChecked = 1u << 2,
    kDisabled = 1u << 3,
    kBaudGroup = 1u << 4,    // the "Baud" items share one check mark
    kParityGroup = 1u << 5,  // the "Parity" items share one check mark
    kFixedCheck = 1u << 6,   // carries a check mark that clicking does not remove
    kSubmenu = 1u << 7,      // a menu whose items are filled in later
};

// Builds the tree into the menu bar; returns every item (menus included) by name.
QHash<QString, QAction*> BuildMenuTree(QMenuBar* bar);

}  // namespace kalvora
