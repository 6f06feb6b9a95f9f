#pragma once
// Which per-screen editors the pages show for a wall of n projectors, and the wall-wide
// feathering controls that only make sense with an overlap.

class QWidget;

namespace kalvora {

// Shows the groups of screens 1..n, the right-edge controls of screens 2..n-1, lists "1".."n"
// in both screen selectors with the first selected, and the "Screen 5-8 Controls" tab when
// n >= 5. root is the window (or any widget holding the pages).
void ShowEditorsFor(QWidget* root, int n);

// DataDoubleGroupBox, EdgeFeatherBasicGroupBox and AdvanceModeCheckBox.
void SetFeatheringControlsVisible(QWidget* root, bool visible);

// The advanced-mode visibility: per-screen advanced groups when advanced, the basic group when not.
void ApplyAdvancedModeVisibility(QWidget* root);

// After the first successful calculation of the plan.
void EnableAfterCalculate(QWidget* root);

}  // namespace kalvora
