// kalvora-cli as a program against kalvora-sim programs on pseudo-terminals: search, read -o
// and show --json, with the file and the JSON compared field by field.
#include <gtest/gtest.h>

#include <limits>

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "link/link.h"

#include "app/qt_print.h"
#include "support/link_fixture.h"
#include "support/file_bytes.h"
#include "support/programs.h"
#include "link/connection.h"
#include "link/queries.h"
#include "platform/serial_devices.h"
#include "scripted_operator.h"
#include "settings/config_file.h"
#include "settings/records.h"
#include "sim/unit.h"

namespace kalvora {
namespace {

using testing::CliProcess;
using testing::RunCli;
using testing::SimProcess;
using CliRun = testing::ProgramRun;

class Cli : public ::testing::Test {
protected:
    QString Missing() const { return dir.filePath("no-such-port"); }
    QTemporaryDir dir;
};

// The records a simulated unit reports, field by field (by the field tables).
template <typename Record, size_t N>
void ExpectSameFields(const Record& got, const Record& want, const std::array<FieldDesc, N>& fields)
{
    for (const FieldDesc& f : fields)
        for (int e = 0; e < f.count; ++e)
            EXPECT_EQ(ReadFieldValue(RecordBytes(got), f, e), ReadFieldValue(RecordBytes(want), f, e)) << f.name;
}

// Checks the values of one JSON record and returns its keys, sorted.
template <typename Record, size_t N>
QStringList ExpectJsonFields(const QJsonObject& o, const Record& want, const std::array<FieldDesc, N>& fields)
{
    for (const FieldDesc& f : fields) {
        const QJsonValue v = o.value(QLatin1String(f.name.data(), qsizetype(f.name.size())));
        for (int e = 0; e < f.count; ++e) {
            const double json = f.count == 1 ? v.toDouble(-12345) : v.toArray().at(e).toDouble(-12345);
            const double file = ReadFieldValue(RecordBytes(want), f, e);
            if (f.kind == FieldKind::Tenths)
                EXPECT_EQ(static_cast<float>(json), static_cast<float>(file)) << f.name;
            else
                EXPECT_EQ(json, file) << f.name;
        }
    }
    return o.keys();
}

// The keys a JSON record must have: its index and the table's field names, nothing else.
template <size_t N>
QStringList JsonKeys(const char* index, const std::array<FieldDesc, N>& fields)
{
    QStringList keys{QString::fromLatin1(index)};
    for (const FieldDesc& f : fields) keys << QString::fromLatin1(f.name.data(), qsizetype(f.name.size()));
    keys.sort();
    return keys;
}

TEST_F(Cli, ReadThroughAControllerThenShowAsJson)
{
    SimProcess ctl({"--mode", "controller", "--units", "2", "--ids", "3,7"});
    ASSERT_FALSE(ctl.path().isEmpty());
    const QString file = dir.filePath("wall.tnc");

    const CliRun read = RunCli({"--com1", Missing(), "--com2", ctl.path(), "read", "-o", file});
    ASSERT_EQ(read.status, 0) << read.err.toStdString();
    EXPECT_TRUE(read.out.contains("mode: controller\nport: COM2\ndevice: " + ctl.path() + "\nunits: 2\nids: 3 7\n"))
        << read.out.toStdString();
    EXPECT_TRUE(read.out.contains("saved: " + file));

    // The file holds what the two simulated units report.
    Settings saved;
    testing::ScriptedOperator op;
    ASSERT_TRUE(ReadConfigFile(saved, file, op));
    for (int u = 1; u <= 2; ++u) {
        sim::UnitSetup setup;
        setup.id = u == 1 ? 3 : 7;
        setup.screenGroup = u - 1;
        setup.totalProjectors = 8;
        const sim::SimUnit unit(setup);
        for (int i = 1; i <= 4; ++i) {
            SCOPED_TRACE(u * 10 + i);
            ExpectSameFields(saved.input(u, i), unit.input(i), kInputFields);
            ExpectSameFields(saved.output(u, i), unit.output(i), kOutputFields);
        }
    }

    const CliRun show = RunCli({"show", file, "--json"});
    ASSERT_EQ(show.status, 0) << show.err.toStdString();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(show.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonArray units = doc.object().value("units").toArray();
    ASSERT_EQ(units.size(), 2);
    for (int u = 1; u <= 2; ++u) {
        const QJsonObject unit = units.at(u - 1).toObject();
        EXPECT_EQ(unit.value("unit").toInt(), u);
        const QJsonArray inputs = unit.value("inputs").toArray();
        const QJsonArray outputs = unit.value("outputs").toArray();
        ASSERT_EQ(inputs.size(), 4);
        ASSERT_EQ(outputs.size(), 4);
        for (int i = 1; i <= 4; ++i) {
            SCOPED_TRACE(u * 10 + i);
            EXPECT_EQ(inputs.at(i - 1).toObject().value("channel").toInt(), i);
            EXPECT_EQ(ExpectJsonFields(inputs.at(i - 1).toObject(), saved.input(u, i), kInputFields),
                      JsonKeys("channel", kInputFields));
            EXPECT_EQ(ExpectJsonFields(outputs.at(i - 1).toObject(), saved.output(u, i), kOutputFields),
                      JsonKeys("screen", kOutputFields));
        }
    }

    const CliRun table = RunCli({"show", file});
    ASSERT_EQ(table.status, 0);
    for (const char* name : {"HPositionLimit", "BrightnessB", "SeamGain[8]", "SeamBridge", "#8"})
        EXPECT_TRUE(table.out.contains(name)) << name;
}

TEST_F(Cli, SearchFindsADirectUnit)
{
    SimProcess unit({"--mode", "direct"});
    ASSERT_FALSE(unit.path().isEmpty());
    const CliRun r = RunCli({"--com1", unit.path(), "--com2", Missing(), "search"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "mode: direct\nport: COM1\ndevice: " + unit.path() + "\nunits: 1\nids: none (direct mode)\n");
}

// Without --com1/--com2 the tool uses the devices the operator chose in the window's "COM Port"
// menu, kept in the user's configuration; an option still wins over that choice.
TEST_F(Cli, SearchUsesTheDevicesChosenInTheWindow)
{
    SimProcess unit({"--mode", "direct"});
    ASSERT_FALSE(unit.path().isEmpty());
    const QString configHome = dir.filePath("config");
    ASSERT_TRUE(SaveComChoice(configHome + "/kalvora/kalvora.conf", ComChoice{Missing(), unit.path()}));
    const CliRun chosen = RunCli({"search"}, configHome);
    ASSERT_EQ(chosen.status, 0) << chosen.err.toStdString();
    EXPECT_TRUE(chosen.out.contains("port: COM2\ndevice: " + unit.path() + "\n")) << chosen.out.toStdString();

    const CliRun option = RunCli({"--com2", Missing(), "--com1", unit.path(), "search"}, configHome);
    ASSERT_EQ(option.status, 0) << option.err.toStdString();
    EXPECT_TRUE(option.out.contains("port: COM1\ndevice: " + unit.path() + "\n")) << option.out.toStdString();
}

TEST_F(Cli, FailuresGiveTheProgramsTextsAndAStatus)
{
    SimProcess dead({"--dead"});
    const CliRun none = RunCli({"--com1", dead.path(), "--com2", Missing(), "search"});
    EXPECT_EQ(none.status, 1);
    // The message, with the window's menu replaced by what to do on a terminal; the missing
    // COM2 named first, the advice for the silent COM1 after it.
    EXPECT_TRUE(none.err.contains("kalvora-cli: Note: COM Port #2: " + Missing() + ": no such device.\n\n" +
                                  kMsgTornelsNotDetected.section('\n', 0, 2)))
        << none.err.toStdString();
    EXPECT_TRUE(none.err.contains("3) Run 'kalvora-cli search' to search for Tornel(s) again."));
    EXPECT_FALSE(none.err.contains("menu item"));
    EXPECT_TRUE(none.out.isEmpty());

    // A controller that rejects everything: the bounded retries run out and the run gives up.
    SimProcess rejecting({"--mode", "controller", "--reject", "100000"});
    const QString trace = dir.filePath("traffic.txt");
    const CliRun gaveUp = RunCli({"--com1", rejecting.path(), "--com2", Missing(), "--retries", "1", "read", "-o",
                                  dir.filePath("never.tnc"), "--trace", trace});
    EXPECT_EQ(gaveUp.status, 3) << gaveUp.err.toStdString();
    // The trace of the failed run tells why: every attempt rejected.
    QFile traceFile(trace);
    ASSERT_TRUE(traceFile.open(QIODevice::ReadOnly));
    const QString traffic = QString::fromUtf8(traceFile.readAll());
    EXPECT_TRUE(traffic.contains("prompt wait - prompt")) << traffic.toStdString();
    EXPECT_TRUE(traffic.contains("query - rejected")) << traffic.toStdString();
    EXPECT_TRUE(traffic.contains("  -> NTN<CR>\n     4E 54 4E 0D\n")) << traffic.toStdString();
    EXPECT_EQ(gaveUp.err.count("[Retry]"), 1);
    EXPECT_EQ(gaveUp.err.count("[Cancel]"), 1);
    EXPECT_FALSE(QFile::exists(dir.filePath("never.tnc")));

    const CliRun badFile = RunCli({"show", dir.filePath("absent.tnc")});
    EXPECT_EQ(badFile.status, 1);
    EXPECT_TRUE(badFile.err.contains(kMsgUnableToOpen));

    QFile shortFile(dir.filePath("short.tnc"));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(100, '\x7f'));
    shortFile.close();
    const CliRun corrupt = RunCli({"show", shortFile.fileName(), "--json"});
    EXPECT_EQ(corrupt.status, 1);
    EXPECT_TRUE(corrupt.err.contains(kMsgSizeInvalid));

    for (const QStringList& args : {QStringList{}, QStringList{"frobnicate"}, QStringList{"read"},
                                    QStringList{"--com1"}, QStringList{"show", "a", "b"}}) {
        const CliRun usage = RunCli(args);
        EXPECT_EQ(usage.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(usage.err.contains("kalvora-cli --help"));
    }
    const CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"search", "read -o", "show", "--json", "--com1", "--com2", "--retries", "--trace", "Exit status"})
        EXPECT_TRUE(help.out.contains(word)) << word;
}

// Files: a failed save or load names the file and the system's reason and exits 1; the
// previous file is untouched; output that cannot be written is a failure too.
TEST_F(Cli, FileFailuresNameTheFileAndTheReason)
{
    SimProcess unit({"--mode", "direct"});
    ASSERT_FALSE(unit.path().isEmpty());
    const QString wall = dir.filePath("wall.tnc");
    QFile good(wall);
    ASSERT_TRUE(good.open(QIODevice::WriteOnly));
    good.write(QByteArray(1560, 'g'));
    good.close();

    // A disk that fills up: the child may write no more than 1000 bytes to a file.
    QProcess p;
    p.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    p.start(testing::CliPath(),
            {"--clock-scale", "0.1", "--com1", unit.path(), "--com2", Missing(), "read", "-o", wall});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(kMsgUnableToCreate + " (" + wall + ": " + strerror(EFBIG) + ")")) << err.toStdString();
    EXPECT_FALSE(QString::fromLocal8Bit(p.readAllStandardOutput()).contains("saved"));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    EXPECT_EQ(good.readAll(), QByteArray(1560, 'g'));
    good.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"wall.tnc"});

    // A FIFO is refused at once instead of waiting for a writer.
    const QString fifo = dir.filePath("fifo.tnc");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const CliRun fromFifo = RunCli({"show", fifo});
    EXPECT_EQ(fromFifo.status, 1);
    EXPECT_TRUE(fromFifo.err.contains(kMsgUnableToOpen + " (" + fifo + ": not a regular file)")) << fromFifo.err.toStdString();
    const CliRun ontoFifo = RunCli({"--com1", unit.path(), "--com2", Missing(), "read", "-o", fifo});
    EXPECT_EQ(ontoFifo.status, 1);
    EXPECT_TRUE(ontoFifo.err.contains(kMsgUnableToCreate + " (" + fifo + ": not a regular file)")) << ontoFifo.err.toStdString();
    EXPECT_TRUE(QFileInfo(fifo).isFile() == false && QFileInfo(fifo).exists());

    // Standard output on a full device.
    QProcess full;
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(testing::CliPath(), {"show", wall});
    ASSERT_TRUE(full.waitForFinished(60000));
    EXPECT_EQ(full.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(full.readAllStandardError()).contains("cannot write to standard output"));
}

