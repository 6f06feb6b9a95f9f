// The simulated unit's status blocks against hand-written byte vectors, and its command set
// applied to its state. Pure: no line involved.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "sim/unit.h"

namespace kalvora::sim {
namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text)); }

TEST(SimUnitBlocks, OutputBlockMatchesHandWrittenBytes)
{
    SimUnit u;
    OutputScreenRecord& o = u.output(3);
    o.OutputFormat = 2, o.FrameRate = 1, o.OutputSync = 5, o.ControlMode = 1;
    o.ScreenGroup = 1, o.TotalProjectors = 8, o.DataDoubling = 1, o.Alignment = 1;
    o.OverlapWidth = 300;
    o.BasicGamma = TenthsToFloat(22), o.BasicFeather = 1;
    o.LeftGamma = TenthsToFloat(18), o.LeftFeather = 0;
    o.RightGamma = TenthsToFloat(25), o.RightFeather = -1;
    o.LeftHaloWidth = 40, o.LeftHaloOffset = -3, o.RightHaloWidth = 65536, o.RightHaloOffset = 7;
    o.BlackLevel = 200, o.TestPattern = 3, o.OutputRaster = 1, o.TestGrid = 0;
    o.SeamParam = -4;
    const uint8_t gains[8] = {10, 20, 30, 40, 50, 60, 70, 80};
    std::memcpy(o.SeamGain, gains, 8);
    o.SeamBridge = 1;

    const QByteArray data = Hex(
        "02 01 05 01 01 08 01 01"  // format .. alignment
        "0000012C"                 // overlap width
        "00000016 0001"            // basic gamma 2.2, basic feather
        "00000012 0000"            // left gamma 1.8, left feather
        "00000019 FFFF"            // right gamma 2.5, right feather -1
        "00000028 FFFFFFFD 00010000 00000007"  // halos
        "C8 03 01 00"              // black level 200, pattern, raster, grid
        "FFFFFFFC"                 // seam param -4
        "0A141E28323C4650"         // seam gains
        "01");                     // seam bridge
    ASSERT_EQ(data.size(), 63);
    EXPECT_EQ(u.outputBlock(3).toHex(' '), (Hex("0140") + data).toHex(' '));
    EXPECT_EQ(u.outputBlock(3, 0x3E).toHex(' '), (Hex("013E") + data).toHex(' '));
}

TEST(SimUnitBlocks, InputBlocksFullAndShortMatchHandWrittenBytes)
{
    SimUnit u;
    InputChannelRecord& in = u.input(2);
    in.VideoLoaded = 1, in.VideoLocked = 0, in.Phase = 17, in.Status8 = 0xA5, in.Status9 = 0x5A;
    in.HTotal = 1344, in.HPositionNominal = 160, in.HPosition = -2, in.VPositionNominal = 19, in.VPosition = 25;
    in.HActive = 1024, in.VActive = 768, in.SyncSelect = 2, in.Termination = 0;
    in.ContrastC = TenthsToFloat(1005), in.BrightnessC = TenthsToFloat(-10);
    in.ContrastR = TenthsToFloat(999), in.BrightnessR = TenthsToFloat(1);
    in.ContrastG = TenthsToFloat(0), in.BrightnessG = TenthsToFloat(123);
    in.ContrastB = TenthsToFloat(2000), in.BrightnessB = TenthsToFloat(-5);
    in.HPositionLimit = 320, in.VPositionLimit = 38;

    const QByteArray common = Hex(
        "01 00 00000011 A5 5A"
        "00000540 000000A0 FFFFFFFE 00000013 00000019 00000400 00000300"
        "02 00"
        "000003ED FFFFFFF6 000003E7 00000001 00000000 0000007B 000007D0 FFFFFFFB");
    ASSERT_EQ(common.size(), 70);
    EXPECT_EQ(u.inputBlock(2, false).toHex(' '), (Hex("014E") + common + Hex("00000140 00000026")).toHex(' '));
    const QByteArray shortBlock = u.inputBlock(2, true);
    EXPECT_EQ(shortBlock.size(), 2 + 70);
    EXPECT_EQ(shortBlock.toHex(' '), (Hex("0146") + common).toHex(' '));
}

TEST(SimUnitBlocks, SystemInfoIsEightBytesOfText)
{
    SimUnit u;
    EXPECT_EQ(u.systemInfoBlock().toHex(' '), Hex("0108 544E56312E3233 00").toHex(' '));
}

