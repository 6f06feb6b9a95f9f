#include "settings/field_commit.h"

#include <array>

#include "link/commands.h"
#include "link/link.h"
#include "planning/number_format.h"
#include "platform/operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora {
namespace {

struct ColourField {
    const char* edit;
    bool contrast;
    int colour;  // 0 all ('C'), 1 R, 2 G, 3 B
};
constexpr std::array<ColourField, 8> kColourFields = {{
    {"LeftOContrastEdit", true, 0},
    {"LeftOBrightnessEdit", false, 0},
    {"LeftRContrastEdit", true, 1},
    {"LeftRBrightnessEdit", false, 1},
    {"LeftGContrastEdit", true, 2},
    {"LeftGBrightnessEdit", false, 2},
    {"LeftBContrastEdit", true, 3},
    {"LeftBBrightnessEdit", false, 3},
}};

const ColourField* FindColour(const QString& name)
{
    for (const ColourField& f : kColourFields)
        if (name == QLatin1String(f.edit)) return &f;
    return nullptr;
}

// 1..8 for SeamGain<k>Edit, else 0.
int SeamGainNumber(const QString& name)
{
    for (int k = 1; k <= 8; ++k)
        if (name == QStringLiteral("SeamGain%1Edit").arg(k)) return k;
    return 0;
}

CommitOutcome Refuse(Link& link, const QString& message)
{
    link.op().showMessage(message);
    return CommitOutcome::Refused;
}

CommitOutcome Delivered(bool ok, const Link& link)
{
    return ok && link.LinkEstablished ? CommitOutcome::Sent : CommitOutcome::Failed;
}

}  // namespace

bool IsCommitCheckedField(const QString& name) { return FindColour(name) || SeamGainNumber(name) > 0; }

CommitOutcome RunFieldCommit(BulkValues& values, const QString& name, int channel, CommandSet& commands, Link& link)
{
    const UnitIndex at = WallToUnit(channel);
    const QString text = values.Text(name);
    const bool quiet = link.flags().FormFilling || !link.LinkEstablished;
    if (const ColourField* f = FindColour(name)) {
        double v = 0;
        if (!ParseDecimal(text, v))
            return Refuse(link, "Error! '" + text +
                                    (f->contrast ? QStringLiteral("' is not a valid Contrast Level.")
                                                 : QStringLiteral("' is not a valid Brightness Level.")));
        const bool overall = f->colour == 0;
        if (overall ? (v < 75.0 || v > 125.0) : (v < -25.0 || v > 25.0))
            return Refuse(link, overall ? QStringLiteral("Error! Value out of bounds! (75 - 125)")
                                        : QStringLiteral("Error! Value out of bounds! (-25 - +25)"));
        if (quiet) return CommitOutcome::Sent;
        const float value = static_cast<float>(v);
        return Delivered(f->contrast ? commands.SendInputContrast(at.unit, at.index, f->colour, value)
                                     : commands.SendInputBrightness(at.unit, at.index, f->colour, value),
                         link);
    }
    const int k = SeamGainNumber(name);
    if (k == 0) return CommitOutcome::Invalid;
    int own = 0;
    if (!ParseInteger(text, own)) return Refuse(link, "Error! '" + text + "' is not a valid Seam Gain Value.");
    if (own < 0 || own > 255) return Refuse(link, QStringLiteral("Error! Seam Position value out of bounds! (0 - 255)"));
    if (quiet) return CommitOutcome::Sent;
    // All eight gains of the channel go out together, read again from their edits.
    int gains[8] = {};
    for (int g = 0; g < 8; ++g) {
        if (!ParseInteger(values.Text(QStringLiteral("SeamGain%1Edit").arg(g + 1)), gains[g]) || gains[g] < 0 ||
            gains[g] > 255)
            return CommitOutcome::Invalid;
    }
    constexpr int kSeamParam = -4;  // what the seam page always sends
    return Delivered(commands.SendSeamGains(at.unit, at.index, kSeamParam, gains), link);
}

}  // namespace kalvora