// What a terminal shows: a recovered fault as a recovered retry on a run that succeeds, no
// answered questions without -v, and the give-up question says what the controller answered.
TEST_F(Cli, RecoveredFaultsAndWhatTheControllerAnswered)
{
    SimProcess once({"--mode", "controller", "--error", "1", "--error-code", "4"});
    const CliRun recovered = RunCli({"--com1", once.path(), "--com2", Missing(), "read", "-o", dir.filePath("a.tnc")});
    EXPECT_EQ(recovered.status, 0) << recovered.err.toStdString();
    EXPECT_EQ(recovered.err, "Recovered by trying again: " + kMsgControllerNoResponse + "\n");
    EXPECT_FALSE(recovered.err.contains("[No]"));

    SimProcess code3({"--mode", "controller", "--error", "100000", "--error-code", "3"});
    const CliRun gaveUp = RunCli({"--com1", code3.path(), "--com2", Missing(), "--retries", "0", "read", "-o",
                                  dir.filePath("b.tnc")});
    EXPECT_EQ(gaveUp.status, 3) << gaveUp.err.toStdString();
    EXPECT_TRUE(gaveUp.err.contains(MsgGiveUpQuery(3, "the controller answered error code 3"))) << gaveUp.err.toStdString();
    EXPECT_FALSE(gaveUp.err.contains("not been answered"));
}

