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
#include "support/programs.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

// What the program did, run once in a private runtime folder without a display (or with the
// DISPLAY and QT_QPA_PLATFORM given).
ProgramRun RunWithoutDisplay(const QStringList& args, const char* display = nullptr, const char* platform = nullptr)
{
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"})
        env.remove(QString::fromLatin1(name));
    if (display) env.insert("DISPLAY", display);
    if (platform) env.insert("QT_QPA_PLATFORM", platform);
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    const ProgramRun run = RunProgram(WindowPath(), args, env, 30000);
    EXPECT_NE(run.status, -1) << "ended by a signal or did not end";
    return run;
}

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
    program.start(WindowPath(), {QStringLiteral("--simulate")});
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
        const ProgramRun run = RunWithoutDisplay(c.args, c.display, c.platform);
        EXPECT_EQ(run.status, c.status);
        const QString& err = run.err;
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

// The command line is read before anything else: help, version and a bad command line end the
// program without a display. Help and version win over every fault; a word beginning with
// "--" is never a device, and after "--" a file name may begin with '-'.
TEST(ProgramTest, CommandLineAnswersWithoutADisplay)
{
    const QString version = QStringLiteral("kalvora %1\n").arg(QLatin1String(KALVORA_VERSION));
    const char* usage = "Usage: kalvora [--com1 DEVICE] [--com2 DEVICE] [--simulate] [--check-display] [FILE.tnc]\n";
    const auto unknown = [usage](const char* word) { return QStringLiteral("kalvora: unknown argument '%1'\n%2").arg(word, usage); };
    const auto needsDevice = [](const char* option) {
        return QStringLiteral("kalvora: %1 needs a device, for example %1 /dev/ttyUSB0\n").arg(option);
    };
    struct Case {
        QStringList args;
        int status;
        QString out;  // its beginning
        QString err;  // its beginning
    } cases[] = {
        {{"--help"}, 0, usage, ""},
        {{"-h", "a.tnc", "b.tnc"}, 0, usage, ""},
        {{"--bogus", "--help"}, 0, usage, ""},
        {{"--com1", "--help"}, 0, usage, ""},
        {{"--simulate", "--version"}, 0, version, ""},
        {{"--bogus"}, 2, "", unknown("--bogus")},
        {{"-x"}, 2, "", unknown("-x")},
        {{"--simulate=1"}, 2, "", unknown("--simulate=1")},
        {{"a.tnc", "b.tnc"}, 2, "", unknown("b.tnc")},
        {{"-"}, 2, "", unknown("-")},
        {{"--", "a.tnc", "-b.tnc"}, 2, "", unknown("-b.tnc")},
        {{"a.tnc", "--com1"}, 2, "", needsDevice("--com1")},
        {{"--com2", "--simulate"}, 2, "", needsDevice("--com2")},
        {{"--com1="}, 2, "", needsDevice("--com1")},
        {{"--com1", "socket://rack"}, 2, "",
         "kalvora: --com1: 'socket://rack' is not a network port: the port number is missing; expected "
         "socket://HOST:PORT or rfc2217://HOST:PORT\n"},
        // A good command line goes on to open the window, and finds no display.
        {{"--check-display", "--com2=--x", "--", "-a.tnc"}, 1, "", "kalvora: no display to open the window on ("},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ProgramRun run = RunWithoutDisplay(c.args);
        EXPECT_EQ(run.status, c.status);
        const QString& out = run.out;
        const QString& err = run.err;
        EXPECT_TRUE(c.out.isEmpty() ? out.isEmpty() : out.startsWith(c.out)) << out.toStdString();
        EXPECT_TRUE(c.err.isEmpty() ? err.isEmpty() : err.startsWith(c.err)) << err.toStdString();
    }
}

}  // namespace
}  // namespace kalvora::testing
