#include "cli/cli_app.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "cli/command_line.h"
#include "cli/diff_report.h"
#include "cli/records_report.h"
#include "cli/terminal_operator.h"
#include "link/commands.h"
#include "link/connection.h"
#include "link/link.h"
#include "link/queries.h"
#include "link/traffic_trace.h"
#include "platform/clock.h"
#include "platform/serial_devices.h"
#include "platform/serial_port.h"
#include "platform/signal_watch.h"
#include "settings/config_file.h"
#include "operations/bulk_send.h"
#include "settings/main_flags.h"
#include "operations/record_values.h"
#include "settings/settings_diff.h"

namespace kalvora::cli {
namespace {

constexpr int kExitDifferent = 4;  // diff: the file and the units differ

void Print(std::FILE* f, const QString& text)
{
    const QByteArray b = text.toLocal8Bit();
    std::fwrite(b.constData(), 1, size_t(b.size()), f);
    std::fflush(f);
}

int Usage(const QString& problem)
{
    Print(stderr, QStringLiteral("kalvora-cli: ") + problem + QStringLiteral("\nTry 'kalvora-cli --help'.\n"));
    return kExitUsage;
}

// The message of a file operation, then the file and the system's reason.
void ReportFileFailure(TerminalOperator& op, const ConfigFileResult& r, const QString& file)
{
    op.showMessage(r.message + QStringLiteral(" (%1: %2)").arg(file, r.reason));
}

int Show(const CliOptions& o, TerminalOperator& op)
{
    const QString& file = o.operands.first();
    Settings settings;
    const ConfigFileResult loaded = LoadConfigFile(settings, file);
    if (!loaded.ok) {
        ReportFileFailure(op, loaded, file);
        return kExitFailed;
    }
    const std::string text = o.json ? RecordsJson(settings) : RecordsTable(settings);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

// The port, the link and the controller of one run of search or read.
struct Session {
    Session(const CliOptions& o, TerminalOperator& op)
        : op(op), link(port, op, flags), controller(link, settings), traceFile(o.trace)
    {
        QString com1, com2;
        // The devices as the window resolves them: an option, else the operator's choice in
        // the window's "COM Port" menu, else the first free serial device.
        ResolveComDevices(PortOptions{o.com1, o.com2, {}, {}}, LoadComChoice(ComChoiceFile()), SystemSerialDeviceInfos(),
                          com1, com2);
        port.setDevice(1, com1);
        port.setDevice(2, com2);
        noPort = com1.isEmpty() && com2.isEmpty();
        if (!traceFile.isEmpty()) {
            trace.attach(port);
            link.setTrace(&trace);
        }
        QObject::connect(&signalWatch, &SignalWatch::signalled, [this] {
            if (stopAfterCommand && !stopping) {
                stopping = true;
                return;
            }
            Interrupt();
        });
    }
    // Stopped by a signal where the run cannot stop by itself: the port is closed (its lock file
    // goes with it), the trace is written, and the program ends.
    [[noreturn]] void Interrupt()
    {
        port.close();
        Print(stderr, QStringLiteral("kalvora-cli: interrupted\n"));
        const int status = Finish(signalWatch.exitStatus());
        std::fflush(stdout);
        std::fflush(stderr);
        ::_exit(status);
    }
    // The end of the run: the trace, when asked for, is written whatever the outcome; a trace
    // that cannot be written fails an otherwise good run.
    int Finish(int status)
    {
        if (traceFile.isEmpty()) return status;
        QString error;
        if (WriteTraceFile(traceFile, trace.formatText(), &error)) return status;
        Print(stderr, QStringLiteral("kalvora-cli: the traffic could not be written to %1: %2\n").arg(traceFile, error));
        return status == kExitOk ? kExitFailed : status;
    }
    // Nothing to search: the machine reports no serial port and none was named.
    bool NoPortToSearch() const
    {
        if (noPort)
            Print(stderr, QStringLiteral("kalvora-cli: no serial port found on this machine; name the port the unit or "
                                         "controller is cabled to with --com1 DEVICE (for example --com1 "
                                         "/dev/ttyUSB0)\n"));
        return noPort;
    }
    bool noPort = false;
    bool stopAfterCommand = false;
    bool stopping = false;
    int GaveUpOr(int status) const { return link.ExitRequested || op.gaveUp() ? kExitGaveUp : status; }

    TerminalOperator& op;
    SerialPort port;
    MainFlags flags;
    Settings settings;
    TrafficTrace trace;
    Link link;
    LinkController controller;
    QString traceFile;
    SignalWatch signalWatch;
};

// The search of both modes; true when a link is established.
bool Search(Session& s)
{
    s.controller.SearchAllClick();
    return s.link.LinkEstablished;
}

const QString kMsgReadFailed = QStringLiteral(
    "Error! The units did not answer the read. Click Retry to read them again. Click Cancel to give up.");
const QString kMsgCountFailed = QStringLiteral(
    "Error! The controller did not answer NTN. Click Retry to ask again. Click Cancel to give up.");

// Runs `step` again while it fails for a reason that may pass (timeouts, rejections, error
// codes), as long as the operator answers Retry: the same --retries that the link's own
// questions use, so every kind of repeated failure ends the same way. False when it failed
// for good (the port went away, an answer that no retry changes) or the operator gave up.
template <typename Step>
bool RetryWhileFailing(Session& s, const QString& question, Step&& step)
{
    for (;;) {
        if (step()) return true;
        const bool mayPass = s.link.ResendNeeded && s.link.port().isOpen();
        if (!mayPass || s.link.Abandoned || s.link.ExitRequested || s.op.gaveUp()) return false;
        if (!s.op.askRetryCancel(kTitleGiveUp, question)) return false;
    }
}

void PrintConnection(Session& s, int units, FILE* to = stdout)
{
    const int n = s.link.port().comNumber();
    QString text = QStringLiteral("mode: %1\nport: COM%2\ndevice: %3\nunits: %4\n")
                       .arg(s.link.RS485CheckBox ? QStringLiteral("controller") : QStringLiteral("direct"))
                       .arg(n)
                       .arg(s.link.port().device(n))
                       .arg(units);
    if (s.link.RS485CheckBox) {
        QStringList ids;
        if (units >= 1) ids << s.link.TornelID1Edit;
        if (units >= 2) ids << s.link.TornelID2Edit;
        text += QStringLiteral("ids: %1\n").arg(ids.join(QLatin1Char(' ')));
    } else {
        text += QStringLiteral("ids: none (direct mode)\n");
    }
    Print(to, text);
}

// Why a configuration file could not be saved at `file`, found before the units are read: a
// missing or read-only folder, a folder or a device in the file's place. Empty when it can.
QString OutputPathProblem(const QString& file)
{
    const QFileInfo info(file);
    if (info.exists() && !info.isFile()) return info.isDir() ? QString::fromLocal8Bit(std::strerror(EISDIR))
                                                              : QStringLiteral("not a regular file");
    const QByteArray dir = QFile::encodeName(info.absolutePath());
    if (::access(dir.constData(), W_OK | X_OK) != 0) return QString::fromLocal8Bit(std::strerror(errno));
    return QString();
}

int Searched(Session& s)
{
    if (s.NoPortToSearch()) return kExitFailed;
    if (!Search(s)) return s.GaveUpOr(kExitFailed);
    int units = 1;
    if (s.link.RS485CheckBox) {
        const bool counted = RetryWhileFailing(s, kMsgCountFailed, [&] { return (units = QueryUnitCount(s.link)) > 0; });
        if (!counted) return s.GaveUpOr(kExitFailed);
    }
    PrintConnection(s, units);
    return s.GaveUpOr(kExitOk);
}

int Read(Session& s, const QString& file)
{
    TerminalOperator& op = s.op;
    // "-": the file's bytes go to standard output, and what is said about the run to standard
    // error.
    const bool toStdout = file == QLatin1String("-");
    if (!toStdout) {
        const QString problem = OutputPathProblem(file);
        if (!problem.isEmpty()) {
            ReportFileFailure(op, {false, kMsgUnableToCreate, problem}, file);
            return kExitFailed;
        }
    }
    if (s.NoPortToSearch()) return kExitFailed;
    if (!Search(s)) return s.GaveUpOr(kExitFailed);
    if (!RetryWhileFailing(s, kMsgReadFailed, [&] { return ReadAllUnits(s.link, s.settings); }))
        return s.GaveUpOr(kExitFailed);
    if (toStdout) {
        const QByteArray image = ConfigImage(s.settings);
        std::fwrite(image.constData(), 1, size_t(image.size()), stdout);
        PrintConnection(s, s.flags.UnitCount, stderr);
        return s.GaveUpOr(kExitOk);
    }
    const ConfigFileResult saved = SaveConfigFile(s.settings, file);
    if (!saved.ok) {
        ReportFileFailure(op, saved, file);
        return kExitFailed;
    }
    PrintConnection(s, s.flags.UnitCount);
    Print(stdout, QStringLiteral("saved: %1\n").arg(file));
    return s.GaveUpOr(kExitOk);
}

int SearchCommand(const CliOptions& o, TerminalOperator& op)
{
    Session s(o, op);
    return s.Finish(Searched(s));
}

int ReadCommand(const CliOptions& o, TerminalOperator& op)
{
    Session s(o, op);
    return s.Finish(Read(s, o.output));
}

// Whether the file's wall needs the second unit (more than four projectors).
bool NeedsTwoUnits(const Settings& file) { return file.output(1, 1).TotalProjectors > 4; }

// Units reachable on the link found: through a controller its count (at most 2), else 1.
int ReachableUnits(Session& s)
{
    if (!s.link.RS485CheckBox) return 1;
    return std::min(QueryUnitCount(s.link), 2);
}

QString TwoUnitsMissing(const QString& file)
{
    return QStringLiteral("%1 plans a wall of more than four projectors, which needs two units, and only one unit "
                          "is reachable.")
        .arg(file);
}

QString SentSummary(int sent)
{
    return QStringLiteral("sent: %1 %2\n").arg(sent).arg(sent == 1 ? QStringLiteral("command") : QStringLiteral("commands"));
}

int SendCommand(const CliOptions& o, TerminalOperator& op)
{
    const QString& file = o.operands.first();
    Settings fileSettings;
    if (!ReadConfigFile(fileSettings, file, op)) return kExitFailed;

    Session s(o, op);
    if (!Search(s)) return s.Finish(s.GaveUpOr(kExitFailed));
    Settings units;
    int reachable = 0;
    if (o.changed) {
        if (!ReadAllUnits(s.link, units)) return s.Finish(s.GaveUpOr(kExitFailed));
        reachable = s.flags.UnitCount;
    } else {
        reachable = ReachableUnits(s);
        if (reachable <= 0) {
            if (!s.link.Abandoned) op.showMessage(kMsgNotDetectedByController);
            return s.Finish(s.GaveUpOr(kExitFailed));
        }
    }
    const bool two = NeedsTwoUnits(fileSettings);
    if (two && reachable < 2) {
        op.showMessage(TwoUnitsMissing(file) + QStringLiteral(" Nothing was sent."));
        return s.Finish(kExitFailed);
    }
    // The file's wall decides which units are sent to: a second unit on the bus that the file
    // does not plan for keeps its settings.
    s.flags.UnitCount = two ? 2 : 1;

    s.settings = fileSettings;
    if (o.changed) s.settings.OutputWidth = units.OutputWidth;
    CommandSet commands(s.link, s.settings);
    RecordValues values(s.settings, commands, s.link);
    BulkSend send(commands, s.link, s.settings, values);
    if (o.changed) send.OnlyChangedFrom = &units;
    // A first Ctrl-C (or SIGTERM, SIGHUP) lets the command on the line finish, then stops.
    s.stopAfterCommand = true;
    send.ShouldStop = [&s] { return s.signalWatch.received() != 0; };
    send.Progress = [](const BulkProgress& p) {
        Print(stderr, QStringLiteral("send: %1\n").arg(BulkStepText(p)));
    };
    const BulkOutcome outcome = send.Run();
    if (outcome == BulkOutcome::Stopped) {
        const BulkProgress& p = send.LastCommand();
        Print(stderr, p.k > 0 ? QStringLiteral("kalvora-cli: interrupted after command %1 of %2; the units are partly "
                                               "configured\n")
                                    .arg(p.k)
                                    .arg(p.n)
                              : QStringLiteral("kalvora-cli: interrupted before the first command; nothing was sent\n"));
        return s.Finish(s.signalWatch.exitStatus());
    }
    if (outcome == BulkOutcome::LinkFailed && send.LastCommand().k > 0) {
        const BulkProgress& p = send.LastCommand();
        const QString how = s.port.isOpen() ? QStringLiteral("the units stopped accepting commands at")
                                            : QStringLiteral("the port failed after");
        Print(stderr, QStringLiteral("kalvora-cli: %1 command %2 of %3 (unit %4: %5); the units are partly configured\n")
                          .arg(how)
                          .arg(p.k)
                          .arg(p.n)
                          .arg(p.unit)
                          .arg(p.what));
    }
    if (outcome != BulkOutcome::Done) return s.Finish(s.GaveUpOr(kExitFailed));
    PrintConnection(s, s.flags.UnitCount);
    Print(stdout, SentSummary(send.CommandsSent()));
    for (const BulkProgress& p : send.CommandsSkipped())
        Print(stderr, QStringLiteral("kalvora-cli: not sent: command %1 of %2, unit %3: %4 (its value is out of range)\n")
                          .arg(p.k)
                          .arg(p.n)
                          .arg(p.unit)
                          .arg(p.what));
    return s.Finish(s.GaveUpOr(send.CommandsSkipped().isEmpty() ? kExitOk : kExitFailed));
}

int DiffCommand(const CliOptions& o, TerminalOperator& op)
{
    const QString& file = o.operands.first();
    Settings fileSettings;
    if (!ReadConfigFile(fileSettings, file, op)) return kExitFailed;
    Session s(o, op);
    if (!Search(s)) return s.Finish(s.GaveUpOr(kExitFailed));
    if (!ReadAllUnits(s.link, s.settings)) return s.Finish(s.GaveUpOr(kExitFailed));
    const bool two = NeedsTwoUnits(fileSettings);
    if (two && s.flags.UnitCount < 2) {
        op.showMessage(TwoUnitsMissing(file));
        return s.Finish(s.GaveUpOr(kExitFailed));
    }
    const auto diffs = CompareSettings(fileSettings, s.settings, two ? 2 : 1);
    const std::string text =
        o.json ? DiffJson(diffs, fileSettings, s.settings) : DiffText(diffs, fileSettings, s.settings);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return s.Finish(s.GaveUpOr(diffs.empty() ? kExitOk : kExitDifferent));
}

}  // namespace

int RunCommand(const QStringList& args);

int Run(const QStringList& args)
{
    int status = RunCommand(args);
    // What went to standard output counts only once it is really written (a full disk, a
    // closed pipe).
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        Print(stderr, QStringLiteral("kalvora-cli: cannot write to standard output: %1\n")
                          .arg(QString::fromLocal8Bit(std::strerror(error ? error : EIO))));
        if (status == kExitOk) status = kExitFailed;
    }
    return status;
}

int RunCommand(const QStringList& args)
{
    const ParsedCommandLine parsed = ParseCommandLine(args);
    const CliOptions& o = parsed.options;
    if (o.help) {
        Print(stdout, HelpText());
        return kExitOk;
    }
    if (o.version) {
        Print(stdout, QStringLiteral("kalvora-cli %1\n").arg(QLatin1String(KALVORA_VERSION)));
        return kExitOk;
    }
    if (!parsed.error.isEmpty()) return Usage(parsed.error);

    clock::setScale(o.clockScale);
    TerminalOperator op;
    op.verbose = o.verbose;
    op.retries = o.retries;
    op.yesNoAnswer = false;
    // One handler for each command of the command-line table.
    static constexpr struct {
        const char* name;
        int (*run)(const CliOptions&, TerminalOperator&);
    } kHandlers[] = {{"show", Show},
                     {"search", SearchCommand},
                     {"read", ReadCommand},
                     {"send", SendCommand},
                     {"diff", DiffCommand}};
    for (const auto& h : kHandlers) {
        if (o.command != QLatin1String(h.name)) continue;
        const int status = h.run(o, op);
        op.finishRun(status == kExitOk);
        return status;
    }
    return Usage(QStringLiteral("unknown command '%1'").arg(o.command));
}

QString HelpText()
{
    return QStringLiteral(R"(Usage: kalvora-cli [OPTIONS] COMMAND [ARGUMENTS]

Finds Tornel units on COM1 or COM2, reads their settings into a configuration file, sends a
configuration file to them, compares a file with them, and shows configuration files.

Commands:
  search                Search COM1 then COM2 for a unit cabled directly (direct mode, 38400
                        baud), then for a controller (controller mode, 57600 baud). Prints the
                        mode, the port and its device, the number of units and, through a
                        controller, their RS-485 IDs.
  read -o FILE.tnc      Search as above, then read every unit (through a controller: the unit
                        count and IDs, then each unit; directly: the one unit) and save all
                        settings in the configuration file FILE.tnc (1560 bytes). The previous
                        file is replaced only once the new one is complete. Where FILE.tnc
                        cannot be written (no such folder, no permission) the run stops before
                        the search. "-o -" writes the file to standard output and the
                        connection lines to standard error.
  send FILE.tnc [--changed]
                        Search as above, then send every setting of the file to the units in
                        the order of the window's Send Current Settings to Tornel(s) item. A file
                        planning more than four projectors needs two units behind a controller;
                        with only one reachable nothing is sent. Progress goes to standard error
                        ("send: command k of n, unit u: what"). A value the pages would not
                        accept stops the send with a message; what went before stays sent.
                        --changed reads the units first and sends only the commands whose
                        values differ from what the units hold (a channel's seam gains go once).
  diff FILE.tnc [--json]
                        Search, read the units and print each setting whose value differs
                        between the file and the units: unit, screen or channel (numbered
                        #1..#8 across the wall), field, the file's value and the units' value.
                        Compared are the settings that send carries; what the units measure
                        (video, line totals, output format) is not. Exit status 0 when equal,
                        4 when different. --json prints {"equal":..,"differences":[..]}.
  show FILE.tnc [--json]
                        Print every field of every record of both units in the configuration
                        file: input channels and output screens #1..#8 (unit 1 holds #1..#4,
                        unit 2 holds #5..#8), in a table or, with --json, as JSON.

Options:
  --com1 DEVICE         The device file of COM1 (for example /dev/ttyUSB0), or a port on a
                        network serial server: socket://HOST:PORT (raw TCP, the server's line
                        settings) or rfc2217://HOST:PORT (Telnet with COM port control: the
                        baud rate, parity and flow control are set on the server's port).
  --com2 DEVICE         The same for COM2. Without these options COM1 and COM2 are the
                        devices chosen in the program's "COM Port" menu (kept in
                        ~/.config/kalvora/kalvora.conf), else the first two serial ports the
                        system reports, USB adapters before on-board ports. "none" leaves
                        that port out of the search.
  --trace FILE          (search, read, send, diff) Write every byte exchanged with the units to FILE: one
                        entry per transaction attempt with its time, unit, the bytes sent and
                        received (as text with control characters named, and as hex) and the
                        outcome (accepted, rejected, error code, timeout; a resend is the next
                        entry); the same text as "Save As..." in the program's traffic window.
                        Written at the end of the run, whatever its outcome, also when the run
                        is interrupted (Ctrl-C, SIGTERM, SIGHUP). A device or a pipe (/dev/null,
                        /dev/stdout) is written into, never replaced.
  --retries N           How many times in the run a repeated failure is tried again before
                        the run gives up with exit status 3 (default 2, 0..1000): every
                        "keep trying?" question (the units or the controller kept timing out,
                        rejecting or answering with an error code), a read or unit count that
                        got no usable answer, and the COM Port recovery of a unit cabled
                        directly are answered Retry (or OK) that many times, then Cancel.
  -v, --verbose         Also print the progress texts of the status bar.
  --clock-scale X       Run every timeout and pause X times as long (0 < X <= 1; default 1).
                        Meant for tests against simulated units.
  -h, --help            Show this text.
  --version             Show the program's version.

An option's value may follow it as the next argument or after '=' (--retries=3). Options may
stand before or after the command; '--' ends the options, so that a file name beginning with
'-' can follow (show -- -old.tnc).

Nobody answers questions: messages go to standard error, and questions are answered so:
  "Serial communication established. Do you wish to query the Tornel's settings ...?"
                        No (the read command reads the units itself); shown only with -v.
  Any other Yes/No question
                        No; shown only with -v.
  Retry/Cancel ("keep trying?" after repeated failures of a command or query) and
  OK/Cancel ("COM Port communication with Tornel has failed ... Click OK to retry")
                        Retry/OK the first --retries times in the run, then Cancel, which ends
                        the run with exit status 3.
A timeout or "no response" that a later attempt recovered from is reported at the end as
"Recovered by trying again: ..." on a run that succeeds.

Exit status:
  0  success (recovered retries are reported on standard error)
  1  no serial port on the machine and none named; no unit or controller found on COM1 or
     COM2; the port failed during the run (adapter pulled, device gone); the controller
     reports no units; a configuration file that could not be read or written, or standard
     output that could not be written (the message names the file and the system's reason);
     send: a command left out because its value is out of range (each is named), or the
     send stopped midway (the message names the last command; the units are partly
     configured)
  2  bad command line
  3  gave up: the --retries answers were used up while the units or the controller kept
     timing out, rejecting or answering with error codes, or the COM Port recovery of a
     directly cabled unit was cancelled
  4  diff: the file and the units differ
)");
}

}  // namespace kalvora::cli
