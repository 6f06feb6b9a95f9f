#pragma once
// The accepted sampling-window position of one input channel, from the nominal positions and
// limits the unit reports for it. The source page's H and V position fields accept only values
// inside it.

#include <QString>
#include <cstdint>

#include "settings/records.h"

namespace kalvora {

struct PositionWindow {
    int32_t HPositionMin = 0;
    int32_t HPositionMax = 0;
    int32_t VPositionMin = 0;
    int32_t VPositionMax = 0;

    // A unit that reports a limit below its own nominal range (a short input reply, or garbage
    // in a file) leaves no horizontal position that can be accepted.
    bool HEmpty() const { return HPositionMin > HPositionMax; }
    bool HContains(int64_t v) const { return v >= HPositionMin && v <= HPositionMax; }
    bool VContains(int64_t v) const { return v >= VPositionMin && v <= VPositionMax; }
    bool operator==(const PositionWindow&) const = default;
};

// Nominal ± 128 horizontally, nominal ± 16 vertically, each maximum kept below the unit's
// limit. A horizontal limit of −1 stands for HTotal − HActive − 2; a vertical limit of −1
// means none. Computed without overflow whatever the record holds (values saturate).
PositionWindow PositionWindowOf(const InputChannelRecord& r);

// The H position's out-of-bounds message: "Error! H Position value out of bounds! (min - max)",
// or, for an empty window, a message that says so and that the position stays as read.
QString HPositionOutOfBoundsMessage(const PositionWindow& w);
inline const QString kMsgVPositionOutOfBounds = QStringLiteral("Error! V Position value out of bounds! ");

}  // namespace kalvora