// A unit that never answers through the controller (error code 4, which like a timeout ends a
// query without the link's own question) gives up the same way as repeated rejections: the
// --retries answers, then exit status 3.
TEST_F(Cli, RepeatedSilenceGivesUpAfterTheRetries)
{
    SimProcess silent({"--mode", "controller", "--error", "100000", "--error-code", "4"});
    const CliRun r = RunCli({"--com1", silent.path(), "--com2", Missing(), "--retries", "1", "read", "-o",
                             dir.filePath("never.tnc")});
    EXPECT_EQ(r.status, 3) << r.err.toStdString();
    EXPECT_EQ(r.err.count("[Retry]"), 1);
    EXPECT_EQ(r.err.count("[Cancel]"), 1);
    EXPECT_TRUE(r.err.contains(kMsgControllerNoResponse));
    EXPECT_FALSE(r.err.contains("Recovered"));
    EXPECT_FALSE(QFile::exists(dir.filePath("never.tnc")));
}

// What a simulator's --log file says it received, in order.
QByteArray LoggedReceived(const QString& logPath)
{
    QFile f(logPath);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 3 || parts[1] != "RX") continue;
        for (int i = 2; i < parts.size() && !parts[i].startsWith("|"); ++i) out += char(parts[i].toInt(nullptr, 16));
    }
    return out;
}

