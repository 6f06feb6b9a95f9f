#pragma once
// The devices under "Serial Port" > "Settings (Adv users only)" > "COM Port": after the fixed
// search item, one submenu for COM1 and one for COM2, each listing the machine's serial
// devices (description, manufacturer, serial number, stable name) with the one the port
// stands for checked, and "Automatic" for the first device the other port does not take.

#include <QList>
#include <QString>
#include <functional>

#include "platform/serial_devices.h"

class QMenu;

namespace kalvora {

struct ComPortMenuState {
    QList<SerialDeviceInfo> devices;
    QString device[2];  // what COM1 and COM2 stand for now
    ComChoice choice;   // what the operator chose (empty: automatic)
};

// Replaces the device submenus of `menu` (the "COM Port" menu). `choose(n, name)` runs when
// the operator picks a device for COM n: the device's stable name, or an empty name for
// "Automatic".
void ShowComPortMenu(QMenu* menu, const ComPortMenuState& state, const std::function<void(int, const QString&)>& choose);

}  // namespace kalvora
