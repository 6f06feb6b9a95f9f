// The command forms, character for character, for one table of arguments.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <locale.h>
#include <random>
#include <vector>

#include "link/commands_table.h"
#include "link/frame.h"
#include "settings/records.h"

namespace kalvora {
namespace {

struct FormCase {
    Command command;
    std::vector<CommandArg> args;  // after the unit: the arguments on the wire
    const char* controller;        // for RS-485 ID 5
    const char* direct;
};

const std::vector<FormCase>& FormCases()
{
    static const std::vector<FormCase> cases = {
        {Command::BlackLevel, {2, 30}, "*5BLKGN 2 30!", "BLKGN 2 30\r"},
        {Command::ControlMode, {1}, "*5TNCTRL 1!", "TNCTRL 1\r"},
        {Command::DataDoubling, {0}, "*5DDBL 0!", "DDBL 0\r"},
        {Command::DisplayLayout, {1, 128}, "*5DISP 1 128!", "DISP 1 128\r"},
        {Command::EdgeFeather, {3, 'L', 1, Tenths{2.2f}}, "*5EFTA 3 L 1  2.2!", "EFTA 3 L 1  2.2\r"},
        {Command::BasicFeather, {1, Tenths{10.0f}}, "*5EFTB 1 10.0!", "EFTB 1 10.0\r"},
        {Command::Halo, {4, 'R', 12, -3}, "*5HALO 4 R 12 -3!", "HALO 4 R 12 -3\r"},
        {Command::Reset, {'F'}, "*5RESETTN F!", "RESETTN F\r"},
        {Command::TestPattern, {1, 7, 1, 0}, "*5OTPMTN 1 7 1 0!", "OTPMTN 1 7 1 0\r"},
        {Command::InputContrast, {2, 'G', Tenths{100.5f}}, "*5ICNTTN 2 G 100.5!", "ICNTTN 2 G 100.5\r"},
        {Command::InputBrightness, {1, 'C', Tenths{-1.0f}}, "*5IBRTTN 1 C -1.0!", "IBRTTN 1 C -1.0\r"},
        {Command::InputPhase, {3, 17}, "*5ICPHOTN 3 M 17!", "ICPHOTN 3 M 17\r"},
        {Command::InputHPosition, {4, 250}, "*5IRSPTN 4 M H 250!", "IRSPTN 4 M H 250\r"},
        {Command::InputVPosition, {4, -2}, "*5IRSPTN 4 M V -2!", "IRSPTN 4 M V -2\r"},
        {Command::InputSave, {2}, "*5ICSAVTN 2!", "ICSAVTN 2\r"},
        {Command::InputReset, {3}, "*5ICRSTTN 3!", "ICRSTTN 3\r"},
        {Command::ProjectorCount, {1, 6}, "*5PRJ 1 6!", "PRJ 1 6\r"},
        {Command::SeamGains, {2, -4, 1, 2, 3, 4, 5, 6, 7, 255}, "*5MANSEAM 2 -4 1 2 3 4 5 6 7 255!",
         "MANSEAM 2 -4 1 2 3 4 5 6 7 255\r"},
        {Command::SeamBridge, {1, 1}, "*5BRDGSEAM 1 1!", "BRDGSEAM 1 1\r"},
        {Command::AutoSeam, {4}, "*5AUTOSEAM 4!", "AUTOSEAM 4\r"},
        {Command::AutoColorBalance, {}, "*5RGBADJ!", "RGBADJ\r\r"},
        {Command::AutoPosition, {}, "*5AUTOPOS!", "AUTOPOS\r\r"},
        {Command::AutoPhase, {}, "*5APHASE!", "APHASE\r\r"},
        {Command::SystemSave, {}, "*5SYSAVE!", "SYSAVE\r"},
        {Command::FeatherCurve, {'S'}, "*5FEATHER S!", "FEATHER S\r"},
    };
    return cases;
}

TEST(CommandForms, EveryCommandHasBothFormsExactly)
{
    ASSERT_EQ(FormCases().size(), size_t(kCommandCount));
    for (const FormCase& c : FormCases()) {
        const CommandSpec& spec = SpecOf(c.command);
        SCOPED_TRACE(std::string(spec.keyword));
        std::vector<CommandArg> withId{5};
        withId.insert(withId.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(FormatForm(spec.controllerForm, withId), std::string(c.controller));
        EXPECT_EQ(FormatForm(spec.directForm, c.args), std::string(c.direct));
        // The controller form is the direct line addressed: "*<id>" + line + "!".
        std::string body = c.direct;
        body.erase(body.find('\r'));
        EXPECT_EQ(std::string(c.controller), "*5" + body + "!");
        EXPECT_TRUE(std::string(c.controller).find(spec.keyword) == 2);
        // Both forms read back as the frames they are, the command frame with its checksum.
        const ParsedFrame line = ParseFrame(QByteArray(c.direct));
        EXPECT_TRUE(line.ok());
        EXPECT_EQ(line.frame, SerialFrame::line(QByteArray::fromStdString(body),
                                                int(std::string(c.direct).size() - body.size())));
        const SerialFrame command = SerialFrame::command(5, QByteArray::fromStdString(body));
        const QByteArray frame = EncodeFrame(command);
        EXPECT_EQ(frame, "PASS " + QByteArray(c.controller) + ChecksumText(FrameChecksum(c.controller)) + "\r\r");
        const ParsedFrame back = ParseFrame(frame);
        EXPECT_TRUE(back.ok());
        EXPECT_EQ(back.frame, command);
    }
}

TEST(CommandForms, WrongArgumentsAreRefusedNotGuessed)
{
    const std::vector<CommandArg> tooFew{5, 2};
    const std::vector<CommandArg> tooMany{5, 2, 30, 1};
    const std::vector<CommandArg> wrongType{5, 2, Tenths{3.0f}};
    const std::vector<CommandArg> charForInt{5, 'x', 30};
    for (const auto* args : {&tooFew, &tooMany, &wrongType, &charForInt})
        EXPECT_EQ(FormatForm(SpecOf(Command::BlackLevel).controllerForm, *args), std::nullopt);
    EXPECT_EQ(FormatForm("%s", std::vector<CommandArg>{1}), std::nullopt);
    EXPECT_EQ(FormatForm("%", std::vector<CommandArg>{1}), std::nullopt);
    EXPECT_EQ(FormatForm("100%%", {}), std::string("100%"));
    EXPECT_EQ(FormatForm(kEmptyLineForm, std::vector<CommandArg>{1}), std::string("*1 !"));
}

TEST(CommandForms, PauseAndWaitColumns)
{
    struct Row {
        Command c;
        int post, off;
        DirectWay way;
        int ticks, perProjector;
    };
    const Row rows[] = {
        {Command::ControlMode, 1250, 300, DirectWay::Ack, 580, 0},
        {Command::DisplayLayout, 400, 400, DirectWay::Ack, 80, 0},
        {Command::Reset, 6500, 6500, DirectWay::Ack, 810, 0},
        {Command::ProjectorCount, 150, 150, DirectWay::Ack, 180, 0},
        {Command::SeamBridge, 20, 20, DirectWay::Ack, 120, 0},
        {Command::AutoSeam, 100, 100, DirectWay::Ack, 120, 0},
        {Command::AutoColorBalance, 0, 0, DirectWay::Ack, 22810, 4200},
        {Command::AutoPosition, 0, 0, DirectWay::Ack, 810, 700},
        {Command::AutoPhase, 0, 0, DirectWay::Ack, 21810, 3400},
        {Command::SystemSave, 1000, 1000, DirectWay::Ack, 80, 0},
        {Command::FeatherCurve, 490, 490, DirectWay::Ack, 80, 0},
        {Command::EdgeFeather, 5, 5, DirectWay::Write, 80, 0},
        {Command::BasicFeather, 5, 5, DirectWay::Ack, 80, 0},
        {Command::InputContrast, 0, 0, DirectWay::Write, 80, 0},
    };
    for (const Row& r : rows) {
        const CommandSpec& s = SpecOf(r.c);
        SCOPED_TRACE(std::string(s.keyword));
        EXPECT_EQ(s.postWait, r.post);
        EXPECT_EQ(s.postWaitOff, r.off);
        EXPECT_EQ(s.directWay, r.way);
        EXPECT_EQ(s.ackTicks, r.ticks);
        EXPECT_EQ(s.pausePerProjector, r.perProjector);
    }
}

// "%4.1f" must match the C library in the "C" locale bit for bit, for every value the units
// report (tenths) and for arbitrary floats an operator may type.
TEST(TenthsFormat, MatchesPrintfInTheCLocale)
{
    EXPECT_EQ(FormatTenths(2.2f), " 2.2");
    EXPECT_EQ(FormatTenths(10.0f), "10.0");
    EXPECT_EQ(FormatTenths(0.0f), " 0.0");
    EXPECT_EQ(FormatTenths(-1.0f), "-1.0");
    EXPECT_EQ(FormatTenths(0.25f), " 0.2");  // an exact tie rounds to even, as printf does
    EXPECT_EQ(FormatTenths(0.35f), " 0.3");  // 0.35f is just below 0.35

    locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    ASSERT_NE(c, locale_t(0));
    const locale_t previous = uselocale(c);
    auto printfForm = [](float v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%4.1f", static_cast<double>(v));
        return std::string(buf);
    };
    for (int t = -20000; t <= 20000; ++t) {
        const float v = TenthsToFloat(t);
        ASSERT_EQ(FormatTenths(v), printfForm(v)) << t;
        const float half = static_cast<float>(t) * 0.05f;
        ASSERT_EQ(FormatTenths(half), printfForm(half)) << t;
    }
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> dist(-1.0e6f, 1.0e6f);
    for (int i = 0; i < 20000; ++i) {
        const float v = dist(rng);
        ASSERT_EQ(FormatTenths(v), printfForm(v)) << v;
    }
    uselocale(previous);
    freelocale(c);
}

TEST(CommandLetters, SideColourAndCurve)
{
    EXPECT_EQ(SideLetter(0), 'L');
    EXPECT_EQ(SideLetter(1), 'R');
    EXPECT_EQ(SideLetter(-1), 'R');
    EXPECT_EQ(ColourLetter(0), 'C');
    EXPECT_EQ(ColourLetter(1), 'R');
    EXPECT_EQ(ColourLetter(2), 'G');
    EXPECT_EQ(ColourLetter(3), 'B');
    EXPECT_EQ(ColourLetter(4), std::nullopt);
    EXPECT_EQ(ColourLetter(-1), std::nullopt);
    EXPECT_EQ(FeatherLetter(0), 'S');
    EXPECT_EQ(FeatherLetter(1), 'L');
}

}  // namespace
}  // namespace kalvora