// The line stalls for 20 s at different moments of a read: what it held comes late, in one
// burst, and is not taken for the answers asked after it; the read is tried again and saves the
// same file as a read over a sound line.
TEST_F(Cli, AReadSurvivesALineStalledForTwentySeconds)
{
    const QStringList simArgs{"--mode", "controller", "--units", "2", "--ids", "3,7"};
    const QString sound = dir.filePath("sound.tnc");
    const QString log = dir.filePath("sound.log");
    qsizetype lines = 0;
    {
        SimProcess ctl(simArgs + QStringList{"--log", log});
        const CliRun r = RunCli({"--com1", ctl.path(), "--com2", Missing(), "read", "-o", sound});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        lines = LoggedReceived(log).count('\r');
    }
    ASSERT_GT(lines, 10);
    const QByteArray expected = testing::ReadAll(sound);
    for (const qsizetype at : {lines * 2 / 5, lines * 7 / 10, lines}) {
        SCOPED_TRACE(at);
        // 20 s as the tool's clock runs in these tests (a tenth).
        SimProcess ctl(simArgs + QStringList{"--stall", QStringLiteral("%1:2000").arg(at)});
        const QString file = dir.filePath(QStringLiteral("stalled%1.tnc").arg(at));
        const CliRun r = RunCli({"--com1", ctl.path(), "--com2", Missing(), "read", "-o", file});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(testing::ReadAll(file), expected);
        EXPECT_FALSE(r.err.contains(kMsgNoUnits)) << r.err.toStdString();
    }
}

// The PASS frames among received bytes.
QList<QByteArray> Frames(const QByteArray& bytes)
{
    QList<QByteArray> out;
    for (qsizetype at = bytes.indexOf("PASS "); at >= 0; at = bytes.indexOf("PASS ", at + 1))
        out << bytes.mid(at, bytes.indexOf("\r\r", at) + 2 - at);
    return out;
}

