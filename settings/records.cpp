#include "settings/records.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kalvora {

UnitIndex WallToUnit(int n)
{
    n = std::clamp(n, 1, 8);
    return n <= 4 ? UnitIndex{1, n} : UnitIndex{2, n - 4};
}

int UnitToWall(int unit, int index) { return (unit == 2 ? 4 : 0) + index; }

bool OutputFormatSize(int format, int& width, int& height)
{
    static constexpr int sizes[4][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
    if (format < 0 || format > 3) return false;
    width = sizes[format][0];
    height = sizes[format][1];
    return true;
}

int Settings::InputImageWidth() const
{
    const int h = input(1, 1).HActive;
    return h != 0 ? h : OutputWidth;
}

int Settings::InputImageHeight() const
{
    const int v = input(1, 1).VActive;
    return v != 0 ? v : OutputHeight;
}

bool Settings::IsChannelLocked(int unit, int index) const { return input(unit, index).VideoLocked == 1; }

int FieldWidth(FieldKind kind)
{
    switch (kind) {
    case FieldKind::U8: return 1;
    case FieldKind::I16: return 2;
    case FieldKind::I32:
    case FieldKind::Tenths: return 4;
    }
    return 1;
}

double ReadFieldValue(std::span<const uint8_t> record, const FieldDesc& f, int element)
{
    const size_t at = size_t(f.offset) + size_t(element) * size_t(FieldWidth(f.kind));
    switch (f.kind) {
    case FieldKind::U8: return record[at];
    case FieldKind::I16: {
        int16_t v;
        std::memcpy(&v, record.data() + at, 2);
        return v;
    }
    case FieldKind::I32: {
        int32_t v;
        std::memcpy(&v, record.data() + at, 4);
        return v;
    }
    case FieldKind::Tenths: {
        float v;
        std::memcpy(&v, record.data() + at, 4);
        return v;
    }
    }
    return 0;
}

namespace {
// Converts to an integer of the field's width with two's-complement wrap, never UB.
int64_t ToInteger(double value)
{
    if (!std::isfinite(value)) return 0;
    value = std::clamp(value, -9.2e18, 9.2e18);
    return static_cast<int64_t>(value);
}
}  // namespace

void WriteFieldValue(std::span<uint8_t> record, const FieldDesc& f, double value, int element)
{
    const size_t at = size_t(f.offset) + size_t(element) * size_t(FieldWidth(f.kind));
    switch (f.kind) {
    case FieldKind::U8: record[at] = static_cast<uint8_t>(static_cast<uint64_t>(ToInteger(value))); break;
    case FieldKind::I16: {
        const auto v = static_cast<uint16_t>(static_cast<uint64_t>(ToInteger(value)));
        std::memcpy(record.data() + at, &v, 2);
        break;
    }
    case FieldKind::I32: {
        const auto v = static_cast<uint32_t>(static_cast<uint64_t>(ToInteger(value)));
        std::memcpy(record.data() + at, &v, 4);
        break;
    }
    case FieldKind::Tenths: {
        const auto v = std::isfinite(value) ? static_cast<float>(std::clamp(value, -3.0e38, 3.0e38)) : 0.0f;
        std::memcpy(record.data() + at, &v, 4);
        break;
    }
    }
}

float TenthsToFloat(int32_t tenths) { return static_cast<float>(static_cast<double>(tenths) * 0.1); }

}  // namespace kalvora
