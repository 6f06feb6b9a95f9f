// The traffic trace against the simulated controller: one row per attempt of a transaction
// with its outcome, holding exactly the bytes that went over the line.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include "link/traffic_trace.h"
#include "link_rig.h"

namespace kalvora::testing {
namespace {

std::vector<const TraceRow*> RowsOfKind(const TrafficTrace& trace, TraceRow::Kind kind)
{
    std::vector<const TraceRow*> out;
    for (const TraceRow& r : trace.rows())
        if (r.kind == kind) out.push_back(&r);
    return out;
}

// A command to unit 2 (RS-485 ID 6) fails once in each way, then the resend is accepted.
TEST(TrafficTrace, RowsOfARejectedAnErroneousAndATimedOutCommand)
{
    struct Case {
        const char* name;
        std::function<void(sim::Faults&)> inject;
        QString firstOutcome;
        bool firstGetsAReply;
    } cases[] = {
        {"rejected", [](sim::Faults& f) { f.rejectNext = 1; }, "rejected", true},
        {"error code", [](sim::Faults& f) { f.errorNext = 1, f.errorCode = '3'; }, "error code 3", true},
        {"unit silent", [](sim::Faults& f) { f.errorNext = 1, f.errorCode = '4'; }, "error code 4 (the unit did not answer)", true},
        {"timed out", [](sim::Faults& f) { f.dropNext = 1; }, "timeout", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig(Controller({5, 6}));
        TrafficTrace trace;
        trace.attach(rig.port);
        rig.link.setTrace(&trace);
        rig.link.setUnitIds({{5, 6}});
        c.inject(rig.sim->faults());
        rig.link.SetCommandText("*6BLKGN 2 30!");
        rig.link.ComputeChecksum();
        ASSERT_TRUE(rig.link.SendControllerCommand(0));
        rig.settle();

        const QByteArray frame("PASS *6BLKGN 2 30!C4\r\r");
        const auto commands = RowsOfKind(trace, TraceRow::Kind::Command);
        ASSERT_EQ(commands.size(), 2u);
        const struct {
            int attempt;
            QString outcome;
        } expected[] = {{1, c.firstOutcome}, {2, "accepted"}};
        for (int i = 0; i < 2; ++i) {
            const TraceRow& row = *commands[size_t(i)];
            EXPECT_EQ(row.unit, 2);
            EXPECT_EQ(row.attempt, expected[i].attempt);
            EXPECT_EQ(row.sent, frame);
            EXPECT_EQ(row.outcome, expected[i].outcome);
            EXPECT_FALSE(row.open);
        }
        EXPECT_EQ(commands[0]->received.isEmpty(), !c.firstGetsAReply);
        EXPECT_TRUE(commands[1]->received.endsWith("LR>"));

        // Byte for byte: what the trace holds is what went over the line, in order.
        QByteArray sent, received;
        for (const TraceRow& r : trace.rows()) {
            sent += r.sent;
            received += r.received;
        }
        EXPECT_EQ(sent, rig.sim->received());
        EXPECT_EQ(received, rig.sim->sent());

        // The saved text names the unit, the resend and each outcome.
        const QString text = trace.formatText();
        EXPECT_TRUE(text.contains(QStringLiteral("unit 2 command - %1").arg(c.firstOutcome))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("unit 2 command (resend 1) - accepted"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("  -> PASS *6BLKGN 2 30!C4<CR><CR>\n"
                                                 "     50 41 53 53 20 2A 36 42 4C 4B 47 4E 20 32 20 33 30 21 43 34 0D 0D\n")))
            << text.toStdString();
        // Only unit 2's rows when filtered to unit 1: none of them.
        EXPECT_FALSE(trace.formatText(1).contains(QStringLiteral("command")));
    }
}

// A query that times out, and the bytes that came unasked before the next transaction.
TEST(TrafficTrace, TimedOutQueryAndUnaskedBytes)
{
    LinkRig rig(Controller({1}));
    TrafficTrace trace;
    trace.attach(rig.port);
    rig.link.setTrace(&trace);
    rig.sim->faults().dropNext = 1;
    rig.link.SetCommandText("NTN\r");
    rig.link.setMinReplyLength(0);
    EXPECT_FALSE(rig.link.SendQuery());
    rig.sim->sendUnsolicited("late\r\n");
    // Until the bytes wait in the port: nothing reads them before the next transaction.
    QElapsedTimer guard;
    guard.start();
    while (rig.port.bytesAvailable() < 6 && guard.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    rig.link.SetCommandText("NTN\r");
    EXPECT_TRUE(rig.link.SendQuery());

    ASSERT_EQ(trace.rows().size(), 3u);
    const TraceRow& timedOut = trace.rows()[0];
    EXPECT_EQ(timedOut.kind, TraceRow::Kind::Query);
    EXPECT_EQ(timedOut.unit, 0);
    EXPECT_EQ(timedOut.sent, QByteArray("NTN\r"));
    EXPECT_EQ(timedOut.outcome, "timeout");
    const TraceRow& unasked = trace.rows()[1];
    EXPECT_EQ(unasked.kind, TraceRow::Kind::Outside);
    EXPECT_EQ(unasked.received, QByteArray("late\r\n"));
    EXPECT_EQ(trace.rows()[2].outcome, "reply");
    EXPECT_TRUE(TrafficTrace::FormatRow(unasked).contains("<- late<CR><LF>\n     6C 61 74 65 0D 0A\n"));
}

// Memory stays bounded whatever the line sends; the text names every byte unambiguously.
TEST(TrafficTrace, BoundedRowsAndBytesAndReadableText)
{
    TrafficTrace trace;
    trace.begin(TraceRow::Kind::Query, 1);
    trace.addReceived(QByteArray(TrafficTrace::kMaxBytes + 10, 'x'));
    trace.end("reply");
    EXPECT_EQ(trace.rows().back().received.size(), TrafficTrace::kMaxBytes);
    EXPECT_EQ(trace.rows().back().receivedCut, 10);
    EXPECT_TRUE(TrafficTrace::FormatRow(trace.rows().back()).contains("... (10 more bytes)"));
    for (int i = 0; i < TrafficTrace::kMaxRows + 5; ++i) {
        trace.begin(TraceRow::Kind::Command, 2);
        trace.end("accepted");
    }
    EXPECT_EQ(int(trace.rows().size()), TrafficTrace::kMaxRows);
    EXPECT_EQ(trace.droppedRows(), 6);
    EXPECT_EQ(trace.rows().front().id, 7);

    EXPECT_EQ(TraceText(QByteArray("A\r\n\0<>\x7f\xe9#", 9)), QStringLiteral("A<CR><LF><NUL><<><7F><E9>#"));
    EXPECT_EQ(TraceHex(QByteArray("\r\n\0", 3)), QStringLiteral("0D 0A 00"));

    QTemporaryDir dir;
    QString error;
    EXPECT_TRUE(WriteTraceFile(dir.filePath("t.txt"), trace.formatText(), &error));
    EXPECT_FALSE(WriteTraceFile(dir.filePath("missing/t.txt"), trace.formatText(), &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
}  // namespace kalvora::testing
