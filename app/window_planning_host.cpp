#include "app/window_planning_host.h"

#include <QLineEdit>

#include "app/info_page.h"
#include "app/main_window.h"
#include "editors/display_setup_page.h"
#include "editors/editor_visibility.h"
#include "link/queries.h"
#include "platform/gui/named_widget.h"

namespace kalvora {

bool WindowPlanningHost::linkUp() const { return form_.LinkEstablished(); }

bool WindowPlanningHost::unitsBusy() const { return !form_.link().MayStart(); }

bool WindowPlanningHost::throughController() const { return form_.link().throughController(); }

int WindowPlanningHost::unitsSeen() { return QueryUnitCount(form_.link()); }

bool WindowPlanningHost::readUnitStatus(int unit) { return QueryUnit(form_.link(), form_.settings(), unit); }

bool WindowPlanningHost::checkTwoUnits(int, int) { return form_.linkController().checkTwoUnits(); }

bool WindowPlanningHost::sendProjectorCount(int unit, int count)
{
    return form_.commands().SendProjectorCount(unit, count);
}

bool WindowPlanningHost::sendDisplayLayout(int unit, int alignment, int overlapWidth)
{
    return form_.commands().SendDisplayLayout(unit, alignment, overlapWidth);
}

QLineEdit* WindowPlanningHost::overlapWidthEdit() const
{
    if (!overlapWidth_) overlapWidth_ = FindNamed<QLineEdit>(&form_, QStringLiteral("OWidthEdit"));
    return overlapWidth_;
}

QString WindowPlanningHost::overlapWidthText() const { return overlapWidthEdit()->text(); }

void WindowPlanningHost::showOverlapWidth(const QString& text) { overlapWidthEdit()->setText(text); }

void WindowPlanningHost::showImagePositions(const std::array<QString, 8>& start, const std::array<QString, 8>& end)
{
    for (int k = 0; k < 8; ++k) form_.infoPage()->setImagePosition(k + 1, start[k], end[k]);
}

void WindowPlanningHost::showEditorsFor(int screens) { ShowEditorsFor(&form_, screens); }

void WindowPlanningHost::showFeatheringControls(bool visible) { SetFeatheringControlsVisible(&form_, visible); }

void WindowPlanningHost::reapplyFeatheringMode() { form_.displayPage()->AdvanceModeCheckBoxClick(); }

void WindowPlanningHost::enableWallEditing() { EnableAfterCalculate(&form_); }

}  // namespace kalvora
