#include "cli/cli_app.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "cli/diff_report.h"
#include "cli/json_output.h"
#include "cli/ports_command.h"
#include "cli/show_command.h"
#include "cli/records_report.h"
#include "cli/session.h"
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

namespace kalvora::cli {
namespace {

constexpr int kExitDifferent = 4;  // diff: the file and the units differ

const QString kMsgReadFailed = QStringLiteral(
    "Error! The units did not answer the read. Click Retry to read them again. Click Cancel to give up.");
const QString kMsgCountFailed = QStringLiteral(
    "Error! The controller did not answer NTN. Click Retry to ask again. Click Cancel to give up.");

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
    if (s.link.throughController()) {
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
    if (op.report) op.report->saved = true;
    else Print(stdout, QStringLiteral("saved: %1\n").arg(file));
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
    if (!s.link.throughController()) return 1;
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
        if (!RetryWhileFailing(s, kMsgReadFailed, [&] { return ReadAllUnits(s.link, units); }))
            return s.Finish(s.GaveUpOr(kExitFailed));
        reachable = s.flags.UnitCount;
    } else {
        reachable = ReachableUnits(s);
        if (reachable <= 0) {
            if (!s.link.sequenceStopped()) op.showMessage(kMsgNotDetectedByController);
            return s.Finish(s.GaveUpOr(kExitFailed));
        }
    }
    // --json: what the search found, whatever the send does next.
    if (op.report) PrintConnection(s, reachable);
    const bool two = NeedsTwoUnits(fileSettings);
    if (two && reachable < 2) {
        op.showMessage(TwoUnitsMissing(file) + QStringLiteral(" Nothing was sent."));
        return s.Finish(kExitFailed);
    }
    // The file's wall decides which units are sent to: a second unit on the bus that the file
    // does not plan for keeps its settings.
    s.flags.UnitCount = two ? 2 : 1;
    // From here on the units the send addresses, as the text names them at the end.
    if (op.report) PrintConnection(s, s.flags.UnitCount);

