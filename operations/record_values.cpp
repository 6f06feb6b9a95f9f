#include "operations/record_values.h"

#include "operations/field_commit.h"
#include "planning/overlap_limit.h"
#include "settings/number_format.h"
#include "settings/numeric_field_table.h"
#include "settings/records.h"

namespace kalvora {
namespace {

const QString kNotAvailable = QStringLiteral("N/A");

QString Int(long long v) { return QString::number(v); }
// A single-precision value widened to double, as the advanced gamma edits show it.
QString G15(float v) { return FormatGeneral(static_cast<double>(v), 15); }

bool IsScreen(int n) { return n >= 1 && n <= 8; }
// The edges the screens have: screen 1 its right, screen 8 its left, the others both.
bool IsEdge(const FieldKey& k)
{
    return IsScreen(k.place) && (k.side == 0 || k.side == 1) && !(k.place == 1 && k.side == 0) &&
           !(k.place == 8 && k.side == 1);
}

// The colour value of a channel: place 0 the overall value, 1..3 red, green, blue.
float Colour(const InputChannelRecord& r, bool contrast, int colour)
{
    switch (colour) {
    case 1: return contrast ? r.ContrastR : r.BrightnessR;
    case 2: return contrast ? r.ContrastG : r.BrightnessG;
    case 3: return contrast ? r.ContrastB : r.BrightnessB;
    default: return contrast ? r.ContrastC : r.BrightnessC;
    }
}

}  // namespace

RecordValues::RecordValues(Settings& settings, CommandSet& commands, Link& link)
    : settings_(settings), commands_(commands), link_(link)
{
}

OutputScreenRecord& RecordValues::wall() const { return settings_.output(1, 1); }

OutputScreenRecord& RecordValues::screen(int n) const
{
    const UnitIndex at = WallToUnit(n);
    return settings_.output(at.unit, at.index);
}

InputChannelRecord& RecordValues::source() const
{
    const UnitIndex at = WallToUnit(sourceChannel());
    return settings_.input(at.unit, at.index);
}

OutputScreenRecord& RecordValues::seam() const { return screen(seamChannel()); }

int RecordValues::ListIndex(const FieldKey& key)
{
    switch (key.field) {
    case Field::ProjectorCount: {
        const int total = wall().TotalProjectors;
        return total >= 1 && total <= 8 ? total - 1 : -1;
    }
    case Field::Alignment: {
        const int a = wall().Alignment;
        return a <= 1 ? a : -1;
    }
    case Field::TestPattern: {
        if (!IsScreen(key.place)) return -1;
        const int p = screen(key.place).TestPattern;
        return p <= 10 ? p : -1;  // beyond the list: no selection
    }
    default: return -1;
    }
}

QString RecordValues::Text(const FieldKey& key)
{
    // The source page shows position and colour only while its channel is locked.
    const auto locked = [this] { return source().VideoLocked == 1; };
    switch (key.field) {
    case Field::OverlapWidth: return Int(wall().OverlapWidth);
    case Field::BasicGamma: return FormatGeneral(wall().BasicGamma, 3);
    case Field::BlackLevel: return IsScreen(key.place) ? Int(screen(key.place).BlackLevel) : QString();
    case Field::HaloWidth:
        if (!IsEdge(key)) return {};
        return Int(key.side == 0 ? screen(key.place).LeftHaloWidth : screen(key.place).RightHaloWidth);
    case Field::HaloOffset:
        if (!IsEdge(key)) return {};
        return Int(key.side == 0 ? screen(key.place).LeftHaloOffset : screen(key.place).RightHaloOffset);
    case Field::EdgeGamma:
        if (!IsEdge(key)) return {};
        return G15(key.side == 0 ? screen(key.place).LeftGamma : screen(key.place).RightGamma);
    case Field::HPosition: return locked() ? Int(source().HPosition) : kNotAvailable;
    case Field::VPosition: return locked() ? Int(source().VPosition) : kNotAvailable;
    case Field::Phase: return Int(source().Phase);
    case Field::OverallContrast:
    case Field::OverallBrightness:
        return locked() ? FormatGeneral(Colour(source(), key.field == Field::OverallContrast, 0), 5) : kNotAvailable;
    case Field::ColourContrast:
    case Field::ColourBrightness:
        if (key.place < 1 || key.place > 3) return {};
        return locked() ? FormatGeneral(Colour(source(), key.field == Field::ColourContrast, key.place), 4) : kNotAvailable;
    case Field::SeamGain: return key.place >= 1 && key.place <= 8 ? Int(seam().SeamGain[key.place - 1]) : QString();
    default: return {};
    }
}

bool RecordValues::Checked(const FieldKey& key)
{
    switch (key.field) {
    case Field::DataDoubling: return wall().DataDoubling != 0;
    case Field::BasicFeathering: return wall().BasicFeather != 0;
    case Field::AdvancedMode: return wall().ControlMode != 0;
    case Field::OutputRaster: return IsScreen(key.place) && screen(key.place).OutputRaster != 0;
    case Field::TestGrid: return IsScreen(key.place) && screen(key.place).TestGrid != 0;
    case Field::EdgeFeathering:
        return IsEdge(key) && (key.side == 0 ? screen(key.place).LeftFeather : screen(key.place).RightFeather) != 0;
    case Field::SeamBridge: return seam().SeamBridge != 0;
    default: return false;
    }
}

void RecordValues::SelectChannel(ChannelPage page, int index)
{
    if (index < 0 || index > 7) return;
    (page == ChannelPage::Source ? sourceIndex_ : seamIndex_) = index;
}

CommitOutcome RecordValues::Commit(const FieldKey& key)
{
    return RunFieldCommit(*this, key, OnSeamPage(key.field) ? seamChannel() : sourceChannel(), commands_, link_);
}

int RecordValues::OverlapWidthMax() { return OverlapWidthMaxOfRecords(settings_); }

}  // namespace kalvora