// Read the wall, change three settings in the file, send only what changed: exactly those three
// commands go out, and afterwards the file and the units agree.
TEST_F(Cli, SendChangedThenDiffIsEmpty)
{
    const QString log = dir.filePath("line.log");
    SimProcess ctl({"--mode", "controller", "--units", "2", "--ids", "3,7", "--log", log});
    ASSERT_FALSE(ctl.path().isEmpty());
    const QStringList ports{"--com1", ctl.path(), "--com2", "none"};
    const QString a = dir.filePath("a.tnc"), b = dir.filePath("b.tnc");
    ASSERT_EQ(RunCli(ports + QStringList{"read", "-o", a}).status, 0);
    const CliRun same = RunCli(ports + QStringList{"diff", a});
    EXPECT_EQ(same.status, 0) << same.err.toStdString();
    EXPECT_TRUE(same.out.isEmpty()) << same.out.toStdString();

    Settings file;
    testing::ScriptedOperator op;
    ASSERT_TRUE(ReadConfigFile(file, a, op));
    file.output(2, 2).BlackLevel = 77;    // screen 6
    file.output(1, 3).LeftHaloWidth = 9;  // screen 3, left edge
    file.output(1, 2).SeamGain[3] = 40;   // channel 2, gain 4
    ASSERT_TRUE(WriteConfigFile(file, b, op));

    const CliRun before = RunCli(ports + QStringList{"diff", b});
    EXPECT_EQ(before.status, 4);
    EXPECT_EQ(before.out,
              "unit 1 screen 2: SeamGain[4] file 40 units 128\n"
              "unit 1 screen 3: LeftHaloWidth file 9 units 0\n"
              "unit 2 screen 6: BlackLevel file 77 units 0\n");
    const CliRun json = RunCli(ports + QStringList{"diff", b, "--json"});
    EXPECT_EQ(json.status, 4);
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_FALSE(o.value("equal").toBool(true));
    const QJsonArray diffs = o.value("differences").toArray();
    ASSERT_EQ(diffs.size(), 3);
    EXPECT_EQ(diffs.at(2).toObject().value("screen").toInt(), 6);
    EXPECT_EQ(diffs.at(2).toObject().value("field").toString(), "BlackLevel");
    EXPECT_EQ(diffs.at(2).toObject().value("file").toInt(), 77);
    EXPECT_EQ(diffs.at(2).toObject().value("units").toInt(), 0);

    const qsizetype seen = LoggedReceived(log).size();
    const CliRun send = RunCli(ports + QStringList{"send", "--changed", b});
    ASSERT_EQ(send.status, 0) << send.err.toStdString();
    EXPECT_TRUE(send.out.contains("sent: 3 commands"));
    EXPECT_TRUE(send.err.contains("send: command 2 of 3, unit 2: BLKGN screen 6")) << send.err.toStdString();
    const QByteArray line = LoggedReceived(log).mid(seen);
    EXPECT_EQ(Frames(line), (QList<QByteArray>{testing::PassFrame("*3HALO 3 L 9 0!"),
                                                testing::PassFrame("*7BLKGN 2 77!"),
                                                testing::PassFrame("*3MANSEAM 2 -4 128 128 128 40 128 128 128 128!")}));

    const CliRun after = RunCli(ports + QStringList{"diff", b});
    EXPECT_EQ(after.status, 0) << after.out.toStdString();
    EXPECT_TRUE(after.out.isEmpty());
}

