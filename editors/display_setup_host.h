#pragma once
// What the Display Setup page needs beyond its own controls: the link state, the Projector Setup
// page's group choices and the plan on the Planning page. The main window implements it; the
// page cannot be built without one.

#include <QString>

namespace kalvora {

class DisplaySetupHost {
public:
    virtual ~DisplaySetupHost() = default;

    virtual bool linkUp() const = 0;
    // The Projector Setup page's test pattern groups no longer show a choice.
    virtual void clearProjectorTestChoices() = 0;
    // The plan: the largest overlap width accepted, the planned overlap, the alignment
    // (-1: none).
    virtual int overlapWidthMax() const = 0;
    virtual double plannedOverlap() const = 0;
    virtual int alignment() const = 0;
    // The plan's drawings again, ending with the image positions.
    virtual void redrawPlan() = 0;
    // The plan's aspect ratio from the image width.
    virtual void updateAspectFromImage() = 0;
    // The overlap the plan shows, as the overlap width field holds it.
    virtual void showPlannedOverlap(const QString& text) = 0;
};

}  // namespace kalvora
