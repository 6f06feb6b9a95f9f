#include "settings/config_file.h"

#include <cstring>

#include "platform/operator.h"
#include "platform/whole_file.h"

namespace kalvora {

namespace {
constexpr int kInputBlockSize = int(sizeof(UnitInputBlock));
constexpr int kOutputBlockSize = int(sizeof(UnitOutputBlock));
constexpr int kOutputStart = 2 * kInputBlockSize;
}  // namespace

QByteArray ConfigImage(const Settings& s)
{
    QByteArray image;
    image.reserve(kConfigFileSize);
    for (int u = 1; u <= 2; ++u)
        image.append(reinterpret_cast<const char*>(s.InputRecords[u].data()), kInputBlockSize);
    for (int u = 1; u <= 2; ++u)
        image.append(reinterpret_cast<const char*>(s.OutputRecords[u].data()), kOutputBlockSize);
    return image;
}

bool ApplyConfigImage(Settings& s, const QByteArray& image)
{
    if (image.size() != kConfigFileSize) return false;
    const char* p = image.constData();
    for (int u = 1; u <= 2; ++u)
        std::memcpy(s.InputRecords[u].data(), p + (u - 1) * kInputBlockSize, kInputBlockSize);
    for (int u = 1; u <= 2; ++u)
        std::memcpy(s.OutputRecords[u].data(), p + kOutputStart + (u - 1) * kOutputBlockSize, kOutputBlockSize);
    return true;
}

ConfigFileResult SaveConfigFile(const Settings& settings, const QString& name)
{
    const FileResult r = ReplaceWholeFile(name, ConfigImage(settings));
    if (!r.ok) return {false, kMsgUnableToCreate, r.reason};
    return {true, {}, {}};
}

ConfigFileResult LoadConfigFile(Settings& settings, const QString& name)
{
    QByteArray image;
    const FileResult r = ReadWholeFile(name, kConfigFileSize, image);
    if (!r.ok) return {false, kMsgUnableToOpen, r.reason};
    if (image.size() != kConfigFileSize) {
        const QString size = image.size() > kConfigFileSize ? QStringLiteral("more than %1").arg(kConfigFileSize)
                                                            : QString::number(image.size());
        return {false, kMsgSizeInvalid, QStringLiteral("%1 bytes, not %2").arg(size).arg(kConfigFileSize)};
    }
    ApplyConfigImage(settings, image);
    return {true, {}, {}};
}

bool WriteConfigFile(const Settings& settings, const QString& name, Operator& op)
{
    const ConfigFileResult r = SaveConfigFile(settings, name);
    if (!r.ok) op.showMessage(r.message);
    return r.ok;
}

bool ReadConfigFile(Settings& settings, const QString& name, Operator& op)
{
    const ConfigFileResult r = LoadConfigFile(settings, name);
    if (!r.ok) op.showMessage(r.message);
    return r.ok;
}

}  // namespace kalvora
