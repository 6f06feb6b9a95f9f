#include "link/link.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <locale.h>

#include "platform/clock.h"
#include "platform/operator.h"
#include "settings/main_flags.h"

namespace kalvora {

// ---- Texts -----------------------------------------------------------------------------------

QString MsgPortBusy(int n)
{
    return QStringLiteral("Note: COM Port #%1 is not responding/being used by another application.").arg(n);
}

QString MsgPortPermission(int n, const QString& device)
{
    const QFileInfo info(device);
    QString group = info.exists() ? info.group() : QString();
    if (group.isEmpty() || group == QLatin1String("root")) group = QStringLiteral("dialout");
    return MsgPortBusy(n) +
           QStringLiteral("\nOn Linux this program may not use %1: add your user to the group '%2' that owns it "
                          "(sudo usermod -a -G %2 $USER), then log out and in again.")
               .arg(device.isEmpty() ? QStringLiteral("the port") : device, group);
}

QString MsgPortNotResponding(int n) { return QStringLiteral("Note: COM Port #%1 is not responding.").arg(n); }

namespace {
QString Because(const QString& cause) { return cause.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(cause); }
}  // namespace

QString MsgGiveUpCommand(int attempts, const QString& cause)
{
    return QStringLiteral("Error! The command has not been accepted after %1 attempts%2. Click Retry to keep trying. "
                          "Click Cancel to abandon it.")
        .arg(attempts)
        .arg(Because(cause));
}

QString MsgGiveUpQuery(int attempts, const QString& cause)
{
    // The query's resends follow answers (a rejection, an error code), not silence.
    if (cause.isEmpty())
        return QStringLiteral("Error! The query has not been answered after %1 attempts. Click Retry to keep "
                              "trying. Click Cancel to abandon it.")
            .arg(attempts);
    return QStringLiteral("Error! The query has failed %1 times (%2). Click Retry to keep trying. Click Cancel to "
                          "abandon it.")
        .arg(attempts)
        .arg(cause);
}

// ---- Framing helpers -------------------------------------------------------------------------

int ComputeChecksumOf(const char* text)
{
    if (text == nullptr) return 0;
    unsigned sum = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) sum += *p;
    return static_cast<int>(sum % 256);
}

QByteArray ChecksumDigits(int checksum)
{
    static const char hex[] = "0123456789ABCDEF";
    const unsigned v = static_cast<unsigned>(checksum) & 0xFF;
    const char digits[2] = {hex[v >> 4], hex[v & 0x0F]};
    return QByteArray(digits, 2);
}

namespace {

locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

int FormatCommandV(char* buffer, int size, const char* format, va_list args)
{
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    if (format == nullptr) return 0;
    // Commands go on the wire with a point as decimal separator, whatever the system's locale.
    const locale_t previous = uselocale(CLocale());
    const int n = std::vsnprintf(buffer, size_t(size), format, args);
    uselocale(previous);
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return std::min(n, size - 1);
}

}  // namespace

int FormatCommand(char* buffer, int size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = FormatCommandV(buffer, size, format, args);
    va_end(args);
    return n;
}

// ---- Link ------------------------------------------------------------------------------------

namespace {
int g_waitDepth = 0;

// Marks the span in which an operation on the units hands control to the event loop.
class InWait {
public:
    InWait() { ++g_waitDepth; }
    ~InWait() { --g_waitDepth; }
    InWait(const InWait&) = delete;
    InWait& operator=(const InWait&) = delete;
};
}  // namespace

bool Link::InsideWait() { return g_waitDepth > 0; }

Link::Link(SerialPort& port, Operator& op, MainFlags& flags, QObject* parent)
    : QObject(parent), port_(port), op_(op), flags_(flags)
{
    timer1_.setTimerType(Qt::PreciseTimer);
    timer1_.setSingleShot(true);
    connect(&timer1_, &QTimer::timeout, this, &Link::Timer1Timer);
    connect(&port_, &SerialPort::triggerAvail, this, &Link::ApdComPort1TriggerAvail);
    connect(&port_, &SerialPort::portFailed, this, &Link::onPortFailed);
    connect(&port_, &SerialPort::lineStateChanged, this, &Link::lineStateChanged);
}

Link::~Link() { timer1_.stop(); }

