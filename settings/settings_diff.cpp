#include "settings/settings_diff.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace kalvora {
namespace {

constexpr std::string_view kInputSettings[] = {"Phase", "HPosition", "VPosition", "ContrastC", "BrightnessC",
                                               "ContrastR", "BrightnessR", "ContrastG", "BrightnessG",
                                               "ContrastB", "BrightnessB"};
constexpr std::string_view kUnitWideSettings[] = {"ControlMode", "TotalProjectors", "DataDoubling", "Alignment",
                                                  "OverlapWidth", "BasicGamma", "BasicFeather"};
constexpr std::string_view kScreenSettings[] = {
    "LeftGamma",  "LeftFeather",  "RightGamma", "RightFeather", "LeftHaloWidth", "LeftHaloOffset",
    "RightHaloWidth", "RightHaloOffset", "BlackLevel", "TestPattern", "OutputRaster", "TestGrid", "SeamGain",
    "SeamBridge"};

template <size_t N>
bool Listed(const std::string_view (&names)[N], std::string_view name)
{
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

template <typename Record, size_t N>
void CompareRecord(std::vector<FieldDifference>& out, const Record& a, const Record& b,
                   const std::array<FieldDesc, N>& fields, bool input, int unit, int index)
{
    const auto ra = RecordBytes(a), rb = RecordBytes(b);
    for (const FieldDesc& f : fields) {
        const bool compared = input ? Listed(kInputSettings, f.name)
                                    : Listed(kScreenSettings, f.name) || (index == 1 && Listed(kUnitWideSettings, f.name));
        if (!compared) continue;
        const int width = FieldWidth(f.kind);
        for (int e = 0; e < f.count; ++e) {
            const int at = f.offset + e * width;
            if (std::memcmp(ra.data() + at, rb.data() + at, size_t(width)) != 0)
                out.push_back({unit, input, index, &f, e});
        }
    }
}

}  // namespace

std::vector<FieldDifference> CompareSettings(const Settings& a, const Settings& b, int unitCount)
{
    std::vector<FieldDifference> out;
    for (int u = 1; u <= std::clamp(unitCount, 0, 2); ++u) {
        for (int i = 1; i <= 4; ++i) CompareRecord(out, a.input(u, i), b.input(u, i), kInputFields, true, u, i);
        for (int i = 1; i <= 4; ++i) CompareRecord(out, a.output(u, i), b.output(u, i), kOutputFields, false, u, i);
    }
    return out;
}

}  // namespace kalvora
