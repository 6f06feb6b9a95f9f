// The kalvora program itself as a process: its single-instance socket, and the stale socket a
// killed instance leaves behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "platform/gui/single_instance.h"
#include "qt_print.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

TEST(ProgramTest, ARunningProgramIsFoundByItsSocketAndItsStaleSocketIsTakenOver)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString name = runtime.filePath(QStringLiteral("TKalvoraForm-%1").arg(::getuid()));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The simulated units stand behind COM1, so no port of this machine is touched; the program
    // then waits at its first question, with its event loop running.
    program.start(QStringLiteral(KALVORA_PROGRAM), {QStringLiteral("--simulate")});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_TRUE(RunUntil([&] { return QFileInfo::exists(name); }, 30000)) << "no socket " << name.toStdString();

    SingleInstance second(name);
    EXPECT_EQ(second.claim(), SingleInstance::Result::OtherRunning);
    EXPECT_TRUE(second.notifyRunning());
    EXPECT_EQ(program.state(), QProcess::Running);

    // Killed, it leaves its socket behind; the next start takes it over.
    program.kill();
    ASSERT_TRUE(program.waitForFinished());
    ASSERT_TRUE(QFileInfo::exists(name));
    SingleInstance next(name);
    EXPECT_EQ(next.claim(), SingleInstance::Result::Primary);
}

}  // namespace
}  // namespace kalvora::testing
