// The re-read after a unit procedure started through a controller, against a simulated unit
// that stays busy for a long time (on the scaled clock) and a controller that answers for it
// late, never, or with error code 4: the records come back right, nobody is bothered while the
// unit works, and a unit that never answers again is reported once.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "support/link_fixture.h"
#include "link/procedure_wait.h"

namespace kalvora {
namespace {

using sim::BusyAnswer;
using sim::PortMode;
using testing::LinkFixture;
using testing::PassFrame;
using testing::StartSim;

const char* Name(BusyAnswer b)
{
    switch (b) {
    case BusyAnswer::WhenFree: return "late";
    case BusyAnswer::Silent: return "silent";
    case BusyAnswer::Error4: return "error 4";
    }
    return "";
}

// Every field of the four input records of unit 1 against the simulated unit.
void ExpectInputsEqual(const Settings& s, const sim::SimUnit& unit)
{
    for (int i = 1; i <= 4; ++i)
        for (const FieldDesc& f : kInputFields)
            EXPECT_EQ(ReadFieldValue(RecordBytes(s.input(1, i)), f), ReadFieldValue(RecordBytes(unit.input(i)), f))
                << "input " << i << " " << f.name;
}

class ProcedureWaitTest : public LinkFixture, public ::testing::WithParamInterface<BusyAnswer> {
protected:
    void SetUp() override
    {
        unit = StartSim(PortMode::Controller, {1, 2});
        Connect(*unit);
        unit->setBusyAnswer(GetParam());
        // From here a nominal second is 10 ms: the 8 s reply timer is 80 ms.
        clock::setScale(0.01);
        settings.output(1, 1).TotalProjectors = 1;  // 4.2 s of pauses after the colour balance
    }

    // Nothing but the quiet wait's own traffic: no box, no resend notice, no question.
    void expectNobodyBothered()
    {
        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
        EXPECT_TRUE(op.questions().isEmpty()) << op.questions().join('|').toStdString();
        for (const QString& s : op.statuses()) {
            EXPECT_NE(s, kStatusResending);
            EXPECT_NE(s, kStatusControllerErrorCode);
        }
    }

