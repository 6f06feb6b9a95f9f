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

void TKalvoraForm::showOutputs()
{
    display_->FillDisplayPage();
    info_->refreshWallOverview();
}

void TKalvoraForm::showInputs() { source_->FillSourcePage(); }
void TKalvoraForm::showInputColours(int channel) { source_->FillSourceColour(channel); }
int TKalvoraForm::shownInputChannel() const { return source_->SelectedChannel(); }
void TKalvoraForm::showSeams() { seam_->FillSeamPage(); }

void TKalvoraForm::RefillFromRecords()
{
    FillingGuard filling(flags_);
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

void TKalvoraForm::wireSourceAndSeamPages()
{
    FillSourcePage = [this] { source_->FillSourcePage(); };
    FillSeamPage = [this] { seam_->FillSeamPage(); };
}

}  // namespace kalvora
