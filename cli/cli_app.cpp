#include "cli/cli_app.h"

#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/command_line.h"
#include "cli/records_report.h"
#include "cli/terminal_operator.h"
#include "link/connection.h"
#include "link/link.h"
#include "link/queries.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "settings/config_file.h"
#include "settings/main_flags.h"

namespace kalvora::cli {
namespace {

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
    Session(const CliOptions& o, TerminalOperator& op) : op(op), link(port, op, flags), controller(link, settings)
    {
        QString com1, com2;
        ResolvePortDevices(PortOptions{o.com1, o.com2, {}, {}}, com1, com2);
        port.setDevice(1, com1);
        port.setDevice(2, com2);
        noPort = com1.isEmpty() && com2.isEmpty();
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
    int GaveUpOr(int status) const { return link.ExitRequested || op.gaveUp() ? kExitGaveUp : status; }

    TerminalOperator& op;
    SerialPort port;
    MainFlags flags;
    Settings settings;
    Link link;
    LinkController controller;
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

void PrintConnection(Session& s, int units)
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
    Print(stdout, text);
}

int SearchCommand(const CliOptions& o, TerminalOperator& op)
{
    Session s(o, op);
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

int ReadCommand(const CliOptions& o, TerminalOperator& op)
{
    const QString& file = o.output;
    Session s(o, op);
    if (s.NoPortToSearch()) return kExitFailed;
    if (!Search(s)) return s.GaveUpOr(kExitFailed);
    if (!RetryWhileFailing(s, kMsgReadFailed, [&] { return ReadAllUnits(s.link, s.settings); }))
        return s.GaveUpOr(kExitFailed);
    const ConfigFileResult saved = SaveConfigFile(s.settings, file);
    if (!saved.ok) {
        ReportFileFailure(op, saved, file);
        return kExitFailed;
    }
    PrintConnection(s, s.flags.UnitCount);
    Print(stdout, QStringLiteral("saved: %1\n").arg(file));
    return s.GaveUpOr(kExitOk);
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
    } kHandlers[] = {{"show", Show}, {"search", SearchCommand}, {"read", ReadCommand}};
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

Finds Tornel units on COM1 or COM2, reads their settings into a configuration file, and shows
configuration files.

Commands:
  search                Search COM1 then COM2 for a unit cabled directly (direct mode, 38400
                        baud), then for a controller (controller mode, 57600 baud). Prints the
                        mode, the port and its device, the number of units and, through a
                        controller, their RS-485 IDs.
  read -o FILE.tnc      Search as above, then read every unit (through a controller: the unit
                        count and IDs, then each unit; directly: the one unit) and save all
                        settings in the configuration file FILE.tnc (1560 bytes). The previous
                        file is replaced only once the new one is complete.
  show FILE.tnc [--json]
                        Print every field of every record of both units in the configuration
                        file: input channels and output screens #1..#8 (unit 1 holds #1..#4,
                        unit 2 holds #5..#8), in a table or, with --json, as JSON.

Options:
  --com1 DEVICE         The device file of COM1 (for example /dev/ttyUSB0).
  --com2 DEVICE         The device file of COM2. Without these options COM1 and COM2 are the
                        first two serial ports the system reports, USB adapters before
                        on-board ports.
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
     output that could not be written (the message names the file and the system's reason)
  2  bad command line
  3  gave up: the --retries answers were used up while the units or the controller kept
     timing out, rejecting or answering with error codes, or the COM Port recovery of a
     directly cabled unit was cancelled
)");
}

}  // namespace kalvora::cli
