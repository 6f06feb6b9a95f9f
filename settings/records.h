#pragma once
// The in-memory image of every setting and status value of both Tornel units.
// The byte layout of these records is also the layout of the .tnc configuration file,
// so every offset, width and reserved byte below is part of a stored format.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kalvora {

static_assert(std::endian::native == std::endian::little,
              "records are stored little-endian and copied raw to and from the configuration file");
static_assert(sizeof(float) == 4, "tenths values are IEEE single-precision floats");

// One input channel of a unit, as reported by IINFOTN (84 bytes).
struct InputChannelRecord {
    uint8_t VideoLoaded;
    uint8_t VideoLocked;
    uint8_t Reserved2[2];
    int32_t Phase;
    uint8_t Status8;
    uint8_t Status9;
    uint8_t Reserved10[2];
    int32_t HTotal;
    int32_t HPositionNominal;
    int32_t HPosition;
    int32_t VPositionNominal;
    int32_t VPosition;
    int32_t HActive;
    int32_t VActive;
    uint8_t SyncSelect;
    uint8_t Termination;
    uint8_t Reserved42[2];
    float ContrastC;
    float BrightnessC;
    float ContrastR;
    float BrightnessR;
    float ContrastG;
    float BrightnessG;
    float ContrastB;
    float BrightnessB;
    int32_t HPositionLimit;
    int32_t VPositionLimit;
};

// One output screen of a unit, as reported by OINFOTN (72 bytes). The unit-wide values
// (OutputFormat .. BasicFeather) are kept in record 1 of each unit.
struct OutputScreenRecord {
    uint8_t OutputFormat;
    uint8_t FrameRate;
    uint8_t OutputSync;
    uint8_t ControlMode;
    uint8_t ScreenGroup;
    uint8_t TotalProjectors;
    uint8_t DataDoubling;
    uint8_t Alignment;
    int32_t OverlapWidth;
    float BasicGamma;
    int16_t BasicFeather;
    uint8_t Reserved18[2];
    float LeftGamma;
    int16_t LeftFeather;
    uint8_t Reserved26[2];
    float RightGamma;
    int16_t RightFeather;
    uint8_t Reserved34[2];
    int32_t LeftHaloWidth;
    int32_t LeftHaloOffset;
    int32_t RightHaloWidth;
    int32_t RightHaloOffset;
    uint8_t BlackLevel;
    uint8_t TestPattern;
    uint8_t OutputRaster;
    uint8_t TestGrid;
    int32_t SeamParam;
    uint8_t SeamGain[8];  // gains 1..8 in edit order
    uint8_t SeamBridge;
    uint8_t Reserved69[3];
};

#define KALVORA_CHECK_OFFSET(rec, field, off) static_assert(offsetof(rec, field) == (off), #rec "." #field)
static_assert(sizeof(InputChannelRecord) == 84);
KALVORA_CHECK_OFFSET(InputChannelRecord, VideoLoaded, 0);
KALVORA_CHECK_OFFSET(InputChannelRecord, VideoLocked, 1);
KALVORA_CHECK_OFFSET(InputChannelRecord, Phase, 4);
KALVORA_CHECK_OFFSET(InputChannelRecord, Status8, 8);
KALVORA_CHECK_OFFSET(InputChannelRecord, Status9, 9);
KALVORA_CHECK_OFFSET(InputChannelRecord, HTotal, 12);
KALVORA_CHECK_OFFSET(InputChannelRecord, HPositionNominal, 16);
KALVORA_CHECK_OFFSET(InputChannelRecord, HPosition, 20);
KALVORA_CHECK_OFFSET(InputChannelRecord, VPositionNominal, 24);
KALVORA_CHECK_OFFSET(InputChannelRecord, VPosition, 28);
KALVORA_CHECK_OFFSET(InputChannelRecord, HActive, 32);
KALVORA_CHECK_OFFSET(InputChannelRecord, VActive, 36);
KALVORA_CHECK_OFFSET(InputChannelRecord, SyncSelect, 40);
KALVORA_CHECK_OFFSET(InputChannelRecord, Termination, 41);
KALVORA_CHECK_OFFSET(InputChannelRecord, ContrastC, 44);
KALVORA_CHECK_OFFSET(InputChannelRecord, BrightnessC, 48);
KALVORA_CHECK_OFFSET(InputChannelRecord, ContrastR, 52);
KALVORA_CHECK_OFFSET(InputChannelRecord, BrightnessR, 56);
KALVORA_CHECK_OFFSET(InputChannelRecord, ContrastG, 60);
KALVORA_CHECK_OFFSET(InputChannelRecord, BrightnessG, 64);
KALVORA_CHECK_OFFSET(InputChannelRecord, ContrastB, 68);
KALVORA_CHECK_OFFSET(InputChannelRecord, BrightnessB, 72);
KALVORA_CHECK_OFFSET(InputChannelRecord, HPositionLimit, 76);
KALVORA_CHECK_OFFSET(InputChannelRecord, VPositionLimit, 80);

