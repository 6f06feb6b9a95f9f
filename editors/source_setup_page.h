#pragma once
// The "Source Setup" page: one input channel at a time, its video status, sampling position and
// phase, and colour balance; saving and resetting a channel's input configuration in its unit,
// and the units' automatic colour balance (and the hidden automatic position and phase).
// The numeric fields are edited by the one numeric field mechanism; this page fills them from
// the records and keeps the accepted position window of the selected channel.

#include <QWidget>
#include <memory>

#include "editors/unit_operation_host.h"
#include "operations/position_window.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QGroupBox;

namespace kalvora {

class CommandSet;
class NumericFields;
class Operator;
class RadioGroup;
struct MainFlags;
struct Settings;

inline const QString kTitleInputConfigReset = QStringLiteral("Kalvora - Input Config Reset Verification");
inline const QString kAskInputConfigReset = QStringLiteral(
    "Resetting Input Configuration will reset input settings for the current channel to default values. Are you "
    "sure you want to reset the Input Configuration?");
inline const QString kTitleConfirmColorBalance = QStringLiteral("Kalvora - Confirm Auto Color Balance");
inline const QString kAskColorBalance = QStringLiteral(
    "Automatic Color Balance takes several minutes to complete. Are you sure you want to run Automatic Color "
    "Balance? Click OK to continue.");
inline const QString kAskColorBalancePattern = QStringLiteral(
    "IMPORTANT: Verify that Horizontal Bars 1 test pattern is selected on Pannex(Horizontal Ramp on Controller) "
    "before running. Click OK to start Automatic RGB Color Adjustment.");
inline const QString kTitleConfirmAutoPosition = QStringLiteral("Kalvora - Confirm Auto Input Position");
inline const QString kAskAutoPosition = QStringLiteral(
    "IMPORTANT: Verify that Horizontal Bars 1 test pattern is selected on Pannex(Horizontal Ramp on Controller) and "
    "Raster Box is enabled before running. Click OK to start Automatic Input Position Adjustment.");
inline const QString kTitleConfirmAutoPhase = QStringLiteral("Kalvora - Confirm Auto Phase Calibration");
inline const QString kAskAutoPhase = QStringLiteral(
    "IMPORTANT: Verify that Horizontal Bars 1 test pattern is selected on Pannex(Horizontal Ramp on Controller) and "
    "Raster Box is enabled before running. Click OK to start Automatic Phase Calibration.");
inline const QString kInfoColorBalance = QStringLiteral("Auto Color Balance in progress. Please wait....");
inline const QString kInfoAutoPosition = QStringLiteral("Auto Position in progress. Please wait....");
inline const QString kInfoAutoPhase = QStringLiteral("Auto Phase Calibration in progress. Please wait....");

class SourceSetupPage : public QWidget {
    Q_OBJECT
public:
    SourceSetupPage(Settings& settings, MainFlags& flags, Operator& op, CommandSet& commands, UnitOperationHost& host,
                    QWidget* parent = nullptr);
    ~SourceSetupPage() override;

    // The commits and steps of the page's numeric fields.
    NumericFields& fields() { return *fields_; }

    // The selected channel 1..8 (1 when nothing is selected).
    int SelectedChannel() const;
    // The accepted position window of the selected channel, as the last fill set it.
    const PositionWindow& positionWindow() const { return window_; }

    // Fills every control of the page for the selected channel from its record and sets the
    // position window.
    void FillSourcePage();
    // The eight colour fields and the colour controls' enabling for wall channel n.
    void FillSourceColour(int n);

    // The page's operations (also run by clicks).
    void SourceScreenSelectRadioGroupClick();
    void SaveConfigButtonClick();
    void AutoConfigButtonClick();  // "Reset Config"
    void SaveAllConfigButtonClick();
    void AutoColorBalanceButtonClick();
    void AutoPositionButtonClick();
    void AutoPhaseButtonClick();

private:
    void build();
    void attachFields();
    void runOnAllUnits(const QString& title, const QString& question, const QString& info, bool holdPages,
                       bool (CommandSet::*run)(int unit), bool secondQuestion);

    Settings& settings_;
    MainFlags& flags_;
    Operator& op_;
    CommandSet& commands_;
    UnitOperationHost& host_;
    PositionWindow window_;
    struct FieldHost;  // what the page's numeric fields ask of it
    std::unique_ptr<FieldHost> fieldHost_;
    NumericFields* fields_ = nullptr;

    RadioGroup* selector_ = nullptr;
    QLabel* loaded_ = nullptr;
    QLabel* locked_ = nullptr;
};

}  // namespace kalvora
