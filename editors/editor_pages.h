#pragma once
// The Source Setup and Seam Removal pages of the main window. For now they hold the controls that
// the planning page, the page-change rules and the screen selectors already act on; their editors
// arrive later. (The Display Setup and Projector Setup pages have files of their own.)

class QWidget;

namespace kalvora {

QWidget* CreateSourceSetupPage(QWidget* parent);      // SourceSetupTabSheet
QWidget* CreateSeamRemovalPage(QWidget* parent);      // SeamRemovalTabSheet

}  // namespace kalvora