void Link::SetCommandText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatCommandV(CommandText, kLinkBufferSize, format, args);
    va_end(args);
}

int Link::UnitId(int unit) const
{
    bool ok = false;
    const int id = (unit == 2 ? TornelID2Edit : TornelID1Edit).trimmed().toInt(&ok);
    return ok ? id : 0;
}

void Link::SetUnitIds(const QString& id1, bool visible1, const QString& id2, bool visible2)
{
    TornelID1Edit = id1;
    TornelID2Edit = id2;
    TornelID1Visible = visible1;
    TornelID2Visible = visible2;
    emit unitIdsChanged();
}

void Link::SetVersion1Label(const QString& text)
{
    Version1Label = text;
    emit version1LabelChanged(text);
}

void Link::ComputeChecksum()
{
    CommandText[kLinkBufferSize - 1] = '\0';
    CommandChecksum = ComputeChecksumOf(CommandText);
}

bool Link::WriteIfRoom(const QByteArray& text)
{
    if (!port_.isOpen()) return false;
    // Outside a transaction this is a direct command that waits for nothing: a row of its own.
    const bool ownRow = trace_ && transactionDepth_ == 0;
    if (ownRow) traceBegin(TraceRow::Kind::Write, text);
    if (port_.outBuffFree() > text.size()) {
        port_.putString(text);
        if (ownRow) traceEnd(QStringLiteral("sent, no reply awaited"));
        return true;
    }
    if (ownRow) traceEnd(QStringLiteral("output queue full, not sent"));
    op_.showMessage(kMsgOutputOverflow);
    return false;
}