    std::unique_ptr<sim::Simulator> unit;
};

// A colour balance of one simulated minute: several polls go unanswered before the unit is
// free. Every input record then holds what the unit reports for that very channel, although a
// late controller answers the earlier polls too.
TEST_P(ProcedureWaitTest, LongColourBalanceIsWaitedOutQuietlyAndEveryChannelReadBack)
{
    unit->unit(1).timings.colorBalanceMs = 60000;
    int colourFills = 0;
    pages.colours = [&](int) { ++colourFills; };

    EXPECT_TRUE(commands.RunAutoColorBalance(1));

    EXPECT_FALSE(unit->unitBusy(1));
    ExpectInputsEqual(settings, unit->unit(1));
    EXPECT_EQ(settings.input(1, 3).ContrastR, unit->unit(1).input(3).ContrastR);
    EXPECT_NE(settings.input(1, 3).ContrastR, settings.input(1, 2).ContrastR);
    expectNobodyBothered();
    EXPECT_EQ(colourFills, 1);
    EXPECT_FALSE(link.quietFailures());
    EXPECT_FALSE(link.operationRunning());

    // On the wire: the start, the empty line, repeated polls of channel 1, then channels 2..4.
    const QByteArray poll = "TNQUERY *1IINFOTN 1!\r";
    QByteArray wire = unit->received();
    const QByteArray start = "TNQUERY *1IINFOTN 1!\rTNQUERY *1IINFOTN 2!\rTNQUERY *1IINFOTN 3!\rTNQUERY *1IINFOTN 4!\r" +
                             PassFrame("*1RGBADJ!") + PassFrame("*1 !");
    const QByteArray end = "TNQUERY *1IINFOTN 2!\rTNQUERY *1IINFOTN 3!\rTNQUERY *1IINFOTN 4!\r";
    ASSERT_TRUE(wire.startsWith(start)) << wire.toStdString();
    ASSERT_TRUE(wire.endsWith(end)) << wire.toStdString();
    const QByteArray polls = wire.mid(start.size(), wire.size() - start.size() - end.size());
    EXPECT_EQ(polls, poll.repeated(polls.size() / poll.size()));
    EXPECT_GE(polls.size() / poll.size(), 3);  // one minute against an 8 s reply timer
}

// A unit that is still busy when a direct unit's allowance has passed (Auto Position: 810 ticks,
// 44.55 s): one message, and no further reads of that unit.
TEST_P(ProcedureWaitTest, UnitThatNeverAnswersIsReportedOnce)
{
    unit->unit(1).timings.positionMs = 3600000;
    int sourceFills = 0;
    pages.inputs = [&] { ++sourceFills; };

    EXPECT_TRUE(commands.RunAutoPosition(1));

    EXPECT_EQ(op.messages(), QStringList{MsgUnitSilentAfterProcedure(1, kProcedureAutoPosition, 45)});
    EXPECT_TRUE(op.questions().isEmpty());
    EXPECT_FALSE(unit->received().contains("IINFOTN 2"));
    EXPECT_EQ(sourceFills, 1);  // the page still shows the records as they are
    EXPECT_FALSE(link.quietFailures());
    EXPECT_TRUE(op.status.isEmpty());
    // About one poll per reply interval, not a flood.
    const int polls = int(unit->received().count("IINFOTN 1"));
    EXPECT_GE(polls, 3);
    EXPECT_LE(polls, 8);
}

// The seam adjustment's read-back: tried twice even within its short allowance, then one message.
TEST_P(ProcedureWaitTest, AutoSeamReadsTwiceThenReportsOnce)
{
    unit->unit(1).timings.autoSeamMs = 3600000;
    int seamFills = 0;
    pages.seams = [&] { ++seamFills; };

    EXPECT_TRUE(commands.SendAutoSeam(1, 2));

    EXPECT_EQ(op.messages(), QStringList{MsgUnitSilentAfterProcedure(1, kProcedureAutoSeam, 7)});
    EXPECT_EQ(unit->received().count("TNQUERY *1OINFOTN 2!\r"), 2);
    EXPECT_EQ(seamFills, 1);
}

// A unit the controller does not even report busy is given the procedure's pauses and a minute
// (4.2 s + 60 s for one projector), not the 21 minutes of a directly cabled colour balance; a
// unit reported busy throughout gets them all.
TEST_P(ProcedureWaitTest, SilentUnitIsReportedAfterItsPausesAndAMinute)
{
    if (GetParam() == BusyAnswer::Error4) GTEST_SKIP() << "reported busy: the whole allowance applies";
    unit->unit(1).timings.colorBalanceMs = 3600000;
    QElapsedTimer wall;
    wall.start();

    EXPECT_TRUE(commands.RunAutoColorBalance(1));

    EXPECT_EQ(op.messages(), QStringList{MsgUnitSilentAfterProcedure(1, kProcedureAutoColorBalance, 65)});
    EXPECT_LT(wall.elapsed(), clock::scaled(3 * 60 * 1000)) << "far less than the 21 minutes";
    EXPECT_FALSE(link.quietFailures());
    EXPECT_FALSE(link.waitingForUnits());
}

// Meanwhile the pages stay disabled and no other operation starts: an entry made during the
// wait would otherwise be refused by the busy unit with nobody told.
TEST_P(ProcedureWaitTest, NothingElseStartsDuringTheWait)
{
    unit->unit(1).timings.colorBalanceMs = 30000;
    bool sawPagesEnabled = false, otherStarted = true, checked = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!unit->unitBusy(1) || checked) return;
        if (!link.waitingForUnits()) sawPagesEnabled = true;
        if (link.quietFailures()) {  // inside the quiet wait
            otherStarted = commands.SendBlackLevel(2, 3, 77);
            checked = true;
        }
    });
    probe.start(1);
    EXPECT_TRUE(commands.RunAutoColorBalance(1));
    probe.stop();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(otherStarted);
    EXPECT_FALSE(sawPagesEnabled);
    EXPECT_NE(settings.output(2, 3).BlackLevel, 77);
    EXPECT_FALSE(unit->received().contains("BLKGN"));
    EXPECT_FALSE(link.waitingForUnits());
}

INSTANTIATE_TEST_SUITE_P(ControllerWays, ProcedureWaitTest,
                         ::testing::Values(BusyAnswer::WhenFree, BusyAnswer::Silent, BusyAnswer::Error4),
                         [](const auto& info) {
                             std::string n = Name(info.param);
                             for (char& c : n)
                                 if (c == ' ') c = '_';
                             return n;
                         });

}  // namespace
}  // namespace kalvora
