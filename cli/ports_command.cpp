#include "cli/ports_command.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace kalvora::cli {
namespace {

QJsonValue OrNull(const QString& text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); }

QString InUseText(const PortHolder& h)
{
    if (!h.pid) return QStringLiteral("free");
    return h.name.isEmpty() ? QStringLiteral("in use by PID %1").arg(h.pid)
                            : QStringLiteral("in use by PID %1 (%2)").arg(h.pid).arg(h.name);
}

QString Description(const SerialDeviceInfo& d)
{
    QString text = d.description.isEmpty() ? QStringLiteral("Serial port") : d.description;
    if (!d.manufacturer.isEmpty() && !text.contains(d.manufacturer, Qt::CaseInsensitive))
        text += QStringLiteral(" (%1)").arg(d.manufacturer);
    return text;
}

}  // namespace

QList<PortListing> ListPorts(const QList<SerialDeviceInfo>& devices, const QString& com1, const QString& com2,
                             const std::function<PortHolder(const QString& device)>& holderOf)
{
    QList<PortListing> out;
    const SerialDeviceInfo* as1 = FindSerialDevice(devices, com1);
    const SerialDeviceInfo* as2 = FindSerialDevice(devices, com2);
    for (const SerialDeviceInfo& d : devices) {
        PortListing p{d, 0, holderOf ? holderOf(d.systemLocation) : PortHolder{}};
        if (as1 && as1->systemLocation == d.systemLocation) p.com = 1;
        else if (as2 && as2->systemLocation == d.systemLocation) p.com = 2;
        out << p;
    }
    return out;
}

std::string PortsText(const QList<PortListing>& ports)
{
    QList<QStringList> rows{{"COM", "DEVICE", "STABLE NAME", "DESCRIPTION", "IN USE"}};
    for (const PortListing& p : ports)
        rows << QStringList{p.com ? QStringLiteral("COM%1").arg(p.com) : QStringLiteral("-"), p.device.systemLocation,
                            p.device.stableName.isEmpty() ? p.device.systemLocation : p.device.stableName,
                            Description(p.device), InUseText(p.holder)};
    QList<qsizetype> width(5, 0);
    for (const QStringList& r : rows)
        for (int c = 0; c < 5; ++c) width[c] = std::max(width[c], r[c].size());
    QString text;
    for (const QStringList& r : rows) {
        QString line;
        for (int c = 0; c < 4; ++c) line += r[c].leftJustified(width[c] + 2);
        text += line + r[4] + QLatin1Char('\n');
    }
    return text.toStdString();
}

std::string PortsJson(const QList<PortListing>& ports)
{
    QJsonArray list;
    for (const PortListing& p : ports) {
        const bool inUse = p.holder.pid != 0;
        list.append(QJsonObject{{"com", p.com ? QJsonValue(p.com) : QJsonValue()},
                                {"device", p.device.systemLocation},
                                {"stableName", p.device.stableName.isEmpty() ? p.device.systemLocation : p.device.stableName},
                                {"description", p.device.description},
                                {"manufacturer", p.device.manufacturer},
                                {"serialNumber", p.device.serialNumber},
                                {"inUse", inUse},
                                {"pid", inUse ? QJsonValue(p.holder.pid) : QJsonValue()},
                                {"process", inUse ? OrNull(p.holder.name) : QJsonValue()}});
    }
    return QJsonDocument(QJsonObject{{"ports", list}}).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

}  // namespace kalvora::cli
