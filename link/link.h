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

struct LinkState {
    ReplyBuffer Reply;  // the reply's bytes, ReplyLength, MinReplyLength, Terminator and the assembly's memory
    int32_t& ReplyLength = Reply.ReplyLength;
    int32_t& MinReplyLength = Reply.MinReplyLength;
    char& Terminator = Reply.Terminator;

    int32_t WaitTicks = kDefaultWaitTicks;
    int32_t CommandChecksum = 0;
    bool AwaitingReply = false;
    bool ResendNeeded = false;
    bool ControllerError = false;
    bool DirectReplyOk = false;
    // The input records each unit reported since this connection was made, by unit and
    // channel (1-based): a channel's sampling window is the unit's, whatever a file says.
    std::array<std::array<std::optional<InputChannelRecord>, 5>, 3> InputsReported{};

    // Last SYINFOTN text per unit (index 1, 2), at most 7 characters and a NUL.
    std::array<std::array<char, 8>, 3> UnitInfoText{};

    // Set when the operator chose Cancel at the way out of a resend loop, or Cancel in the
    // recovery dialog; cleared when the next command or query starts. Callers stop their
    // sequence when a call returns false with this set.
    bool Abandoned = false;
    // Set while the program waits for a unit that is known to be busy (after a procedure):
    // timeouts and "did not answer" error codes end the attempt without a message box, a
    // status text or a pause, and the way out of the resends is not offered. A port that goes
    // away is still reported.
    bool QuietFailures = false;

    LinkState() = default;
    LinkState(const LinkState&) = delete;
    LinkState& operator=(const LinkState&) = delete;
};

class Link;

// Holds the pages disabled (Link::HoldPages) for as long as it lives.
class PagesHeld {
public:
    explicit PagesHeld(Link& link);
    ~PagesHeld();
    PagesHeld(const PagesHeld&) = delete;
    PagesHeld& operator=(const PagesHeld&) = delete;

private:
    Link& link_;
};

// Checksum of a controller frame's text: the byte sum mod 256 of everything up to the NUL
// (FrameChecksum of link/frame.h).
int ComputeChecksumOf(const char* text);
// The two upper-case hex digits of a checksum ("0A", "BD", "00").
QByteArray ChecksumDigits(int checksum);
// printf into a fixed buffer in the C locale (a point as decimal separator whatever the
// system's locale), cut to fit; returns the length written.
int FormatCommand(char* buffer, int size, const char* format, ...) __attribute__((format(printf, 3, 4)));

class Link : public QObject, public LinkState {
    Q_OBJECT
public:
    Link(SerialPort& port, Operator& op, MainFlags& flags, QObject* parent = nullptr);
    ~Link() override;

    SerialPort& port() { return port_; }
    Operator& op() { return op_; }
    MainFlags& flags() { return flags_; }

