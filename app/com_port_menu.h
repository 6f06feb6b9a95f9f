#pragma once
// The devices under "Serial Port" > "Settings (Adv users only)" > "COM Port": after the fixed
// search item, one submenu for COM1 and one for COM2, each listing the machine's serial
// devices (description, manufacturer, serial number, stable name) with the one the port
// stands for checked, "Automatic" for the first device the other port does not take, and
// "Network port..." for a port on a network serial server (socket:// or rfc2217://).

#include <QList>
#include <QString>
#include <functional>

#include "platform/serial_devices.h"

class QMenu;
class QWidget;

namespace kalvora {

struct ComPortMenuState {
    QList<SerialDeviceInfo> devices;
    QString device[2];  // what COM1 and COM2 stand for now
    ComChoice choice;   // what the operator chose (empty: automatic)
};

// Replaces the device submenus of `menu` (the "COM Port" menu). `choose(n, name)` runs when
// the operator picks a device for COM n: the device's stable name, or an empty name for
// "Automatic".
// `askNetwork(n)` runs when the operator picks "Network port..." for COM n.
void ShowComPortMenu(QMenu* menu, const ComPortMenuState& state, const std::function<void(int, const QString&)>& choose,
                     const std::function<void(int)>& askNetwork = {});

// The dialog that asks for the address of COM n's network port, `current` filled in; the text
// entered, or an empty text when cancelled.
QString AskNetworkPortAddressDialog(QWidget* parent, int n, const QString& current);

}  // namespace kalvora
