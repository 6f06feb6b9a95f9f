// kalvora-cli as a program: ports it cannot use named in text and in JSON, search, read and
// send with --json against simulated units, -q, and the ports listing.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <csignal>
#include <limits>
#include <unistd.h>

#include "cli/ports_command.h"
#include "support/programs.h"
#include "link/connection.h"
#include "operations/bulk_send.h"
#include "scripted_operator.h"
#include "settings/config_file.h"

namespace kalvora::testing {
namespace {

using CliRun = ProgramRun;

QJsonObject Json(const QString& text)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << ": " << text.toStdString();
    return doc.object();
}

QString OwnName()
{
    QFile comm(QStringLiteral("/proc/self/comm"));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
}

// The search's advice as kalvora-cli words it.
QString TerminalAdvice()
{
    return QString(kMsgTornelsNotDetected)
        .replace("3) Go to 'Serial Port->Search for Tornel(s)->Search' menu item for the Kalvora to search for Tornel(s) "
                 "again.",
                 "3) Run 'kalvora-cli search' to search for Tornel(s) again.");
}

// Ports that cannot be used: a device that is not there, one this test holds open (so its lock
// file names this process), next to a silent line and a unit that answers. In text the
// troubles replace the cable advice unless a silent port was tried; in JSON they are listed
// whatever the outcome.
TEST(CliReport, PortsThatCannotBeUsedAreNamed)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("ttyUSB9");
    SimProcess dead({"--dead"}), unit({"--mode", "direct"}), heldSim({"--mode", "direct"});
    ASSERT_FALSE(dead.path().isEmpty());
    const QString held = heldSim.path();
    QSerialPort holder(held);
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
    const qint64 pid = ::getpid();
    bool locked = false;
    for (const QString& folder : DefaultLockFolders()) locked = locked || QFile::exists(folder + "/" + LockFileNames(held).first());
    if (!locked) GTEST_SKIP() << "the system keeps no lock files for serial devices here";

