// The COM choice in the user's kalvora.conf: the two keys of [ComPorts]; the rest of the file
// is kept as it is.
#include "platform/ini_section.h"
#include "platform/serial_devices.h"

namespace kalvora {
namespace {

const QString kSection = QStringLiteral("[ComPorts]");

bool IsComKey(const QString& key) { return key == QLatin1String("COM1") || key == QLatin1String("COM2"); }

}  // namespace

ComChoice LoadComChoice(const QString& file)
{
    ComChoice choice;
    for (const auto& [key, value] : LoadIniSection(file, kSection)) {
        if (key == QLatin1String("COM1")) choice.com1 = value;
        if (key == QLatin1String("COM2")) choice.com2 = value;
    }
    return choice;
}

bool SaveComChoice(const QString& file, const ComChoice& choice, QString* reason)
{
    IniValues ours;
    if (!choice.com1.isEmpty()) ours.append({QStringLiteral("COM1"), choice.com1});
    if (!choice.com2.isEmpty()) ours.append({QStringLiteral("COM2"), choice.com2});
    return SaveIniSection(file, kSection, IsComKey, ours, reason);
}

}  // namespace kalvora
