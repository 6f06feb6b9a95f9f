#pragma once
// Every field of every record of both units, named as in the records' field tables, as a
// readable table or as JSON. Walks kInputFields / kOutputFields, so a field added to the
// tables shows up here without further code.

#include <cstdint>
#include <span>
#include <string>

#include "settings/records.h"

namespace kalvora::cli {

// Columns are the wall's channels and screens 1..8 (unit 1 holds 1..4, unit 2 holds 5..8).
std::string RecordsTable(const Settings& settings);
// {"units":[{"unit":1,"inputs":[{"channel":1,"VideoLoaded":..,..},..],"outputs":[{"screen":1,..,"SeamGain":[..]},..]},..]}
// Tenths are written as the shortest decimal that reads back as the same float; a value that is
// not a finite number (possible in a damaged file) is written as null.
std::string RecordsJson(const Settings& settings);

// One element of a field as the two reports write it ("SeamGain[3]"; 2.2; null in JSON for a
// value that is not a finite number).
std::string FieldElementName(const FieldDesc& f, int element);
std::string FieldValueText(std::span<const uint8_t> record, const FieldDesc& f, int element, bool json);

}  // namespace kalvora::cli