TEST(SimUnitBlocks, FactoryInputsAreConsistentWithTheOutputFormat)
{
    for (int format = 0; format <= 3; ++format) {
        UnitSetup setup;
        setup.outputFormat = format;
        setup.videoInputs = 2;
        SimUnit u(setup);
        InputTiming t{};
        ASSERT_TRUE(TimingForFormat(format, t));
        for (int ch = 1; ch <= 4; ++ch) {
            const InputChannelRecord& in = u.input(ch);
            SCOPED_TRACE(testing::Message() << "format " << format << " input " << ch);
            if (ch <= 2) {
                EXPECT_EQ(in.VideoLoaded, 1);
                EXPECT_EQ(in.VideoLocked, 1);
                EXPECT_EQ(in.HActive, t.hActive);
                EXPECT_EQ(in.VActive, t.vActive);
                EXPECT_GT(in.HTotal, in.HActive);
                EXPECT_EQ(in.HPositionLimit, 2 * in.HPositionNominal + (t.hTotal - t.hActive) % 2);
                EXPECT_EQ(in.VPositionLimit, 2 * in.VPositionNominal + (t.vTotal - t.vActive) % 2);
                EXPECT_EQ(in.HPosition, in.HPositionNominal);
            } else {
                EXPECT_EQ(in.VideoLoaded, 0);
                EXPECT_EQ(in.VideoLocked, 0);
            }
        }
        for (int s = 1; s <= 4; ++s) EXPECT_EQ(u.output(s).OutputFormat, format);
    }
}

// Every command of the set, in its direct form, lands in the state (unit-wide values in every
// screen record).
TEST(SimUnitCommands, EveryCommandLandsInTheState)
{
    struct Case {
        const char* line;
        std::function<bool(const SimUnit&)> landed;
    };
    const auto every = [](auto pred) {
        return [pred](const SimUnit& u) {
            for (int s = 1; s <= 4; ++s)
                if (!pred(u.output(s))) return false;
            return true;
        };
    };
    const Case cases[] = {
        {"BLKGN 2 30", [](const SimUnit& u) { return u.output(2).BlackLevel == 30 && u.output(1).BlackLevel == 0; }},
        {"TNCTRL 0", every([](const OutputScreenRecord& o) { return o.ControlMode == 0; })},
        {"DDBL 0", every([](const OutputScreenRecord& o) { return o.DataDoubling == 0; })},
        {"DISP 1 128", every([](const OutputScreenRecord& o) { return o.Alignment == 1 && o.OverlapWidth == 128; })},
        {"EFTA 3 L 0  1.8", [](const SimUnit& u) { return u.output(3).LeftFeather == 0 && u.output(3).LeftGamma == TenthsToFloat(18); }},
        {"EFTA 4 R 1 10.0", [](const SimUnit& u) { return u.output(4).RightFeather == 1 && u.output(4).RightGamma == TenthsToFloat(100); }},
        {"EFTB 0  2.5", every([](const OutputScreenRecord& o) { return o.BasicFeather == 0 && o.BasicGamma == TenthsToFloat(25); })},
        {"HALO 1 R 12 -3", [](const SimUnit& u) { return u.output(1).RightHaloWidth == 12 && u.output(1).RightHaloOffset == -3; }},
        {"OTPMTN 2 5 1 1", [](const SimUnit& u) { const auto& o = u.output(2); return o.TestPattern == 5 && o.OutputRaster == 1 && o.TestGrid == 1; }},
        {"ICNTTN 1 C 100.5", [](const SimUnit& u) { return u.input(1).ContrastC == TenthsToFloat(1005); }},
        {"ICNTTN 2 B 97.0", [](const SimUnit& u) { return u.input(2).ContrastB == TenthsToFloat(970); }},
        {"IBRTTN 3 G -1.5", [](const SimUnit& u) { return u.input(3).BrightnessG == TenthsToFloat(-15); }},
        {"ICPHOTN 4 M 21", [](const SimUnit& u) { return u.input(4).Phase == 21; }},
        {"IRSPTN 1 M H 250", [](const SimUnit& u) { return u.input(1).HPosition == 250; }},
        {"IRSPTN 1 M V 7", [](const SimUnit& u) { return u.input(1).VPosition == 7; }},
        {"PRJ 1 6", every([](const OutputScreenRecord& o) { return o.ScreenGroup == 1 && o.TotalProjectors == 6; })},
        {"MANSEAM 2 -4 1 2 3 4 5 6 7 255", [](const SimUnit& u) {
             const auto& o = u.output(2);
             return o.SeamParam == -4 && o.SeamGain[0] == 1 && o.SeamGain[6] == 7 && o.SeamGain[7] == 255;
         }},
        {"BRDGSEAM 3 1", [](const SimUnit& u) { return u.output(3).SeamBridge == 1; }},
        {"FEATHER L", [](const SimUnit& u) { return u.state().featherCurve == 'L'; }},
    };
    for (const Case& c : cases) {
        SimUnit u;
        const auto r = u.execute(c.line);
        EXPECT_EQ(r.outcome, SimUnit::Outcome::Done) << c.line;
        EXPECT_TRUE(c.landed(u)) << c.line;
    }
}