static_assert(sizeof(OutputScreenRecord) == 72);
KALVORA_CHECK_OFFSET(OutputScreenRecord, OutputFormat, 0);
KALVORA_CHECK_OFFSET(OutputScreenRecord, FrameRate, 1);
KALVORA_CHECK_OFFSET(OutputScreenRecord, OutputSync, 2);
KALVORA_CHECK_OFFSET(OutputScreenRecord, ControlMode, 3);
KALVORA_CHECK_OFFSET(OutputScreenRecord, ScreenGroup, 4);
KALVORA_CHECK_OFFSET(OutputScreenRecord, TotalProjectors, 5);
KALVORA_CHECK_OFFSET(OutputScreenRecord, DataDoubling, 6);
KALVORA_CHECK_OFFSET(OutputScreenRecord, Alignment, 7);
KALVORA_CHECK_OFFSET(OutputScreenRecord, OverlapWidth, 8);
KALVORA_CHECK_OFFSET(OutputScreenRecord, BasicGamma, 12);
KALVORA_CHECK_OFFSET(OutputScreenRecord, BasicFeather, 16);
KALVORA_CHECK_OFFSET(OutputScreenRecord, LeftGamma, 20);
KALVORA_CHECK_OFFSET(OutputScreenRecord, LeftFeather, 24);
KALVORA_CHECK_OFFSET(OutputScreenRecord, RightGamma, 28);
KALVORA_CHECK_OFFSET(OutputScreenRecord, RightFeather, 32);
KALVORA_CHECK_OFFSET(OutputScreenRecord, LeftHaloWidth, 36);
KALVORA_CHECK_OFFSET(OutputScreenRecord, LeftHaloOffset, 40);
KALVORA_CHECK_OFFSET(OutputScreenRecord, RightHaloWidth, 44);
KALVORA_CHECK_OFFSET(OutputScreenRecord, RightHaloOffset, 48);
KALVORA_CHECK_OFFSET(OutputScreenRecord, BlackLevel, 52);
KALVORA_CHECK_OFFSET(OutputScreenRecord, TestPattern, 53);
KALVORA_CHECK_OFFSET(OutputScreenRecord, OutputRaster, 54);
KALVORA_CHECK_OFFSET(OutputScreenRecord, TestGrid, 55);
KALVORA_CHECK_OFFSET(OutputScreenRecord, SeamParam, 56);
KALVORA_CHECK_OFFSET(OutputScreenRecord, SeamGain, 60);
KALVORA_CHECK_OFFSET(OutputScreenRecord, SeamBridge, 68);
#undef KALVORA_CHECK_OFFSET

