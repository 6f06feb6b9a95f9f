#include "cli/records_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <span>

namespace kalvora::cli {
namespace {

// Integers exactly; floats in their shortest round-trip form, independent of the locale.
std::string FieldText(std::span<const uint8_t> record, const FieldDesc& f, int element, bool json)
{
    const double value = ReadFieldValue(record, f, element);
    if (f.kind != FieldKind::Tenths) return std::to_string(static_cast<long long>(value));
    const float v = static_cast<float>(value);
    if (!std::isfinite(v)) return json ? "null" : (std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf"));
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string ElementName(const FieldDesc& f, int element)
{
    if (f.count == 1) return std::string(f.name);
    return std::string(f.name) + "[" + std::to_string(element + 1) + "]";
}

template <typename Record, size_t N>
void AppendTableSection(std::string& out, const char* title, const std::array<FieldDesc, N>& fields,
                        const auto& recordOf)
{
    char cell[64];
    std::snprintf(cell, sizeof cell, "%-20s", title);
    out += cell;
    for (int n = 1; n <= 8; ++n) {
        std::snprintf(cell, sizeof cell, "%12s", ("#" + std::to_string(n)).c_str());
        out += cell;
    }
    out += '\n';
    for (const FieldDesc& f : fields) {
        for (int e = 0; e < f.count; ++e) {
            std::snprintf(cell, sizeof cell, "  %-18s", ElementName(f, e).c_str());
            out += cell;
            for (int n = 1; n <= 8; ++n) {
                const UnitIndex ui = WallToUnit(n);
                const Record& r = recordOf(ui.unit, ui.index);
                std::snprintf(cell, sizeof cell, "%12s", FieldText(RecordBytes(r), f, e, false).c_str());
                out += cell;
            }
            out += '\n';
        }
    }
}

template <typename Record, size_t N>
void AppendJsonRecord(std::string& out, const char* indexName, int index, const Record& r,
                      const std::array<FieldDesc, N>& fields)
{
    out += "{\"";
    out += indexName;
    out += "\":" + std::to_string(index);
    for (const FieldDesc& f : fields) {
        out += ",\"" + std::string(f.name) + "\":";
        if (f.count == 1) {
            out += FieldText(RecordBytes(r), f, 0, true);
            continue;
        }
        out += '[';
        for (int e = 0; e < f.count; ++e) {
            if (e) out += ',';
            out += FieldText(RecordBytes(r), f, e, true);
        }
        out += ']';
    }
    out += '}';
}

}  // namespace

std::string RecordsTable(const Settings& settings)
{
    std::string out;
    out += "Unit 1 holds channels and screens #1..#4, unit 2 holds #5..#8.\n\n";
    AppendTableSection<InputChannelRecord>(out, "Input channel", kInputFields,
                                           [&](int u, int i) -> const InputChannelRecord& { return settings.input(u, i); });
    out += '\n';
    AppendTableSection<OutputScreenRecord>(out, "Output screen", kOutputFields,
                                           [&](int u, int i) -> const OutputScreenRecord& { return settings.output(u, i); });
    return out;
}

std::string RecordsJson(const Settings& settings)
{
    std::string out = "{\"units\":[";
    for (int u = 1; u <= 2; ++u) {
        if (u > 1) out += ',';
        out += "\n {\"unit\":" + std::to_string(u) + ",\"inputs\":[";
        for (int i = 1; i < kRecordsPerUnit; ++i) {
            out += i > 1 ? ",\n   " : "\n   ";
            AppendJsonRecord(out, "channel", i, settings.input(u, i), kInputFields);
        }
        out += "],\"outputs\":[";
        for (int i = 1; i < kRecordsPerUnit; ++i) {
            out += i > 1 ? ",\n   " : "\n   ";
            AppendJsonRecord(out, "screen", i, settings.output(u, i), kOutputFields);
        }
        out += "]}";
    }
    out += "\n]}\n";
    return out;
}

std::string FieldElementName(const FieldDesc& f, int element) { return ElementName(f, element); }

std::string FieldValueText(std::span<const uint8_t> record, const FieldDesc& f, int element, bool json)
{
    return FieldText(record, f, element, json);
}

}  // namespace kalvora::cli
