// A search over ports that cannot be used: a device that is not there, one another program
// holds (by its lock file), next to ports that stay silent or answer. The troubles are named
// once each; the cable advice follows only when a port was actually tried.
#include <functional>
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "support/link_fixture.h"

namespace kalvora {
namespace {

using sim::PortMode;
using testing::LinkFixture;
using testing::StartSim;

// A lock file in the system's lock folder naming a live process (a sleep, killed at the end),
// as a terminal program holding the device leaves it.
class ForeignLock {
public:
    explicit ForeignLock(const QString& device)
    {
        holder_.start(QStringLiteral("sleep"), {QStringLiteral("600")});
        holder_.waitForStarted();
        for (const QString& folder : DefaultLockFolders()) {
            if (!QFileInfo(folder).isWritable()) continue;
            path_ = folder + "/" + LockFileNames(device).first();
            QFile f(path_);
            if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                f.write(QByteArray::number(holder_.processId()).rightJustified(10, ' ') + "\n");
            else
                path_.clear();
            break;
        }
    }
    ~ForeignLock()
    {
        if (!path_.isEmpty()) QFile::remove(path_);
        holder_.kill();
        holder_.waitForFinished();
    }
    bool held() const { return !path_.isEmpty(); }
    qint64 pid() const { return holder_.processId(); }

private:
    QProcess holder_;
    QString path_;
};

std::unique_ptr<sim::Simulator> DeadLine()
{
    auto s = StartSim(PortMode::Direct);
    s->faults().dead = true;
    return s;
}

using PortTrouble = LinkFixture;

TEST_F(PortTrouble, MissingDevicesAreNamedInsteadOfTheCableAdvice)
{
    QTemporaryDir dir;
    const QString usb8 = dir.filePath("ttyUSB8"), usb9 = dir.filePath("ttyUSB9");
    auto dead = DeadLine();
    const QString missing1 = "Note: COM Port #1: " + usb8 + ": no such device.";
    const QString missing2 = "Note: COM Port #2: " + usb9 + ": no such device.";
    struct Case {
        const char* what;
        QString com1, com2;
        void (LinkController::*command)();
        QString message;
    } cases[] = {
        {"both missing, search of both modes: each named once", usb8, usb9, &LinkController::searchAll,
         missing1 + "\n" + missing2},
        {"one missing, one silent: the advice for the silent one", usb8, dead->slavePath(),
         &LinkController::searchAll, missing1 + "\n\n" + kMsgTornelsNotDetected},
        {"controller command", usb8, "", &LinkController::connectThroughController, missing1},
        {"direct command", "", usb9, &LinkController::connectDirectly, missing2},
        {"silent only: the advice as it was", "", dead->slavePath(), &LinkController::searchAll,
         kMsgTornelsNotDetected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        op.clear();
        port.setDevice(1, c.com1);
        port.setDevice(2, c.com2);
        std::invoke(c.command, controller);
        EXPECT_FALSE(link.linkUp());
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(op.messages(), QStringList{c.message});
    }
}

TEST_F(PortTrouble, ADeviceHeldByAnotherProgramIsNotOpened)
{
    auto held = StartSim(PortMode::Direct);
    ForeignLock lock(held->slavePath());
    if (!lock.held()) GTEST_SKIP() << "no writable lock folder";
    const QString busy = QStringLiteral("Note: COM Port #1: %1: in use by PID %2 (sleep).")
                             .arg(held->slavePath())
                             .arg(lock.pid());

    // A silent COM2: nothing found, the holder named, then the advice for COM2.
    auto dead = DeadLine();
    Cable(held.get(), dead.get());
    controller.searchAll();
    EXPECT_FALSE(link.linkUp());
    EXPECT_EQ(op.messages(), QStringList{busy + "\n\n" + kMsgTornelsNotDetected});
    EXPECT_TRUE(held->received().isEmpty()) << "the held device is left alone";
    ASSERT_EQ(controller.searchTroubles().size(), 1);
    EXPECT_EQ(controller.searchTroubles().first().problem.holder.pid, lock.pid());

    // A unit on COM2: found there, and the held COM1 is no trouble worth telling.
    op.clear();
    auto unit = StartSim(PortMode::Direct);
    Cable(held.get(), unit.get());
    op.answer(false);
    controller.searchAll();
    EXPECT_TRUE(link.linkUp());
    EXPECT_EQ(port.comNumber(), 2);
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
    EXPECT_TRUE(held->received().isEmpty());
}

}  // namespace
}  // namespace kalvora
