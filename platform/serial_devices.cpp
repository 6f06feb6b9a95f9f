#include "platform/serial_devices.h"

#include <QStandardPaths>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>
#include <algorithm>

#include "platform/network_port_address.h"
#include "platform/serial_port.h"

namespace kalvora {
namespace {

// The short form of a stable name: the link's file name, or the path when it is no link.
QString ShortName(const SerialDeviceInfo& d)
{
    return d.stableName.isEmpty() || d.stableName == d.systemLocation ? d.systemLocation
                                                                       : QFileInfo(d.stableName).fileName();
}

QString Canonical(const QString& path) { return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath(); }

// Device (canonical path) -> the first link to it, by name, in linkRoot/folder.
QHash<QString, QString> LinksIn(const QString& folder)
{
    QHash<QString, QString> links;
    const QDir dir(folder);
    if (!dir.exists()) return links;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& link : entries) {
        const QString target = link.canonicalFilePath();  // empty for a dangling link
        if (!target.isEmpty() && !links.contains(target)) links.insert(target, link.absoluteFilePath());
    }
    return links;
}

}  // namespace

QString SerialDeviceInfo::caption() const
{
    QString text = description.isEmpty() ? QStringLiteral("Serial port") : description;
    QStringList about;
    if (!manufacturer.isEmpty() && !text.contains(manufacturer, Qt::CaseInsensitive)) about << manufacturer;
    if (!serialNumber.isEmpty()) about << QStringLiteral("serial %1").arg(serialNumber);
    if (!about.isEmpty()) text += QStringLiteral(" (%1)").arg(about.join(QStringLiteral(", ")));
    const QString shortName = ShortName(*this);
    text += shortName == systemLocation ? QStringLiteral(" - %1").arg(systemLocation)
                                        : QStringLiteral(" - %1 (%2)").arg(shortName, systemLocation);
    return text;
}

QString SerialDeviceInfo::details() const
{
    QStringList lines;
    lines << QStringLiteral("Device: %1").arg(systemLocation);
    if (!stableName.isEmpty() && stableName != systemLocation) lines << QStringLiteral("Stable name: %1").arg(stableName);
    if (!description.isEmpty()) lines << QStringLiteral("Description: %1").arg(description);
    if (!manufacturer.isEmpty()) lines << QStringLiteral("Manufacturer: %1").arg(manufacturer);
    if (!serialNumber.isEmpty()) lines << QStringLiteral("Serial number: %1").arg(serialNumber);
    return lines.join(QLatin1Char('\n'));
}

QList<SerialDeviceInfo> DescribeSerialDevices(QList<SerialDeviceInfo> devices, const QString& linkRoot)
{
    const QHash<QString, QString> byId = LinksIn(linkRoot + QStringLiteral("/by-id"));
    const QHash<QString, QString> byPath = LinksIn(linkRoot + QStringLiteral("/by-path"));
    for (SerialDeviceInfo& d : devices) {
        const QString target = Canonical(d.systemLocation);
        d.stableName = byId.value(target, byPath.value(target, d.systemLocation));
    }
    QStringList order;
    for (const SerialDeviceInfo& d : devices) order << d.systemLocation;
    order = OrderSerialDevices(order);
    std::stable_sort(devices.begin(), devices.end(), [&order](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
        return order.indexOf(a.systemLocation) < order.indexOf(b.systemLocation);
    });
    return devices;
}

QList<SerialDeviceInfo> SystemSerialDeviceInfos(const QString& linkRoot)
{
    QList<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices.append({info.systemLocation(), info.description(), info.manufacturer(), info.serialNumber(), {}});
    return DescribeSerialDevices(devices, linkRoot);
}

const SerialDeviceInfo* FindSerialDevice(const QList<SerialDeviceInfo>& devices, const QString& name)
{
    if (name.isEmpty()) return nullptr;
    for (const SerialDeviceInfo& d : devices)
        if (d.stableName == name || d.systemLocation == name) return &d;
    const QString target = Canonical(name);
    if (target.isEmpty()) return nullptr;
    for (const SerialDeviceInfo& d : devices)
        if (Canonical(d.systemLocation) == target) return &d;
    return nullptr;
}

void ResolveComDevices(const PortOptions& options, const ComChoice& choice, const QList<SerialDeviceInfo>& devices,
                       QString& com1, QString& com2)
{
    com1 = !options.com1.isEmpty() ? options.com1 : choice.com1;
    com2 = !options.com2.isEmpty() ? options.com2 : choice.com2;
    // A device is taken when the other port stands for it under any of its names.
    auto taken = [&devices](const SerialDeviceInfo& d, const QString& other) {
        if (other.isEmpty()) return false;
        const SerialDeviceInfo* o = FindSerialDevice(devices, other);
        return o ? o->systemLocation == d.systemLocation : (other == d.systemLocation || other == d.stableName);
    };
    auto firstFree = [&](const QString& other) {
        for (const SerialDeviceInfo& d : devices)
            if (!taken(d, other)) return d.stableName.isEmpty() ? d.systemLocation : d.stableName;
        return QString();
    };
    if (com1.isEmpty()) com1 = firstFree(com2);
    if (com2.isEmpty()) com2 = firstFree(com1);
    // "none": that port is left out of the search (no device at all).
    if (com1 == kNoPort) com1.clear();
    if (com2 == kNoPort) com2.clear();
}

QString ComChoiceFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/kalvora/kalvora.conf");
}

QString ComDeviceText(const QString& device, const QList<SerialDeviceInfo>& devices)
{
    if (device.isEmpty()) return QStringLiteral("(no device)");
    if (IsNetworkPortName(device)) return QStringLiteral("%1 (network)").arg(device);
    if (const SerialDeviceInfo* d = FindSerialDevice(devices, device)) {
        const QString shortName = ShortName(*d);
        return shortName == d->systemLocation ? d->systemLocation
                                              : QStringLiteral("%1 (%2)").arg(shortName, d->systemLocation);
    }
    const QFileInfo info(device);
    if (info.exists()) return device;  // a device the system does not list, such as a pseudo-terminal
    return QStringLiteral("%1 (not connected)").arg(info.fileName().isEmpty() ? device : info.fileName());
}

}  // namespace kalvora