int Link::UnitOfText(const QByteArray& text) const
{
    const int star = text.indexOf('*');
    if (star < 0) return !RS485CheckBox && text != QByteArrayLiteral("\r") ? 1 : 0;
    int id = 0, digits = 0;
    for (int i = star + 1; i < text.size() && digits < 3 && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        id = id * 10 + (text[i] - '0');
    if (digits == 0) return 0;
    if (id == UnitId(1)) return 1;
    if (id == UnitId(2)) return 2;
    return 0;
}

void Link::traceBegin(TraceRow::Kind kind, const QByteArray& text, int attempt)
{
    lastOutcome_ = ReplyOutcome::Incomplete;
    lastErrorDigit_ = 0;
    timedOut_ = false;
    if (trace_) trace_->begin(kind, UnitOfText(text), attempt);
}

QString Link::traceOutcome(TraceRow::Kind kind, bool portLost) const
{
    if (portLost) return QStringLiteral("port lost");
    switch (lastOutcome_) {
    case ReplyOutcome::Complete:
        return kind == TraceRow::Kind::Command ? QStringLiteral("accepted") : QStringLiteral("reply");
    case ReplyOutcome::Rejected: return QStringLiteral("rejected");
    case ReplyOutcome::ErrorNoResponse: return QStringLiteral("error code 4 (the unit did not answer)");
    case ReplyOutcome::ErrorCode:
        return QStringLiteral("error code %1").arg(QString::fromLatin1(QByteArray(1, lastErrorDigit_ ? lastErrorDigit_ : '?')));
    case ReplyOutcome::Incomplete: break;
    }
    return timedOut_ ? QStringLiteral("timeout") : QStringLiteral("no reply");
}

void Link::traceEnd(const QString& outcome)
{
    if (trace_) trace_->end(outcome);
}

bool Link::WriteIfRoom(const char* text)
{
    if (text == CommandText) {
        CommandText[kLinkBufferSize - 1] = '\0';
        return WriteIfRoom(QByteArray(CommandText, int(std::strlen(CommandText))));
    }
    return WriteIfRoom(QByteArray(text ? text : ""));
}

void Link::resetAssembly()
{
    Reply.Reset();
    pendingOutcome_ = ReplyOutcome::Incomplete;
}

void Link::startTimer1() { timer1_.start(clock::scaled(kReplyTimeoutMs)); }
void Link::stopTimer1() { timer1_.stop(); }

void Link::setPageEnabled(bool enabled)
{
    if (pageEnabled_ == enabled) return;
    pageEnabled_ = enabled;
    emit phasePageControlEnabledChanged(enabled);
}

void Link::SetCursorBusy(bool busy)
{
    if (busy) {
        if (cursorDepth_++ == 0) op_.setBusy(true);
    } else if (cursorDepth_ > 0) {
        if (--cursorDepth_ == 0) op_.setBusy(false);
    }
}

void Link::waitForReplyOrFailure()
{
    InWait inWait;
    while (AwaitingReply && !ResendNeeded && port_.isOpen() && !portFailedPending_)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Link::runDeferredEffects()
{
    if (pendingTimeoutMessage_) {
        pendingTimeoutMessage_ = false;
        if (!QuietFailures) op_.showMessage(kMsgTimeout);
    }
    const ReplyOutcome outcome = pendingOutcome_;
    pendingOutcome_ = ReplyOutcome::Incomplete;
    if (QuietFailures) {
        // Waiting out a busy unit: its silence and the controller's error codes are expected.
    } else if (outcome == ReplyOutcome::ErrorNoResponse) {
        op_.showMessage(kMsgControllerNoResponse);
    } else if (outcome == ReplyOutcome::ErrorCode) {
        op_.setStatus(kStatusControllerErrorCode);
        WaitMs(kResendPauseMs);
    }
    if (portFailedPending_) {
        portFailedPending_ = false;
        op_.showMessage(MsgPortNotResponding(port_.comNumber()));
    }
}

bool Link::SendControllerCommand(int postWait)
{
    if (!port_.isOpen() || !MayStart()) return false;
    Abandoned = false;
    ++transactionDepth_;
    SetCursorBusy(true);

    CommandText[kLinkBufferSize - 1] = '\0';
    const QByteArray digits = ChecksumDigits(CommandChecksum);  // computed once by the builder
    bool delivered = false;
    for (int failures = 0;;) {
        ResendNeeded = false;
        ControllerError = false;
        MinReplyLength = int32_t(std::strlen(CommandText)) + 8;  // the "PASS " line up to its first CR
        op_.setStatus(kStatusSending);
        resetAssembly();
        port_.flushInBuffer();
        traceBegin(TraceRow::Kind::Command, QByteArray(CommandText), failures + 1);
        WriteIfRoom(QByteArrayLiteral("PASS "));
        WriteIfRoom(CommandText);
        WriteIfRoom(digits);
        AwaitingReply = true;
        WriteIfRoom(QByteArrayLiteral("\r\r"));
        // The frame leaves now, not after the pages have been disabled and repainted.
        port_.flushOutput();
        setPageEnabled(false);
        startTimer1();
        waitForReplyOrFailure();
        stopTimer1();
        // After a timeout the assembly is left behind: nothing waits for those bytes any more.
        AwaitingReply = false;
        const bool portLost = portFailedPending_ || !port_.isOpen();
        traceEnd(traceOutcome(TraceRow::Kind::Command, portLost));
        runDeferredEffects();
        if (portLost) {
            Abandoned = true;
            break;
        }
        if (!ResendNeeded) {
            delivered = true;
            break;
        }
        ++failures;
        if (!KeepTrying(failures, false)) break;
        op_.setStatus(kStatusResending);
        WaitMs(kResendPauseMs);
        HandlePendingEvents();
        if (!port_.isOpen()) {
            Abandoned = true;
            runDeferredEffects();
            break;
        }
    }
    if (delivered) WaitMs(postWait);
    setPageEnabled(true);
    SetCursorBusy(false);
    op_.setStatus(QString());
    --transactionDepth_;
    return delivered;
}

bool Link::SendQuery()
{
    if (!port_.isOpen() || !MayStart()) {
        // Nothing was asked, so nothing may be read from an earlier reply.
        ReplyText[0] = '\0';
        ResendNeeded = true;
        return false;
    }
    ++transactionDepth_;
    ResendNeeded = false;
    ControllerError = false;
    resetAssembly();
    AwaitingReply = true;
    port_.flushInBuffer();
    traceBegin(TraceRow::Kind::Query, QByteArray(CommandText));
    startTimer1();
    WriteIfRoom(CommandText);
    port_.flushOutput();
    waitForReplyOrFailure();
    stopTimer1();
    if (AwaitingReply) {
        // Timeout or a lost port: the next transaction starts its reply afresh.
        AwaitingReply = false;
        if (!ResendNeeded) ResendNeeded = true;
    }
    const bool complete = !ResendNeeded;
    traceEnd(traceOutcome(TraceRow::Kind::Query, portFailedPending_ || !port_.isOpen()));
    if (portFailedPending_) Abandoned = true;
    runDeferredEffects();
    --transactionDepth_;
    return complete;
}

bool Link::sendAndWaitPromptKeepingFailure(const QByteArray& text)
{
    if (!port_.isOpen()) return true;
    FlagGuard busy(flags_.EditorBusy, true);
    ++transactionDepth_;
    AwaitingReply = false;  // the wait consumes the bytes; the receive handler leaves them alone
    port_.flushInBuffer();
    op_.setStatus(kStatusSending);
    traceBegin(TraceRow::Kind::Prompt, text);
    WriteIfRoom(text);
    port_.flushOutput();
    setPageEnabled(false);
    bool found = false;
    {
        InWait inWait;
        found = port_.waitForChar(Terminator, WaitTicks);
    }
    // A port that fails during the wait is a failure, not the success of a closed port.
    if (portFailedPending_) found = false;
    traceEnd(portFailedPending_ || !port_.isOpen() ? QStringLiteral("port lost")
             : found                               ? QStringLiteral("prompt")
                                                   : QStringLiteral("no prompt (timeout)"));
    op_.setStatus(QString());
    setPageEnabled(true);
    --transactionDepth_;
    return found;
}

bool Link::SendAndWaitPrompt(const QByteArray& text)
{
    const bool found = sendAndWaitPromptKeepingFailure(text);
    if (takePortFailure()) {
        op_.showMessage(MsgPortNotResponding(port_.comNumber()));
        return false;
    }
    return found;
}

bool Link::takePortFailure()
{
    const bool failed = portFailedPending_;
    portFailedPending_ = false;
    return failed;
}

bool Link::SendDirectCommand()
{
    if (!MayStart()) {
        Abandoned = true;
        return false;
    }
    Abandoned = false;
    SetCursorBusy(true);
    CommandText[kLinkBufferSize - 1] = '\0';
    DirectReplyOk = sendAndWaitPromptKeepingFailure(QByteArray(CommandText));
    bool ok = DirectReplyOk;
    if (takePortFailure()) {
        // The port went away: the link is dropped; the operator reconnects.
        op_.showMessage(MsgPortNotResponding(port_.comNumber()));
        Abandoned = true;
        ok = false;
    } else if (!DirectReplyOk) {
        ok = RecoverDirectLink();
    }
    SetCursorBusy(false);
    return ok;
}

bool Link::RecoverDirectLink()
{
    // The command is sent again with its own wait: a long procedure resent with the default
    // wait would time out and be started over and over.
    const int commandTicks = WaitTicks == 10 ? kDefaultWaitTicks : WaitTicks;
    DirectReplyOk = false;
    while (!DirectReplyOk) {
        WaitTicks = 10;
        DirectReplyOk = ProbePort(port_.comNumber());
        while (!DirectReplyOk) {
            if (!op_.askOkCancel(kTitleComPortError, kMsgComPortFailed)) {
                WaitTicks = kDefaultWaitTicks;
                Abandoned = true;
                ExitRequested = true;
                emit exitRequested(-1);
                return false;
            }
            DirectReplyOk = ProbePort(port_.comNumber());
        }
        WaitTicks = commandTicks;
        DirectReplyOk = sendAndWaitPromptKeepingFailure(QByteArray(CommandText));
        takePortFailure();  // the next probe reports it
    }
    WaitTicks = kDefaultWaitTicks;
    return true;
}

bool Link::ProbePort(int n)
{
    if (!port_.isPortAvailable(n)) return false;
    port_.setComNumber(n);
    if (!port_.isOpen() || port_.openDevice() != port_.device(n)) {
        if (!port_.open()) {
            if (port_.lastOpenError() == SerialPort::OpenError::Permission)
                op_.showMessage(MsgPortPermission(n, port_.device(n)));
            else
                op_.showMessage(MsgPortBusy(n));
            return false;
        }
    }
    takePortFailure();
    bool r = sendAndWaitPromptKeepingFailure(QByteArrayLiteral("\r"));
    if (!r && !portFailedPending_) r = sendAndWaitPromptKeepingFailure(QByteArrayLiteral("\r"));
    if (takePortFailure()) {
        op_.showMessage(MsgPortNotResponding(n));
        return false;
    }
    return r;
}

void Link::SetLinkEstablished(bool on)
{
    const bool changed = LinkEstablished != on;
    LinkEstablished = on;
    port_.setLineMonitoring(on);
    if (changed) emit linkEstablishedChanged(on);
}

void Link::ApdComPort1TriggerAvail(int count)
{
    // Bytes that come while nothing waits stay queued; the next transaction flushes them.
    if (!AwaitingReply || inHandler_ || count <= 0) return;
    inHandler_ = true;
    QByteArray block(count, '\0');
    const int n = port_.getBlock(block.data(), count);
    const ReplyOutcome outcome = FeedReply(Reply, RS485CheckBox, block.constData(), n);
    if (outcome != ReplyOutcome::Incomplete) {
        lastOutcome_ = outcome;
        lastErrorDigit_ = Reply.Tail[sizeof(Reply.Tail) - 1];
    }
    switch (outcome) {
    case ReplyOutcome::Incomplete:
        break;
    case ReplyOutcome::Complete:
        AwaitingReply = false;
        break;
    case ReplyOutcome::Rejected:
        lastFailure_ = QStringLiteral("the controller rejected it");
        ControllerError = true;
        ResendNeeded = true;
        AwaitingReply = false;
        break;
    case ReplyOutcome::ErrorNoResponse:
        lastFailure_ = QStringLiteral("the controller answered error code 4: no response from the unit");
        stopTimer1();
        ResendNeeded = true;
        AwaitingReply = false;
        pendingOutcome_ = outcome;
        break;
    case ReplyOutcome::ErrorCode: {
        const auto digit = static_cast<unsigned char>(Reply.Tail[5]);
        lastFailure_ = QStringLiteral("the controller answered error code %1")
                           .arg(digit > 0x20 && digit < 0x7F ? QString(QLatin1Char(char(digit)))
                                                             : QStringLiteral("0x%1").arg(digit, 2, 16, QLatin1Char('0')));
        ControllerError = true;
        ResendNeeded = true;
        AwaitingReply = false;
        pendingOutcome_ = outcome;
        break;
    }
    }
    inHandler_ = false;
    // The message and the pause run once the waiting transaction has seen the outcome; they
    // run their own event loops, which must not happen inside the data event.
    if (transactionDepth_ == 0) runDeferredEffects();
}

void Link::Timer1Timer()
{
    lastFailure_ = QStringLiteral("no reply within %1 seconds").arg(kReplyTimeoutMs / 1000);
    stopTimer1();
    timedOut_ = true;
    pendingTimeoutMessage_ = true;
    ResendNeeded = true;
    if (transactionDepth_ == 0) runDeferredEffects();
}

bool Link::AdTerminal1KeyPress(char key)
{
    if (key != 8 || !port_.isOpen()) return false;
    port_.putChar(8);
    port_.putChar(' ');
    port_.putChar(8);
    return true;
}

void Link::WaitMs(int nominalMs)
{
    const int ms = clock::scaled(nominalMs);
    if (ms <= 0) {
        HandlePendingEvents();
        return;
    }
    bool done = false;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&done] { done = true; });
    timer.start(ms);
    InWait inWait;
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Link::HandlePendingEvents()
{
    InWait inWait;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool Link::KeepTrying(int failedAttempts, bool isQuery)
{
    if (failedAttempts <= 0 || failedAttempts % kAttemptsBeforeAsking != 0) return true;
    if (QuietFailures) return false;  // the quiet wait decides itself whether to try again
    const bool retry = op_.askRetryCancel(kTitleGiveUp, isQuery ? MsgGiveUpQuery(failedAttempts, lastFailure_)
                                                                : MsgGiveUpCommand(failedAttempts, lastFailure_));
    if (!retry) Abandoned = true;
    return retry;
}

void Link::onPortFailed(const QString&)
{
    if (AwaitingReply) ResendNeeded = true;
    stopTimer1();
    SetLinkEstablished(false);
    portFailedPending_ = true;
    // Nothing of an earlier reply may be taken for the answer to a later query.
    ReplyText[0] = '\0';
    if (transactionDepth_ == 0) runDeferredEffects();
    emit portLost();
}

}  // namespace kalvora
