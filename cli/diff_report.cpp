#include "cli/diff_report.h"

#include "cli/records_report.h"

namespace kalvora::cli {
namespace {

std::string Place(const CarriedDifference& d) { return d.input ? "channel" : "screen"; }

std::string Number(const WireValue& v) { return v.ok ? v.Text().toStdString() : "null"; }

std::string Text(const WireValue& v)
{
    return v.ok ? v.Text().toStdString() : v.Text().toStdString() + " (cannot be sent)";
}

// A JSON string: the command names hold only letters, digits and spaces.
std::string Quoted(const QString& s) { return "\"" + s.toStdString() + "\""; }

}  // namespace

std::string DiffText(const std::vector<CarriedDifference>& diffs)
{
    std::string out;
    for (const CarriedDifference& d : diffs)
        out += "unit " + std::to_string(d.unit) + " " + Place(d) + " " + std::to_string(UnitToWall(d.unit, d.index)) +
               ": " + FieldElementName(*d.field, d.element) + " file " + Text(d.file) + " units " + Text(d.units) + "\n";
    return out;
}

std::string DiffJson(const std::vector<CarriedDifference>& diffs)
{
    std::string out = std::string("{\"equal\":") + (diffs.empty() ? "true" : "false") + ",\"differences\":[";
    for (size_t k = 0; k < diffs.size(); ++k) {
        const CarriedDifference& d = diffs[k];
        if (k) out += ",";
        out += "{\"unit\":" + std::to_string(d.unit) + ",\"" + Place(d) + "\":" +
               std::to_string(UnitToWall(d.unit, d.index)) + ",\"field\":\"" + FieldElementName(*d.field, d.element) +
               "\",\"command\":" + Quoted(d.command) + ",\"file\":" + Number(d.file) + ",\"units\":" + Number(d.units) +
               "}";
    }
    out += "]}\n";
    return out;
}

}  // namespace kalvora::cli
