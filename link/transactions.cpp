// One transaction with the units: a command or query framed for the connection mode, sent, and
// its reply awaited with resends; the direct link's recovery and the probe of a port.
#include "link/link.h"

#include <QCoreApplication>
#include <cstring>

#include "link/link_wait.h"
#include "platform/clock.h"
#include "platform/operator.h"
#include "settings/main_flags.h"

namespace kalvora {

bool Link::SendControllerCommand(int postWait)
{
    if (!port_.isOpen() || !MayStart()) return false;
    Abandoned = false;
    ++transactionDepth_;
    SetCursorBusy(true);

    // The checksum was computed once by the builder; every attempt sends the same frame.
    const QByteArray addressed = commandText_;
    const CommandPieces frame = CommandFramePieces(addressed, CommandChecksum);
    bool delivered = false;
    for (int failures = 0;;) {
        ResendNeeded = false;
        ControllerError = false;
        MinReplyLength = frame.lineLength();  // the "PASS " line through its first CR
        op_.setStatus(kStatusSending);
        resetAssembly();
        flushBeforeAttempt();
        traceBegin(TraceRow::Kind::Command, addressed, failures + 1);
        // In pieces: the reply is awaited from the checksum on, before the CRs leave.
        for (size_t i = 0; i < frame.pieces.size(); ++i) {
            if (i + 1 == frame.pieces.size()) AwaitingReply = true;
            WriteIfRoom(frame.pieces[i]);
        }
        // The frame leaves now, not after the pages have been disabled and repainted.
        port_.flushOutput();
        setPageEnabled(false);
        startReplyTimer();
        waitForReplyOrFailure();
        stopReplyTimer();
        if (timedOut_) noteUnansweredAttempt();
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
        Reply.ReplyText[0] = '\0';
        ResendNeeded = true;
        return false;
    }
    ++transactionDepth_;
    ResendNeeded = false;
    ControllerError = false;
    resetAssembly();
    AwaitingReply = true;
    flushBeforeAttempt();
    traceBegin(TraceRow::Kind::Query, commandText_);
    startReplyTimer();
    WriteIfRoom(commandText_);
    port_.flushOutput();
    waitForReplyOrFailure();
    stopReplyTimer();
    if (timedOut_) noteUnansweredAttempt();
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
        detail::InWait inWait;
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
        Abandoned = true;
        return false;
    }
    Abandoned = false;
    SetCursorBusy(true);
    DirectReplyOk = sendAndWaitPromptKeepingFailure(commandText_);
    bool ok = DirectReplyOk;
    if (takePortFailure()) {
        // The port went away: the link is dropped; the operator reconnects.
        op_.showMessage(MsgPortLost(port_));
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
                endRequested_ = true;
                emit exitRequested(-1);
                return false;
            }
            DirectReplyOk = ProbePort(port_.comNumber());
        }
        WaitTicks = commandTicks;
        DirectReplyOk = sendAndWaitPromptKeepingFailure(commandText_);
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
        bool opened = false;
        {
            // A network port is connected while the event loop runs.
            detail::InWait inWait;
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
