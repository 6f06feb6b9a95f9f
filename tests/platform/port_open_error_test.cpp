// Why a serial device cannot be used, told before it is opened: missing devices and dangling
// stable names, lock files in their three forms (live, stale, this program's own), processes
// that have the device open, and the operator's texts.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/port_open_error.h"

namespace kalvora::testing {
namespace {

// A process that lives until the test ends it (a sleep that is killed long before it ends),
// with `stdinFile`, when given, open as its input.
class LiveProcess {
public:
    explicit LiveProcess(const QString& stdinFile = QString())
    {
        if (!stdinFile.isEmpty()) p.setStandardInputFile(stdinFile);
        p.start(QStringLiteral("sleep"), {QStringLiteral("600")});
        p.waitForStarted();
    }
    ~LiveProcess()
    {
        p.kill();
        p.waitForFinished();
    }
    qint64 pid() const { return p.processId(); }
    QProcess p;
};

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(PortOpenError, LockFileNames)
{
    QTemporaryDir dir;
    const QString device = dir.filePath("ttyUSB4");
    Write(device, {});
    const QString link = dir.filePath("usb-FTDI_A10KZ3QX-if00-port0");
    ASSERT_TRUE(QFile::link(device, link));
    const QString flat = QString(dir.path()).replace('/', '_');

    struct Case {
        QString device;
        QStringList names;
    } cases[] = {
        {"/dev/ttyUSB0", {"LCK..ttyUSB0"}},
        {"/dev/pts/3", {"LCK..pts_3", "LCK..3"}},
        // A stable name locks as the device it stands for.
        {link, {"LCK.." + flat + "_ttyUSB4", "LCK..ttyUSB4"}},
    };
    for (const Case& c : cases) EXPECT_EQ(LockFileNames(c.device), c.names) << c.device.toStdString();
}

TEST(PortOpenError, LockFilesNameTheirLiveHolder)
{
    QTemporaryDir dir, locks;
    const QString device = dir.filePath("ttyUSB7");
    Write(device, {});
    LiveProcess holder;
    ASSERT_GT(holder.pid(), 0);
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    ASSERT_TRUE(gone.waitForFinished());
    const qint64 gonePid = gone.processId() ? gone.processId() : 999999999;
    qint32 binary = qint32(holder.pid());
    const QByteArray binaryPid(reinterpret_cast<const char*>(&binary), 4);

    struct Case {
        const char* what;
        QByteArray content;
        PortHolder expected;
    } cases[] = {
        {"text, as serial programs write it", QByteArray::number(holder.pid()).rightJustified(10, ' ') + "\n",
         {holder.pid(), "sleep"}},
        {"Qt's lock: pid, program, host", QByteArray::number(holder.pid()) + "\nsleep\nhost\n", {holder.pid(), "sleep"}},
        {"a 4-byte number", binaryPid, {holder.pid(), "sleep"}},
        {"stale: the process has gone", QByteArray::number(gonePid) + "\n", {}},
        {"this program's own port", QByteArray::number(qint64(::getpid())) + "\n", {}},
        {"garbage", "not a pid\n", {}},
    };
    const QString lockFile = locks.filePath("LCK..ttyUSB7");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Write(lockFile, c.content);
        EXPECT_EQ(LockHolder(device, {dir.filePath("no-such-folder"), locks.path()}), c.expected);
        const PortProblem p = DiagnosePort(device, {locks.path()});
        EXPECT_EQ(p.kind, c.expected.pid ? PortProblem::Kind::Busy : PortProblem::Kind::None);
        EXPECT_EQ(p.holder, c.expected);
    }
    QFile::remove(lockFile);
    EXPECT_EQ(LockHolder(device, {locks.path()}), PortHolder{});
}

TEST(PortOpenError, ProcessesThatHaveTheDeviceOpen)
{
    QTemporaryDir dir;
    const QString device = dir.filePath("ttyACM2");
    Write(device, "x");
    EXPECT_TRUE(OpenHolders(device).isEmpty());
    LiveProcess reader(device);
    const QList<PortHolder> holders = OpenHolders(device);
    ASSERT_EQ(holders.size(), 1);
    EXPECT_EQ(holders.first(), (PortHolder{reader.pid(), "sleep"}));
    // Without a lock file the process that has it open is the holder.
    QTemporaryDir noLocks;
    EXPECT_EQ(DeviceHolder(device, {noLocks.path()}), (PortHolder{reader.pid(), "sleep"}));
}

TEST(PortOpenError, MissingDevicesAndTheTexts)
{
    QTemporaryDir dir, locks;
    const QString dangling = dir.filePath("usb-gone-if00-port0");
    ASSERT_TRUE(QFile::link(dir.filePath("ttyUSB9"), dangling));
    const QString present = dir.filePath("ttyS0");
    Write(present, {});

    struct Case {
        QString device;
        PortProblem::Kind kind;
        QString text;
    } cases[] = {
        {"", PortProblem::Kind::None, ""},
        {"/dev/ttyUSB9-not-here", PortProblem::Kind::Missing, "Note: COM Port #2: /dev/ttyUSB9-not-here: no such device."},
        {dangling, PortProblem::Kind::Missing, "Note: COM Port #2: " + dangling + ": no such device."},
        {present, PortProblem::Kind::None, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device.toStdString());
        const PortProblem p = DiagnosePort(c.device, {locks.path()});
        EXPECT_EQ(p.kind, c.kind);
        EXPECT_EQ(PortProblemText(2, p), c.text);
    }

    PortProblem busy{PortProblem::Kind::Busy, "/dev/ttyUSB0", {4242, "minicom"}, {}};
    EXPECT_EQ(PortProblemText(1, busy), "Note: COM Port #1: /dev/ttyUSB0: in use by PID 4242 (minicom).");
    busy.holder.name.clear();
    EXPECT_EQ(PortProblemBrief(busy), "in use by PID 4242");
    const PortProblem forbidden{PortProblem::Kind::Permission, "/dev/ttyS0", {}, "dialout"};
    EXPECT_EQ(PortProblemText(1, forbidden),
              "Note: COM Port #1: /dev/ttyS0: permission denied.\nOn Linux this program may not use /dev/ttyS0: add "
              "your user to the group 'dialout' that owns it (sudo usermod -a -G dialout $USER), then log out and in "
              "again.");
    EXPECT_EQ(PortProblemBrief(forbidden), "permission denied (group dialout)");

    // A device the user may not open (root may open anything, so only checked for others).
    ::chmod(QFile::encodeName(present).constData(), 0);
    if (::geteuid() != 0) {
        const PortProblem p = DiagnosePort(present, {locks.path()});
        EXPECT_EQ(p.kind, PortProblem::Kind::Permission);
        EXPECT_FALSE(p.group.isEmpty());
    }
}

}  // namespace
}  // namespace kalvora::testing
