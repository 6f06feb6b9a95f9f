#pragma once
// kalvora-cli ports: the serial devices of the machine as the window's "COM Port" menu lists
// them (USB adapters first), each with its stable name, its description, the COM port the
// search would use it as, and whether another program holds it and which.

#include <QList>
#include <QString>
#include <functional>
#include <string>

#include "platform/port_open_error.h"
#include "platform/serial_devices.h"

namespace kalvora::cli {

struct PortListing {
    SerialDeviceInfo device;
    int com = 0;        // 1 or 2 when the search would use it as COM1 or COM2, else 0
    PortHolder holder;  // pid 0: free
};

// The listing of `devices` with COM1 and COM2 standing for the devices `com1` and `com2` (any
// of their names) and the holders `holderOf` reports.
QList<PortListing> ListPorts(const QList<SerialDeviceInfo>& devices, const QString& com1, const QString& com2,
                             const std::function<PortHolder(const QString& device)>& holderOf);

// One device per line: COM, device, stable name, description, and "free" or "in use by PID n
// (name)", in aligned columns under a heading.
std::string PortsText(const QList<PortListing>& ports);
// {"ports":[{"com":1|null,"device":..,"stableName":..,"description":..,"manufacturer":..,
//  "serialNumber":..,"inUse":..,"pid":..|null,"process":..|null},..]}
std::string PortsJson(const QList<PortListing>& ports);

}  // namespace kalvora::cli
