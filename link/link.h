#pragma once
// The link to the Tornel units on the serial port: the command and reply buffers, the framing
// of commands in direct and controller mode, the controller transaction with acknowledgement,
// timeout and resend, the query transaction, the direct prompt wait with its recovery dialog,
// the port probe, the receive handler and the reply timer.
//
// One Link lives for the whole run. All of it runs on the one thread; every wait sleeps in the
// event loop, so the window stays alive and replies are seen while a transaction waits.

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <optional>

#include "link/frame.h"
#include "link/reply_assembly.h"
#include "link/traffic_trace.h"
#include "platform/serial_port.h"
#include "settings/records.h"

namespace kalvora {

class Operator;
struct MainFlags;

// ---- Texts the link shows --------------------------------------------------------------------
inline const QString kMsgOutputOverflow =
    QStringLiteral("Error! RS-232 communication port output buffer overflow. Please resend command.");
inline const QString kMsgTimeout = QStringLiteral(
    "Error! Timeout occured. Unable to communicate with Tornel. Please verify that Serial Port is connected to Tornel.");
inline const QString kMsgControllerNoResponse = QStringLiteral(
    "Error! Controller did not get response from Tornel(s). Please check connections and Tornel(s) Serial Mode "
    "settings.");
inline const QString kStatusControllerErrorCode =
    QStringLiteral("Error code returned by Controller detected.... Resending message");
inline const QString kStatusSending = QStringLiteral("Sending command....");
inline const QString kStatusResending = QStringLiteral("Resending message....");
inline const QString kTitleComPortError = QStringLiteral("COM Port error");
inline const QString kMsgComPortFailed = QStringLiteral(
    "Error! COM Port communication with Tornel has failed. Please check the RS-232 cable. Click OK to retry. Click "
    "Cancel to exit application.");
// "Note: COM Port #" n " is not responding/being used by another application."
QString MsgPortBusy(int n);
// The same with a line telling how to get access on Linux (group owning the device).
QString MsgPortPermission(int n, const QString& device);
// "Note: COM Port #" n " is not responding."
QString MsgPortNotResponding(int n);
// MsgPortBusy with the process that holds the device, from its lock file, when it is known.
QString MsgPortInUse(int n, const QString& device);
// MsgPortBusy with the address of a network port and why its server could not be used
// (refused, unreachable, no answer).
QString MsgPortUnreachable(int n, const QString& address, const QString& reason);
// MsgPortNotResponding for the port that has just failed; a network port's message goes on
// with its address and what happened to the connection.
QString MsgPortLost(const SerialPort& port);
// A command or query for a unit the controller did not report on this connection.
QString MsgUnitNotReported(int unit);
// The way out of endless resends, asked after the 3rd failed attempt and every 3rd after.
// `cause` says what the last attempt got ("no reply within 8 seconds", "the controller
// answered error code 3", ...).
QString MsgGiveUpCommand(int attempts, const QString& cause = {});
QString MsgGiveUpQuery(int attempts, const QString& cause = {});
inline const QString kTitleGiveUp = QStringLiteral("Vorn - Kalvora :Communication with Tornel(s)");

// ---- Link state ------------------------------------------------------------------------------
constexpr int kLinkBufferSize = 250;
constexpr int kDefaultWaitTicks = 80;
constexpr int kReplyTimeoutMs = 8000;
constexpr int kResendPauseMs = 900;
// The operator is asked whether to keep trying after this many failed attempts in a row,
// and again after every further this many.
constexpr int kAttemptsBeforeAsking = 3;

// The RS-485 IDs of unit 1 and unit 2 on the controller's bus, and whether the controller
// detected each unit on this connection (its ID is shown only then).
struct UnitIds {
    std::array<int, 2> id{1, 2};
    std::array<bool, 2> detected{false, false};