// A file holding what a send does not carry as it stands: a wall of six, an unlocked channel and
// a channel beyond the wall with values of their own, check boxes above 1, a second unit whose
// wall-wide values differ from the first's. After a full send diff finds nothing and a send of
// what changed sends nothing; then unit 2 alone gets unit 1's overlap width when that changes.
TEST_F(Cli, AfterAFullSendDiffIsEqualAndNothingIsLeftToSend)
{
    const QString log = dir.filePath("line.log");
    SimProcess ctl({"--mode", "controller", "--units", "2", "--ids", "3,7", "--log", log});
    ASSERT_FALSE(ctl.path().isEmpty());
    const QStringList ports{"--com1", ctl.path(), "--com2", "none"};
    const QString a = dir.filePath("a.tnc"), b = dir.filePath("b.tnc"), c = dir.filePath("c.tnc");
    ASSERT_EQ(RunCli(ports + QStringList{"read", "-o", a}).status, 0);
    Settings file;
    testing::ScriptedOperator op;
    ASSERT_TRUE(ReadConfigFile(file, a, op));
    file.output(1, 1).TotalProjectors = 6;
    file.input(1, 2).VideoLocked = 0;  // channel 2: not visited
    file.input(1, 2).Phase = 9;
    file.output(1, 2).SeamGain[0] = 17;
    file.input(2, 3).Phase = -5;  // channel 7: beyond the wall
    file.output(2, 3).SeamGain[7] = 33;
    file.output(1, 2).OutputRaster = 2;
    file.output(2, 1).TestGrid = 3;
    file.output(1, 1).SeamBridge = 2;
    file.output(1, 3).RightFeather = 5;
    file.output(2, 1).OverlapWidth = 300;  // unit 2's own record: the send takes unit 1's
    file.output(2, 1).DataDoubling = 0;
    file.output(2, 1).BasicGamma = 4.5f;
    file.output(1, 1).BasicGamma = 3.1f;
    file.output(2, 2).BlackLevel = 61;
    ASSERT_TRUE(WriteConfigFile(file, b, op));

    const CliRun full = RunCli(ports + QStringList{"-q", "send", b});
    ASSERT_EQ(full.status, 0) << full.err.toStdString();
    const CliRun same = RunCli(ports + QStringList{"diff", b});
    EXPECT_EQ(same.status, 0) << same.out.toStdString();
    EXPECT_EQ(same.out, "");
    const CliRun json = RunCli(ports + QStringList{"diff", b, "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, "{\"equal\":true,\"differences\":[]}\n");
    qsizetype seen = LoggedReceived(log).size();
    const CliRun nothing = RunCli(ports + QStringList{"send", "--changed", b});
    EXPECT_EQ(nothing.status, 0) << nothing.err.toStdString();
    EXPECT_TRUE(nothing.out.endsWith("sent: 0 commands\n")) << nothing.out.toStdString();
    EXPECT_EQ(Frames(LoggedReceived(log).mid(seen)), QList<QByteArray>());

    // Unit 1's overlap width is both units' overlap width; unit 2's own record stays unsent.
    file.output(1, 1).OverlapWidth = 320;
    file.output(2, 1).OverlapWidth = 100;
    ASSERT_TRUE(WriteConfigFile(file, c, op));
    const CliRun before = RunCli(ports + QStringList{"diff", c});
    EXPECT_EQ(before.status, 4);
    EXPECT_EQ(before.out,
              "unit 1 screen 1: OverlapWidth file 320 units 256\n"
              "unit 2 screen 5: OverlapWidth file 320 units 256\n");
    seen = LoggedReceived(log).size();
    const CliRun two = RunCli(ports + QStringList{"send", "--changed", c});
    EXPECT_EQ(two.status, 0) << two.err.toStdString();
    EXPECT_EQ(Frames(LoggedReceived(log).mid(seen)),
              (QList<QByteArray>{testing::PassFrame("*3DISP 0 320!"), testing::PassFrame("*7DISP 0 320!")}));
    EXPECT_EQ(RunCli(ports + QStringList{"diff", c}).status, 0);
}

// A file for two units with only one unit on the line: refused before anything is sent.
TEST_F(Cli, SendRefusesAWallThatNeedsAMissingUnit)
{
    SimProcess ctl({"--mode", "controller", "--units", "2"});
    const QString wall = dir.filePath("wall.tnc");
    ASSERT_EQ(RunCli({"--com1", ctl.path(), "--com2", "none", "read", "-o", wall}).status, 0);

    const QString log = dir.filePath("direct.log");
    SimProcess unit({"--mode", "direct", "--log", log});
    const CliRun r = RunCli({"--com1", "none", "--com2", unit.path(), "send", wall});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("needs two units, and only one unit is reachable. Nothing was sent."))
        << r.err.toStdString();
    const QByteArray line = LoggedReceived(log);
    EXPECT_FALSE(line.isEmpty());
    EXPECT_EQ(line.count('\r'), line.size());  // the probe's CRs, nothing else
}

TEST_F(Cli, ASkippedColourValueIsNamedAndCountsAgainstTheSend)
{
    const QString log = dir.filePath("line.log");
    SimProcess ctl({"--mode", "controller", "--units", "2", "--ids", "3,7", "--log", log});
    ASSERT_FALSE(ctl.path().isEmpty());
    const QStringList ports{"--com1", ctl.path(), "--com2", "none"};
    const QString a = dir.filePath("a.tnc"), b = dir.filePath("b.tnc");
    ASSERT_EQ(RunCli(ports + QStringList{"read", "-o", a}).status, 0);
    Settings file;
    testing::ScriptedOperator op;
    ASSERT_TRUE(ReadConfigFile(file, a, op));
    for (int i = 1; i <= 4; ++i) file.output(1, i).TotalProjectors = 2;
    ASSERT_TRUE(file.IsChannelLocked(1, 2));
    file.input(1, 2).ContrastG = std::numeric_limits<float>::quiet_NaN();
    ASSERT_TRUE(WriteConfigFile(file, b, op));

    const qsizetype seen = LoggedReceived(log).size();
    const CliRun send = RunCli(ports + QStringList{"send", b});
    EXPECT_EQ(send.status, 1) << send.err.toStdString();
    const QRegularExpression step("command (\\d+) of (\\d+), unit (\\d): ICNTTN channel 2");
    ASSERT_TRUE(send.err.contains("kalvora-cli: not sent: command")) << send.err.toStdString();
    const QRegularExpressionMatch skipped = step.match(send.err.mid(send.err.indexOf("not sent:")));
    ASSERT_TRUE(skipped.hasMatch()) << send.err.toStdString();
    const int total = skipped.captured(2).toInt();
    // The run ends with a summary of what the units did not get.
    EXPECT_TRUE(send.err.contains(QStringLiteral("kalvora-cli: 1 of %1 commands not sent: their values are out of "
                                                 "range; the units keep their own values there\n")
                                      .arg(total)))
        << send.err.toStdString();
    // Of the channel's four contrasts the green one is left out; the units accepted the rest.
    EXPECT_TRUE(send.out.contains(QStringLiteral("sent: %1 commands").arg(total - 1))) << send.out.toStdString();
    const QList<QByteArray> frames = Frames(LoggedReceived(log).mid(seen));
    EXPECT_EQ(frames.size(), total - 1);
    for (const QByteArray& f : frames) EXPECT_FALSE(f.contains("nan")) << f.constData();
}

TEST_F(Cli, OneCommandIsOneCommand)
{
    const QString log = dir.filePath("line.log");
    SimProcess ctl({"--mode", "controller", "--units", "2", "--ids", "3,7", "--log", log});
    const QStringList ports{"--com1", ctl.path(), "--com2", "none"};
    const QString a = dir.filePath("a.tnc"), b = dir.filePath("b.tnc");
    ASSERT_EQ(RunCli(ports + QStringList{"read", "-o", a}).status, 0);
    Settings file;
    testing::ScriptedOperator op;
    ASSERT_TRUE(ReadConfigFile(file, a, op));
    file.output(2, 3).BlackLevel = 41;  // screen 7
    ASSERT_TRUE(WriteConfigFile(file, b, op));
    const CliRun send = RunCli(ports + QStringList{"send", "--changed", b});
    EXPECT_EQ(send.status, 0) << send.err.toStdString();
    EXPECT_TRUE(send.out.contains("sent: 1 command\n")) << send.out.toStdString();
}

TEST_F(Cli, ASignalDuringASendStopsAfterTheCommandOnTheLineAndReleasesThePort)
{
    for (const int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        SimProcess ctl({"--mode", "controller", "--units", "2", "--ids", "3,7"});
        ASSERT_FALSE(ctl.path().isEmpty());
        const QStringList ports{"--com1", ctl.path(), "--com2", "none"};
        const QString wall = dir.filePath("wall.tnc"), trace = dir.filePath("trace.txt");
        QFile::remove(trace);
        ASSERT_EQ(RunCli(ports + QStringList{"read", "-o", wall}).status, 0);

        CliProcess p(QStringList{"--trace", trace} + ports + QStringList{"send", wall});
        ASSERT_TRUE(p.waitForError("send: command 20 of")) << p.err().constData();
        p.signal(sig);
        ASSERT_TRUE(p.finish(20000));
        const QByteArray& err = p.err();
        EXPECT_TRUE(p.endedNormally());
        EXPECT_EQ(p.status(), 128 + sig) << err.right(300).constData();
        EXPECT_TRUE(err.contains("interrupted after command ")) << err.constData();
        EXPECT_TRUE(err.contains("the units are partly configured")) << err.constData();
        EXPECT_GT(QFileInfo(trace).size(), 0);
        // The port's lock file went with the port.
        const QString lock = "/run/lock/LCK.." + ctl.path().mid(5).replace('/', '_');
        EXPECT_FALSE(QFileInfo::exists(lock)) << lock.toStdString();
        EXPECT_EQ(RunCli(ports + QStringList{"search"}).status, 0);
    }
}

// A signal at different moments of a read and of a send (a wall read before): the run ends at
// once or after the command on the line, with 128 + the signal, or had already finished; the
// port's lock file goes with it, the file read is whole or not there, and the next run uses
// the port.
TEST_F(Cli, ASignalAtAnyMomentLeavesThePortAndTheFilesUsable)
{
    SimProcess ctl({"--mode", "controller", "--units", "2", "--ids", "3,7"});
    ASSERT_FALSE(ctl.path().isEmpty());
    const QStringList ports{"--com1", ctl.path(), "--com2", "none"};
    const QString wall = dir.filePath("wall.tnc");
    ASSERT_EQ(RunCli(ports + QStringList{"read", "-o", wall}).status, 0);
    const QString lock = "/run/lock/LCK.." + ctl.path().mid(5).replace('/', '_');
    const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    for (int k = 0; k < 9; ++k) {
        const bool read = k % 2 == 0;
        const int sig = kSignals[k % 3];
        const int afterMs = k * 40;
        SCOPED_TRACE(QStringLiteral("%1, signal %2 after %3 ms").arg(read ? "read" : "send").arg(sig).arg(afterMs).toStdString());
        const QString out = dir.filePath(QStringLiteral("read%1.tnc").arg(k));
        CliProcess p(QStringList{"-v"} + ports + (read ? QStringList{"read", "-o", out} : QStringList{"send", wall}));
        // From the first progress text on: the run is at work on the line.
        ASSERT_TRUE(p.waitForAnyError());
        QThread::msleep(afterMs);
        p.signal(sig);
        ASSERT_TRUE(p.finish(20000));
        EXPECT_TRUE(p.endedNormally());
        EXPECT_TRUE(p.status() == 0 || p.status() == 128 + sig) << p.status();
        EXPECT_FALSE(QFileInfo::exists(lock)) << lock.toStdString();
        if (read && QFileInfo::exists(out)) {
            Settings saved;
            testing::ScriptedOperator op;
            EXPECT_TRUE(ReadConfigFile(saved, out, op)) << "a file read is whole";
        }
        const CliRun next = RunCli(ports + QStringList{"search"});
        EXPECT_EQ(next.status, 0) << next.err.toStdString();
    }
}

// "kalvora-cli send FILE 2>&1 | head -n 3": the reader goes after three lines. The send runs to
// its end all the same (every command reaches the units, as with a reader that stays), the
// port's lock file goes, and the status says the send was done but its summary was not written.
TEST_F(Cli, OutputThatGoesAwayDoesNotStopASend)
{
    const QString log = dir.filePath("line.log");
    SimProcess ctl({"--mode", "controller", "--units", "2", "--ids", "4,9", "--log", log});
    ASSERT_FALSE(ctl.path().isEmpty());
    const QStringList ports{"--com1", ctl.path(), "--com2", "none"};
    const QString read = dir.filePath("read.tnc"), wall = dir.filePath("wall.tnc");
    ASSERT_EQ(RunCli(ports + QStringList{"read", "-o", read}).status, 0);
    Settings file;
    testing::ScriptedOperator op;
    ASSERT_TRUE(ReadConfigFile(file, read, op));
    file.output(1, 1).TotalProjectors = 6;
    for (int u = 1; u <= 2; ++u)
        for (int i = 1; i <= 4; ++i) {
            file.output(u, i).BlackLevel = uint8_t(20 + 8 * u + i);
            file.output(u, i).SeamGain[i] = uint8_t(100 + 10 * u + i);
        }
    ASSERT_TRUE(WriteConfigFile(file, wall, op));

    qsizetype seen = LoggedReceived(log).size();
    const CliRun kept = RunCli(ports + QStringList{"send", wall});
    ASSERT_EQ(kept.status, 0) << kept.err.toStdString();
    const QList<QByteArray> sent = Frames(LoggedReceived(log).mid(seen));
    ASSERT_GT(sent.size(), 30);
    EXPECT_TRUE(sent.contains(testing::PassFrame("*9BLKGN 3 39!")));

    seen = LoggedReceived(log).size();
    QProcess pipeline;
    pipeline.start(QStringLiteral("bash"),
                   {"-c", "\"$0\" \"$@\" 2>&1 | head -n 3; exit \"${PIPESTATUS[0]}\"", testing::CliPath(),
                    "--clock-scale", "0.1", "--com1", ctl.path(), "--com2", "none", "send", wall});
    ASSERT_TRUE(pipeline.waitForFinished(60000));
    const QString shown = QString::fromLocal8Bit(pipeline.readAllStandardOutput());
    EXPECT_EQ(pipeline.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(pipeline.exitCode(), 5) << shown.toStdString() << pipeline.readAllStandardError().constData();
    EXPECT_EQ(shown.count('\n'), 3);
    EXPECT_TRUE(shown.startsWith("send: command 1 of ")) << shown.toStdString();
    // Every command reached the units, as with a reader that stays.
    const QList<QByteArray> piped = Frames(LoggedReceived(log).mid(seen));
    EXPECT_EQ(piped.size(), sent.size());
    EXPECT_TRUE(piped == sent);
    const QString lock = "/run/lock/LCK.." + ctl.path().mid(5).replace('/', '_');
    EXPECT_FALSE(QFileInfo::exists(lock)) << lock.toStdString();
    const CliRun next = RunCli(ports + QStringList{"search"});
    EXPECT_EQ(next.status, 0) << next.err.toStdString();
}

TEST_F(Cli, EveryProgramTellsItsVersion)
{
    for (const auto& [program, name] : {std::pair{testing::CliPath(), "kalvora-cli"}, std::pair{testing::SimPath(), "kalvora-sim"},
                                        std::pair{testing::WindowPath(), "kalvora"}}) {
        const CliRun r = testing::RunProgram(program, {"--version"});
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.out, QStringLiteral("%1 %2\n").arg(QLatin1String(name), QLatin1String(KALVORA_VERSION)));
    }
}

TEST_F(Cli, ReadChecksTheOutputBeforeTheSearchAndWritesToStandardOutput)
{
    const QString log = dir.filePath("line.log");
    SimProcess ctl({"--mode", "controller", "--units", "2", "--ids", "3,7", "--log", log});
    ASSERT_FALSE(ctl.path().isEmpty());
    const QStringList ports{"--com1", ctl.path(), "--com2", "none"};
    for (const QString& bad : {dir.filePath("missing/x.tnc"), dir.path()}) {
        const CliRun r = RunCli(ports + QStringList{"read", "-o", bad});
        EXPECT_EQ(r.status, 1) << bad.toStdString();
        EXPECT_TRUE(r.err.contains(bad)) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(log) && QFileInfo(log).size() > 0) << "the units were searched";
    }
    const QString file = dir.filePath("a.tnc");
    ASSERT_EQ(RunCli(ports + QStringList{"read", "-o", file}).status, 0);
    QProcess p;
    p.start(testing::CliPath(), QStringList{"--clock-scale", "0.1"} + ports + QStringList{"read", "-o", "-"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput(), testing::ReadAll(file));
    EXPECT_TRUE(p.readAllStandardError().contains("ids: 3 7"));
}

}  // namespace
}  // namespace kalvora
