#include "app/menu_tree.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <vector>

namespace kalvora {
namespace {

const MenuEntry kMenuTree[] = {
    {0, "File1", "&File", 0},
    {1, "OpenConfigurationFile1", "&Open Configuration File", 0, "Ctrl+O"},
    {1, "OpenRecent1", "Open &Recent", kSubmenu},
    {1, "SaveConfigurationtoFile1", "&Save Configuration to File", 0, "Ctrl+S"},
    {1, "SendCurrentSettingstoTornels1", "Send &Current Settings to Tornel(s)", kDisabled},
    {1, "Exit1", "E&xit", 0, "Ctrl+Q"},
    {0, "Search1", "&Serial Port", 0},
    {1, "RS232Config1", "Se&ttings (Adv users only)", 0},
    {2, "COMPort1", "&COM Port", 0},
    {3, "SearchCOM1andCOM21", "&Search (COM 1 && COM 2)", kCheckable | kChecked | kFixedCheck},
    {2, "Baud1", "&Baud", 0},
    {3, "Defaultvalues1", "&Default values", kCheckable | kChecked | kBaudGroup},
    {3, nullptr, nullptr, kSeparator},
    {3, "N9600", "&9600", kCheckable | kBaudGroup},
    {3, "N19200", "&19200", kCheckable | kBaudGroup},
    {3, "N38400", "&38400", kCheckable | kBaudGroup},
    {3, "N57600", "&57600", kCheckable | kBaudGroup},
    {2, "Parity1", "&Parity", 0},
    {3, "ParityNone", "&None", kCheckable | kChecked | kParityGroup},
    {3, "ParityOdd", "&Odd", kCheckable | kParityGroup},
    {3, "ParityEven", "&Even", kCheckable | kParityGroup},
    {3, "ParityMark", "&Mark", kCheckable | kParityGroup},
    {3, "ParitySpace", "&Space", kCheckable | kParityGroup},
    {1, "SearchComPort1", "&Search for Tornel(s) ...", 0},
    {2, "SearchAll", "&Search....", 0},
    {2, nullptr, nullptr, kSeparator},
    {2, "TornelconnectedthruController1", "Tornel(s) connected to &Controller", 0},
    {2, "TornelconnectedtoSerialPortdirectly1", "Tornel connected to Serial Port &directly", 0},
    {1, "ReadfromTornels1", "&Read from Tornel(s) ...", kDisabled},
    {1, nullptr, nullptr, kSeparator},
    {1, "DisconnectSerialCo1", "&Disconnect Serial Communication", 0},
    {1, nullptr, nullptr, kSeparator},
    {1, "TrafficView1", "Traffic &View...", 0},
    {0, "Help1", "&Help", 0},
    {1, "HelpwithKalvoraSerialconnection1", "&Help with Kalvora Serial connection", 0, "F1"},
    {1, "About1", "&About...", 0},
};

}  // namespace

QHash<QString, QAction*> BuildMenuTree(QMenuBar* bar)
{
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QHash<QString, QAction*> items;
    std::vector<QMenu*> open;  // the menu at each depth
    auto* baud = new QActionGroup(bar);
    auto* parity = new QActionGroup(bar);
    auto* fixed = new QActionGroup(bar);
    const size_t count = sizeof(kMenuTree) / sizeof(kMenuTree[0]);
    for (size_t i = 0; i < count; ++i) {
        const MenuEntry& e = kMenuTree[i];
        open.resize(static_cast<size_t>(e.depth));
        QMenu* parent = e.depth > 0 ? open.back() : nullptr;
        if (e.flags & kSeparator) {
            parent->addSeparator();
            continue;
        }
        const QString name = QString::fromLatin1(e.name);
        const QString caption = QString::fromLatin1(e.caption);
        const bool hasChildren = (e.flags & kSubmenu) || (i + 1 < count && kMenuTree[i + 1].depth > e.depth);
        QAction* action = nullptr;
        if (hasChildren) {
            QMenu* menu = parent ? parent->addMenu(caption) : bar->addMenu(caption);
            menu->setObjectName(name);
            action = menu->menuAction();
            open.push_back(menu);
        } else {
            action = parent->addAction(caption);
        }
        action->setObjectName(name);
        action->setCheckable(e.flags & kCheckable);
        action->setChecked(e.flags & kChecked);
        action->setEnabled(!(e.flags & kDisabled));
        if (e.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(e.shortcut)));
        if (e.flags & kBaudGroup) baud->addAction(action);
        if (e.flags & kParityGroup) parity->addAction(action);
        if (e.flags & kFixedCheck) fixed->addAction(action);  // exclusive: a click keeps the mark
        items.insert(name, action);
    }
    return items;
}

}  // namespace kalvora