constexpr int kUnitBlocks = 3;       // block 0 holds no unit
constexpr int kRecordsPerUnit = 5;   // record 0 holds nothing; 1..4 are channels or screens
using UnitInputBlock = std::array<InputChannelRecord, kRecordsPerUnit>;
using UnitOutputBlock = std::array<OutputScreenRecord, kRecordsPerUnit>;
static_assert(sizeof(UnitInputBlock) == 420);
static_assert(sizeof(UnitOutputBlock) == 360);

// A wall screen or input channel n = 1..8 lives on unit 1 (n = 1..4) or unit 2 (n = 5..8).
struct UnitIndex {
    int unit;   // 1 or 2
    int index;  // 1..4 within the unit
    bool operator==(const UnitIndex&) const = default;
};
// Every page and bulk operation maps wall numbers through this one function.
// n outside 1..8 is a programming error; it is clamped so that it can never address outside the tables.
UnitIndex WallToUnit(int n);
int UnitToWall(int unit, int index);

// Pixel size of an output format code (0..3); false for any other code.
bool OutputFormatSize(int format, int& width, int& height);

// The settings of both units plus the values kept beside them. One object is owned by the
// application; tests make fresh ones.
struct Settings {
    std::array<UnitInputBlock, kUnitBlocks> InputRecords{};
    std::array<UnitOutputBlock, kUnitBlocks> OutputRecords{};

    int OutputWidth = 1280;   // start-up default until a status read sets it
    int OutputHeight = 1024;

    bool StatusReadAvailable = false;   // a status read of a unit has completed
    bool FileLoadedAvailable = false;   // a configuration file has been loaded

    InputChannelRecord& input(int unit, int index) { return InputRecords.at(unit).at(index); }
    OutputScreenRecord& output(int unit, int index) { return OutputRecords.at(unit).at(index); }
    const InputChannelRecord& input(int unit, int index) const { return InputRecords.at(unit).at(index); }
    const OutputScreenRecord& output(int unit, int index) const { return OutputRecords.at(unit).at(index); }

    int InputImageWidth() const;
    int InputImageHeight() const;
    bool IsChannelLocked(int unit, int index) const;
    bool SettingsAvailable() const { return StatusReadAvailable || FileLoadedAvailable; }
};

// ---- Field tables -------------------------------------------------------------------------
// Each record's fields are described once here. The configuration file display, the reply
// decoders and the simulator's reply encoder all walk these tables.

enum class FieldKind {
    U8,      // unsigned byte
    I16,     // signed 16-bit, little-endian in memory; BE16 on the wire
    I32,     // signed 32-bit, little-endian in memory; BE32 on the wire
    Tenths,  // IEEE single in memory; BE32 integer tenths on the wire
};

struct FieldDesc {
    std::string_view name;  // as in the record tables
    int offset;             // byte offset in the record
    FieldKind kind;
    int count;              // elements (8 for SeamGain, else 1)
    int wirePos;            // first data byte d[k] of the status reply block
};

int FieldWidth(FieldKind kind);  // bytes per element in memory (also on the wire)

// The tables are sized by their entries, so every entry is a real field.
#define KALVORA_IN(name, kind, pos) FieldDesc{#name, offsetof(InputChannelRecord, name), FieldKind::kind, 1, pos}
inline constexpr auto kInputFields = std::to_array<FieldDesc>({
    KALVORA_IN(VideoLoaded, U8, 0),
    KALVORA_IN(VideoLocked, U8, 1),
    KALVORA_IN(Phase, I32, 2),
    KALVORA_IN(Status8, U8, 6),
    KALVORA_IN(Status9, U8, 7),
    KALVORA_IN(HTotal, I32, 8),
    KALVORA_IN(HPositionNominal, I32, 12),
    KALVORA_IN(HPosition, I32, 16),
    KALVORA_IN(VPositionNominal, I32, 20),
    KALVORA_IN(VPosition, I32, 24),
    KALVORA_IN(HActive, I32, 28),
    KALVORA_IN(VActive, I32, 32),
    KALVORA_IN(SyncSelect, U8, 36),
    KALVORA_IN(Termination, U8, 37),
    KALVORA_IN(ContrastC, Tenths, 38),
    KALVORA_IN(BrightnessC, Tenths, 42),
    KALVORA_IN(ContrastR, Tenths, 46),
    KALVORA_IN(BrightnessR, Tenths, 50),
    KALVORA_IN(ContrastG, Tenths, 54),
    KALVORA_IN(BrightnessG, Tenths, 58),
    KALVORA_IN(ContrastB, Tenths, 62),
    KALVORA_IN(BrightnessB, Tenths, 66),
    KALVORA_IN(HPositionLimit, I32, 70),   // kind 'N' replies only
    KALVORA_IN(VPositionLimit, I32, 74),   // kind 'N' replies only
});
#undef KALVORA_IN

