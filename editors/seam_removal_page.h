#pragma once
// The "Seam Removal" page: the eight seam gains of one channel around its seam, seam bridging
// of one or all channels, the reset of a channel's gains to 128 and the units' automatic seam
// gain adjustment. The gain fields are edited by the one numeric field mechanism; a commit of
// any of them sends all eight (MANSEAM).

#include <QWidget>
#include <memory>

#include "editors/unit_operation_host.h"

class QCheckBox;

namespace kalvora {

class CommandSet;
class NumericFields;
class Operator;
class RadioGroup;
struct MainFlags;
struct Settings;

inline const QString kTitleResetSeamGain = QStringLiteral("Kalvora - Reset Seam Gain Verification");
inline const QString kAskResetSeamGain = QStringLiteral(
    "Resetting Seam Gains will reset all seam gain values back to 128 for the current channel. Are you sure you "
    "want to reset the Seam Gains?");
inline const QString kInfoAutoSeam = QStringLiteral("Auto Seam Gain in progress. Please wait....");
inline const QString kInfoSeamBridgeAll = QStringLiteral("Seam Bridge (All Channels) in progress. Please wait....");
inline const QString kSeamSeparator =
    QStringLiteral("-----------------------------------   Seam   --------------------------------");

class SeamRemovalPage : public QWidget {
    Q_OBJECT
public:
    SeamRemovalPage(Settings& settings, MainFlags& flags, Operator& op, CommandSet& commands, UnitOperationHost& host,
                    QWidget* parent = nullptr);
    ~SeamRemovalPage() override;

    // The commits and steps of the eight gain fields.
    NumericFields& fields() { return *fields_; }

    // The selected channel 1..8 (1 when nothing is selected).
    int SelectedChannel() const;
    // The eight gains and the single-channel bridge box of the selected channel from its record.
    void FillSeamPage();

    void SeamScreenSelectRadioGroupClick();
    void SeamBridgeSingleConfigCheckBoxClick();
    void SeamBridgeAllConfigCheckBoxClick();
    void SeamAutoSingleConfigButtonClick();
    void SeamAutoAllConfigButtonClick();
    void ResetSeamGainButtonClick();

private:
    void build();

    Settings& settings_;
    MainFlags& flags_;
    Operator& op_;
    CommandSet& commands_;
    UnitOperationHost& host_;
    struct FieldHost;  // what the page's gain fields ask of it
    std::unique_ptr<FieldHost> fieldHost_;
    NumericFields* fields_ = nullptr;
    RadioGroup* selector_ = nullptr;
    QCheckBox* bridgeSingle_ = nullptr;
    QCheckBox* bridgeAll_ = nullptr;
};

}  // namespace kalvora
