#include "app/window_display_setup_host.h"

#include "app/main_window.h"
#include "editors/planning_page.h"
#include "editors/projector_setup_page.h"

namespace kalvora {

bool WindowDisplaySetupHost::linkUp() const { return form_.LinkEstablished(); }

void WindowDisplaySetupHost::clearProjectorTestChoices() { form_.projectorPage()->ClearSelections(); }

int WindowDisplaySetupHost::overlapWidthMax() const { return form_.planningPage()->overlapWidthMax(); }

double WindowDisplaySetupHost::plannedOverlap() const { return form_.planningPage()->plan().ProjOverlap; }

int WindowDisplaySetupHost::alignment() const { return form_.planningPage()->alignment(); }

void WindowDisplaySetupHost::redrawPlan() { form_.planningPage()->DrawProjectorLayout(); }

void WindowDisplaySetupHost::updateAspectFromImage() { form_.planningPage()->UpdateAspectFromImage(); }

void WindowDisplaySetupHost::showPlannedOverlap(const QString& text) { form_.planningPage()->setOverlapText(text); }

}  // namespace kalvora
