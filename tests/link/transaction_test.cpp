// Transactions against the simulated units over a real pseudo-terminal, checked byte for byte
// from the simulator's traffic log.
#include <gtest/gtest.h>

#include <QTimer>

#include "link_rig.h"

namespace kalvora::testing {
namespace {

void BuildControllerCommand(Link& link, const char* text)
{
    link.SetCommandText("%s", text);
    link.ComputeChecksum();
}

TEST(ControllerTransaction, SendsTheFrameAndEndsAtTheControllersPrompt)
{
    LinkRig rig(Controller({1, 2}));
    std::vector<bool> pageStates;
    QObject::connect(&rig.link, &Link::waitingForUnitsChanged, [&](bool waiting) { pageStates.push_back(!waiting); });
    BuildControllerCommand(rig.link, "*1BLKGN 1 20!");
    EXPECT_EQ(rig.link.commandChecksum(), 0xBD);

    EXPECT_TRUE(rig.link.SendControllerCommand(0));
    EXPECT_EQ(rig.received(), QByteArray("PASS *1BLKGN 1 20!BD\r\r"));
    EXPECT_EQ(rig.sim->unit(1).output(1).BlackLevel, 20);
    EXPECT_FALSE(rig.link.awaitingReply());
    EXPECT_TRUE(rig.link.lastOutcome().done());
    EXPECT_FALSE(rig.link.replyTimerActive());
    EXPECT_EQ(pageStates, (std::vector<bool>{false, true}));
    EXPECT_EQ(rig.op.statuses(), (QStringList{kStatusSending, QString()}));
    EXPECT_TRUE(rig.op.messages().isEmpty());
    EXPECT_FALSE(rig.op.busy);
    EXPECT_FALSE(rig.link.waitingForUnits());
}

// Every failure the controller transaction meets once, then the resend that gets through.
TEST(ControllerTransaction, ResendsAfterEachKindOfFailure)
{
    struct Case {
        const char* name;
        std::function<void(sim::Faults&)> inject;
        QStringList messages;
        bool errorCodeStatus;
    } cases[] = {
        {"timeout", [](sim::Faults& f) { f.dropNext = 1; }, {kMsgTimeout}, false},
        {"rejection", [](sim::Faults& f) { f.rejectNext = 1; }, {}, false},
        {"error code 4", [](sim::Faults& f) { f.errorNext = 1, f.errorCode = '4'; }, {kMsgControllerNoResponse}, false},
        {"other error code", [](sim::Faults& f) { f.errorNext = 1, f.errorCode = '3'; }, {}, true},
        {"rejection one byte at a time",
         [](sim::Faults& f) { f.rejectNext = 1, f.delivery = sim::Delivery::ByteAtATime; }, {}, false},
        {"error code 4 in random pieces",
         [](sim::Faults& f) { f.errorNext = 1, f.errorCode = '4', f.delivery = sim::Delivery::RandomPieces, f.seed = 7; },
         {kMsgControllerNoResponse}, false},
        {"other code one byte at a time",
         [](sim::Faults& f) { f.errorNext = 1, f.errorCode = '7', f.delivery = sim::Delivery::ByteAtATime; }, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig(Controller({5}));
        c.inject(rig.sim->faults());
        ClockScale slower(rig.sim->faults().delivery == sim::Delivery::Whole ? kalvora::clock::scale() : 0.05);
        rig.link.setUnitIds({{5, rig.link.unitId(2)}});
        BuildControllerCommand(rig.link, "*5BLKGN 2 30!");
        EXPECT_TRUE(rig.link.SendControllerCommand(0));
        rig.settle();
        const QByteArray frame("PASS *5BLKGN 2 30!C3\r\r");
        EXPECT_EQ(rig.received(), frame + frame) << "sent twice, the second time accepted";
        EXPECT_EQ(rig.op.messages(), c.messages);
        EXPECT_TRUE(rig.op.statuses().contains(kStatusResending));
        EXPECT_EQ(rig.op.statuses().contains(kStatusControllerErrorCode), c.errorCodeStatus);
        EXPECT_EQ(rig.sim->unit(1).output(2).BlackLevel, 30);
        EXPECT_TRUE(rig.link.lastOutcome().done());
        EXPECT_TRUE(rig.op.questions().isEmpty());
    }
}

TEST(ControllerTransaction, OperatorMayGiveUpAfterEveryThirdFailedAttempt)
{
    struct Case {
        std::vector<bool> answers;  // Retry = true
        int framesSent;
    } cases[] = {{{false}, 3}, {{true, false}, 6}};
    for (const auto& c : cases) {
        LinkRig rig(Controller({1}));
        rig.sim->faults().rejectNext = 1000;
        for (bool a : c.answers) rig.op.answer(a);
        BuildControllerCommand(rig.link, "*1DDBL 1!");
        EXPECT_FALSE(rig.link.SendControllerCommand(400));
        EXPECT_EQ(rig.link.lastOutcome().outcome, TransactionOutcome::Abandoned);
        rig.settle();
        const QByteArray frame = QByteArray("PASS *1DDBL 1!") + ChecksumDigits(ComputeChecksumOf("*1DDBL 1!")) + "\r\r";
        EXPECT_EQ(rig.received(), frame.repeated(c.framesSent));
        ASSERT_EQ(rig.op.questions().size(), qsizetype(c.answers.size()));
        EXPECT_EQ(rig.op.questions().last(), MsgGiveUpCommand(c.framesSent, "the controller rejected it"));
        EXPECT_FALSE(rig.link.waitingForUnits());
        EXPECT_FALSE(rig.op.busy);
        EXPECT_EQ(rig.op.status, QString());
    }
}

TEST(ControllerTransaction, PostWaitIsOneTimedWaitAfterTheReply)
{
    LinkRig rig(Controller({1}));
    BuildControllerCommand(rig.link, "*1SYSAVE!");
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(rig.link.SendControllerCommand(1000));  // 10 ms at the tests' clock scale
    EXPECT_GE(t.elapsed(), kalvora::clock::scaled(1000));
}

TEST(ControllerTransaction, BytesArrivingBetweenTransactionsAreFlushedNotTakenAsAReply)
{
    LinkRig rig(Controller({1}));
    rig.sim->sendUnsolicited("stale CTRLR>");
    rig.settle();
    EXPECT_EQ(rig.port.bytesAvailable(), 12) << "left queued while nothing waits";
    rig.sim->faults().delivery = sim::Delivery::ByteAtATime;
    ClockScale slower(0.05);
    BuildControllerCommand(rig.link, "*1BLKGN 3 99!");
    EXPECT_TRUE(rig.link.SendControllerCommand(0));
    EXPECT_EQ(rig.sim->unit(1).output(3).BlackLevel, 99);
    EXPECT_TRUE(QByteArray(rig.link.replyText().constData()).startsWith("PASS *1BLKGN 3 99!"));
}

TEST(ControllerTransaction, ClosedPortSendsNothing)
{
    LinkRig rig(Controller({1}));
    rig.port.close();
    BuildControllerCommand(rig.link, "*1BLKGN 1 1!");
    EXPECT_FALSE(rig.link.SendControllerCommand(0));
    EXPECT_EQ(rig.link.lastOutcome().outcome, TransactionOutcome::NotStarted);
    rig.link.SetCommandText("TNQUERY *1SYINFOTN!\r");
    EXPECT_FALSE(rig.link.SendQuery());
    EXPECT_EQ(rig.link.lastOutcome().outcome, TransactionOutcome::NotStarted);
    EXPECT_TRUE(rig.link.SendAndWaitPrompt("\r")) << "the direct wait reports success on a closed port";
    rig.settle();
    EXPECT_TRUE(rig.received().isEmpty());
    EXPECT_TRUE(rig.op.events.empty());
}

TEST(QueryTransaction, TimeoutFailsWithoutResendAndTheNextStartsAfresh)
{
    LinkRig rig(DirectUnit());
    rig.sim->faults().dropNext = 1;
    rig.link.SetCommandText("SYINFOTN\r");
    rig.link.setMinReplyLength(8);
    // Stray bytes come during the wait and are assembled; then the reply timer fires.
    QTimer::singleShot(2, [&] { rig.sim->sendUnsolicited("abc"); });
    EXPECT_FALSE(rig.link.SendQuery());
    EXPECT_EQ(rig.link.lastOutcome().outcome, TransactionOutcome::TimedOut);
    EXPECT_FALSE(rig.link.awaitingReply());
    EXPECT_EQ(rig.op.messages(), QStringList{kMsgTimeout});
    EXPECT_TRUE(rig.op.statuses().isEmpty()) << "a query leaves the status bar alone";

    EXPECT_TRUE(rig.link.SendQuery());
    EXPECT_EQ(rig.link.replyText().at(0), 0x01) << "the next reply is assembled from the start of the text";
    EXPECT_EQ(rig.link.replyText().at(1), 0x08);
    rig.settle();
    EXPECT_EQ(rig.received(), QByteArray("SYINFOTN\rSYINFOTN\r"));
}

// One attempt of a query through the controller: each way it can end is told apart, with the
// controller's error code where it gave one.
TEST(QueryTransaction, EachEndingIsReportedAsItsOutcome)
{
    struct Case {
        const char* name;
        std::function<void(sim::Faults&)> inject;
        TransactionResult outcome;
    } cases[] = {
        {"answered", [](sim::Faults&) {}, {TransactionOutcome::Done}},
        {"no reply", [](sim::Faults& f) { f.dropNext = 1; }, {TransactionOutcome::TimedOut}},
        {"rejected", [](sim::Faults& f) { f.rejectNext = 1; }, {TransactionOutcome::Refused, 0}},
        {"error code 4", [](sim::Faults& f) { f.errorNext = 1, f.errorCode = '4'; }, {TransactionOutcome::Refused, '4'}},
        {"error code 7", [](sim::Faults& f) { f.errorNext = 1, f.errorCode = '7'; }, {TransactionOutcome::Refused, '7'}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig(Controller({6}));
        c.inject(rig.sim->faults());
        rig.link.setUnitIds({{6, rig.link.unitId(2)}});
        rig.link.SetCommandText("TNQUERY *6SYINFOTN!\r");
        rig.link.setMinReplyLength(8);
        EXPECT_EQ(rig.link.SendQuery(), c.outcome.done());
        const TransactionResult r = rig.link.lastOutcome();
        EXPECT_EQ(int(r.outcome), int(c.outcome.outcome));
        EXPECT_EQ(r.errorCode, c.outcome.errorCode);
        EXPECT_EQ(r.unitDidNotAnswer(), c.outcome.errorCode == '4');
        EXPECT_EQ(r.controllerRefused(), c.outcome.outcome == TransactionOutcome::Refused && c.outcome.errorCode != '4');
        EXPECT_FALSE(rig.link.sequenceStopped()) << "a failed attempt alone does not stop a sequence";
        rig.settle();
        EXPECT_EQ(rig.received(), QByteArray("TNQUERY *6SYINFOTN!\r")) << "one attempt, no resend";
    }
}

// Whether an operation may start is the link's own answer: its waits refuse a new transaction
// (which would overwrite the command and reply texts), another link's waits do not.
TEST(Transactions, OnlyTheLinksOwnWaitRefusesANewOperation)
{
    LinkRig rig(Controller({6}));
    rig.link.setUnitIds({{6, rig.link.unitId(2)}});
    SerialPort otherPort;
    ScriptedOperator otherOp;
    MainFlags otherFlags;
    Link other(otherPort, otherOp, otherFlags);
    bool mayStartDuringOther = false;
    QTimer::singleShot(0, [&] { mayStartDuringOther = rig.link.MayStart() && other.insideWait(); });
    other.WaitMs(100);
    EXPECT_TRUE(mayStartDuringOther);

    bool started = true;
    bool mayStartInside = true;
    TransactionResult inside;
    QTimer::singleShot(0, [&] {
        mayStartInside = rig.link.MayStart();
        rig.link.SetCommandText("TNQUERY *6SYINFOTN!\r");
        started = rig.link.SendQuery();
        inside = rig.link.lastOutcome();
    });
    rig.link.WaitMs(100);
    EXPECT_FALSE(mayStartInside);
    EXPECT_FALSE(started);
    EXPECT_EQ(int(inside.outcome), int(TransactionOutcome::NotStarted));
    EXPECT_TRUE(rig.link.MayStart());
    rig.settle();
    EXPECT_TRUE(rig.received().isEmpty());
}

TEST(DirectTransaction, PromptWaitAndRecovery)
{
    // The command is lost once: the recovery probes with CR and sends the command again.
    LinkRig rig(DirectUnit());
    rig.sim->faults().dropNext = 1;
    rig.link.SetCommandText("DDBL 1\r");
    rig.flags.EditorBusy = false;
    EXPECT_TRUE(rig.link.SendDirectCommand());
    EXPECT_TRUE(rig.link.lastOutcome().done());
    EXPECT_EQ(rig.link.promptWaitTicks(), kDefaultWaitTicks);
    EXPECT_FALSE(rig.flags.EditorBusy) << "restored after the wait";
    rig.settle();
    EXPECT_EQ(rig.received(), QByteArray("DDBL 1\r\rDDBL 1\r"));
    EXPECT_EQ(rig.sim->unit(1).output(1).DataDoubling, 1);
    EXPECT_TRUE(rig.op.questions().isEmpty());
}

TEST(DirectTransaction, RecoveryDialogRetriesAndCancelEndsTheProgram)
{
    LinkRig rig(DirectUnit());
    int exitStatus = 0;
    QObject::connect(&rig.link, &Link::exitRequested, [&](int s) { exitStatus = s; });
    rig.sim->faults().dead = true;
    rig.op.answerAll({true, false});  // OK once, then Cancel
    rig.link.SetCommandText("SYSAVE\r");
    EXPECT_FALSE(rig.link.SendDirectCommand());
    EXPECT_EQ(exitStatus, -1);
    EXPECT_TRUE(rig.link.endRequested());
    EXPECT_EQ(rig.op.questions(), (QStringList{kMsgComPortFailed, kMsgComPortFailed}));
    for (const auto& e : rig.op.events) {
        if (e.kind == ScriptedOperator::Event::OkCancel) {
            EXPECT_EQ(e.title, kTitleComPortError);
        }
    }
    rig.settle();
    // The command, two probes of two CRs each (the first probe and the one after OK), nothing after Cancel.
    EXPECT_EQ(rig.received(), QByteArray("SYSAVE\r\r\r\r\r"));
}

TEST(DirectTransaction, ResentCommandKeepsItsOwnLongWait)
{
    LinkRig rig(DirectUnit());
    rig.sim->faults().dropNext = 1;
    rig.link.SetCommandText("TNCTRL 1\r");
    rig.link.setPromptWaitTicks(580);
    EXPECT_TRUE(rig.link.SendDirectCommand());
    rig.settle();
    EXPECT_EQ(rig.received(), QByteArray("TNCTRL 1\r\rTNCTRL 1\r"));
}

TEST(Probe, AnswersAndSilence)
{
    struct Case {
        sim::PortMode mode;
        char terminator;
        bool answers;
        QByteArray sent;
    } cases[] = {
        {sim::PortMode::Direct, '#', true, "\r"},
        {sim::PortMode::Controller, '>', true, "\r"},
        {sim::PortMode::Controller, '#', false, "\r\r"},  // a controller never answers '#'
        {sim::PortMode::Direct, '>', false, "\r\r"},
    };
    for (const auto& c : cases) {
        sim::SimConfig config;
        config.mode = c.mode;
        LinkRig rig(config);
        rig.port.close();
        rig.link.setReplyEnd(c.terminator);
        rig.link.setPromptWaitTicks(10);
        EXPECT_EQ(rig.link.ProbePort(1), c.answers);
        EXPECT_TRUE(rig.port.isOpen()) << "a probe leaves the port open";
        rig.settle();
        EXPECT_EQ(rig.received(), c.sent);
        EXPECT_TRUE(rig.op.messages().isEmpty());
    }
}

TEST(Probe, MissingAndBusyPorts)
{
    LinkRig rig(DirectUnit());
    rig.port.close();
    rig.port.setDevice(2, QStringLiteral("/nonexistent/ttyKALVORA"));
    EXPECT_FALSE(rig.link.ProbePort(2));
    EXPECT_TRUE(rig.op.messages().isEmpty()) << "a missing port fails quietly";

    SerialPort other;
    other.setDevice(1, rig.sim->slavePath());
    other.setComNumber(1);
    ASSERT_TRUE(other.open());
    EXPECT_FALSE(rig.link.ProbePort(1));
    // The port names the process that holds the device, from the device's lock file.
    ASSERT_EQ(rig.op.messages().size(), 1);
    EXPECT_TRUE(rig.op.messages()[0].startsWith(MsgPortBusy(1) + "\n" + rig.sim->slavePath() + " is in use by PID " +
                                                QString::number(QCoreApplication::applicationPid())))
        << rig.op.messages()[0].toStdString();
    EXPECT_EQ(MsgPortBusy(1), QStringLiteral("Note: COM Port #1 is not responding/being used by another application."));
}

TEST(PortFailure, LostDeviceClosesThePortDropsTheLinkAndTellsOnce)
{
    struct Case {
        const char* name;
        sim::PortMode mode;
        std::function<bool(Link&)> run;
        QString message;
        bool transaction = true;  // a command or query, which reports its outcome
    } cases[] = {
        {"controller command", sim::PortMode::Controller,
         [](Link& l) {
             BuildControllerCommand(l, "*1BLKGN 1 2!");
             return l.SendControllerCommand(0);
         },
         MsgPortNotResponding(1)},
        {"query", sim::PortMode::Controller,
         [](Link& l) {
             l.SetCommandText("NTN\r");
             l.setMinReplyLength(1);
             return l.SendQuery();
         },
         MsgPortNotResponding(1)},
        {"direct command", sim::PortMode::Direct,
         [](Link& l) {
             l.SetCommandText("SYSAVE\r");
             return l.SendDirectCommand();
         },
         MsgPortNotResponding(1)},
        {"probe", sim::PortMode::Direct, [](Link& l) { return l.ProbePort(1); }, MsgPortNotResponding(1), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::SimConfig config;
        config.mode = c.mode;
        LinkRig rig(config);
        rig.sim->faults().dropNext = 10;  // the transaction is waiting when the other end goes away
        QTimer::singleShot(5, [&] { rig.sim.reset(); });
        bool linkState = true;
        QObject::connect(&rig.link, &Link::linkUpChanged, [&](bool on) { linkState = on; });
        EXPECT_FALSE(c.run(rig.link));
        EXPECT_FALSE(rig.port.isOpen());
        EXPECT_FALSE(rig.link.linkUp());
        EXPECT_FALSE(linkState);
        EXPECT_FALSE(rig.link.endRequested()) << "no recovery dialog for a port that is gone";
        if (c.transaction) {
            EXPECT_EQ(rig.link.lastOutcome().outcome, TransactionOutcome::PortLost);
            EXPECT_TRUE(rig.link.sequenceStopped());
        }
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 30) QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
        EXPECT_EQ(rig.op.messages(), QStringList{c.message});
        EXPECT_TRUE(rig.op.questions().isEmpty());
    }
}

TEST(OutputQueue, OverflowIsToldAndThePieceDropped)
{
    LinkRig rig(DirectUnit());
    rig.port.setWriteThrough(false);
    rig.port.putString(QByteArray(SerialPort::kOutputQueueSize - 10, 'x'));  // not yet written out
    EXPECT_EQ(rig.port.outBuffFree(), 10);
    EXPECT_TRUE(rig.link.WriteIfRoom("123456789"));
    EXPECT_FALSE(rig.link.WriteIfRoom("A"));  // room must be strictly greater than the text
    EXPECT_EQ(rig.op.messages(), QStringList{kMsgOutputOverflow});
}

TEST(OutputQueue, OverflowOfOnePieceOfAFrameLetsTheOtherPiecesGo)
{
    LinkRig rig(Controller({1}));
    rig.port.setWriteThrough(false);
    const QByteArray queued(SerialPort::kOutputQueueSize - 10, 'x');
    rig.port.putString(queued);  // room for "PASS ", not for the command text
    BuildControllerCommand(rig.link, "*1BLKGN 1 20!");
    EXPECT_TRUE(rig.link.SendControllerCommand(0));
    rig.settle();
    // The first attempt goes out without its command text; the controller refuses that line,
    // and the resend carries the whole frame.
    EXPECT_EQ(rig.received(), queued + "PASS BD\r\r" + "PASS *1BLKGN 1 20!BD\r\r");
    EXPECT_EQ(rig.op.messages(), QStringList{kMsgOutputOverflow});
    EXPECT_EQ(rig.sim->unit(1).output(1).BlackLevel, 20);
}

TEST(TerminalKeys, BackspaceIsSentAsBackspaceSpaceBackspace)
{
    LinkRig rig(Controller({1}));
    EXPECT_TRUE(rig.link.filterTerminalKey(8));
    EXPECT_FALSE(rig.link.filterTerminalKey('a'));
    rig.settle();
    EXPECT_EQ(rig.received(), QByteArray("\b \b"));
    rig.port.close();
    EXPECT_FALSE(rig.link.filterTerminalKey(8));
}

}  // namespace
}  // namespace kalvora::testing
