#include "cli/diff_report.h"

#include "cli/records_report.h"

namespace kalvora::cli {
namespace {

struct Values {
    std::string place, field, file, units;
    int unit, wall;
};

Values Describe(const FieldDifference& d, const Settings& file, const Settings& units, bool json)
{
    auto bytes = [&](const Settings& s) {
        return d.input ? RecordBytes(s.input(d.unit, d.index)) : RecordBytes(s.output(d.unit, d.index));
    };
    const int wall = UnitToWall(d.unit, d.index);
    return {d.input ? "channel" : "screen", FieldElementName(*d.field, d.element),
            FieldValueText(bytes(file), *d.field, d.element, json), FieldValueText(bytes(units), *d.field, d.element, json),
            d.unit, wall};
}

}  // namespace

std::string DiffText(const std::vector<FieldDifference>& diffs, const Settings& file, const Settings& units)
{
    std::string out;
    for (const FieldDifference& d : diffs) {
        const Values v = Describe(d, file, units, false);
        out += "unit " + std::to_string(v.unit) + " " + v.place + " " + std::to_string(v.wall) + ": " + v.field +
               " file " + v.file + " units " + v.units + "\n";
    }
    return out;
}

std::string DiffJson(const std::vector<FieldDifference>& diffs, const Settings& file, const Settings& units)
{
    std::string out = std::string("{\"equal\":") + (diffs.empty() ? "true" : "false") + ",\"differences\":[";
    for (size_t k = 0; k < diffs.size(); ++k) {
        const Values v = Describe(diffs[k], file, units, true);
        if (k) out += ",";
        out += "{\"unit\":" + std::to_string(v.unit) + ",\"" + v.place + "\":" + std::to_string(v.wall) +
               ",\"field\":\"" + v.field + "\",\"file\":" + v.file + ",\"units\":" + v.units + "}";
    }
    out += "]}\n";
    return out;
}

}  // namespace kalvora::cli
