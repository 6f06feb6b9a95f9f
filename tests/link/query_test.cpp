// Status queries and the read of whole units against the simulated units, over a real
// pseudo-terminal.
#include <gtest/gtest.h>

#include "link/queries.h"
#include "link_rig.h"

namespace kalvora::testing {
namespace {

QByteArray DirectReadLines()
{
    QByteArray out("SYINFOTN\r");
    for (int i = 1; i <= 4; ++i) out += "IINFOTN " + QByteArray::number(i) + "\r";
    for (int i = 1; i <= 4; ++i) out += "OINFOTN " + QByteArray::number(i) + "\r";
    return out;
}

QByteArray ControllerReadLines(int id)
{
    const QByteArray star = "TNQUERY *" + QByteArray::number(id);
    QByteArray out = star + "SYINFOTN!\r";
    for (int i = 1; i <= 4; ++i) out += star + "IINFOTN " + QByteArray::number(i) + "!\r";
    for (int i = 1; i <= 4; ++i) out += star + "OINFOTN " + QByteArray::number(i) + "!\r";
    return out;
}

TEST(FullRead, OneUnitInDirectMode)
{
    LinkRig rig(DirectUnit());
    sim::SimUnit& unit = rig.sim->unit(1);
    unit.output(2).BlackLevel = 200;
    unit.input(3).ContrastR = TenthsToFloat(22);
    unit.input(4).Phase = -17;
    std::memset(&rig.settings.input(1, 2).Reserved42, 0x5A, 2);  // reserved bytes stay as they were

    ASSERT_TRUE(QueryUnit(rig.link, rig.settings, 1));
    ExpectUnitEquals(rig.settings, 1, unit);
    EXPECT_EQ(rig.settings.input(1, 2).Reserved42[0], 0x5A);
    EXPECT_EQ(rig.settings.output(1, 2).BlackLevel, 200);
    EXPECT_EQ(rig.link.unitInfoText(1), QByteArray(unit.infoText.data()));
    EXPECT_EQ(rig.link.unitVersion(), QString::fromLatin1(unit.infoText.data() + 2));
    EXPECT_TRUE(rig.settings.StatusReadAvailable);
    EXPECT_EQ(rig.settings.OutputWidth, 1280);
    EXPECT_EQ(rig.settings.OutputHeight, 1024);
    EXPECT_TRUE(rig.op.messages().isEmpty());
    rig.settle();
    EXPECT_EQ(rig.received(), DirectReadLines());
}

TEST(FullRead, TwoUnitsThroughAControllerInAnyDelivery)
{
    for (sim::Delivery delivery : {sim::Delivery::Whole, sim::Delivery::ByteAtATime, sim::Delivery::RandomPieces}) {
        SCOPED_TRACE(int(delivery));
        LinkRig rig(Controller({3, 7}), delivery == sim::Delivery::Whole ? kRigClockScale : 0.1);
        rig.sim->faults().delivery = delivery;
        rig.sim->faults().seed = 11;
        rig.sim->unit(2).setOutputFormat(1);
        rig.sim->unit(2).output(4).SeamGain[7] = 0xEE;
        rig.sim->unit(1).input(1).BrightnessB = TenthsToFloat(-10);

        ASSERT_EQ(QueryUnitCount(rig.link), 2);
        EXPECT_EQ(QString::number(rig.link.unitId(1)), "3");
        EXPECT_EQ(QString::number(rig.link.unitId(2)), "7");
        EXPECT_TRUE(rig.link.unitIds().detected[0] && rig.link.unitIds().detected[1]);
        ASSERT_TRUE(QueryUnit(rig.link, rig.settings, 1));
        ASSERT_TRUE(QueryUnit(rig.link, rig.settings, 2));
        ExpectUnitEquals(rig.settings, 1, rig.sim->unit(1));
        ExpectUnitEquals(rig.settings, 2, rig.sim->unit(2));
        EXPECT_EQ(rig.settings.input(1, 1).BrightnessB, -1.0f);
        EXPECT_EQ(rig.settings.OutputWidth, 1280) << "the output size follows unit 1 whichever unit was read";
        EXPECT_TRUE(rig.op.messages().isEmpty());
        rig.settle();
        EXPECT_EQ(rig.received(), "NTN\r" + ControllerReadLines(3) + ControllerReadLines(7));
    }
}

TEST(FullRead, FormatMismatchIsWarnedForUnitOneOnEveryUnitRead)
{
    LinkRig rig(Controller({1, 2}));
    rig.sim->unit(1).setVideo(1, false);  // no input video: the active width no longer matches
    ASSERT_TRUE(QueryUnit(rig.link, rig.settings, 1));
    ASSERT_TRUE(QueryUnit(rig.link, rig.settings, 2));
    EXPECT_EQ(rig.op.messages(), (QStringList{kMsgFormatMismatch, kMsgFormatMismatch}));
}

TEST(Queries, ReplyKindsLandAsTheirTablesSay)
{
    LinkRig rig(DirectUnit());
    rig.sim->faults().shortInputReply = true;
    rig.sim->faults().outputKind = 0x3E;
    rig.settings.input(1, 2).HPositionLimit = 99;
    ASSERT_TRUE(QueryInput(rig.link, rig.settings, 1, 2));
    EXPECT_EQ(rig.settings.input(1, 2).HPositionLimit, -1);
    EXPECT_EQ(rig.settings.input(1, 2).VPositionLimit, -1);
    EXPECT_EQ(rig.settings.input(1, 2).HActive, rig.sim->unit(1).input(2).HActive);
    rig.sim->unit(1).output(3).SeamBridge = 1;
    ASSERT_TRUE(QueryOutput(rig.link, rig.settings, 1, 3));
    EXPECT_EQ(rig.settings.output(1, 3).SeamBridge, 1) << "kind 0x3E still carries all 63 data bytes";
}

TEST(Queries, NoiseThatPushesTheMarkerPastPosition29IsAParseError)
{
    LinkRig rig(DirectUnit());
    rig.sim->faults().noiseNext = 1;
    rig.sim->faults().noise = QByteArray(30, 'n');
    const InputChannelRecord before = rig.settings.input(1, 1);
    EXPECT_FALSE(QueryInput(rig.link, rig.settings, 1, 1));
    EXPECT_EQ(rig.op.status, kStatusParseInput);
    EXPECT_EQ(std::memcmp(&before, &rig.settings.input(1, 1), sizeof before), 0) << "record untouched";

    rig.sim->faults().noiseNext = 1;
    rig.sim->faults().noise = QByteArray(28, 'n');  // marker at 28: still found
    EXPECT_TRUE(QueryInput(rig.link, rig.settings, 1, 1));
}

TEST(Queries, ControllerRejectionsAreResentUntilAnsweredOrGivenUp)
{
    struct Case {
        int rejections;
        std::vector<bool> answers;
        bool ok;
        int sent;
    } cases[] = {{2, {}, true, 3}, {3, {true}, true, 4}, {1000, {false}, false, 3}};
    for (const auto& c : cases) {
        LinkRig rig(Controller({4}));
        rig.link.setUnitIds({{4, rig.link.unitId(2)}});
        rig.sim->faults().rejectNext = c.rejections;
        for (bool a : c.answers) rig.op.answer(a);
        EXPECT_EQ(QuerySystemInfo(rig.link, 1), c.ok);
        EXPECT_EQ(rig.link.lastOutcome().outcome == TransactionOutcome::Abandoned, !c.ok);
        rig.settle();
        EXPECT_EQ(rig.received(), QByteArray("TNQUERY *4SYINFOTN!\r").repeated(c.sent));
        EXPECT_EQ(rig.op.questions().size(), qsizetype(c.answers.size()));
    }
}

TEST(Queries, GivingUpStopsTheReadOfTheUnitWithoutItsRetry)
{
    LinkRig rig(Controller({1}));
    rig.sim->faults().rejectNext = 1000;
    rig.op.answer(false);
    EXPECT_FALSE(QueryUnit(rig.link, rig.settings, 1));
    EXPECT_EQ(rig.link.lastOutcome().outcome, TransactionOutcome::Abandoned);
    rig.settle();
    EXPECT_EQ(rig.received(), QByteArray("TNQUERY *1SYINFOTN!\r").repeated(3));
    EXPECT_FALSE(rig.settings.StatusReadAvailable);
}

TEST(Queries, OutputQueryIsResentWhileNothingCameBack)
{
    LinkRig rig(Controller({1}));
    rig.sim->faults().dropNext = 1;
    EXPECT_TRUE(QueryOutput(rig.link, rig.settings, 1, 1));
    EXPECT_EQ(rig.op.messages(), QStringList{kMsgTimeout});
    rig.settle();
    EXPECT_EQ(rig.received(), QByteArray("TNQUERY *1OINFOTN 1!\r").repeated(2));

    // An input query fails at once on a timeout; the read of the unit tries it once more.
    LinkRig rig2(Controller({1}));
    rig2.sim->faults().dropNext = 2;  // NTN-free: SYINFOTN lost twice
    EXPECT_FALSE(QueryUnit(rig2.link, rig2.settings, 1));
    EXPECT_FALSE(rig2.settings.StatusReadAvailable);
    rig2.settle();
    EXPECT_EQ(rig2.received(), QByteArray("TNQUERY *1SYINFOTN!\r").repeated(2));
}

TEST(Queries, UnitCountReplies)
{
    struct Case {
        std::vector<int> ids;
        int count;
        QString id1, id2;
        bool visible1, visible2;
        QStringList messages;
    } cases[] = {
        {{3, 7}, 2, "3", "7", true, true, {}},
        {{5}, 1, "5", "2", true, false, {}},
        {{}, 0, "1", "2", false, false, {kMsgNoUnits}},
    };
    for (const auto& c : cases) {
        LinkRig rig(Controller(c.ids));
        EXPECT_EQ(QueryUnitCount(rig.link), c.count);
        EXPECT_EQ(QString::number(rig.link.unitId(1)), c.id1);
        EXPECT_EQ(QString::number(rig.link.unitId(2)), c.id2);
        EXPECT_EQ(rig.link.unitIds().detected[0], c.visible1);
        EXPECT_EQ(rig.link.unitIds().detected[1], c.visible2);
        EXPECT_EQ(rig.op.messages(), c.messages);
    }
}

TEST(Queries, UnitCountWithoutADigitOrWithAnOverlongNumber)
{
    LinkRig rig(Controller({1, 2}));
    rig.sim->faults().noiseNext = 1;
    rig.sim->faults().noise = QByteArray(30, 'n');
    EXPECT_EQ(QueryUnitCount(rig.link), 0);
    EXPECT_EQ(rig.op.status, kStatusNtnError);

    rig.op.clear();
    rig.sim->faults().noiseNext = 1;
    rig.sim->faults().noise = QByteArray(40, '9');  // 40 digits: no count fits the work area
    EXPECT_EQ(QueryUnitCount(rig.link), 0);
    EXPECT_EQ(rig.op.status, kStatusNtnError);
    EXPECT_EQ(QString::number(rig.link.unitId(1)), "1");
}

}  // namespace
}  // namespace kalvora::testing