    s.settings = fileSettings;
    CommandSet& commands = s.core.commands();
    RecordValues values(s.settings, commands, s.link);
    BulkSend send(commands, s.link, s.settings, values);
    if (o.changed) send.OnlyChangedFrom = &units;
    // A first Ctrl-C (or SIGTERM, SIGHUP) lets the command on the line finish, then stops.
    s.stopAfterCommand = true;
    struct Watch final : BulkObserver {
        const CliOptions& o;
        TerminalOperator& op;
        Session& s;
        Watch(const CliOptions& options, TerminalOperator& terminal, Session& session)
            : o(options), op(terminal), s(session)
        {
        }
        void Progress(const BulkProgress& p) override
        {
            if (op.report) op.report->commands << RunReport::Command{p.k, p.n, p.unit, p.what};
            if (!o.quiet) Print(stderr, QStringLiteral("send: %1\n").arg(BulkStepText(p)));
        }
        bool ShouldStop() override { return s.signalWatch.received() != 0; }
    } watch(o, op, s);
    const BulkOutcome outcome = send.Run(watch);
    if (op.report) {
        op.report->sent = send.CommandsSent();
        for (const BulkProgress& p : send.CommandsSkipped()) op.report->markCommand(p.k, RunReport::Outcome::Skipped);
        if (outcome == BulkOutcome::InvalidValue) op.report->markLastCommand(RunReport::Outcome::Invalid);
        if (outcome == BulkOutcome::LinkFailed) op.report->markLastCommand(RunReport::Outcome::Failed);
    }
    if (outcome == BulkOutcome::Stopped) {
        const BulkProgress& p = send.LastCommand();
        op.showMessage(p.k > 0 ? QStringLiteral("interrupted after command %1 of %2; the units are partly configured")
                                     .arg(p.k)
                                     .arg(p.n)
                               : QStringLiteral("interrupted before the first command; nothing was sent"));
        return s.Finish(s.signalWatch.exitStatus());
    }
    if (outcome == BulkOutcome::LinkFailed && send.LastCommand().k > 0) {
        const BulkProgress& p = send.LastCommand();
        const QString how = s.port.isOpen() ? QStringLiteral("the units stopped accepting commands at")
                                            : QStringLiteral("the port failed after");
        op.showMessage(QStringLiteral("%1 command %2 of %3 (unit %4: %5); the units are partly configured")
                           .arg(how)
                           .arg(p.k)
                           .arg(p.n)
                           .arg(p.unit)
                           .arg(p.what));
    }
    if (outcome != BulkOutcome::Done) return s.Finish(s.GaveUpOr(kExitFailed));
    PrintConnection(s, s.flags.UnitCount);
    if (!op.report) Print(stdout, SentSummary(send.CommandsSent()));
    const QList<BulkProgress>& skipped = send.CommandsSkipped();
    for (const BulkProgress& p : skipped)
        op.showMessage(QStringLiteral("not sent: command %1 of %2, unit %3: %4 (its value is out of range)")
                           .arg(p.k)
                           .arg(p.n)
                           .arg(p.unit)
                           .arg(p.what));
    // A send that left values out has not put the file on the units: it fails, with a summary.
    if (!skipped.isEmpty())
        op.showMessage(QStringLiteral("%1 of %2 commands not sent: their values are out of range; the units keep "
                                      "their own values there")
                           .arg(skipped.size())
                           .arg(skipped.first().n));
    return s.Finish(s.GaveUpOr(skipped.isEmpty() ? kExitOk : kExitFailed));
}

int DiffCommand(const CliOptions& o, TerminalOperator& op)
{
    const QString& file = o.operands.first();
    Settings fileSettings;
    if (!ReadConfigFile(fileSettings, file, op)) return kExitFailed;
    Session s(o, op);
    if (!Search(s)) return s.Finish(s.GaveUpOr(kExitFailed));
    if (!RetryWhileFailing(s, kMsgReadFailed, [&] { return ReadAllUnits(s.link, s.settings); }))
        return s.Finish(s.GaveUpOr(kExitFailed));
    const bool two = NeedsTwoUnits(fileSettings);
    if (two && s.flags.UnitCount < 2) {
        op.showMessage(TwoUnitsMissing(file));
        return s.Finish(s.GaveUpOr(kExitFailed));
    }
    // What a send of the file would carry, from the same plan the send runs: the units it would
    // address, the channels it would visit, the values as it would take them.
    s.flags.UnitCount = two ? 2 : 1;
    Settings planned = fileSettings;
    CommandSet commands(s.link, planned, ReadBackView::none());
    RecordValues values(planned, commands, s.link);
    BulkSend send(commands, s.link, planned, values);
    std::vector<CarriedDifference> diffs;
    if (!send.Differences(s.settings, diffs)) {
        op.showMessage(QStringLiteral("%1 plans no projector count from 1 to 8; a send of it would stop before the "
                                      "first command.")
                           .arg(file));
        return s.Finish(kExitFailed);
    }
    const std::string text = o.json ? DiffJson(diffs) : DiffText(diffs);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return s.Finish(s.GaveUpOr(diffs.empty() ? kExitOk : kExitDifferent));
}

// The devices, with the COM ports the search would use them as (a session resolves them as
// for a search, and opens nothing).
int PortsCommand(const CliOptions& o, TerminalOperator& op)
{
    const Session s(o, op);
    const QList<PortListing> ports = ListPorts(SystemSerialDeviceInfos(), s.port.device(1), s.port.device(2),
                                               [](const QString& d) { return DeviceHolder(d); });
    if (ports.isEmpty() && !o.json) Print(stderr, QStringLiteral("kalvora-cli: no serial ports found\n"));
    const std::string text = o.json ? PortsJson(ports) : ports.isEmpty() ? std::string() : PortsText(ports);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

}  // namespace

int RunCommand(const QStringList& args, bool& outputIsTheResult);

int Run(const QStringList& args)
{
    bool outputIsTheResult = true;
    int status = RunCommand(args, outputIsTheResult);
    // What went to standard output counts only once it is really written (a full disk, a
    // closed pipe). Where the output is what was asked for (a file's bytes, a listing, a
    // comparison) the run has failed; where it only reports work done on the units or in a
    // file, that work stands and the status says the report was lost.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        Print(stderr, QStringLiteral("kalvora-cli: cannot write to standard output: %1\n")
                          .arg(QString::fromLocal8Bit(std::strerror(error ? error : EIO))));
        if (status == kExitOk) status = outputIsTheResult ? kExitFailed : kExitOutputLost;
    }
    return status;
}

int RunCommand(const QStringList& args, bool& outputIsTheResult)
{
    const ParsedCommandLine parsed = ParseCommandLine(args);
    const CliOptions& o = parsed.options;
    outputIsTheResult = !(o.command == QLatin1String("search") || o.command == QLatin1String("send") ||
                          (o.command == QLatin1String("read") && o.output != QLatin1String("-")));
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
    // --json of search, read and send: one document at the end of the run.
    RunReport report;
    report.command = o.command;
    if (o.json && QStringList{"search", "read", "send"}.contains(o.command)) op.report = &report;
    if (op.report && o.command != QLatin1String("search")) report.file = o.command == QLatin1String("read") ? o.output : o.operands.value(0);
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
                     {"diff", DiffCommand},
                     {"ports", PortsCommand}};
    for (const auto& h : kHandlers) {
        if (o.command != QLatin1String(h.name)) continue;
        const int status = h.run(o, op);
        op.finishRun(status == kExitOk);
        if (op.report) {
            const std::string json = RunReportJson(report, status);
            std::fwrite(json.data(), 1, json.size(), stdout);
        }
        return status;
    }
    return Usage(QStringLiteral("unknown command '%1'").arg(o.command));
}

}  // namespace kalvora::cli
