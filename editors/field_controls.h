#pragma once
// Which controls of the window show each value (field_key.h): the edit, check box or list, a
// numeric field's spin arrows, the control Enter moves to and the partner the field commits with.
// The names mirror the window's controls, so a control found in a trace or a screenshot leads
// here; nothing below the editors knows them.

#include <QString>
#include <QStringList>
#include <optional>

#include "settings/field_key.h"
#include "settings/numeric_field_table.h"

namespace kalvora {

struct FieldControls {
    QString name;     // the control that shows the value: an edit, a check box or a list
    QString spin;     // a numeric field's arrows
    QString next;     // a numeric field's next control on Enter
    QString partner;  // the control of the field's partner (PartnerKey): the other halo edit, the enable box
};

// The controls of the key; empty names for a key no control shows.
const FieldControls& ControlsOf(const FieldKey& key);
inline const QString& ControlName(const FieldKey& key) { return ControlsOf(key).name; }
// The key a control shows; nullopt for any other control.
std::optional<FieldKey> KeyOfControl(const QString& name);
// The numeric field whose edit has this name; nullptr when there is none.
const NumericField* NumericFieldOfEdit(const QString& editName);

// The channel selector of the Source Setup or Seam Removal page.
QString ChannelSelectorName(ChannelPage page);

// The ten halo and feathering controls of one edge of a screen on the Display Setup page: the
// page builds them and the projector-count visibility hides or shows them.
struct EdgeControls {
    QString enable, gammaLabel, gamma, gammaUpDown, widthLabel, width, widthUpDown, offsetLabel, offset,
        offsetUpDown;
    QStringList all() const
    {
        return {enable, gammaLabel, gamma, gammaUpDown, widthLabel, width, widthUpDown, offsetLabel, offset, offsetUpDown};
    }
};
// side 0 left, 1 right; screens 1 and 8 have one edge (1 right, 8 left).
EdgeControls EdgeControlsOf(int screen, int side);

}  // namespace kalvora
