#pragma once
// Everything the Planning page needs from outside itself: the link, the other pages' controls
// and the main window. The main window fills these in; every member has a harmless default so
// the page also works alone (tests, screenshots).

#include <QString>
#include <array>
#include <functional>

namespace kalvora {

struct PlanningHooks {
    // ---- link state and queries ----
    std::function<bool()> linkEstablished = [] { return false; };
    // Another operation on the units is waiting or pausing: nothing that talks to them starts.
    std::function<bool()> linkBusy = [] { return false; };
    // The units are reached through the controller.
    std::function<bool()> controllerMode = [] { return false; };
    // NTN: how many units the controller sees.
    std::function<int()> queryUnitCount = [] { return 0; };
    // Status read of unit u (1 or 2); also sets OutputWidth/OutputHeight and the status-read flag.
    std::function<bool(int unit)> queryUnit = [](int) { return false; };
    // The two-unit check for the working count n and the stored count NumOfProjectors;
    // false refuses the count change.
    std::function<bool(int workingCount, int storedCount)> twoUnitCheck = [](int, int) { return true; };

    // ---- commands (each builder stores its values in OutputRecords[unit][1], then sends) ----
    // Each returns false when the operator abandoned the command: the sequence stops there.
    // PRJ: the whole wall's projector count to one unit.
    std::function<bool(int unit, int count)> sendProjectorCount = [](int, int) { return true; };
    // DISP: the alignment index (0 left, 1 centred) and the overlap width to one unit.
    std::function<bool(int unit, int alignment, int overlapWidth)> sendDisplayLayout = [](int, int, int) {
        return true;
    };

    // ---- controls on other pages ----
    // OWidthEdit (Display Setup page): read and write its text. Until these are replaced the
    // page keeps the text itself (starting at "64"), so it also works alone.
    std::function<QString()> overlapWidthText;
    std::function<void(const QString&)> setOverlapWidthText;
    // Information page, "Image Position Offset": texts of Screen1HLabel..Screen8HLabel (start)
    // and Screen1VLabel..Screen8VLabel (end); "N/A" beyond the working count.
    std::function<void(const std::array<QString, 8>& start, const std::array<QString, 8>& end)>
        setImagePositions = [](const std::array<QString, 8>&, const std::array<QString, 8>&) {};
    // Editor visibility for n on the Display Setup, Source Setup and Seam Removal pages
    // (screen group boxes, right-edge controls of screens 2..n-1, the two screen radio groups
    // listing "1".."n" with item 0 selected, the "Screen 5-8 Controls" tab when n >= 5).
    std::function<void(int n)> showEditorsFor = [](int) {};
    // DataDoubleGroupBox, EdgeFeatherBasicGroupBox and AdvanceModeCheckBox visible (n > 1).
    std::function<void(bool visible)> setFeatheringControlsVisible = [](bool) {};
    // The advanced-mode handler (AdvanceModeCheckBoxClick); the page runs it from ResetPlan
    // with FormFilling set.
    std::function<void()> runAdvancedModeHandler = [] {};
    // After the first successful calculation: enable ScreenPageControl, make ResetButton
    // visible, enable BasicEdgeFeatheringCheckBox and BasicGammaEdit.
    std::function<void()> enableAfterCalculate = [] {};
};

}  // namespace kalvora