    // A message on standard error names the program first.
    const QString told = "kalvora-cli: ";
    const QString noDevice = "Note: COM Port #1: " + missing + ": no such device.";
    const QString inUse = QStringLiteral("Note: COM Port #1: %1: in use by PID %2 (%3).").arg(held).arg(pid).arg(OwnName());
    struct Case {
        const char* what;
        QString com1, com2;
        int status;
        QString err;
        const char* problem;  // of COM1 in JSON
    } cases[] = {
        {"missing, no other port", missing, "none", 1, told + noDevice + "\n", "missing"},
        {"missing, then a silent line", missing, dead.path(), 1, told + noDevice + "\n\n" + TerminalAdvice() + "\n",
         "missing"},
        {"held by another program", held, "none", 1, told + inUse + "\n", "busy"},
        {"held, a unit on COM2", held, unit.path(), 0, "", "busy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList ports{"--com1", c.com1, "--com2", c.com2, "search"};
        const CliRun text = RunCli(ports);
        EXPECT_EQ(text.status, c.status);
        EXPECT_EQ(text.err, c.err);

        const CliRun json = RunCli(ports + QStringList{"--json"});
        EXPECT_EQ(json.status, c.status);
        EXPECT_EQ(json.err, c.err) << "messages still go to standard error";
        const QJsonObject o = Json(json.out);
        EXPECT_EQ(o.value("command").toString(), "search");
        EXPECT_EQ(o.value("status").toInt(-1), c.status);
        EXPECT_EQ(o.value("found").isNull(), c.status != 0);
        const QJsonArray problems = o.value("portProblems").toArray();
        ASSERT_EQ(problems.size(), 1);
        const QJsonObject p = problems.at(0).toObject();
        EXPECT_EQ(p.value("com").toInt(), 1);
        EXPECT_EQ(p.value("device").toString(), c.com1);
        EXPECT_EQ(p.value("problem").toString(), c.problem);
        const bool busy = QLatin1String(c.problem) == QLatin1String("busy");
        EXPECT_EQ(p.value("pid").toInteger(0), busy ? pid : 0);
        EXPECT_EQ(p.value("process").toString(), busy ? OwnName() : QString());
        QStringList messages;
        for (const QJsonValue& m : o.value("messages").toArray()) messages << m.toString() + "\n";
        EXPECT_EQ(messages.join(""), c.err);
    }
}

// read --json: what was found and the file; send --changed --json -q: each command with its
// unit and outcome, nothing but the document on standard output and no progress lines.
TEST(CliReport, ReadAndSendAsJson)
{
    QTemporaryDir dir;
    SimProcess ctl({"--mode", "controller", "--units", "2", "--ids", "3,7"});
    ASSERT_FALSE(ctl.path().isEmpty());
    const QStringList ports{"--com1", "none", "--com2", ctl.path()};
    const QString a = dir.filePath("a.tnc"), b = dir.filePath("b.tnc"), c = dir.filePath("c.tnc");

    const CliRun read = RunCli(ports + QStringList{"read", "-o", a, "--json"});
    ASSERT_EQ(read.status, 0) << read.err.toStdString();
    EXPECT_TRUE(read.err.isEmpty()) << read.err.toStdString();
    EXPECT_EQ(read.out.count('\n'), 1) << "one document, nothing else";
    const QJsonObject r = Json(read.out);
    EXPECT_EQ(r.value("command").toString(), "read");
    EXPECT_EQ(r.value("file").toString(), a);
    EXPECT_TRUE(r.value("saved").toBool());
    EXPECT_EQ(r.value("found").toObject(),
              (QJsonObject{{"mode", "controller"}, {"com", 2}, {"device", ctl.path()}, {"units", 2}, {"ids", QJsonArray{3, 7}}}));
    EXPECT_EQ(r.value("portProblems").toArray(), QJsonArray());
    EXPECT_FALSE(r.contains("commands"));
    EXPECT_EQ(QFile(a).size(), 1560);

    Settings file;
    ScriptedOperator op;
    ASSERT_TRUE(ReadConfigFile(file, a, op));
    file.output(2, 2).BlackLevel = 77;    // screen 6
    file.output(1, 3).LeftHaloWidth = 9;  // screen 3, left edge
    file.output(1, 2).SeamGain[3] = 40;   // channel 2, gain 4
    ASSERT_TRUE(WriteConfigFile(file, b, op));

    const CliRun send = RunCli(ports + QStringList{"send", "--changed", b, "--json"});
    ASSERT_EQ(send.status, 0) << send.err.toStdString();
    EXPECT_TRUE(send.err.contains("send: command 2 of 3, unit 2: BLKGN screen 6")) << send.err.toStdString();
    const QJsonObject sent = Json(send.out);
    EXPECT_EQ(sent.value("command").toString(), "send");
    EXPECT_EQ(sent.value("file").toString(), b);
    EXPECT_EQ(sent.value("sent").toInt(), 3);
    EXPECT_EQ(sent.value("found").toObject().value("ids").toArray(), (QJsonArray{3, 7}));
    auto command = [](int k, int unit, const char* what) {
        return QJsonObject{{"k", k}, {"n", 3}, {"unit", unit}, {"command", what}, {"outcome", "sent"}};
    };
    EXPECT_EQ(sent.value("commands").toArray(), (QJsonArray{command(1, 1, "HALO L screen 3"),
                                                            command(2, 2, "BLKGN screen 6"),
                                                            command(3, 1, "MANSEAM channel 2")}));

    // -q: the same three back, without a progress line; the text result is still printed.
    const CliRun quiet = RunCli(ports + QStringList{"-q", "send", "--changed", a});
    ASSERT_EQ(quiet.status, 0) << quiet.err.toStdString();
    EXPECT_TRUE(quiet.err.isEmpty()) << quiet.err.toStdString();
    EXPECT_TRUE(quiet.out.endsWith("sent: 3 commands\n")) << quiet.out.toStdString();

    // A test pattern the units do not have stops the send before its first command, and the
    // message names it.
    file.output(1, 1).BlackLevel = 12;
    file.output(1, 4).TestPattern = 200;
    ASSERT_TRUE(WriteConfigFile(file, c, op));
    const CliRun invalid = RunCli(ports + QStringList{"send", "--changed", c, "--json", "--quiet"});
    EXPECT_EQ(invalid.status, 1);
    const QJsonObject s = Json(invalid.out);
    EXPECT_EQ(s.value("commands").toArray(), QJsonArray{});
    EXPECT_EQ(s.value("sent").toInt(), 0);
    const QJsonArray messages = s.value("messages").toArray();
    ASSERT_EQ(messages.size(), 1);
    const QString told = messages.first().toString();
    EXPECT_TRUE(told.startsWith("kalvora-cli: " + kMsgInvalidBulkValue)) << told.toStdString();
    EXPECT_TRUE(told.contains("Tornel 1, OTPMTN screen 4: Screen 4 Test Pattern is \"none\"")) << told.toStdString();
    EXPECT_TRUE(told.endsWith("Nothing was sent.")) << told.toStdString();
}

// A send that does not end as planned still gives its document: a value left out (the send
// goes on), a signal (the send stops after the command on the line), the port lost midway (the
// command on the line failed). Each time the commands up to the end are listed with their
// outcomes, the count of those the units took, and the messages; -q keeps the messages and
// drops only the progress lines.
TEST(CliReport, ASendThatEndsEarlyIsReported)
{
    QTemporaryDir dir;
    enum class Ending { Skipped, Signal, PortLost };
    struct Case {
        const char* what;
        Ending ending;
        int status;
        const char* lastOutcome;  // of the last command listed
        const char* message;      // among the messages
    } cases[] = {
        {"a colour value out of range", Ending::Skipped, 1, "sent", "kalvora-cli: not sent: command "},
        {"interrupted", Ending::Signal, 128 + SIGINT, "sent", "kalvora-cli: interrupted after command "},
        {"the port lost", Ending::PortLost, 1, "failed", "kalvora-cli: the port failed after command "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The units on their own process, so that the port can be taken away mid-send.
        SimProcess sim({"--mode", "controller", "--units", "2", "--ids", "3,7"});
        ASSERT_FALSE(sim.path().isEmpty());
        const QString device = sim.path();
        const QStringList ports{"--com1", device, "--com2", "none"};
        const QString a = dir.filePath("a.tnc"), b = dir.filePath("b.tnc");
        ASSERT_EQ(RunCli(ports + QStringList{"read", "-o", a}).status, 0);
        Settings file;
        ScriptedOperator op;
        ASSERT_TRUE(ReadConfigFile(file, a, op));
        for (int i = 1; i <= 4; ++i) file.output(1, i).TotalProjectors = 2;  // unit 1 alone
        if (c.ending == Ending::Skipped) file.input(1, 2).ContrastG = std::numeric_limits<float>::quiet_NaN();
        ASSERT_TRUE(WriteConfigFile(file, b, op));

        CliProcess cli(QStringList{"--retries", "0"} + ports +
                       QStringList{"send", b, "--json", c.ending == Ending::Skipped ? "-q" : "-v"});
        ASSERT_TRUE(cli.started());
        if (c.ending != Ending::Skipped) {
            // -v here only to see the progress: wait for command 20 to go out.
            ASSERT_TRUE(cli.waitForError("send: command 20 of")) << cli.err().constData();
            if (c.ending == Ending::Signal) cli.signal(SIGINT);
            if (c.ending == Ending::PortLost) sim.kill();
        }
        ASSERT_TRUE(cli.finish());
        const QByteArray& err = cli.err();
        EXPECT_EQ(cli.status(), c.status) << err.right(400).constData();
        if (c.ending == Ending::Skipped) { EXPECT_FALSE(err.contains("send: command")) << "-q: no progress lines"; }

        const QJsonObject o = Json(QString::fromLocal8Bit(cli.out()));
        EXPECT_EQ(o.value("command").toString(), "send");
        EXPECT_EQ(o.value("status").toInt(-1), c.status);
        // The file plans one unit's wall: the send addresses unit 1 only.
        EXPECT_EQ(o.value("found").toObject().value("ids").toArray(), (QJsonArray{3}));
        const QJsonArray commands = o.value("commands").toArray();
        ASSERT_GE(commands.size(), 20);
        for (const QJsonValue& v : commands) EXPECT_EQ(v.toObject().value("unit").toInt(), 1);
        QStringList outcomes;
        for (const QJsonValue& v : commands) outcomes << v.toObject().value("outcome").toString();
        EXPECT_EQ(outcomes.last(), c.lastOutcome);
        const int skipped = int(outcomes.count("skipped")), failed = int(outcomes.count("failed"));
        EXPECT_EQ(skipped, c.ending == Ending::Skipped ? 1 : 0);
        EXPECT_EQ(o.value("sent").toInt(), commands.size() - skipped - failed);
        if (c.ending == Ending::Skipped) {
            const QJsonObject left = commands.at(outcomes.indexOf("skipped")).toObject();
            EXPECT_EQ(left.value("command").toString(), "ICNTTN channel 2");
            EXPECT_EQ(left.value("unit").toInt(), 1);
        }
        QString told;
        for (const QJsonValue& m : o.value("messages").toArray())
            if (m.toString().startsWith(c.message)) told = m.toString();
        EXPECT_FALSE(told.isEmpty()) << QJsonDocument(o.value("messages").toArray()).toJson().constData();
        // Stopped after the command on the line: the last one listed is the one named.
        if (c.ending != Ending::Skipped) {
            EXPECT_EQ(QRegularExpression("command (\\d+) of").match(told).captured(1).toInt(), commands.size())
                << told.toStdString();
        }
    }
}

// A signal while the run waits for the units (here a controller rejecting everything, answered
// Retry again and again) ends the run at once, and the document still comes.
TEST(CliReport, AnInterruptedRunStillGivesItsDocument)
{
    QTemporaryDir dir;
    SimProcess rejecting({"--mode", "controller", "--ids", "3,7", "--reject", "1000000"});
    ASSERT_FALSE(rejecting.path().isEmpty());
    const QString file = dir.filePath("never.tnc");
    CliProcess cli({"--retries", "1000", "--com1", rejecting.path(), "--com2", "none", "read", "-o", file, "--json"});
    ASSERT_TRUE(cli.waitForError("[Retry]")) << cli.err().constData();
    cli.signal(SIGTERM);
    ASSERT_TRUE(cli.finish(20000));
    EXPECT_EQ(cli.status(), 128 + SIGTERM);
    const QJsonObject o = Json(QString::fromLocal8Bit(cli.out()));
    EXPECT_EQ(o.value("command").toString(), "read");
    EXPECT_EQ(o.value("status").toInt(), 128 + SIGTERM);
    EXPECT_EQ(o.value("file").toString(), file);
    EXPECT_FALSE(o.value("saved").toBool(true));
    EXPECT_TRUE(o.value("messages").toArray().contains("kalvora-cli: interrupted"));
    EXPECT_FALSE(QFileInfo::exists(file));
}

// The listing: COM1 and COM2 as a search would use them, and who holds each device.
TEST(CliReport, PortsListing)
{
    const QList<SerialDeviceInfo> devices{
        {"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10KZ3QX", "/dev/serial/by-id/usb-FTDI_A10KZ3QX-if00-port0"},
        {"/dev/ttyUSB1", "CP2102", "Silicon Labs", "", "/dev/serial/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0"},
        {"/dev/ttyS0", "", "", "", "/dev/ttyS0"},
    };
    const auto holder = [](const QString& d) {
        return d == "/dev/ttyUSB1" ? PortHolder{4242, "minicom"} : PortHolder{};
    };
    // COM1 by its stable name, COM2 by its device file.
    const QList<cli::PortListing> ports =
        cli::ListPorts(devices, "/dev/serial/by-id/usb-FTDI_A10KZ3QX-if00-port0", "/dev/ttyS0", holder);
    ASSERT_EQ(ports.size(), 3);
    EXPECT_EQ(ports[0].com, 1);
    EXPECT_EQ(ports[1].com, 0);
    EXPECT_EQ(ports[2].com, 2);
    EXPECT_EQ(ports[1].holder, (PortHolder{4242, "minicom"}));

    EXPECT_EQ(cli::PortsText(ports),
              "COM   DEVICE        STABLE NAME                                             DESCRIPTION             "
              "IN USE\n"
              "COM1  /dev/ttyUSB0  /dev/serial/by-id/usb-FTDI_A10KZ3QX-if00-port0          FT232R USB UART (FTDI)  "
              "free\n"
              "-     /dev/ttyUSB1  /dev/serial/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0  CP2102 (Silicon Labs)   "
              "in use by PID 4242 (minicom)\n"
              "COM2  /dev/ttyS0    /dev/ttyS0                                              Serial port             "
              "free\n");
    const QJsonArray list = Json(QString::fromStdString(cli::PortsJson(ports))).value("ports").toArray();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.at(1).toObject(), (QJsonObject{{"com", QJsonValue()},
                                                  {"device", "/dev/ttyUSB1"},
                                                  {"stableName", "/dev/serial/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0"},
                                                  {"description", "CP2102"},
                                                  {"manufacturer", "Silicon Labs"},
                                                  {"serialNumber", ""},
                                                  {"inUse", true},
                                                  {"pid", 4242},
                                                  {"process", "minicom"}}));
    EXPECT_EQ(list.at(0).toObject().value("pid"), QJsonValue());

    // The program lists what this machine has, in the same schema.
    const CliRun run = RunCli({"ports", "--json"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    for (const QJsonValue& v : Json(run.out).value("ports").toArray())
        EXPECT_EQ(v.toObject().keys(), list.at(0).toObject().keys());
}

}  // namespace
}  // namespace kalvora::testing
