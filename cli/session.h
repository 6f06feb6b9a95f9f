#pragma once
// One run of a command that talks to the units: a session with the units whose port has its COM
// devices resolved as the window resolves them, and what a signal does to the run; with the
// search and the retries every such command shares.

#include <QString>
#include <cstdio>

#include "cli/cli_app.h"
#include "cli/command_line.h"
#include "cli/terminal_operator.h"
#include "operations/session.h"
#include "platform/signal_watch.h"

namespace kalvora::cli {

struct Session {
    Session(const CliOptions& o, TerminalOperator& op);
    // The ports the search could not use go into the --json report.
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Stopped by a signal where the run cannot stop by itself: the port is closed (its lock file
    // goes with it), the trace and the --json report are written, and the program ends.
    [[noreturn]] void Interrupt();
    // The end of the run: the trace, when asked for, is written whatever the outcome; a trace
    // that cannot be written fails an otherwise good run.
    int Finish(int status);
    // Nothing to search: the machine reports no serial port and none was named (told).
    bool NoPortToSearch() const;
    int GaveUpOr(int status) const { return link.endRequested() || op.gaveUp() ? kExitGaveUp : status; }

    bool noPort = false;
    // A send: the first signal lets the command on the line finish, then the send stops.
    bool stopAfterCommand = false;
    bool stopping = false;

    TerminalOperator& op;
    kalvora::Session core;
    // The parts of the session, by the names the commands use.
    SerialPort& port = core.port();
    MainFlags& flags = core.flags();
    Settings& settings = core.settings();
    TrafficTrace& trace = core.trace();
    Link& link = core.link();
    LinkController& controller = core.linkController();
    QString traceFile;
    SignalWatch signalWatch;

private:
    void NoteTroubles();
    bool troublesNoted_ = false;
};

// The search of both modes; true when a link is established.
bool Search(Session& s);

// Runs `step` again while it fails for a reason that may pass (timeouts, rejections, error
// codes), as long as the operator answers Retry: the same --retries that the link's own
// questions use, so every kind of repeated failure ends the same way. False when it failed
// for good (the port went away, an answer that no retry changes) or the operator gave up.
template <typename Step>
bool RetryWhileFailing(Session& s, const QString& question, Step&& step)
{
    for (;;) {
        if (step()) return true;
        const bool mayPass = !s.link.lastOutcome().done() && s.link.port().isOpen();
        if (!mayPass || s.link.sequenceStopped() || s.op.gaveUp()) return false;
        if (!s.op.askRetryCancel(kTitleGiveUp, question)) return false;
    }
}

// What was found: the mode, the port, its device, the units and their RS-485 IDs, as lines on
// `to`; with --json into the report instead.
void PrintConnection(Session& s, int units, std::FILE* to = stdout);

}  // namespace kalvora::cli
