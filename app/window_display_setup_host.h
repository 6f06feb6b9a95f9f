#pragma once
// The Display Setup page's host in the main window: the link state, the Projector Setup page and
// the plan on the Planning page.

#include "editors/display_setup_host.h"

namespace kalvora {

class TKalvoraForm;

class WindowDisplaySetupHost final : public DisplaySetupHost {
public:
    explicit WindowDisplaySetupHost(TKalvoraForm& form) : form_(form) {}

    bool linkUp() const override;
    void clearProjectorTestChoices() override;
    int overlapWidthMax() const override;
    double plannedOverlap() const override;
    int alignment() const override;
    void redrawPlan() override;
    void updateAspectFromImage() override;
    void showPlannedOverlap(const QString& text) override;

private:
    TKalvoraForm& form_;
};

}  // namespace kalvora
