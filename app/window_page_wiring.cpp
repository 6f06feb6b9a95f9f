// The main window's pages wired to the records, the commands and each other.
#include "app/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <cstdio>
#include <cstdlib>
#include <QStatusBar>
#include <QTabWidget>

#include "settings/flag_protocol.h"
#include "app/info_page.h"
#include "app/com_port_menu.h"
#include "app/menu_tree.h"
#include "app/secondary_windows.h"
#include "app/terminal_view.h"
#include "app/traffic_window.h"
#include "editors/display_setup_page.h"
#include "editors/editor_visibility.h"
#include "editors/numeric_fields.h"
#include "editors/projector_setup_page.h"
#include "editors/radio_group.h"
#include "editors/seam_removal_page.h"
#include "editors/source_setup_page.h"
#include "link/queries.h"
#include "editors/planning_page.h"
#include "platform/gui/named_widget.h"

namespace kalvora {

void TKalvoraForm::wirePlanningPage()
{
    PlanningHooks& h = planning_->hooks();
    h.linkEstablished = [this] { return LinkEstablished(); };
    h.linkBusy = [this] { return !session_.link().MayStart(); };
    h.controllerMode = [this] { return session_.link().throughController(); };
    h.queryUnitCount = [this] { return QueryUnitCount(session_.link()); };
    h.queryUnit = [this](int unit) { return QueryUnit(session_.link(), session_.settings(), unit); };
    h.twoUnitCheck = [this](int, int) { return session_.linkController().checkTwoUnits(); };
    h.sendProjectorCount = [this](int unit, int count) { return session_.commands().SendProjectorCount(unit, count); };
    h.sendDisplayLayout = [this](int unit, int alignment, int width) {
        return session_.commands().SendDisplayLayout(unit, alignment, width);
    };
    auto* overlap = FindNamed<QLineEdit>(this, QStringLiteral("OWidthEdit"));
    h.overlapWidthText = [overlap] { return overlap->text(); };
    h.setOverlapWidthText = [overlap](const QString& text) { overlap->setText(text); };
    h.setImagePositions = [this](const std::array<QString, 8>& start, const std::array<QString, 8>& end) {
        for (int k = 0; k < 8; ++k) info_->setImagePosition(k + 1, start[k], end[k]);
    };
    h.showEditorsFor = [this](int n) { ShowEditorsFor(this, n); };
    h.setFeatheringControlsVisible = [this](bool visible) { SetFeatheringControlsVisible(this, visible); };
    h.runAdvancedModeHandler = [this] { display_->AdvanceModeCheckBoxClick(); };
    h.enableAfterCalculate = [this] { EnableAfterCalculate(this); };
}

void TKalvoraForm::wireEditorPages()
{
    const auto selected = [this](const char* selector) {
        auto* group = FindNamed<RadioGroup>(this, QString::fromLatin1(selector));
        return group && group->itemIndex() >= 0 ? group->itemIndex() + 1 : 1;
    };
    NumericFieldHooks& f = fields_->hooks();
    f.linkEstablished = [this] { return LinkEstablished(); };
    f.selectedSourceChannel = [selected] { return selected("SourceScreenSelectRadioGroup"); };
    f.selectedSeamChannel = [selected] { return selected("SeamScreenSelectRadioGroup"); };
    f.fillBlackLevel = [this](int n) { display_->FillBlackLevel(n); };
    f.fillSourcePage = [this] { FillSourcePage(); };
    f.fillSeamPage = [this] { FillSeamPage(); };
    f.sendEdgeFeathering = [this](int screen, int side) {
        return side == 0 ? display_->SendLeftEdgeFeathering(screen) : display_->SendRightEdgeFeathering(screen);
    };

    DisplaySetupHooks& d = display_->hooks();
    d.linkEstablished = [this] { return LinkEstablished(); };
    d.clearProjectorTests = [this] { projector_->ClearSelections(); };
    d.overlapWidthMax = [this] { return planning_->overlapWidthMax(); };
    d.projOverlap = [this] { return planning_->plan().ProjOverlap; };
    d.alignment = [this] { return planning_->alignment(); };
    d.drawProjectorLayout = [this] { planning_->DrawProjectorLayout(); };
    d.updateAspectFromImage = [this] { planning_->UpdateAspectFromImage(); };
    d.setOverlapText = [this](const QString& text) { planning_->setOverlapText(text); };

    projector_->FillTestPattern = [this](int n) { display_->FillTestPattern(n); };
    session_.commands().FillDisplayPage = [this] {
        display_->FillDisplayPage();
        info_->refreshWallOverview();
    };
}

void TKalvoraForm::RefillFromRecords()
{
    FillingGuard filling(session_.flags());
    // A test pattern chosen for a group of screens no longer says what the units show.
    projector_->ClearSelections();
    info_->ScreenInfoComboBoxChange();
    planning_->SyncPlanningFromRecords(isVisible());
    FillSourcePage();
    display_->FillDisplayPage();
    FillSeamPage();
    display_->OWidthEditExit();
    PhasePageControlChange();
    info_->refreshWallOverview();  // after the planning sync: the planned count may have changed
}

void TKalvoraForm::fillSourcePage() { source_->FillSourcePage(); }

void TKalvoraForm::fillSeamPage() { seam_->FillSeamPage(); }

WindowValueHooks TKalvoraForm::valueHooks()
{
    WindowValueHooks hooks;
    hooks.fillSourcePage = [this] { FillSourcePage(); };
    hooks.fillSeamPage = [this] { FillSeamPage(); };
    hooks.fillDisplayPage = [this] { display_->FillDisplayPage(); };
    hooks.commitField = [this](const QString& name) { return fields_->Commit(name); };
    hooks.overlapWidthMax = [this] { return planning_->overlapWidthMax(); };
    return hooks;
}

void TKalvoraForm::wireSourceAndSeamPages()
{
    session_.commands().FillSourcePage = [this] { source_->FillSourcePage(); };
    session_.commands().FillSourceColour = [this](int n) { source_->FillSourceColour(n); };
    session_.commands().FillSeamPage = [this] { seam_->FillSeamPage(); };
    session_.commands().SelectedSourceChannel = [this] { return source_->SelectedChannel(); };
    for (UnitOperationHooks* h : {&source_->hooks(), &seam_->hooks()}) {
        h->linkEstablished = [this] { return LinkEstablished(); };
        h->phasePageControlChange = [this] { PhasePageControlChange(); };
        h->holdPageControl = [this](bool held) {
            pageControlHeld_ = held;
            updatePageControlEnabling();
        };
        h->showProgress = [this](const QString& text) {
            if (!infoForm_) return;
            infoForm_->showInfo(text);
            // The window is painted before the long operation takes the thread into its waits.
            QCoreApplication::processEvents();
            infoForm_->repaint();
            QCoreApplication::processEvents();
        };
        h->progressUnit = [this](int unit, int units) {
            if (infoForm_) infoForm_->setUnit(unit, units);
        };
        h->hideProgress = [this] {
            if (infoForm_) infoForm_->hideInfo();
        };
        h->busyCursor = [this](bool busy) { session_.link().SetCursorBusy(busy); };
    }
}

}  // namespace kalvora
