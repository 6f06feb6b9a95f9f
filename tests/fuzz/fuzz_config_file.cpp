// Loading a configuration file of any content and size: only an image of exactly the file's
// size is taken, and then byte for byte; anything else leaves the records untouched.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "platform/operator.h"
#include "settings/config_file.h"

using namespace kalvora;

namespace {

class SilentOperator : public Operator {
public:
    void showMessage(const QString&, const QString&) override {}
    bool askYesNo(const QString&, const QString&) override { return false; }
    bool askOkCancel(const QString&, const QString&) override { return false; }
    bool askRetryCancel(const QString&, const QString&) override { return false; }
    void setStatus(const QString&) override {}
    void setBusy(bool) override {}
};

void Fill(Settings& s, uint8_t v)
{
    std::memset(s.InputRecords.data(), v, sizeof s.InputRecords);
    std::memset(s.OutputRecords.data(), v, sizeof s.OutputRecords);
}

bool SameRecords(const Settings& a, const Settings& b)
{
    return std::memcmp(a.InputRecords.data(), b.InputRecords.data(), sizeof a.InputRecords) == 0 &&
           std::memcmp(a.OutputRecords.data(), b.OutputRecords.data(), sizeof a.OutputRecords) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray image(reinterpret_cast<const char*>(data), qsizetype(size));

    Settings s, before;
    Fill(s, 0x77);
    Fill(before, 0x77);
    const bool applied = ApplyConfigImage(s, image);
    if (applied != (size == size_t(kConfigFileSize))) std::abort();
    if (!applied && !SameRecords(s, before)) std::abort();
    if (applied && ConfigImage(s) != image) std::abort();
    // Unit blocks 0 are never part of the file.
    if (std::memcmp(&s.InputRecords[0], &before.InputRecords[0], sizeof s.InputRecords[0]) != 0) std::abort();

    // The same bytes through a file on disk: for images of the right size and a sample of the
    // others (the disk makes this part a hundred times slower than the rest).
    if (size != size_t(kConfigFileSize) && size % 61 != 7) return 0;
    static const QString path = QDir::tempPath() + QStringLiteral("/kalvora-fuzz-%1.tnc").arg(getpid());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    f.write(image);
    f.close();
    SilentOperator op;
    Settings fromFile;
    Fill(fromFile, 0x77);
    const bool read = ReadConfigFile(fromFile, path, op);
    if (read != applied) std::abort();
    if (!SameRecords(fromFile, s)) std::abort();
    return 0;
}
