#pragma once
// What the Source Setup and Seam Removal pages need of the main window beside the records, the
// flags and the commands: the link state, the pages' enabling, the note shown during long
// operations on the units and the hourglass. The main window implements it; the pages cannot be
// built without one.

#include <QString>

namespace kalvora {

class UnitOperationHost {
public:
    virtual ~UnitOperationHost() = default;

    virtual bool linkUp() const = 0;
    // The current page refilled and enabled by the link state, as a page change does.
    virtual void refreshCurrentPage() = 0;
    // Holds every page disabled (true) or lets them follow the link again (false).
    virtual void holdPages(bool held) = 0;
    // The note during a long operation: shown with what runs, told which unit is at work, hidden.
    virtual void showProgress(const QString& text) = 0;
    virtual void showProgressUnit(int unit, int units) = 0;
    virtual void hideProgress() = 0;
    // The hourglass, through the link so that nested waits leave it to the outermost caller.
    virtual void setBusy(bool busy) = 0;
};

}  // namespace kalvora
