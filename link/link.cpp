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

// ---- Link ------------------------------------------------------------------------------------

Link::Link(SerialPort& port, Operator& op, MainFlags& flags, QObject* parent)
    : QObject(parent), port_(port), op_(op), flags_(flags)
{
    replyTimer_.setTimerType(Qt::PreciseTimer);
    replyTimer_.setSingleShot(true);
    connect(&replyTimer_, &QTimer::timeout, this, &Link::onReplyTimeout);
    connect(&port_, &SerialPort::triggerAvail, this, &Link::onBytesAvailable);
    connect(&port_, &SerialPort::portFailed, this, &Link::onPortFailed);
    connect(&port_, &SerialPort::lineStateChanged, this, &Link::lineStateChanged);
}

Link::~Link() { replyTimer_.stop(); }

void Link::setUnitIds(const UnitIds& ids)
{
    unitIds_ = ids;
    emit unitIdsChanged();
}

void Link::forgetReportedUnits()
{
    unitsReported_ = 0;
    forgetReportedInputs();
}

QByteArray Link::unitInfoText(int unit) const
{
    const auto& text = unitInfoText_[unit == 2 ? 2 : 1];
    return QByteArray(text.data(), qsizetype(strnlen(text.data(), text.size())));
}

void Link::setUnitInfoText(int unit, const char* text, qsizetype size)
{
    auto& kept = unitInfoText_[unit == 2 ? 2 : 1];
    kept.fill('\0');
    std::memcpy(kept.data(), text, size_t(std::clamp<qsizetype>(size, 0, qsizetype(kept.size()) - 1)));
}

const std::optional<InputChannelRecord>& Link::reportedInput(int unit, int channel) const
{
    return inputsReported_[size_t(unit == 2 ? 2 : 1)][size_t(std::clamp(channel, 1, 4))];
}

void Link::noteReportedInput(int unit, int channel, const InputChannelRecord& record)
{
    inputsReported_[size_t(unit == 2 ? 2 : 1)][size_t(std::clamp(channel, 1, 4))] = record;
}

void Link::SetCommandText(const char* format, ...)
{
    char text[kLinkBufferSize];
    va_list args;
    va_start(args, format);
    const int n = FormatCommandV(text, kLinkBufferSize, format, args);
    va_end(args);
    // A NUL formatted into the text ends it, as it ends the line written.
    commandText_ = QByteArray(text, qsizetype(strnlen(text, size_t(n))));
}

void Link::SetCommandFrame(const SerialFrame& frame)
{
    const QByteArray bytes = EncodeFrame(frame);
    const qsizetype n = std::min<qsizetype>(bytes.size(), kLinkBufferSize - 1);
    commandText_ = QByteArray(bytes.constData(), qsizetype(strnlen(bytes.constData(), size_t(n))));
}

void Link::ComputeChecksum() { commandChecksum_ = FrameChecksum(commandText_); }

void Link::setUnitVersion(const QString& text)
{
    unitVersion_ = text;
    emit unitVersionChanged(text);
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
    // A command's addressed text, or a frame: a line addresses the direct unit (the probe none).
    const ParsedFrame p = text.startsWith('*') ? ParseAddressed(text) : ParseFrame(text);
    if (p.frame.kind == FrameKind::Line && !text.startsWith('*'))
        return !throughController_ && p.frame != SerialFrame::probe() ? 1 : 0;
    return UnitOfId(p.frame.unitId);
}

int Link::UnitOfId(int id) const
{
    if (id <= 0) return 0;
    if (id == unitId(1)) return 1;
    if (id == unitId(2)) return 2;
    return 0;
}

void Link::traceBegin(TraceRow::Kind kind, const QByteArray& text, int attempt)
{
    lastReply_ = ReplyOutcome::Incomplete;
    lastErrorDigit_ = 0;
    timedOut_ = false;
    if (trace_) trace_->begin(kind, UnitOfText(text), attempt);
}

