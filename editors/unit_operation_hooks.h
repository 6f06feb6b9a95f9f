#pragma once
// What the Source Setup and Seam Removal pages need of the main window beside the records,
// the flags and the command builders: the link state, the page change, the page control, the
// information window for long operations and the hourglass.

#include <QString>
#include <functional>

namespace kalvora {

struct UnitOperationHooks {
    std::function<bool()> linkEstablished = [] { return false; };
    // PhasePageControlChange: refills the current page and enables it by the link state.
    std::function<void()> phasePageControlChange = [] {};
    // Holds the main window's page control disabled (true) or lets it follow the link (false).
    std::function<void(bool)> holdPageControl = [](bool) {};
    // The information window: shown with what runs, told which unit is at work, hidden.
    std::function<void(const QString& text)> showProgress = [](const QString&) {};
    std::function<void(int unit, int units)> progressUnit = [](int, int) {};
    std::function<void()> hideProgress = [] {};
    // The hourglass, through the link so that nested waits leave it to the outermost caller.
    std::function<void(bool)> busyCursor = [](bool) {};
};

}  // namespace kalvora
