#include "cli/cli_app.h"

#include <QFileInfo>
#include <cstdio>

#include "cli/command_line.h"
#include "cli/records_report.h"
#include "cli/terminal_operator.h"
#include "link/connection.h"
#include "link/link.h"
#include "link/queries.h"
#include "link/traffic_trace.h"
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

int Show(const CliOptions& o, TerminalOperator& op)
{
    const QString& file = o.operands.first();
    Settings settings;
    if (!ReadConfigFile(settings, file, op)) return kExitFailed;
    const std::string text = o.json ? RecordsJson(settings) : RecordsTable(settings);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return kExitOk;
}

// The port, the link and the controller of one run of search or read.
struct Session {
    Session(const CliOptions& o, TerminalOperator& op)
        : op(op), link(port, op, flags), controller(link, settings), traceFile(o.trace)
    {
        QString com1, com2;
        ResolvePortDevices(PortOptions{o.com1, o.com2, {}, {}}, com1, com2);
        port.setDevice(1, com1);
        port.setDevice(2, com2);
        if (!traceFile.isEmpty()) {
            trace.attach(port);
            link.setTrace(&trace);
        }
    }
    int GaveUpOr(int status) const { return link.ExitRequested || op.gaveUp() ? kExitGaveUp : status; }
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

    TerminalOperator& op;
    SerialPort port;
    MainFlags flags;
    Settings settings;
    TrafficTrace trace;
    Link link;
    LinkController controller;
    QString traceFile;
};

// The search of both modes; true when a link is established.
bool Search(Session& s)
{
    s.controller.SearchAllClick();
    return s.link.LinkEstablished;
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
    if (!Search(s)) return s.Finish(s.GaveUpOr(kExitFailed));
    const int units = s.link.RS485CheckBox ? QueryUnitCount(s.link) : 1;
    if (units <= 0) return s.Finish(s.GaveUpOr(kExitFailed));
    PrintConnection(s, units);
    return s.Finish(s.GaveUpOr(kExitOk));
}

int ReadCommand(const CliOptions& o, TerminalOperator& op)
{
    const QString& file = o.output;
    Session s(o, op);
    if (!Search(s)) return s.Finish(s.GaveUpOr(kExitFailed));
    if (!ReadAllUnits(s.link, s.settings)) return s.Finish(s.GaveUpOr(kExitFailed));
    if (!WriteConfigFile(s.settings, file, op)) return s.Finish(kExitFailed);
    PrintConnection(s, s.flags.UnitCount);
    Print(stdout, QStringLiteral("saved: %1\n").arg(file));
    return s.Finish(s.GaveUpOr(kExitOk));
}

}  // namespace

int Run(const QStringList& args)
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
    for (const auto& h : kHandlers)
        if (o.command == QLatin1String(h.name)) return h.run(o, op);
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
  --trace FILE          (search, read) Write every byte exchanged with the units to FILE: one
                        entry per transaction attempt with its time, unit, the bytes sent and
                        received (as text with control characters named, and as hex) and the
                        outcome (accepted, rejected, error code, timeout; a resend is the next
                        entry); the same text as "Save As..." in the program's traffic window.
                        Written at the end of the run, whatever its outcome.
  --retries N           How many times a "keep trying?" question is answered Retry (or OK)
                        before it is answered Cancel (default 2, 0..1000).
  -v, --verbose         Also print the progress texts of the status bar.
  --clock-scale X       Run every timeout and pause X times as long (0 < X <= 1; default 1).
                        Meant for tests against simulated units.
  -h, --help            Show this text.

An option's value may follow it as the next argument or after '=' (--retries=3). Options may
stand before or after the command; '--' ends the options, so that a file name beginning with
'-' can follow (show -- -old.tnc).

Nobody answers questions: messages go to standard error, and questions are answered so:
  "Serial communication established. Do you wish to query the Tornel's settings ...?"
                        No (the read command reads the units itself).
  Any other Yes/No question
                        No.
  Retry/Cancel ("keep trying?" after repeated failures of a command or query) and
  OK/Cancel ("COM Port communication with Tornel has failed ... Click OK to retry")
                        Retry/OK the first --retries times in the run, then Cancel, which ends
                        the run with exit status 3.

Exit status:
  0  success
  1  no unit or controller found, a communication error, or a file that could not be read or
     written (the message says which)
  2  bad command line
  3  gave up after the bounded retries
)");
}

}  // namespace kalvora::cli
