#pragma once
// What the Planning page needs beyond its own controls: the units it reads and sends to, and the
// other pages that show the plan. The main window implements it; the page cannot be built
// without one.

#include <QString>
#include <array>

namespace kalvora {

class PlanningHost {
public:
    virtual ~PlanningHost() = default;

    // ---- the units ----
    virtual bool linkUp() const = 0;
    // Another operation on the units is waiting or pausing: nothing that talks to them starts.
    virtual bool unitsBusy() const = 0;
    // The units are reached through the controller.
    virtual bool throughController() const = 0;
    // How many units the controller sees (NTN).
    virtual int unitsSeen() = 0;
    // Status read of unit u (1 or 2); also sets OutputWidth/OutputHeight and the status-read flag.
    virtual bool readUnitStatus(int unit) = 0;
    // The two-unit check for the working count and the stored count; false refuses the count change.
    virtual bool checkTwoUnits(int workingCount, int storedCount) = 0;

    // Each command stores its values in unit u's first output record, then sends; false when the
    // operator abandoned it: the sequence stops there.
    // PRJ: the whole wall's projector count to one unit.
    virtual bool sendProjectorCount(int unit, int count) = 0;
    // DISP: the alignment (0 left, 1 centred) and the overlap width to one unit.
    virtual bool sendDisplayLayout(int unit, int alignment, int overlapWidth) = 0;

    // ---- the plan on the other pages ----
    // The wall's overlap width as the Display Setup page holds it (its text, as typed).
    virtual QString overlapWidthText() const = 0;
    virtual void showOverlapWidth(const QString& text) = 0;
    // The Information page's image position offsets of screens 1..8: start and end ("N/A"
    // beyond the working count).
    virtual void showImagePositions(const std::array<QString, 8>& start, const std::array<QString, 8>& end) = 0;
    // The editors of n screens on the Display Setup, Source Setup and Seam Removal pages: the
    // screens' boxes, the inner edges of screens 2..n-1, the screen choices "1".."n" with the
    // first chosen, the second group of screens when n >= 5.
    virtual void showEditorsFor(int screens) = 0;
    // The data doubling and edge feathering controls (a wall of more than one screen).
    virtual void showFeatheringControls(bool visible) = 0;
    // The feathering mode (basic or advanced) applied again to the Display Setup page; the page
    // runs it from ResetPlan with FormFilling set.
    virtual void reapplyFeatheringMode() = 0;
    // After the first successful calculation: the editor pages, the reset of the units and the
    // basic edge feathering become available.
    virtual void enableWallEditing() = 0;
};

}  // namespace kalvora