#define KALVORA_OUT(name, kind, pos) FieldDesc{#name, offsetof(OutputScreenRecord, name), FieldKind::kind, 1, pos}
inline constexpr auto kOutputFields = std::to_array<FieldDesc>({
    KALVORA_OUT(OutputFormat, U8, 0),
    KALVORA_OUT(FrameRate, U8, 1),
    KALVORA_OUT(OutputSync, U8, 2),
    KALVORA_OUT(ControlMode, U8, 3),
    KALVORA_OUT(ScreenGroup, U8, 4),
    KALVORA_OUT(TotalProjectors, U8, 5),
    KALVORA_OUT(DataDoubling, U8, 6),
    KALVORA_OUT(Alignment, U8, 7),
    KALVORA_OUT(OverlapWidth, I32, 8),
    KALVORA_OUT(BasicGamma, Tenths, 12),
    KALVORA_OUT(BasicFeather, I16, 16),
    KALVORA_OUT(LeftGamma, Tenths, 18),
    KALVORA_OUT(LeftFeather, I16, 22),
    KALVORA_OUT(RightGamma, Tenths, 24),
    KALVORA_OUT(RightFeather, I16, 28),
    KALVORA_OUT(LeftHaloWidth, I32, 30),
    KALVORA_OUT(LeftHaloOffset, I32, 34),
    KALVORA_OUT(RightHaloWidth, I32, 38),
    KALVORA_OUT(RightHaloOffset, I32, 42),
    KALVORA_OUT(BlackLevel, U8, 46),
    KALVORA_OUT(TestPattern, U8, 47),
    KALVORA_OUT(OutputRaster, U8, 48),
    KALVORA_OUT(TestGrid, U8, 49),
    KALVORA_OUT(SeamParam, I32, 50),
    FieldDesc{"SeamGain", offsetof(OutputScreenRecord, SeamGain), FieldKind::U8, 8, 54},
    KALVORA_OUT(SeamBridge, U8, 62),
});
#undef KALVORA_OUT

// Input reply data lengths: kind 'F' stops before the position limits.
constexpr int kInputReplyDataShort = 70;   // kind 'F'
constexpr int kInputReplyDataFull = 78;    // kind 'N'
constexpr int kOutputReplyData = 63;
constexpr int kSystemInfoReplyData = 8;

// Raw access to one element of a field inside a record's bytes.
// Integers come back as their value; tenths as the stored float.
double ReadFieldValue(std::span<const uint8_t> record, const FieldDesc& f, int element = 0);
// Writes an integer field (wrapping to its width) or a tenths float.
void WriteFieldValue(std::span<uint8_t> record, const FieldDesc& f, double value, int element = 0);

template <typename R>
std::span<uint8_t> RecordBytes(R& r) { return {reinterpret_cast<uint8_t*>(&r), sizeof(R)}; }
template <typename R>
std::span<const uint8_t> RecordBytes(const R& r) { return {reinterpret_cast<const uint8_t*>(&r), sizeof(R)}; }

// A reported tenths integer becomes the single nearest to value × 0.1 (computed in double,
// rounded once), so that a read gives the same float bits every time.
float TenthsToFloat(int32_t tenths);

}  // namespace kalvora
