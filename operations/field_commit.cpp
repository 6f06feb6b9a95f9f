#include "operations/field_commit.h"

#include "settings/numeric_field_table.h"
#include "link/commands.h"
#include "link/link.h"
#include "platform/operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora {
namespace {

// The fields whose own commit check the bulk send runs: the colour edits and the seam gains.
const NumericField* CheckedField(const FieldKey& key)
{
    const NumericField* f = FindNumericField(key);
    if (!f) return nullptr;
    switch (f->row->builder) {
    case FieldBuilder::InputContrast:
    case FieldBuilder::InputBrightness:
    case FieldBuilder::SeamGains: return f;
    default: return nullptr;
    }
}

CommitOutcome Delivered(bool ok, const Link& link)
{
    return ok && link.linkUp() ? CommitOutcome::Sent : CommitOutcome::Failed;
}

}  // namespace

bool IsCommitCheckedField(const FieldKey& key) { return CheckedField(key) != nullptr; }

bool CommitCheckedValue(const FieldKey& key, const QString& text, double& value)
{
    const NumericField* f = CheckedField(key);
    return f && ParseFieldInRange(*f->row, text, value);
}

CommitOutcome RunFieldCommit(BulkValues& values, const FieldKey& key, int channel, CommandSet& commands, Link& link)
{
    const NumericField* f = CheckedField(key);
    if (!f) return CommitOutcome::Invalid;
    const NumericFamilyRow& row = *f->row;
    const QString text = values.Text(key);
    double v = 0;
    if (!ParseFieldValue(row.type, text, v)) {
        link.op().showMessage("Error! '" + text + QLatin1String(row.notValidSuffix));
        return CommitOutcome::Refused;
    }
    if (v < row.lo || v > row.hi) {
        link.op().showMessage(QLatin1String(row.boundsPrefix) + QLatin1String(row.rangeText));
        return CommitOutcome::Refused;
    }
    if (link.flags().FormFilling || !link.linkUp()) return CommitOutcome::Sent;
    const UnitIndex at = WallToUnit(channel);
    switch (row.builder) {
    case FieldBuilder::InputContrast:
        return Delivered(commands.SendInputContrast(at.unit, at.index, f->colour, static_cast<float>(v)), link);
    case FieldBuilder::InputBrightness:
        return Delivered(commands.SendInputBrightness(at.unit, at.index, f->colour, static_cast<float>(v)), link);
    default: break;
    }
    // A seam gain sends all eight gains of the channel, read again from their edits.
    int gains[8] = {};
    for (int g = 0; g < 8; ++g) {
        double gain = 0;
        if (!ParseFieldInRange(row, values.Text(ScreenKey(Field::SeamGain, g + 1)), gain))
            return CommitOutcome::Invalid;
        gains[g] = int(gain);
    }
    return Delivered(commands.SendSeamGains(at.unit, at.index, kSeamParam, gains), link);
}

}  // namespace kalvora
