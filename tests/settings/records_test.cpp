#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "settings/records.h"

using namespace kalvora;

TEST(WallMapping, ScreensOneToFourAreUnitOneAndFiveToEightUnitTwo)
{
    const struct { int n; UnitIndex at; } cases[] = {
        {1, {1, 1}}, {4, {1, 4}}, {5, {2, 1}}, {6, {2, 2}}, {8, {2, 4}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WallToUnit(c.n), c.at) << c.n;
        EXPECT_EQ(UnitToWall(c.at.unit, c.at.index), c.n);
    }
}

TEST(WallMapping, OutOfRangeNumbersNeverAddressOutsideTheTables)
{
    EXPECT_EQ(WallToUnit(0), (UnitIndex{1, 1}));
    EXPECT_EQ(WallToUnit(99), (UnitIndex{2, 4}));
}

TEST(DerivedValues, InputImageSizeFallsBackToOutputFormat)
{
    Settings s;
    EXPECT_EQ(s.InputImageWidth(), 1280);
    EXPECT_EQ(s.InputImageHeight(), 1024);
    s.input(1, 1).HActive = 1024;
    s.input(1, 1).VActive = 768;
    EXPECT_EQ(s.InputImageWidth(), 1024);
    EXPECT_EQ(s.InputImageHeight(), 768);
    s.input(2, 1).VideoLocked = 1;
    EXPECT_TRUE(s.IsChannelLocked(2, 1));
    s.input(2, 1).VideoLocked = 2;  // only exactly 1 means locked
    EXPECT_FALSE(s.IsChannelLocked(2, 1));
}

// Write one value per field through the table and compare with bytes laid out by hand.
TEST(FieldTables, OutputFieldsLandAtTheirRecordOffsets)
{
    OutputScreenRecord r{};
    auto bytes = RecordBytes(r);
    auto field = [](std::string_view name) {
        for (const auto& f : kOutputFields)
            if (f.name == name) return f;
        ADD_FAILURE() << name;
        return kOutputFields[0];
    };
    WriteFieldValue(bytes, field("BlackLevel"), 200);
    WriteFieldValue(bytes, field("OverlapWidth"), -2);
    WriteFieldValue(bytes, field("BasicFeather"), 0x1234);
    WriteFieldValue(bytes, field("BasicGamma"), 2.2f);
    for (int g = 0; g < 8; ++g) WriteFieldValue(bytes, field("SeamGain"), 10 + g, g);
    WriteFieldValue(bytes, field("SeamBridge"), 1);

    uint8_t expected[72] = {};
    expected[52] = 200;
    expected[8] = 0xFE, expected[9] = 0xFF, expected[10] = 0xFF, expected[11] = 0xFF;
    expected[16] = 0x34, expected[17] = 0x12;
    expected[12] = 0xCD, expected[13] = 0xCC, expected[14] = 0x0C, expected[15] = 0x40;  // 2.2f
    for (int g = 0; g < 8; ++g) expected[60 + g] = uint8_t(10 + g);
    expected[68] = 1;
    EXPECT_EQ(0, std::memcmp(&r, expected, 72));
    EXPECT_EQ(r.BlackLevel, 200);
    EXPECT_EQ(r.SeamGain[7], 17);
}

TEST(FieldTables, InputFieldsLandAtTheirRecordOffsets)
{
    InputChannelRecord r{};
    auto bytes = RecordBytes(r);
    for (const auto& f : kInputFields) WriteFieldValue(bytes, f, f.kind == FieldKind::Tenths ? 1.5 : 7);
    uint8_t expected[84] = {};
    for (int at : {0, 1, 8, 9, 40, 41}) expected[at] = 7;
    for (int at : {4, 12, 16, 20, 24, 28, 32, 36, 76, 80}) expected[at] = 7;
    for (int at = 44; at < 76; at += 4) expected[at + 2] = 0xC0, expected[at + 3] = 0x3F;  // 1.5f
    EXPECT_EQ(0, std::memcmp(&r, expected, 84));
}

TEST(FieldTables, WirePositionsCoverTheReplyBlocks)
{
    // The tables must tile the reply data exactly: 78 bytes for inputs, 63 for outputs.
    auto coverage = [](const auto& fields, int length) {
        std::vector<int> hits(length, 0);
        for (const auto& f : fields)
            for (int k = 0; k < FieldWidth(f.kind) * f.count; ++k) hits.at(f.wirePos + k)++;
        return std::count(hits.begin(), hits.end(), 1) == length;
    };
    EXPECT_TRUE(coverage(kInputFields, kInputReplyDataFull));
    EXPECT_TRUE(coverage(kOutputFields, kOutputReplyData));
}

// Every entry names a real field of its record once: no empty row, no element outside the record.
TEST(FieldTables, EveryEntryIsANamedFieldInsideItsRecord)
{
    auto check = [](const auto& fields, size_t recordSize) {
        std::set<std::string_view> names;
        for (const FieldDesc& f : fields) {
            SCOPED_TRACE(std::string(f.name));
            EXPECT_FALSE(f.name.empty());
            EXPECT_TRUE(names.insert(f.name).second) << "named twice";
            EXPECT_GE(f.count, 1);
            EXPECT_LE(size_t(f.offset + FieldWidth(f.kind) * f.count), recordSize);
        }
    };
    check(kInputFields, sizeof(InputChannelRecord));
    check(kOutputFields, sizeof(OutputScreenRecord));
}

TEST(FieldTables, IntegerWritesWrapToTheFieldWidth)
{
    OutputScreenRecord r{};
    const auto& black = kOutputFields[19];
    ASSERT_EQ(black.name, "BlackLevel");
    WriteFieldValue(RecordBytes(r), black, 256 + 30);
    EXPECT_EQ(r.BlackLevel, 30);
    WriteFieldValue(RecordBytes(r), black, std::numeric_limits<double>::infinity());
    EXPECT_EQ(r.BlackLevel, 0);
}

TEST(Tenths, ConvertedInDoubleAndRoundedOnce)
{
    EXPECT_EQ(TenthsToFloat(22), 2.2f);
    EXPECT_EQ(TenthsToFloat(1000), 100.0f);
    EXPECT_EQ(TenthsToFloat(-10), -1.0f);
    // 0.1f * 3 in single precision gives a different last bit than the single nearest 0.3.
    EXPECT_EQ(TenthsToFloat(3), 0.3f);
}
