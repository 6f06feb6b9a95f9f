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

// Without a display the program says so in one line and exits 1, instead of Qt's abort.
TEST(ProgramTest, WithoutADisplayItSaysSoInOneLine)
{
    struct Case {
        const char* display;     // nullptr: unset
        const char* platform;    // QT_QPA_PLATFORM; nullptr: unset
        QStringList args;
        int status;
        const char* says;        // in the one line of standard error; nullptr: says nothing
    } cases[] = {
        {nullptr, nullptr, {"--simulate"}, 1, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {nullptr, nullptr, {"--check-display"}, 1, "neither DISPLAY nor WAYLAND_DISPLAY is set"},
        {":9753", nullptr, {"--simulate"}, 1, ":9753"},
        {":9753", "xcb", {"--check-display"}, 1, ":9753"},
        {nullptr, "offscreen", {"--check-display"}, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.display ? c.display : "(no DISPLAY)") + " " + (c.platform ? c.platform : "") + " " +
                     c.args.join(' ').toStdString());
        QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
            env.remove(QString::fromLatin1(name));
        if (c.display) env.insert("DISPLAY", c.display);
        if (c.platform) env.insert("QT_QPA_PLATFORM", c.platform);
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(KALVORA_PROGRAM), c.args);
        ASSERT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "ended by a signal";
        EXPECT_EQ(program.exitCode(), c.status);
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        if (!c.says) {
            EXPECT_EQ(err, QString());
            continue;
        }
        EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
        EXPECT_TRUE(err.startsWith("kalvora: no display to open the window on (")) << err.toStdString();
        EXPECT_TRUE(err.contains(QLatin1String(c.says))) << err.toStdString();
        EXPECT_FALSE(err.contains("Reinstalling")) << err.toStdString();
    }
}

}  // namespace
}  // namespace kalvora::testing