    // The text of the command or query to send next: an addressed command's "*" id text "!",
    // or a whole line or query frame. At most kLinkBufferSize - 1 bytes, never a NUL.
    const QByteArray& commandText() const { return commandText_; }
    // The last reply's bytes: kLinkBufferSize of them, a NUL after the reply's text (see
    // ReplyBuffer).
    const QByteArray& replyText() const { return Reply.ReplyText; }
    // The command text = printf(format, ...) in the C locale, cut to fit.
    void SetCommandText(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // The command text = the bytes of a frame (a query or a line), cut to fit.
    void SetCommandFrame(const SerialFrame& frame);

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

    // Sets CommandChecksum from the command text.
    void ComputeChecksum();
    // Writes `text` if the port is open and the output queue has room, else tells the
    // operator of the overflow and drops it. True when written.
    bool WriteIfRoom(const QByteArray& text);
    bool WriteIfRoom(const char* text);

    // Controller-mode transaction of the command text in the "PASS " frame, resent until the
    // controller accepts it; then a post-wait of `postWait` nominal ms with events handled.
    // False when the command was not delivered: the port was closed at the call, the port
    // went away during it (Abandoned set, link dropped, told once), or the operator chose
    // Cancel at the way out (Abandoned set). The caller stops its sequence.
    bool SendControllerCommand(int postWait);
    // Sends the command text unchanged and waits for one reply (no resend). True when a complete
    // reply arrived; the caller examines ResendNeeded, ControllerError and ReplyText. After a
    // timeout nothing awaits the late bytes (AwaitingReply clear); every transaction starts
    // its reply afresh.
    bool SendQuery();
    // Sends `text` and waits WaitTicks for the Terminator. True when it came, or when the
    // port is closed (nothing sent). A port that goes away during the wait is a failure: the
    // link is dropped and the operator told once.
    bool SendAndWaitPrompt(const QByteArray& text);
    // SendAndWaitPrompt(commandText()) with the recovery dialog when it fails. False only when
    // the operator chose Cancel (endRequested() set, exitRequested(-1) emitted).
    bool SendDirectCommand();
    // Re-probes the current port until the unit answers or the operator quits, then sends
    // the command text again. False when the operator chose Cancel.
    bool RecoverDirectLink();
    // Selects, opens and probes port n with CR.
    bool ProbePort(int n);
    // The link is up: a unit or a controller answered on the open port. Also switches the
    // monitoring of the line's status lights.
    bool linkUp() const { return linkUp_; }
    void setLinkUp(bool up);

    // Receive handler: `count` bytes are waiting in the port.
    void onBytesAvailable(int count);
    // The reply timer ran out.
    void onReplyTimeout();
    // Terminal key filter: backspace with the port open is consumed and sent as BS SP BS.
    // True when the key was consumed.
    bool filterTerminalKey(char key);

    // One timed wait of `nominalMs` (through the clock) while events are handled: the
    // post-waits and the 1 ms, 100 ms, 900 ms and 1000 ms sleeps.
    static void WaitMs(int nominalMs);
    // Handles pending events once, without waiting.
    static void HandlePendingEvents();
    // True while an operation on the units handles events in one of its waits or pauses: a
    // handler run from there (a menu, an editor commit) must not start another operation,
    // which would overwrite the command and reply texts under the waiting one.
    static bool InsideWait();
    // An operation may start now: no other is waiting and the operator has not ended the
    // program at the recovery dialog.
    bool MayStart() const { return !InsideWait() && !endRequested_; }
    // Cancel in the recovery dialog: the program is to end with status -1; nothing more starts.
    bool endRequested() const { return endRequested_; }
    // The sequence of transactions under way stops: the operator gave up (Abandoned) or the
    // program is ending.
    bool sequenceStopped() const { return Abandoned || endRequested_; }

    // The hourglass, counted: every SetCursorBusy(true) is matched by one SetCursorBusy(false),
    // and the arrow comes back when the outermost operation ends, however they nest.
    bool CursorBusy() const { return cursorDepth_ > 0; }
    void SetCursorBusy(bool busy);

    // The way out of a resend loop: counts a failed attempt and, after every
    // kAttemptsBeforeAsking in a row, asks the operator. False when the operator gave up
    // (Abandoned set). Used by the controller transaction and by the queries' resend loops.
    bool KeepTrying(int failedAttempts, bool isQuery);

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

    bool replyTimerActive() const { return replyTimer_.isActive(); }
    // False while a transaction waits for a unit (or pages are held): the operator's editing
    // is disabled meanwhile.
    bool editingAllowed() const { return pageEnabled_; }
    // Keeps the pages disabled between the transactions of a longer wait (a unit's procedure),
    // counted like the hourglass.
    void HoldPages(bool hold);
    // How the last attempt's reply ended (ErrorNoResponse: the controller said the unit did not
    // answer; Incomplete: nothing usable came before the timer).
    ReplyOutcome LastOutcome() const { return lastOutcome_; }

signals:
    void editingAllowedChanged(bool allowed);
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
    void setPageEnabled(bool enabled);
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
    bool endRequested_ = false;
    bool throughController_ = false;
    UnitIds unitIds_;
    int unitsReported_ = 0;
    QString unitVersion_;
    bool linkUp_ = false;
    bool pageEnabled_ = true;
    int pageHoldDepth_ = 0;
    int cursorDepth_ = 0;
    bool inHandler_ = false;
    int transactionDepth_ = 0;
    bool portFailedPending_ = false;
    ReplyOutcome pendingOutcome_ = ReplyOutcome::Incomplete;
    bool pendingTimeoutMessage_ = false;
    TrafficTrace* trace_ = nullptr;
    // What ended the last wait, for the trace: the assembly's outcome, the timer.
    ReplyOutcome lastOutcome_ = ReplyOutcome::Incomplete;
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
