#pragma once
// The Projector Setup and Display Setup pages of the main window. For now they hold the controls
// that the planning page, the page-change rules and the screen selectors already act on. The
// Source Setup and Seam Removal pages have files of their own.

class QWidget;

namespace kalvora {

QWidget* CreateProjectorSetupPage(QWidget* parent);   // ProjAlignTabSheet
QWidget* CreateDisplaySetupPage(QWidget* parent);     // DisplaySetupTabSheet

}  // namespace kalvora