    // RS-485 ID of unit 1 or 2 (unit 1's for any other number).
    int of(int unit) const { return id[unit == 2 ? 1 : 0]; }
    bool detectedUnit(int unit) const { return detected[unit == 2 ? 1 : 0]; }
    bool operator==(const UnitIds&) const = default;
};

// How a transaction with the units ended.
enum class TransactionOutcome {
    Done,        // the command was accepted, the query answered
    NotStarted,  // nothing was sent: the port is closed, or another operation on the units is under way
    Refused,     // the controller rejected the line ("?") or answered an error code
    TimedOut,    // no complete reply before the reply timer ran out
    Unusable,    // a reply came, but not the answer asked for (no block, no unit count in it)
    PortLost,    // the port went away during it
    Abandoned,   // the operator gave up at the way out of the resends, or cancelled the recovery dialog
};

struct TransactionResult {
    TransactionOutcome outcome = TransactionOutcome::Done;
    // Refused: the controller's error code digit ('4': the unit did not answer); 0 when the
    // controller rejected the line itself.
    char errorCode = 0;

    bool done() const { return outcome == TransactionOutcome::Done; }
    // The controller said the unit behind it did not answer.
    bool unitDidNotAnswer() const { return outcome == TransactionOutcome::Refused && errorCode == kErrorNoResponse; }
    // The controller refused the line itself (rejected, or an error code other than 4): worth resending.
    bool controllerRefused() const { return outcome == TransactionOutcome::Refused && errorCode != kErrorNoResponse; }
    // A sequence of transactions stops here: nothing later would reach the units.
    bool stopsSequence() const
    {
        return outcome == TransactionOutcome::PortLost || outcome == TransactionOutcome::Abandoned;
    }
    bool operator==(const TransactionResult&) const = default;
};

// Checksum of a controller frame's text: the byte sum mod 256 of everything up to the NUL
// (FrameChecksum of link/frame.h).
int ComputeChecksumOf(const char* text);
// The two upper-case hex digits of a checksum ("0A", "BD", "00").
QByteArray ChecksumDigits(int checksum);
// printf into a fixed buffer in the C locale (a point as decimal separator whatever the
// system's locale), cut to fit; returns the length written.
int FormatCommand(char* buffer, int size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int FormatCommandV(char* buffer, int size, const char* format, va_list args);

class Link : public QObject {
    Q_OBJECT
public:
    Link(SerialPort& port, Operator& op, MainFlags& flags, QObject* parent = nullptr);
    ~Link() override;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    SerialPort& port() { return port_; }
    Operator& op() { return op_; }
    MainFlags& flags() { return flags_; }

    // ---- The command and its reply -------------------------------------------------------
    // The text of the command or query to send next: an addressed command's "*" id text "!",
    // or a whole line or query frame. At most kLinkBufferSize - 1 bytes, never a NUL.
    const QByteArray& commandText() const { return commandText_; }
    // The command text = printf(format, ...) in the C locale, cut to fit.
    void SetCommandText(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The command text = the bytes of a frame (a query or a line), cut to fit.
    void SetCommandFrame(const SerialFrame& frame);
    // Computes the checksum of the command text that the controller frame carries.
    void ComputeChecksum();
    int commandChecksum() const { return commandChecksum_; }
    // The last reply's bytes: kLinkBufferSize of them, a NUL after the reply's text (see
    // ReplyBuffer).
    const QByteArray& replyText() const { return reply_.ReplyText; }
    // A reply ends at this byte (the prompt's last: '#' direct, '>' controller) ...
    char replyEnd() const { return reply_.Terminator; }
    void setReplyEnd(char end) { reply_.Terminator = end; }
    // ... once at least this many bytes have come.
    int minReplyLength() const { return reply_.MinReplyLength; }
    void setMinReplyLength(int bytes) { reply_.MinReplyLength = bytes; }
    // The direct prompt wait, in 55 ms ticks.
    int promptWaitTicks() const { return promptWaitTicks_; }
    void setPromptWaitTicks(int ticks) { promptWaitTicks_ = ticks; }
    // A query or controller attempt waits for its reply.
    bool awaitingReply() const { return awaitingReply_; }
    bool replyTimerActive() const { return replyTimer_.isActive(); }

    // ---- The units behind the link ---------------------------------------------------------
    // The connection mode: through a controller on an RS-485 bus (up to two units), or one
    // unit directly on the port.
    bool throughController() const { return throughController_; }
    void setThroughController(bool on) { throughController_ = on; }

    // RS-485 ID of unit 1 or 2.
    int unitId(int unit) const { return unitIds_.of(unit); }
    const UnitIds& unitIds() const { return unitIds_; }
    // Sets the IDs (NTN); emits unitIdsChanged.
    void setUnitIds(const UnitIds& ids);
    // Units the controller reported (NTN) since this connection was made, at most 2; 0 until
    // it has answered. Nothing is addressed to a unit beyond them.
    int unitsReported() const { return unitsReported_; }
    void setUnitsReported(int count) { unitsReported_ = count; }
    // A new connection or none: nothing is known of the units behind it.
    void forgetReportedUnits();
    // Whether a command or query may go to unit 1 or 2: always in direct mode, through a
    // controller only to a unit it reported on this connection.
    bool MayAddress(int unit) const { return !throughController_ || (unit >= 1 && unit <= unitsReported_); }
    // The firmware version unit 1 reported (from its SYINFOTN text); emits unitVersionChanged.
    QString unitVersion() const { return unitVersion_; }
    void setUnitVersion(const QString& text);
    // The last SYINFOTN text of unit 1 or 2: at most 7 bytes, up to its first NUL.
    QByteArray unitInfoText(int unit) const;
    // Keeps the first 7 bytes of `text` (up to a NUL) as the unit's SYINFOTN text.
    void setUnitInfoText(int unit, const char* text, qsizetype size);
    // The input record unit 1 or 2 reported for channel 1..4 since this connection was made:
    // a channel's sampling window is the unit's, whatever a file says. Empty when not asked yet.
    const std::optional<InputChannelRecord>& reportedInput(int unit, int channel) const;
    void noteReportedInput(int unit, int channel, const InputChannelRecord& record);
    void forgetReportedInputs() { inputsReported_ = {}; }

    // ---- Transactions ----------------------------------------------------------------------
    // Writes `text` if the port is open and the output queue has room, else tells the
    // operator of the overflow and drops it. True when written.
    bool WriteIfRoom(const QByteArray& text);
    bool WriteIfRoom(const char* text);

    // Controller-mode transaction of the command text in the "PASS " frame, resent until the
    // controller accepts it; then a post-wait of `postWait` nominal ms with events handled.
    // False when the command was not delivered: not started (port closed, another operation
    // under way), the port went away during it (link dropped, told once), or the operator
    // chose Cancel at the way out. lastOutcome() says which.
    bool SendControllerCommand(int postWait);
    // Sends the command text unchanged and waits for one reply (no resend). True when a complete
    // reply arrived; otherwise lastOutcome() says why and replyText() holds what came. After a
    // timeout nothing awaits the late bytes; every transaction starts its reply afresh.
    bool SendQuery();
    // Sends `text` and waits promptWaitTicks() for the reply's end. True when it came, or when
    // the port is closed (nothing sent). A port that goes away during the wait is a failure:
    // the link is dropped and the operator told once.
    bool SendAndWaitPrompt(const QByteArray& text);
    // SendAndWaitPrompt(commandText()) with the recovery dialog when it fails. False when the
    // port went away, or the operator chose Cancel (endRequested() set, exitRequested(-1)
    // emitted).
    bool SendDirectCommand();
    // Re-probes the current port until the unit answers or the operator quits, then sends
    // the command text again. False when the operator chose Cancel.
    bool RecoverDirectLink();
    // Selects, opens and probes port n with CR.
    bool ProbePort(int n);
    // How the last command or query ended (set by SendControllerCommand, SendQuery,
    // SendDirectCommand, the way out and noteUnusableReply; a new link starts Done).
    TransactionResult lastOutcome() const { return outcome_; }
    // The reply of the last query came but does not answer it: the query may be tried again.
    void noteUnusableReply() { outcome_ = {TransactionOutcome::Unusable}; }
    // The sequence of transactions under way stops: the last one said so (the operator gave
    // up, the port went away) or the program is ending.
    bool sequenceStopped() const { return outcome_.stopsSequence() || endRequested_; }
    // The way out of a resend loop: counts a failed attempt and, after every
    // kAttemptsBeforeAsking in a row, asks the operator. False when the operator gave up
    // (lastOutcome() Abandoned). Used by the controller transaction and by the queries' resend
    // loops.
    bool KeepTrying(int failedAttempts, bool isQuery);
    // While on, the link waits for a unit known to be busy (after a procedure): timeouts and
    // "did not answer" error codes end the attempt without a message box, a status text or a
    // pause, and the way out of the resends is not offered. A port that goes away is still
    // reported.
    bool quietFailures() const { return quietFailures_; }
    void setQuietFailures(bool quiet) { quietFailures_ = quiet; }

    // The link is up: a unit or a controller answered on the open port. Also switches the
    // monitoring of the line's status lights. A link just made owes no resend.
    bool linkUp() const { return linkUp_; }
    void setLinkUp(bool up);

    // ---- Whether an operation may start --------------------------------------------------------
    // An operation may start now: no other is waiting and the operator has not ended the
    // program at the recovery dialog. Every operation on the units asks this first.
    bool MayStart() const { return waitDepth_ == 0 && !endRequested_; }
    // Cancel in the recovery dialog: the program is to end with status -1; nothing more starts.
    bool endRequested() const { return endRequested_; }
    // An operation on the units handles events in one of its waits or pauses: a handler run
    // from there (a menu, an editor commit) must not start another one, which would overwrite
    // the command and reply texts under the waiting one.
    bool insideWait() const { return waitDepth_ > 0; }
    // Marks such a wait for as long as it lives.
    class Waiting {
    public:
        explicit Waiting(Link& link) : link_(link) { ++link_.waitDepth_; }
        ~Waiting() { --link_.waitDepth_; }
        Waiting(const Waiting&) = delete;
        Waiting& operator=(const Waiting&) = delete;

    private:
        Link& link_;
    };
    // One timed wait of `nominalMs` (through the clock) while events are handled: the
    // post-waits and the 1 ms, 100 ms, 900 ms and 1000 ms sleeps.
    void WaitMs(int nominalMs);
    // Handles pending events once, without waiting.
    void HandlePendingEvents();

    // ---- What the link is doing, for whoever shows it ----------------------------------------
    // An operation on the units runs (counted: every beginOperation() is matched by one
    // endOperation(), and the operator sees the end when the outermost one ends, however they
    // nest). The operator is told through Operator::setBusy.
    bool operationRunning() const { return operationDepth_ > 0; }
    void beginOperation();
    void endOperation();
    // The link waits for the units: a transaction awaits its reply, or a longer wait (a unit's
    // procedure) is held. Nothing the operator edits meanwhile would reach them.
    bool waitingForUnits() const { return waitingForUnits_; }
    // Holds the link waiting between the transactions of a longer wait for as long as it lives.
    class LongWait {
    public:
        explicit LongWait(Link& link) : link_(link) { link_.holdWaiting(true); }
        ~LongWait() { link_.holdWaiting(false); }
        LongWait(const LongWait&) = delete;
        LongWait& operator=(const LongWait&) = delete;

    private:
        Link& link_;
    };

    // ---- The line ------------------------------------------------------------------------------
    // Receive handler: `count` bytes are waiting in the port.
    void onBytesAvailable(int count);
    // The reply timer ran out.
    void onReplyTimeout();
    // Terminal key filter: backspace with the port open is consumed and sent as BS SP BS.
    // True when the key was consumed.
    bool filterTerminalKey(char key);

    // The traffic trace the link tells where its transactions begin and end (nullptr: none).
    // It watches the port's bytes itself; the link's timing does not depend on it.
    void setTrace(TrafficTrace* trace) { trace_ = trace; }
    TrafficTrace* trace() const { return trace_; }
    // The unit (1, 2) a command or query text addresses; 0 for the port or the controller.
    // `text` is a frame's bytes, or a command's addressed text as commandText() holds it.
    int UnitOfText(const QByteArray& text) const;
    // The unit (1, 2) that has this RS-485 ID; 0 for none.
    int UnitOfId(int unitId) const;
    // What ended the last failed attempt, in words for the way-out question.
    QString LastFailure() const { return lastFailure_; }

signals:
    void waitingForUnitsChanged(bool waiting);
    void linkUpChanged(bool up);
    void unitIdsChanged();
    void unitVersionChanged(const QString& text);
    // Cancel in the recovery dialog: end the program with this status (-1). Connected
    // directly: the receiver ends the program before the call stack unwinds. Should it return,
    // every later transaction is refused at once, so nothing more goes to the units.
    void exitRequested(int status);
    // The port failed (unplugged adapter, other end gone), whether or not a transaction was
    // running: the link is down and the port closed; the operator has been told once.
    void portLost();
    void lineStateChanged(const kalvora::SerialPort::LineState& state);

private:
    void setWaiting(bool waiting);
    void holdWaiting(bool hold);
    void startReplyTimer();
    void stopReplyTimer();
    // Sleeps in the event loop until the reply is complete, an error ended it, the timer
    // fired or the port went away.
    void waitForReplyOrFailure();
    // The effects of the reply assembly's outcome that must not run inside the data event
    // (messages and pauses run their own event loops): shown once the wait has ended.
    void runDeferredEffects();
    void onPortFailed(const QString& reason);
    void resetAssembly();
    // The start of a controller or query attempt: earlier bytes are discarded, and the late
    // replies among them are no longer owed.
    void flushBeforeAttempt();
    // An attempt that timed out: its reply may still come, late (a stalled line).
    void noteUnansweredAttempt();
    // How the attempt that just waited without a complete reply ended, the port loss aside.
    TransactionResult failedAttempt() const;
    // The reply assembled holds the echo of this attempt's line: the text before it is cut
    // off. False when the echo is not there (the reply is an earlier attempt's).
    bool takeReplyFromEcho();
    // The prompt wait; a port failure during it stays pending for the caller to report.
    bool sendAndWaitPromptKeepingFailure(const QByteArray& text);
    bool takePortFailure();
    void traceBegin(TraceRow::Kind kind, const QByteArray& text, int attempt = 1);
    // How the transaction that just waited ended, for the trace.
    QString traceOutcome(TraceRow::Kind kind, bool portLost) const;
    void traceEnd(const QString& outcome);

    SerialPort& port_;
    Operator& op_;
    MainFlags& flags_;
    QTimer replyTimer_;
    QByteArray commandText_;
    int commandChecksum_ = 0;
    ReplyBuffer reply_;  // the reply's bytes, its length, end and minimum length, and the assembly's memory
    int promptWaitTicks_ = kDefaultWaitTicks;
    bool awaitingReply_ = false;
    // The attempt under way ended without a complete reply (refused, timed out, port failed).
    bool attemptFailed_ = false;
    TransactionResult outcome_;
    bool quietFailures_ = false;
    bool endRequested_ = false;
    bool throughController_ = false;
    UnitIds unitIds_;
    int unitsReported_ = 0;
    QString unitVersion_;
    // Last SYINFOTN text per unit (index 1, 2), at most 7 characters and a NUL.
    std::array<std::array<char, 8>, 3> unitInfoText_{};
    // The input records each unit reported, by unit and channel (1-based).
    std::array<std::array<std::optional<InputChannelRecord>, 5>, 3> inputsReported_{};
    bool linkUp_ = false;
    bool waitingForUnits_ = false;
    int waitHoldDepth_ = 0;
    int operationDepth_ = 0;
    int waitDepth_ = 0;
    bool inHandler_ = false;
    int transactionDepth_ = 0;
    bool portFailedPending_ = false;
    ReplyOutcome pendingOutcome_ = ReplyOutcome::Incomplete;
    bool pendingTimeoutMessage_ = false;
    TrafficTrace* trace_ = nullptr;
    // What ended the last wait, for the trace and the outcome: the assembly's outcome, the timer.
    ReplyOutcome lastReply_ = ReplyOutcome::Incomplete;
    char lastErrorDigit_ = 0;
    bool timedOut_ = false;
    QString lastFailure_;
    // Through a controller: replies still owed to attempts that timed out. A stalled line
    // delivers them late, before the answer to the attempt that waits then; they are dropped
    // rather than taken for that answer.
    int staleReplies_ = 0;
    int staleDroppedThisAttempt_ = 0;
    int64_t fedSinceReset_ = 0;  // bytes given to the assembly since it last started afresh
};

}  // namespace kalvora
