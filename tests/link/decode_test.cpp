// Status blocks and the NTN reply, decoded from vectors written by hand from the reply tables.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "link/decode.h"

namespace kalvora {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Hex(const char* text)
{
    Bytes out;
    for (const char* p = text; *p;) {
        while (*p == ' ') ++p;
        if (!*p) break;
        out.push_back(uint8_t(std::stoi(std::string(p, 2), nullptr, 16)));
        p += 2;
    }
    return out;
}

// IINFOTN kind 'N', 78 data bytes.
const char* kInputN =
    "01 01 "                    // VideoLoaded, VideoLocked
    "FF FF FF FE "              // Phase -2
    "07 08 "                    // Status8, Status9
    "00 00 06 98 "              // HTotal 1688
    "00 00 01 68 "              // HPositionNominal 360
    "00 00 01 6A "              // HPosition 362
    "00 00 00 29 "              // VPositionNominal 41
    "00 00 00 2A "              // VPosition 42
    "00 00 05 00 "              // HActive 1280
    "00 00 04 00 "              // VActive 1024
    "02 01 "                    // SyncSelect 2, Termination 1
    "00 00 03 E8 "              // ContrastC 1000 -> 100.0
    "FF FF FF F6 "              // BrightnessC -10 -> -1.0
    "00 00 00 16 "              // ContrastR 22 -> 2.2
    "00 00 00 00 "              // BrightnessR 0
    "00 00 01 F5 "              // ContrastG 501 -> 50.1
    "80 00 00 00 "              // BrightnessG INT32_MIN
    "7F FF FF FF "              // ContrastB INT32_MAX
    "00 00 00 01 "              // BrightnessB 0.1
    "00 00 02 D0 "              // HPositionLimit 720
    "00 00 00 52";              // VPositionLimit 82

TEST(Decode, InputBlockOfKindNLandsFieldByField)
{
    const Bytes data = Hex(kInputN);
    ASSERT_EQ(data.size(), 78u);
    InputChannelRecord rec;
    std::memset(&rec, 0xAA, sizeof rec);
    ASSERT_TRUE(DecodeInputBlock(rec, 'N', data));
    EXPECT_EQ(rec.VideoLoaded, 1);
    EXPECT_EQ(rec.VideoLocked, 1);
    EXPECT_EQ(rec.Phase, -2);
    EXPECT_EQ(rec.Status8, 7);
    EXPECT_EQ(rec.Status9, 8);
    EXPECT_EQ(rec.HTotal, 1688);
    EXPECT_EQ(rec.HPositionNominal, 360);
    EXPECT_EQ(rec.HPosition, 362);
    EXPECT_EQ(rec.VPositionNominal, 41);
    EXPECT_EQ(rec.VPosition, 42);
    EXPECT_EQ(rec.HActive, 1280);
    EXPECT_EQ(rec.VActive, 1024);
    EXPECT_EQ(rec.SyncSelect, 2);
    EXPECT_EQ(rec.Termination, 1);
    EXPECT_EQ(rec.ContrastC, 100.0f);
    EXPECT_EQ(rec.BrightnessC, -1.0f);
    EXPECT_EQ(rec.ContrastR, float(22 * 0.1));  // the single nearest 2.2, rounded once
    EXPECT_EQ(rec.BrightnessR, 0.0f);
    EXPECT_EQ(rec.ContrastG, float(501 * 0.1));
    EXPECT_EQ(rec.BrightnessG, float(-2147483648.0 * 0.1));
    EXPECT_EQ(rec.ContrastB, float(2147483647.0 * 0.1));
    EXPECT_EQ(rec.BrightnessB, float(0.1));
    EXPECT_EQ(rec.HPositionLimit, 720);
    EXPECT_EQ(rec.VPositionLimit, 82);
    // Reserved bytes keep what they held.
    for (uint8_t b : rec.Reserved2) EXPECT_EQ(b, 0xAA);
    for (uint8_t b : rec.Reserved10) EXPECT_EQ(b, 0xAA);
    for (uint8_t b : rec.Reserved42) EXPECT_EQ(b, 0xAA);
}

TEST(Decode, ShortInputBlockSetsThePositionLimitsToMinusOne)
{
    const Bytes data = Hex(kInputN);
    InputChannelRecord rec{};
    rec.HPositionLimit = 5;
    rec.VPositionLimit = 6;
    ASSERT_TRUE(DecodeInputBlock(rec, 'F', std::span(data).first(70)));
    EXPECT_EQ(rec.HPositionLimit, -1);
    EXPECT_EQ(rec.VPositionLimit, -1);
    EXPECT_EQ(rec.BrightnessB, float(0.1));
    // A block too short for its kind, or an unknown kind, changes nothing.
    InputChannelRecord before = rec;
    EXPECT_FALSE(DecodeInputBlock(rec, 'N', std::span(data).first(70)));
    EXPECT_FALSE(DecodeInputBlock(rec, 'X', data));
    EXPECT_EQ(std::memcmp(&before, &rec, sizeof rec), 0);
}

TEST(Decode, OutputBlockLandsFieldByField)
{
    const Bytes data = Hex(
        "02 01 05 01 01 06 01 01 "  // format, rate, sync, control, group, total, doubling, alignment
        "00 00 00 80 "              // OverlapWidth 128
        "00 00 00 16 "              // BasicGamma 2.2
        "00 01 "                    // BasicFeather (BE16) 1
        "00 00 00 64 "              // LeftGamma 10.0
        "FF FF "                    // LeftFeather -1
        "00 00 00 0F "              // RightGamma 1.5
        "01 02 "                    // RightFeather 258
        "00 00 00 0A FF FF FF FD "  // LeftHaloWidth 10, LeftHaloOffset -3
        "00 00 00 0B 00 00 00 0C "  // RightHaloWidth 11, RightHaloOffset 12
        "C8 03 01 00 "              // BlackLevel 200, TestPattern 3, OutputRaster 1, TestGrid 0
        "FF FF FF FC "              // SeamParam -4
        "01 02 03 04 05 06 07 FF "  // SeamGain 1..8
        "01");                      // SeamBridge
    ASSERT_EQ(data.size(), 63u);
    OutputScreenRecord rec;
    std::memset(&rec, 0x55, sizeof rec);
    ASSERT_TRUE(DecodeOutputBlock(rec, data));
    EXPECT_EQ(rec.OutputFormat, 2);
    EXPECT_EQ(rec.FrameRate, 1);
    EXPECT_EQ(rec.OutputSync, 5);
    EXPECT_EQ(rec.ControlMode, 1);
    EXPECT_EQ(rec.ScreenGroup, 1);
    EXPECT_EQ(rec.TotalProjectors, 6);
    EXPECT_EQ(rec.DataDoubling, 1);
    EXPECT_EQ(rec.Alignment, 1);
    EXPECT_EQ(rec.OverlapWidth, 128);
    EXPECT_EQ(rec.BasicGamma, float(22 * 0.1));
    EXPECT_EQ(rec.BasicFeather, 1);
    EXPECT_EQ(rec.LeftGamma, 10.0f);
    EXPECT_EQ(rec.LeftFeather, -1);
    EXPECT_EQ(rec.RightGamma, 1.5f);
    EXPECT_EQ(rec.RightFeather, 258);
    EXPECT_EQ(rec.LeftHaloWidth, 10);
    EXPECT_EQ(rec.LeftHaloOffset, -3);
    EXPECT_EQ(rec.RightHaloWidth, 11);
    EXPECT_EQ(rec.RightHaloOffset, 12);
    EXPECT_EQ(rec.BlackLevel, 200);
    EXPECT_EQ(rec.TestPattern, 3);
    EXPECT_EQ(rec.OutputRaster, 1);
    EXPECT_EQ(rec.TestGrid, 0);
    EXPECT_EQ(rec.SeamParam, -4);
    const uint8_t gains[8] = {1, 2, 3, 4, 5, 6, 7, 255};
    EXPECT_EQ(std::memcmp(rec.SeamGain, gains, 8), 0);
    EXPECT_EQ(rec.SeamBridge, 1);
    for (uint8_t b : rec.Reserved18) EXPECT_EQ(b, 0x55);
    for (uint8_t b : rec.Reserved26) EXPECT_EQ(b, 0x55);
    for (uint8_t b : rec.Reserved34) EXPECT_EQ(b, 0x55);
    for (uint8_t b : rec.Reserved69) EXPECT_EQ(b, 0x55);
    EXPECT_FALSE(DecodeOutputBlock(rec, std::span(data).first(62)));
}

TEST(Decode, MarkerIsSearchedAtPositionsZeroToTwentyNine)
{
    struct Case {
        int position;
        char kind;
        std::string_view kinds;
        int expected;
    } cases[] = {
        {0, 0x08, kSystemInfoKinds, 0},  {29, 'N', kInputKinds, 29},     {30, 'F', kInputKinds, -1},
        {29, 0x3E, kOutputKinds, 29},    {5, 0x3F, kOutputKinds, 5},     {5, 0x41, kOutputKinds, -1},
        {5, 'F', kSystemInfoKinds, -1},  {12, 0x40, kOutputKinds, 12},
    };
    for (const auto& c : cases) {
        Bytes reply(250, 'x');
        reply[size_t(c.position)] = 0x01;
        reply[size_t(c.position) + 1] = uint8_t(c.kind);
        EXPECT_EQ(FindMarker(reply, c.kinds), c.expected) << c.position << " kind " << int(c.kind);
    }
    // The first marker wins; a marker byte without a known kind is skipped.
    Bytes reply = Hex("01 41 01 4E 01 46");
    EXPECT_EQ(FindMarker(reply, kInputKinds), 2);
    // A span too short never reads past its end.
    EXPECT_EQ(FindMarker(Hex("00 01"), kInputKinds), -1);
}

TEST(Decode, NtnReplies)
{
    struct Case {
        std::string text;
        bool digit;
        int numbers, count, id1, id2;
    } cases[] = {
        {"NTN\r\n2 3 7\r\nCTRLR>", true, 3, 2, 3, 7},
        {"1 5\r\nLR>", true, 2, 1, 5, 0},
        {"0\r\nLR>", true, 1, 0, 0, 0},
        {"NTN\r\n  \t2\t31 32x", true, 3, 2, 31, 32},
        {"no digits at all\r\nLR>", false, 0, 0, 0, 0},
        {std::string(30, ' ') + "2 3 7", false, 0, 0, 0, 0},           // first digit at position 30
        {std::string(29, ' ') + "2 3 7", true, 3, 2, 3, 7},            // at 29
        {"2 3 " + std::string(40, '7'), true, 2, 2, 3, 0},             // the work area cuts the third
        {std::string(40, '9'), true, 0, 0, 0, 0},                      // 40 digits: no number fits
        {"2 3 4444444444444444444", true, 2, 2, 3, 0},                 // third number cut, still too long
        {"1 12345", true, 2, 1, 12345, 0},
    };
    for (const auto& c : cases) {
        Bytes reply(250, 0);
        std::memcpy(reply.data(), c.text.data(), std::min<size_t>(c.text.size(), 249));
        const NtnReply r = ParseNtnReply(reply);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(r.digitFound, c.digit);
        EXPECT_EQ(r.numbers, c.numbers);
        if (c.numbers >= 1) {
            EXPECT_EQ(r.count, c.count);
        }
        if (c.numbers >= 2) {
            EXPECT_EQ(r.id1, c.id1);
        }
        if (c.numbers >= 3) {
            EXPECT_EQ(r.id2, c.id2);
        }
    }
    // A reply with no NUL in its whole buffer is still read within the work area only.
    Bytes full(250, '5');
    EXPECT_EQ(ParseNtnReply(full).numbers, 0);
}

}  // namespace
}  // namespace kalvora
