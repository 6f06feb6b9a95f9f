// The planning page brought in line with the wall the units hold, after a read or a file load.
#include "editors/planning_page.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "editors/drawing_views.h"
#include "settings/number_format.h"
#include "planning/overlap_limit.h"
#include "planning/plan_sync.h"
#include "platform/operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora {

int PlanningPage::overlapWidthMax() const { return OverlapWidthMax(settings_, plan_); }

void PlanningPage::SyncPlanningFromRecords(bool windowVisible)
{
    const OutputScreenRecord& p = settings_.output(1, 1);
    const int countBefore = workingCount();
    if (windowVisible) {
        const bool alignDiffers = alignment() != p.Alignment;
        const bool countDiffers = countCombo_->currentIndex() != p.TotalProjectors - 1;
        const QString tail = QStringLiteral(" information read from Tornel(s) does not match current values in the "
                                            "Planning page. \rPlanning page values will be overwritten");
        if (alignDiffers && countDiffers)
            op_.showMessage(QStringLiteral("Warning. Number of Projectors and Input Material Alignment") + tail);
        else if (alignDiffers)
            op_.showMessage(QStringLiteral("Warning. Input Material Alignment") + tail);
        else if (countDiffers)
            op_.showMessage(QStringLiteral("Warning. Number of Projectors") + tail);
    }
    // A record holding a value the lists do not have (never read, or a damaged file) leaves the
    // alignment as it is and shows the nearest projector count.
    if (p.Alignment == LeftJustified || p.Alignment == Centered) alignCombo_->setCurrentIndex(p.Alignment);
    selectProjectorCount(p.TotalProjectors);
    plan_.NumOfProjectors = p.TotalProjectors;
    hooks_.twoUnitCheck(workingCount(), storedCount());

    UnitPlan unit;
    unit.totalProjectors = p.TotalProjectors;
    unit.overlapWidth = p.OverlapWidth;
    unit.inputWidth = settings_.InputImageWidth();
    unit.inputHeight = settings_.InputImageHeight();
    unit.outputWidth = settings_.OutputWidth;
    unit.outputHeight = settings_.OutputHeight;
    PlanShow show;
    SyncPlanFromUnit(plan_, workingCount(), unit, show);
    applyShow(show);
    const int index = ResolutionIndexForWidth(plan_.ProjResH);
    if (index >= 0) resolutionCombo_->setCurrentIndex(index);

    // The other pages show the wall that was read: its screens, its edges, its channels.
    const int n = workingCount();
    hooks_.setFeatheringControlsVisible(n > 1);
    if (n != countBefore) hooks_.showEditorsFor(n);
    tornelLabel_->setText(n > 4 ? QStringLiteral("2") : QStringLiteral("1"));
    UpdateContentRequirement();
}

}  // namespace kalvora
