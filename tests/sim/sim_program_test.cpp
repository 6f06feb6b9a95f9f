// The kalvora-sim program as a process, and its command line.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "pty_client.h"
#include "support/programs.h"
#include "sim/sim_options.h"

namespace kalvora::sim {
namespace {

TEST(SimProgram, PrintsThePathAnswersAndCleansUpOnSigterm)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath("tornel");
    const QString logFile = dir.filePath("traffic.txt");
    testing::SimProcess sim({"--mode", "controller", "--ids", "3,7", "--link", link, "--log", logFile});
    const QString path = sim.path();
    ASSERT_TRUE(path.startsWith("/dev/pts/")) << path.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), path);

    {
        testing::PtyClient client(link);
        ASSERT_TRUE(client.isOpen());
        ASSERT_TRUE(client.write("NTN\r"));
        EXPECT_EQ(client.readUntilEndsWith("LR>"), "NTN\r\n2 3 7\r\nCTRLR>");
    }

    QProcess& p = sim.process();
    p.terminate();  // SIGTERM
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    QFile log(logFile);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains(" RX  4E 54 4E 0D  |NTN.|")) << text.toStdString();
    EXPECT_TRUE(text.contains("|2 3 7..CTRLR>|")) << text.toStdString();
}

// Resident memory of a process, in kB (0 when unknown).
long ResidentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// A megabyte of every byte value in turn: line noise with a CR every 256 bytes. The simulator
// drops it as it arrives, answers none of it, keeps its memory, and answers the next clean line
// at once (with its usual thinking time, which would have been spent on thousands of junk lines).
TEST(SimProgram, AMegabyteOfGarbageIsDroppedAndTheNextLineAnsweredAtOnce)
{
    QByteArray burst;
    for (int k = 0; k < 4096; ++k)
        for (int b = 0; b < 256; ++b) burst += char(b);
    struct Case {
        QStringList args;
        QByteArray request, reply;
    } cases[] = {
        {{"--mode", "controller"}, "NTN\r", "NTN\r\n2 1 2\r\nCTRLR>"},
        {{"--mode", "direct"}, "SYINFOTN\r", QByteArray::fromHex("0108544E56312E3233000D0A23")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        testing::SimProcess sim(c.args, testing::SimProcess::Thinking::Usual);
        QProcess& p = sim.process();
        testing::PtyClient client(sim.path());
        ASSERT_TRUE(client.isOpen());
        ASSERT_TRUE(client.write(c.request));
        ASSERT_EQ(client.readUntilEndsWith(c.reply.right(3)), c.reply);
        const long before = ResidentKb(p.processId());

        // The CR after the burst ends its last (noisy) line; the request after it is clean.
        ASSERT_TRUE(client.write(burst + "\r" + c.request));
        EXPECT_EQ(client.readUntilEndsWith(c.reply.right(3)).toHex(' '), c.reply.toHex(' '));
        EXPECT_LT(ResidentKb(p.processId()) - before, 8 * 1024) << "kB grown";

        p.terminate();
        ASSERT_TRUE(p.waitForFinished(5000));
    }
}

TEST(SimProgram, BadOptionsExitWithStatusTwo)
{
    const testing::ProgramRun r = testing::RunProgram(testing::SimPath(), {"--mode", "sideways"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("--mode"));
    EXPECT_TRUE(r.out.isEmpty());
}

TEST(SimOptions, ParsesGoodCommandLinesAndRefusesBadOnes)
{
    struct Case {
        QStringList args;
        bool ok;
    };
    const Case cases[] = {
        {{}, true},
        {{"--mode", "controller", "--units", "2", "--ids", "3,7", "--link", "/tmp/x"}, true},
        {{"--mode=direct", "--baud=38400", "--log", "t.txt", "--think", "5"}, true},
        {{"--delivery", "pieces", "--seed", "9", "--noise", "-1", "--short-input", "--output-kind", "3e", "--dead"}, true},
        {{"--mode", "controller", "--units", "0"}, true},
        {{"--drop", "3", "--reject", "1", "--error", "2", "--error-code", "5"}, true},
        {{"--mode", "controller", "--real-durations", "--rgbadj-ms", "900", "--busy", "error4", "--relay-wait", "200"}, true},
        {{"--busy", "sometimes"}, false},
        {{"--relay-wait", "-5"}, false},
        {{"--mode"}, false},
        {{"--mode", "sideways"}, false},
        {{"--units", "3", "--mode", "controller"}, false},
        {{"--units", "2"}, false},  // direct mode has one unit
        {{"--mode", "controller", "--ids", "3,3"}, false},
        {{"--mode", "controller", "--ids", "0,7"}, false},
        {{"--mode", "controller", "--ids", "1,2,3"}, false},
        {{"--mode", "controller", "--units", "1", "--ids", "3,7"}, false},
        {{"--mode", "controller", "--ids", "5"}, false},  // two units by default: one ID is not enough
        {{"--mode", "controller", "--units", "1", "--ids", "5"}, true},
        {{"--mode", "controller", "--ids", "3,7"}, true},
        {{"--baud", "fast"}, false},
        {{"--think", "-1"}, false},
        {{"--error-code", "44"}, false},
        {{"--output-kind", "41"}, false},
        {{"--dead=1"}, false},
        {{"--frobnicate"}, false},
        {{"--format", "4"}, false},
    };
    for (const Case& c : cases) {
        SimOptions o;
        QString error;
        EXPECT_EQ(ParseSimOptions(c.args, o, error), c.ok) << c.args.join(' ').toStdString();
        EXPECT_EQ(error.isEmpty(), c.ok) << error.toStdString();
    }
    SimOptions o;
    QString error;
    ASSERT_TRUE(ParseSimOptions({"--mode", "controller", "--ids", "3,7", "--baud", "57600", "--output-kind", "3F",
                                 "--delivery", "bytes", "--noise", "2"},
                                o, error));
    EXPECT_EQ(o.config.mode, PortMode::Controller);
    EXPECT_EQ(o.config.ids, (std::vector<int>{3, 7}));
    EXPECT_EQ(o.config.baud, 57600);
    EXPECT_EQ(o.faults.outputKind, 0x3F);
    EXPECT_EQ(o.faults.delivery, Delivery::ByteAtATime);
    EXPECT_EQ(o.faults.noiseNext, 2);
    ASSERT_TRUE(ParseSimOptions({"--mode", "controller", "--real-durations", "--rgbadj-ms", "900", "--busy", "silent"}, o,
                                error));
    EXPECT_EQ(o.config.timings.colorBalanceMs, 900);
    EXPECT_EQ(o.config.timings.phaseMs, UnitTimings::LikeRealUnit().phaseMs);
    EXPECT_EQ(o.config.busyAnswer, BusyAnswer::Silent);
    // Options act in the order given: --real-durations after a duration sets it again.
    ASSERT_TRUE(ParseSimOptions({"--rgbadj-ms=900", "--real-durations", "--autoseam-ms", "70"}, o, error));
    EXPECT_EQ(o.config.timings.colorBalanceMs, UnitTimings::LikeRealUnit().colorBalanceMs);
    EXPECT_EQ(o.config.timings.autoSeamMs, 70);
    // The message names the option as given.
    for (const auto& [args, message] : {
             std::pair{QStringList{"--frobnicate=1"}, "unknown option '--frobnicate=1'"},
             std::pair{QStringList{"-x"}, "unknown option '-x'"},
             std::pair{QStringList{"units"}, "unknown option 'units'"},
             std::pair{QStringList{"--think"}, "option --think needs a value"},
             std::pair{QStringList{"--dead=1"}, "option --dead takes no value"},
             std::pair{QStringList{"--baud", "fast"}, "invalid value 'fast' for --baud: expected 0..4000000"},
         }) {
        EXPECT_FALSE(ParseSimOptions(args, o, error));
        EXPECT_EQ(error, QString::fromLatin1(message));
    }
    // Every option is explained by --help.
    for (const char* opt : {"--mode", "--units", "--ids", "--format", "--video", "--baud", "--think", "--rgbadj-ms",
                            "--autopos-ms", "--aphase-ms", "--autoseam-ms", "--real-durations", "--busy",
                            "--relay-wait", "--link", "--log", "--drop", "--reject", "--error",
                            "--error-code", "--delivery", "--seed", "--noise", "--short-input", "--output-kind",
                            "--dead", "--help"})
        EXPECT_TRUE(SimUsage().contains(opt)) << opt;
}

}  // namespace
}  // namespace kalvora::sim
