#pragma once
// The Display Setup page (DisplaySetupTabSheet): per output screen 1..8 a test pattern with its
// grid and raster box, the black level, halo removal and advanced edge feathering of each edge;
// beside them the wall-wide data doubling, overlap width, basic/advanced feathering mode and
// feather curve, and the page's help texts.
//
// The numeric fields of the screens (black level, halo, gamma) are driven by the numeric field
// mechanism; the wall-wide gamma and overlap width have rules of their own, here. The fills copy
// the records into the controls; they never send (callers set FormFilling around them, and the
// restores after a refused entry set it too).

#include <QWidget>
#include <functional>

#include "editors/display_setup_host.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;

namespace kalvora {

class CommandSet;
class NumericFields;
class Operator;
class RadioGroup;
class SpinArrows;
struct MainFlags;
struct Settings;

// The items of every TestPattern<n>ComboBox; the index is the pattern number the units use.
extern const char* const kTestPatternItems[11];

class DisplaySetupPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kOverlapRepeatMs = 1000;
    static constexpr int kBasicGammaRepeatMs = 105;

    DisplaySetupPage(Settings& settings, MainFlags& flags, Operator& op, CommandSet& commands, NumericFields& fields,
                     DisplaySetupHost& host, QWidget* parent = nullptr);

    // ---- fills from the records ----
    void FillTestPattern(int n);
    void FillBlackLevel(int n);
    void FillHalo(int n);
    void FillFeather(int n);
    void FillBasicFeather();
    void FillOverlap();
    void FillDisplayPage();

    // ---- handlers ----
    void TestPatternChange(int n);
    void AdvanceModeCheckBoxClick();
    void BasicEdgeFeatheringCheckBoxClick();
    bool BasicGammaEditExit();
    void BasicGammaUpDownClick(int direction);
    void EnDataDoubleCheckBoxClick();
    bool OWidthEditExit();
    void OWidthUpDownClick(int direction);
    void OWidthEditKeyPress();
    void FeatherRadioGroupClick();

    // EFTA for one edge from its gamma field and enable box, to that screen's unit only
    // (right edge: screens 1..7; left edge: screens 2..8; any other screen does nothing).
    // False when the operator abandoned the command.
    bool SendRightEdgeFeathering(int k);
    bool SendLeftEdgeFeathering(int k);

private:
    void build();
    QWidget* buildScreenBox(QWidget* parent, int n);
    QWidget* buildWallControls(QWidget* parent);
    QWidget* buildHelp(QWidget* parent);
    bool sendEdge(int k, int side);
    // A wall-wide command: to unit 1, then unit 2 when two units are in use; nothing at all
    // while filling or without a link.
    void sendToWall(const std::function<bool(int unit)>& send);
    bool basicGammaExit();
    bool overlapWidthExit();

    Settings& settings_;
    MainFlags& flags_;
    Operator& op_;
    CommandSet& commands_;
    NumericFields& fields_;
    DisplaySetupHost& host_;

    QTabWidget* screens_ = nullptr;
    QComboBox* patterns_[9] = {};
    QCheckBox* grids_[9] = {};
    QCheckBox* rasters_[9] = {};
    QCheckBox* advanced_ = nullptr;
    QCheckBox* basicEnable_ = nullptr;
    QLineEdit* basicGamma_ = nullptr;
    QCheckBox* dataDouble_ = nullptr;
    QLineEdit* overlapWidth_ = nullptr;
    RadioGroup* curve_ = nullptr;
};

}  // namespace kalvora