QString Link::traceOutcome(TraceRow::Kind kind, bool portLost) const
{
    if (portLost) return QStringLiteral("port lost");
    switch (lastReply_) {
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

bool Link::WriteIfRoom(const char* text) { return WriteIfRoom(QByteArray(text ? text : "")); }

void Link::resetAssembly()
{
    reply_.Reset();
    fedSinceReset_ = 0;
    pendingOutcome_ = ReplyOutcome::Incomplete;
}

void Link::startReplyTimer() { replyTimer_.start(clock::scaled(kReplyTimeoutMs)); }
void Link::stopReplyTimer() { replyTimer_.stop(); }

void Link::setWaiting(bool waiting)
{
    if (waitHoldDepth_ > 0) waiting = true;
    if (waitingForUnits_ == waiting) return;
    waitingForUnits_ = waiting;
    emit waitingForUnitsChanged(waiting);
}

void Link::holdWaiting(bool hold)
{
    waitHoldDepth_ = std::max(0, waitHoldDepth_ + (hold ? 1 : -1));
    setWaiting(waitHoldDepth_ > 0 || awaitingReply_);
}

void Link::beginOperation()
{
    if (operationDepth_++ == 0) op_.setBusy(true);
}

void Link::endOperation()
{
    if (operationDepth_ > 0 && --operationDepth_ == 0) op_.setBusy(false);
}

void Link::waitForReplyOrFailure()
{
    Waiting waiting(*this);
    while (awaitingReply_ && !attemptFailed_ && port_.isOpen() && !portFailedPending_)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Link::runDeferredEffects()
{
    if (pendingTimeoutMessage_) {
        pendingTimeoutMessage_ = false;
        if (!quietFailures_) op_.showMessage(kMsgTimeout);
    }
    const ReplyOutcome outcome = pendingOutcome_;
    pendingOutcome_ = ReplyOutcome::Incomplete;
    if (quietFailures_) {
        // Waiting out a busy unit: its silence and the controller's error codes are expected.
    } else if (outcome == ReplyOutcome::ErrorNoResponse) {
        op_.showMessage(kMsgControllerNoResponse);
    } else if (outcome == ReplyOutcome::ErrorCode) {
        op_.setStatus(kStatusControllerErrorCode);
        WaitMs(kResendPauseMs);
    }
    if (portFailedPending_) {
        portFailedPending_ = false;
        op_.showMessage(MsgPortLost(port_));
    }
}

void Link::setLinkUp(bool up)
{
    const bool changed = linkUp_ != up;
    linkUp_ = up;
    if (up) outcome_ = {};
    port_.setLineMonitoring(up);
    if (changed) emit linkUpChanged(up);
}

void Link::onBytesAvailable(int count)
{
    // Bytes that come while nothing waits stay queued; the next transaction flushes them.
    if (!awaitingReply_ || inHandler_ || count <= 0) return;
    inHandler_ = true;
    QByteArray block(count, '\0');
    const int n = port_.getBlock(block.data(), count);
    const char* data = block.constData();
    int left = n;
    int used = 0;
    ReplyOutcome outcome = FeedReply(reply_, throughController_, data, left, &used);
    fedSinceReset_ += left;  // an accepted end keeps the rest of the event in the text
    while (outcome != ReplyOutcome::Incomplete && throughController_ && staleReplies_ > 0) {
        // Earlier attempts timed out and their replies may come late, before this attempt's own.
        // The answer to this attempt follows the controller's echo of its line; bytes before
        // the echo are an earlier reply's, and a reply without it is an earlier attempt's.
        if (takeReplyFromEcho()) break;
        --staleReplies_;
        ++staleDroppedThisAttempt_;
        reply_.Reset();
        data += used;
        left -= used;
        fedSinceReset_ = left;
        outcome = left > 0 ? FeedReply(reply_, throughController_, data, left, &used) : ReplyOutcome::Incomplete;
    }
    if (outcome != ReplyOutcome::Incomplete) {
        lastReply_ = outcome;
        lastErrorDigit_ = reply_.Tail[sizeof(reply_.Tail) - 1];
    }
    switch (outcome) {
    case ReplyOutcome::Incomplete:
        break;
    case ReplyOutcome::Complete:
        awaitingReply_ = false;
        break;
    case ReplyOutcome::Rejected:
        lastFailure_ = QStringLiteral("the controller rejected it");
        attemptFailed_ = true;
        awaitingReply_ = false;
        break;
    case ReplyOutcome::ErrorNoResponse:
        lastFailure_ = QStringLiteral("the controller answered error code 4: no response from the unit");
        stopReplyTimer();
        attemptFailed_ = true;
        awaitingReply_ = false;
        pendingOutcome_ = outcome;
        break;
    case ReplyOutcome::ErrorCode: {
        const auto digit = static_cast<unsigned char>(reply_.Tail[5]);
        lastFailure_ = QStringLiteral("the controller answered error code %1")
                           .arg(digit > 0x20 && digit < 0x7F ? QString(QLatin1Char(char(digit)))
                                                             : QStringLiteral("0x%1").arg(digit, 2, 16, QLatin1Char('0')));
        attemptFailed_ = true;
        awaitingReply_ = false;
        pendingOutcome_ = outcome;
        break;
    }
    }
    inHandler_ = false;
    // The message and the pause run once the waiting transaction has seen the outcome; they
    // run their own event loops, which must not happen inside the data event.
    if (transactionDepth_ == 0) runDeferredEffects();
}

void Link::flushBeforeAttempt()
{
    const QByteArray dropped = port_.flushInBuffer();
    if (throughController_) staleReplies_ = std::max(0, staleReplies_ - int(dropped.count(kControllerReplyEnd)));
    staleDroppedThisAttempt_ = 0;
}

bool Link::takeReplyFromEcho()
{
    QByteArray& text = reply_.ReplyText;
    const QByteArrayView reply(text.constData(), qsizetype(std::min<int64_t>(fedSinceReset_, kLinkBufferSize - 1)));
    const qsizetype at = FindEcho(reply, QByteArrayView(commandText_));
    if (at < 0) return false;
    if (at > 0) {
        char* const bytes = text.data();
        std::memmove(bytes, bytes + at, size_t(kLinkBufferSize) - size_t(at));
        std::memset(bytes + (size_t(kLinkBufferSize) - size_t(at)), 0, size_t(at));
    }
    return true;
}

void Link::noteUnansweredAttempt()
{
    if (!throughController_) return;
    // A reply dropped as late that left this attempt without one was most likely its own: the
    // line lost the earlier ones, and nothing more is owed.
    constexpr int kMostOwed = 8;
    staleReplies_ = staleDroppedThisAttempt_ > 0 ? 0 : std::min(staleReplies_ + 1, kMostOwed);
}

void Link::onReplyTimeout()
{
    lastFailure_ = QStringLiteral("no reply within %1 seconds").arg(kReplyTimeoutMs / 1000);
    stopReplyTimer();
    timedOut_ = true;
    pendingTimeoutMessage_ = true;
    attemptFailed_ = true;
    if (transactionDepth_ == 0) runDeferredEffects();
}

bool Link::filterTerminalKey(char key)
{
    if (key != 8 || !port_.isOpen()) return false;
    port_.putChar(8);
    port_.putChar(' ');
    port_.putChar(8);
    return true;
}

TransactionResult Link::failedAttempt() const
{
    switch (lastReply_) {
    case ReplyOutcome::Rejected: return {TransactionOutcome::Refused};
    case ReplyOutcome::ErrorNoResponse: return {TransactionOutcome::Refused, kErrorNoResponse};
    case ReplyOutcome::ErrorCode: return {TransactionOutcome::Refused, lastErrorDigit_};
    case ReplyOutcome::Complete:    // the timer ran out in the same turn of the event loop
    case ReplyOutcome::Incomplete: break;
    }
    return {TransactionOutcome::TimedOut};
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
    Waiting waiting(*this);
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Link::HandlePendingEvents()
{
    Waiting waiting(*this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool Link::KeepTrying(int failedAttempts, bool isQuery)
{
    if (failedAttempts <= 0 || failedAttempts % kAttemptsBeforeAsking != 0) return true;
    if (quietFailures_) return false;  // the quiet wait decides itself whether to try again
    const bool retry = op_.askRetryCancel(kTitleGiveUp, isQuery ? MsgGiveUpQuery(failedAttempts, lastFailure_)
                                                                : MsgGiveUpCommand(failedAttempts, lastFailure_));
    if (!retry) outcome_ = {TransactionOutcome::Abandoned};
    return retry;
}

void Link::onPortFailed(const QString&)
{
    if (awaitingReply_) attemptFailed_ = true;
    stopReplyTimer();
    setLinkUp(false);
    portFailedPending_ = true;
    // Nothing of an earlier reply may be taken for the answer to a later query.
    reply_.ReplyText[0] = '\0';
    staleReplies_ = 0;
    if (transactionDepth_ == 0) runDeferredEffects();
    emit portLost();
}

}  // namespace kalvora
