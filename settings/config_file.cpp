#include "settings/config_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstring>

#include "platform/operator.h"

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

bool WriteConfigFile(const Settings& settings, const QString& name, Operator& op)
{
    QSaveFile file(name);
    const QByteArray image = ConfigImage(settings);
    if (QFileInfo(name).isDir() || !file.open(QIODevice::WriteOnly)) {
        op.showMessage(kMsgUnableToCreate);
        return false;
    }
    if (file.write(image) != image.size() || !file.commit()) {
        file.cancelWriting();
        op.showMessage(kMsgUnableToCreate);
        return false;
    }
    return true;
}

bool ReadConfigFile(Settings& settings, const QString& name, Operator& op)
{
    QFile file(name);
    if (QFileInfo(name).isDir() || !file.open(QIODevice::ReadOnly)) {
        op.showMessage(kMsgUnableToOpen);
        return false;
    }
    if (file.size() != kConfigFileSize) {
        op.showMessage(kMsgSizeInvalid);
        return false;
    }
    // Read one byte more than expected so that a file that grew since its size was taken,
    // or a short read, is caught before anything reaches the tables.
    const QByteArray image = file.read(kConfigFileSize + 1);
    if (!ApplyConfigImage(settings, image)) {
        op.showMessage(kMsgSizeInvalid);
        return false;
    }
    return true;
}

}  // namespace kalvora
