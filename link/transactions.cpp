// One transaction with the units: a command or query framed for the connection mode, sent, and
// its reply awaited with resends; the direct link's recovery and the probe of a port.
#include "link/link.h"

#include <QCoreApplication>
#include <cstring>

#include "platform/clock.h"
#include "platform/operator.h"
#include "settings/main_flags.h"

namespace kalvora {

bool Link::SendControllerCommand(int postWait)
{
    if (!port_.isOpen() || !MayStart()) {
        outcome_ = {TransactionOutcome::NotStarted};
        return false;
    }
    outcome_ = {};
    ++transactionDepth_;
    beginOperation();

    // The checksum was computed once by the builder; every attempt sends the same frame.
    const QByteArray addressed = commandText_;
    const CommandPieces frame = CommandFramePieces(addressed, commandChecksum_);
    for (int failures = 0;;) {
        attemptFailed_ = false;
        reply_.MinReplyLength = frame.lineLength();  // the "PASS " line through its first CR
        op_.setStatus(kStatusSending);
        resetAssembly();
        flushBeforeAttempt();
        traceBegin(TraceRow::Kind::Command, addressed, failures + 1);
        // In pieces: the reply is awaited from the checksum on, before the CRs leave.
        for (size_t i = 0; i < frame.pieces.size(); ++i) {
            if (i + 1 == frame.pieces.size()) awaitingReply_ = true;
            WriteIfRoom(frame.pieces[i]);
        }
        // The frame leaves now, not after the waiting state has been shown.
        port_.flushOutput();
        setWaiting(true);
        startReplyTimer();
        waitForReplyOrFailure();
        stopReplyTimer();
        if (timedOut_) noteUnansweredAttempt();
        // After a timeout the assembly is left behind: nothing waits for those bytes any more.
        awaitingReply_ = false;
        const bool portLost = portFailedPending_ || !port_.isOpen();
        traceEnd(traceOutcome(TraceRow::Kind::Command, portLost));
        runDeferredEffects();
        if (portLost) {
            outcome_ = {TransactionOutcome::PortLost};
            break;
        }
        if (!attemptFailed_) {
            outcome_ = {};
            break;
        }
        outcome_ = failedAttempt();
        ++failures;
        if (!KeepTrying(failures, false)) break;
        op_.setStatus(kStatusResending);
        WaitMs(kResendPauseMs);
        HandlePendingEvents();
        if (!port_.isOpen()) {
            outcome_ = {TransactionOutcome::PortLost};
            runDeferredEffects();
            break;
        }
    }
    const bool delivered = outcome_.done();
    if (delivered) WaitMs(postWait);
    setWaiting(false);
    endOperation();
    op_.setStatus(QString());
    --transactionDepth_;
    return delivered;
}

bool Link::SendQuery()
{
    if (!port_.isOpen() || !MayStart()) {
        // Nothing was asked, so nothing may be read from an earlier reply.
        reply_.ReplyText[0] = '\0';
        outcome_ = {TransactionOutcome::NotStarted};
        return false;
    }
    ++transactionDepth_;
    attemptFailed_ = false;
    resetAssembly();
    awaitingReply_ = true;
    flushBeforeAttempt();
    traceBegin(TraceRow::Kind::Query, commandText_);
    startReplyTimer();
    WriteIfRoom(commandText_);
    port_.flushOutput();
    waitForReplyOrFailure();
    stopReplyTimer();
    if (timedOut_) noteUnansweredAttempt();
    if (awaitingReply_) {
        // Timeout or a lost port: the next transaction starts its reply afresh.
        awaitingReply_ = false;
        attemptFailed_ = true;
    }
    const bool complete = !attemptFailed_;
    traceEnd(traceOutcome(TraceRow::Kind::Query, portFailedPending_ || !port_.isOpen()));
    if (portFailedPending_) {
        outcome_ = {TransactionOutcome::PortLost};
    } else if (complete) {
        outcome_ = {};
    } else {
        outcome_ = failedAttempt();
    }
    runDeferredEffects();
    --transactionDepth_;
    return complete;
}

bool Link::sendAndWaitPromptKeepingFailure(const QByteArray& text)
{
    if (!port_.isOpen()) return true;
    FlagGuard busy(flags_.EditorBusy, true);
    ++transactionDepth_;
    awaitingReply_ = false;  // the wait consumes the bytes; the receive handler leaves them alone
    port_.flushInBuffer();
    op_.setStatus(kStatusSending);
    traceBegin(TraceRow::Kind::Prompt, text);
    WriteIfRoom(text);
    port_.flushOutput();
    setWaiting(true);
    bool found = false;
    {
        Waiting waiting(*this);
        found = port_.waitForChar(reply_.Terminator, promptWaitTicks_);
    }
    // A port that fails during the wait is a failure, not the success of a closed port.
    if (portFailedPending_) found = false;
    traceEnd(portFailedPending_ || !port_.isOpen() ? QStringLiteral("port lost")
             : found                               ? QStringLiteral("prompt")
                                                   : QStringLiteral("no prompt (timeout)"));
    op_.setStatus(QString());
    setWaiting(false);
    --transactionDepth_;
    return found;
}

bool Link::SendAndWaitPrompt(const QByteArray& text)
{
    const bool found = sendAndWaitPromptKeepingFailure(text);
    if (takePortFailure()) {
        op_.showMessage(MsgPortLost(port_));
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
        outcome_ = {TransactionOutcome::NotStarted};
        return false;
    }
    outcome_ = {};
    beginOperation();
    bool ok = sendAndWaitPromptKeepingFailure(commandText_);
    if (takePortFailure()) {
        // The port went away: the link is dropped; the operator reconnects.
        op_.showMessage(MsgPortLost(port_));
        outcome_ = {TransactionOutcome::PortLost};
        ok = false;
    } else if (!ok) {
        ok = RecoverDirectLink();
    }
    endOperation();
    return ok;
}

bool Link::RecoverDirectLink()
{
    // The command is sent again with its own wait: a long procedure resent with the default
    // wait would time out and be started over and over.
    const int commandTicks = promptWaitTicks_ == 10 ? kDefaultWaitTicks : promptWaitTicks_;
    bool answered = false;
    while (!answered) {
        promptWaitTicks_ = 10;
        answered = ProbePort(port_.comNumber());
        while (!answered) {
            if (!op_.askOkCancel(kTitleComPortError, kMsgComPortFailed)) {
                promptWaitTicks_ = kDefaultWaitTicks;
                outcome_ = {TransactionOutcome::Abandoned};
                endRequested_ = true;
                emit exitRequested(-1);
                return false;
            }
            answered = ProbePort(port_.comNumber());
        }
        promptWaitTicks_ = commandTicks;
        answered = sendAndWaitPromptKeepingFailure(commandText_);
        takePortFailure();  // the next probe reports it
    }
    promptWaitTicks_ = kDefaultWaitTicks;
    outcome_ = {};
    return true;
}

bool Link::ProbePort(int n)
{
    if (!port_.isPortAvailable(n)) return false;
    port_.setComNumber(n);
    if (!port_.isOpen() || port_.openDevice() != port_.device(n)) {
        bool opened = false;
        {
            // A network port is connected while the event loop runs.
            Waiting waiting(*this);
            opened = port_.open();
        }
        if (!opened) {
            if (port_.lastOpenError() == SerialPort::OpenError::Network)
                op_.showMessage(MsgPortUnreachable(n, port_.device(n), port_.lastErrorText()));
            else if (port_.lastOpenError() == SerialPort::OpenError::Permission)
                op_.showMessage(MsgPortPermission(n, port_.device(n)));
            else
                op_.showMessage(MsgPortInUse(n, port_.device(n)));
            return false;
        }
    }
    takePortFailure();
    const QByteArray probe = EncodeFrame(SerialFrame::probe());
    bool r = sendAndWaitPromptKeepingFailure(probe);
    if (!r && !portFailedPending_) r = sendAndWaitPromptKeepingFailure(probe);
    if (takePortFailure()) {
        op_.showMessage(MsgPortLost(port_));
        return false;
    }
    return r;
}

}  // namespace kalvora