TEST(SimUnitCommands, MalformedCommandsAreRefusedAndChangeNothing)
{
    const char* lines[] = {
        "BLKGN 5 30",      "BLKGN 1 256",   "BLKGN 1",        "BLKGN 1 2 3",   "BLKGN x 1",
        "EFTA 1 X 1 2.2",  "EFTB 1 abc",    "ICNTTN 1 Q 1.0", "ICPHOTN 1 N 3", "IRSPTN 1 M Z 3",
        "DISP 2 10",       "PRJ 0 9",       "RESETTN X",      "FEATHER Q",     "TNCTRL 7",
        "MANSEAM 1 -4 1 2 3 4 5 6 7 256", "BLKGN 99999999999 1", "ICNTTN 1 C 1e400",
        "ICNTTN 1 C nan", "HALO 0 L 1 1", "OTPMTN 1 1 2 0", "NOSUCH 1",
    };
    for (const char* line : lines) {
        SimUnit u;
        const UnitState before = u.state();
        const auto r = u.execute(line);
        EXPECT_NE(r.outcome, SimUnit::Outcome::Done) << line;
        EXPECT_TRUE(before == u.state()) << line;
    }
    SimUnit u;
    EXPECT_EQ(u.execute("NOSUCH 1").outcome, SimUnit::Outcome::Unknown);
    EXPECT_EQ(u.execute("BLKGN 1").outcome, SimUnit::Outcome::BadArguments);
}

TEST(SimUnitCommands, SaveResetAndProcedures)
{
    SimUnit u;
    u.execute("BLKGN 1 40");
    u.execute("ICNTTN 2 R 90.0");
    u.execute("ICSAVTN 2");
    EXPECT_EQ(u.saved().inputs[2].ContrastR, TenthsToFloat(900));
    EXPECT_EQ(u.saved().outputs[1].BlackLevel, 0);  // ICSAVTN keeps only the input
    u.execute("SYSAVE");
    EXPECT_EQ(u.saved().outputs[1].BlackLevel, 40);

    u.execute("BLKGN 1 41");
    u.powerCycle();  // what was not saved is lost
    EXPECT_EQ(u.output(1).BlackLevel, 40);

    u.execute("IRSPTN 2 M H 5");
    u.execute("ICRSTTN 2");
    EXPECT_EQ(u.input(2).ContrastR, TenthsToFloat(0));
    EXPECT_EQ(u.input(2).HPosition, u.input(2).HPositionNominal);

    const auto r = u.execute("RESETTN F");
    EXPECT_GT(r.busyMs, 0);
    EXPECT_TRUE(u.state() == u.factory());
    EXPECT_TRUE(u.saved() == u.factory());

    // AUTOSEAM sets the gains at once; the procedures change the inputs only when they end.
    u.execute("AUTOSEAM 2");
    EXPECT_NE(u.output(2).SeamGain[0], 128);
    EXPECT_NE(u.output(2).SeamGain[0], u.output(2).SeamGain[7]);
    u.execute("IRSPTN 1 M V 1");
    const auto pos = u.execute("AUTOPOS");
    EXPECT_EQ(pos.procedure, Procedure::Position);
    EXPECT_EQ(u.input(1).VPosition, 1);
    u.finishProcedure(pos.procedure);
    EXPECT_EQ(u.input(1).VPosition, u.input(1).VPositionNominal);
    const float before = u.input(1).ContrastR;
    u.finishProcedure(u.execute("RGBADJ").procedure);
    EXPECT_NE(u.input(1).ContrastR, before);
    u.input(3).Phase = 99;
    u.finishProcedure(u.execute("APHASE").procedure);
    EXPECT_GE(u.input(3).Phase, -16);
    EXPECT_LE(u.input(3).Phase, 15);
}

}  // namespace
}  // namespace kalvora::sim
