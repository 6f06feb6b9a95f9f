#pragma once
// The serial devices of the machine by name, and which of them COM1 and COM2 stand for.
//
// A USB-serial adapter is /dev/ttyUSB3 today and /dev/ttyUSB0 tomorrow; udev also gives it a
// name that stays, under /dev/serial/by-id (from the adapter's serial number) or, lacking one,
// /dev/serial/by-path (from the USB socket it is plugged into). The operator's choice of
// device for COM1 and COM2 is kept by that stable name, so it follows the adapter whatever
// number the kernel handed out.

#include <QList>
#include <QString>


namespace kalvora {

struct PortOptions;

// One serial device as the system reports it.
struct SerialDeviceInfo {
    QString systemLocation;  // /dev/ttyUSB0
    QString description;     // "FT232R USB UART"
    QString manufacturer;    // "FTDI"
    QString serialNumber;    // "A10KZ3QX"
    // The name that stays: the /dev/serial/by-id link to the device, else its by-path link,
    // else the system location itself.
    QString stableName;

    // One line for a menu: "FT232R USB UART (FTDI) - usb-FTDI_..._A10KZ3QX-if00-port0 (/dev/ttyUSB0)".
    QString caption() const;
    // Every detail, one per line, for a tool tip.
    QString details() const;
    bool operator==(const SerialDeviceInfo&) const = default;
};

// The devices QSerialPortInfo reports, each given its stable name from the links under
// `linkRoot` (/dev/serial: its by-id and by-path folders), in the default COM order (USB
// adapters first).
QList<SerialDeviceInfo> SystemSerialDeviceInfos(const QString& linkRoot = QStringLiteral("/dev/serial"));
// Gives each device its stable name from the links under linkRoot and orders them as
// SystemSerialDeviceInfos does; the system location, description, manufacturer and serial
// number come from `devices`.
QList<SerialDeviceInfo> DescribeSerialDevices(QList<SerialDeviceInfo> devices, const QString& linkRoot);

// The device that `name` (a stable name, a system location or any link to a device) is now,
// or nullptr when none of `devices` is it.
const SerialDeviceInfo* FindSerialDevice(const QList<SerialDeviceInfo>& devices, const QString& name);

// The operator's choice for COM1 and COM2 by stable name; empty = automatic (the first
// device not taken by the other port).
struct ComChoice {
    QString com1;
    QString com2;
    bool operator==(const ComChoice&) const = default;
};
// Where the choice is kept between runs, for the window and the command-line tool alike:
// kalvora/kalvora.conf in the user's configuration folder.
QString ComChoiceFile();
// The choice as kept in `file`, an INI file ([ComPorts] COM1=, COM2=). It is read only from a
// regular file and without blocking: anything else (a FIFO, a device, a missing file) reads as
// automatic.
ComChoice LoadComChoice(const QString& file);
// Keeps the choice in `file`, the other lines of the file as they were, through a whole-file
// replacement (a link is written through; anything but a regular file is refused). The reason
// on failure.
bool SaveComChoice(const QString& file, const ComChoice& choice, QString* reason = nullptr);

// The devices COM1 and COM2 stand for: a device given on the command line wins, then the
// remembered choice (by its stable name, so it is opened by that name even while unplugged),
// then the first of `devices` not already taken; "none" leaves a port without a device.
void ResolveComDevices(const PortOptions& options, const ComChoice& choice, const QList<SerialDeviceInfo>& devices,
                       QString& com1, QString& com2);

// What the Information page and the menu say about the device behind a COM port:
// "usb-FTDI_..._A10KZ3QX-if00-port0 (/dev/ttyUSB0)", "(no device)", or the name with
// "(not connected)" when it is not there.
QString ComDeviceText(const QString& device, const QList<SerialDeviceInfo>& devices);

}  // namespace kalvora
