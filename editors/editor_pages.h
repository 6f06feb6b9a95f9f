#pragma once
// The four editor pages of the main window. For now they hold the controls that the planning
// page, the page-change rules and the screen selectors already act on; their editors arrive later.

class QWidget;

namespace kalvora {

QWidget* CreateProjectorSetupPage(QWidget* parent);   // ProjAlignTabSheet
QWidget* CreateSourceSetupPage(QWidget* parent);      // SourceSetupTabSheet
QWidget* CreateDisplaySetupPage(QWidget* parent);     // DisplaySetupTabSheet
QWidget* CreateSeamRemovalPage(QWidget* parent);      // SeamRemovalTabSheet

}  // namespace kalvora
