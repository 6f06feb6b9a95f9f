#include "editors/display_setup_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "settings/flag_protocol.h"
#include "editors/field_controls.h"
#include "editors/display_setup_focus.h"
#include "editors/editor_visibility.h"
#include "editors/numeric_fields.h"
#include "editors/radio_group.h"
#include "editors/spin_arrows.h"
#include "link/commands.h"
#include "settings/number_format.h"
#include "planning/plan_state.h"
#include "platform/gui/named_widget.h"
#include "platform/operator.h"
#include "settings/records.h"

namespace kalvora {

const char* const kTestPatternItems[11] = {
    "Off",   "Alignment Position", "1 Pixel On / 1 Pixel Off", "2 Pixel On / 2 Pixel Off",
    "Horizontal Bars", "Black", "Grey - 25%", "Grey - 50%", "Grey - 75%", "White", "Horizontal Ramp",
};

namespace {

const QString kGammaNotValid = QStringLiteral("' is not a valid Edge Feathering Gamma value.");
const QString kOverlapNotValid = QStringLiteral("' is not a valid Overlap Width.");
const QString kOverlapBounds = QStringLiteral("Error! Overlap Width value out of bounds! ");

// Writes a control only when its value changes, so a refill does not repaint what stayed.
void SetText(QLineEdit* edit, const QString& text)
{
    if (!edit || edit->text() == text) return;
    edit->setText(text);
    // A long value (a gamma in 15 digits) shows its beginning, not its last digits.
    edit->setCursorPosition(0);
}

QLineEdit* EditOf(const QWidget* root, const QString& name) { return FindNamed<QLineEdit>(root, name); }

const NumericField* FieldAt(Field family, int n, int side) { return FindNumericField(EdgeKey(family, n, side)); }

}  // namespace

DisplaySetupPage::DisplaySetupPage(Settings& settings, MainFlags& flags, Operator& op, CommandSet& commands,
                                   NumericFields& fields, DisplaySetupHost& host, QWidget* parent)
    : QWidget(parent), settings_(settings), flags_(flags), op_(op), commands_(commands), fields_(fields), host_(host)
{
    setObjectName(QStringLiteral("DisplaySetupTabSheet"));
    build();
}

// ---- Layout ----------------------------------------------------------------------------------------

void DisplaySetupPage::FillTestPattern(int n)
{
    if (n < 1 || n > 8) return;
    FillingGuard filling(flags_);
    const UnitIndex at = WallToUnit(n);
    const OutputScreenRecord& r = settings_.output(at.unit, at.index);
    // A pattern the list does not have leaves it without a selection.
    const int index = r.TestPattern < patterns_[n]->count() ? r.TestPattern : -1;
    if (patterns_[n]->currentIndex() != index) patterns_[n]->setCurrentIndex(index);
    rasters_[n]->setChecked(r.OutputRaster != 0);
    grids_[n]->setChecked(r.TestGrid != 0);
}

void DisplaySetupPage::FillBlackLevel(int n)
{
    if (n < 1 || n > 8) return;
    FillingGuard filling(flags_);
    const UnitIndex at = WallToUnit(n);
    SetText(EditOf(this, ControlName(ScreenKey(Field::BlackLevel, n))), QString::number(settings_.output(at.unit, at.index).BlackLevel));
}

void DisplaySetupPage::FillHalo(int n)
{
    if (n < 1 || n > 8) return;
    FillingGuard filling(flags_);
    const UnitIndex at = WallToUnit(n);
    const OutputScreenRecord& r = settings_.output(at.unit, at.index);
    for (int side : {0, 1}) {
        if (const NumericField* w = FieldAt(Field::HaloWidth, n, side))
            SetText(EditOf(this, ControlName(w->key)), QString::number(side == 0 ? r.LeftHaloWidth : r.RightHaloWidth));
        if (const NumericField* o = FieldAt(Field::HaloOffset, n, side))
            SetText(EditOf(this, ControlName(o->key)), QString::number(side == 0 ? r.LeftHaloOffset : r.RightHaloOffset));
    }
}

void DisplaySetupPage::FillFeather(int n)
{
    if (n < 1 || n > 8) return;
    FillingGuard filling(flags_);
    const UnitIndex at = WallToUnit(n);
    const OutputScreenRecord& r = settings_.output(at.unit, at.index);
    for (int side : {0, 1}) {
        const NumericField* g = FieldAt(Field::EdgeGamma, n, side);
        if (!g) continue;
        // The unit keeps a single: it shows as that single reads (2.2), not as its binary
        // expansion in double digits.
        SetText(EditOf(this, ControlName(g->key)), FormatFloat(side == 0 ? r.LeftGamma : r.RightGamma));
        if (auto* box = FindNamed<QCheckBox>(this, ControlsOf(g->key).partner)) box->setChecked((side == 0 ? r.LeftFeather : r.RightFeather) != 0);
    }
}

void DisplaySetupPage::FillBasicFeather()
{
    FillingGuard filling(flags_);
    const OutputScreenRecord& p = settings_.output(1, 1);
    SetText(basicGamma_, FormatG3(static_cast<double>(p.BasicGamma)));
    basicEnable_->setChecked(p.BasicFeather != 0);
}

void DisplaySetupPage::FillOverlap()
{
    FillingGuard filling(flags_);
    const OutputScreenRecord& p = settings_.output(1, 1);
    SetText(overlapWidth_, QString::number(p.OverlapWidth));
    dataDouble_->setChecked(p.DataDoubling != 0);
}

void DisplaySetupPage::FillDisplayPage()
{
    FillingGuard filling(flags_);
    for (int n = 1; n <= 8; ++n) {
        FillTestPattern(n);
        FillBlackLevel(n);
        FillHalo(n);
        FillFeather(n);
    }
    advanced_->setChecked(settings_.output(1, 1).ControlMode != 0);
    ApplyAdvancedModeVisibility(this);
    FillBasicFeather();
    FillOverlap();
}

// ---- Test patterns ---------------------------------------------------------------------------------

void DisplaySetupPage::TestPatternChange(int n)
{
    if (n < 1 || n > 8) return;
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    {
        FillingGuard filling(flags_);  // the groups' own handlers send nothing
        host_.clearProjectorTestChoices();
    }
    // Before the first fill the list has no selection: that is "Off", never pattern -1.
    if (patterns_[n]->currentIndex() < 0) patterns_[n]->setCurrentIndex(0);
    if (!MaySend(flags_, host_.linkUp())) return;
    const UnitIndex at = WallToUnit(n);
    commands_.SendTestPattern(at.unit, at.index, patterns_[n]->currentIndex(), rasters_[n]->isChecked() ? 1 : 0,
                              grids_[n]->isChecked() ? 1 : 0);
}

// ---- Wall-wide feathering and data doubling --------------------------------------------------------

void DisplaySetupPage::sendToWall(const std::function<bool(int unit)>& send)
{
    if (!MaySend(flags_, host_.linkUp())) return;
    if (!send(1)) return;  // abandoned by the operator
    if (flags_.UnitCount > 1) send(2);
}

void DisplaySetupPage::AdvanceModeCheckBoxClick()
{
    // Set from the records: only the groups follow the box.
    if (flags_.FormFilling) {
        ApplyAdvancedModeVisibility(this);
        return;
    }
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    const int on = advanced_->isChecked() ? 1 : 0;
    sendToWall([&](int unit) { return commands_.SendControlMode(unit, on); });
    ApplyAdvancedModeVisibility(this);
}

void DisplaySetupPage::BasicEdgeFeatheringCheckBoxClick()
{
    if (flags_.FormFilling) return;
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    double gamma = 0;
    if (!ParseFieldInRange(FamilyRow(Field::EdgeGamma), basicGamma_->text(), gamma)) {
        // A gamma the field would refuse is not sent with the box either.
        BasicGammaEditExit();
        return;
    }
    const int16_t on = basicEnable_->isChecked() ? 1 : 0;
    sendToWall([&](int unit) { return commands_.SendBasicFeather(unit, on, static_cast<float>(gamma)); });
}

bool DisplaySetupPage::BasicGammaEditExit() { return fields_.RunCommit([this] { return basicGammaExit(); }); }

bool DisplaySetupPage::basicGammaExit()
{
    const QString text = basicGamma_->text();
    double gamma = 0;
    if (!ParseFieldValue(ValueType::Tenths, text, gamma)) {
        fields_.Refuse(basicGamma_, QStringLiteral("Error! '") + text + kGammaNotValid);
        return false;
    }
    const NumericFamilyRow& rule = FamilyRow(Field::EdgeGamma);  // the edge gammas' rule, shared
    if (gamma < rule.lo || gamma > rule.hi) {
        FillBasicFeather();
        fields_.Refuse(basicGamma_, QStringLiteral("Error! Value out of bounds! ") + basicGamma_->toolTip());
        return false;
    }
    const int16_t on = basicEnable_->isChecked() ? 1 : 0;
    sendToWall([&](int unit) { return commands_.SendBasicFeather(unit, on, static_cast<float>(gamma)); });
    return true;
}

void DisplaySetupPage::BasicGammaUpDownClick(int direction)
{
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    double v = 0;
    if (!ParseFieldValue(ValueType::Tenths, basicGamma_->text(), v)) {
        op_.showMessage(QStringLiteral("Error! '") + basicGamma_->text() + QStringLiteral("' is not a valid number."));
        return;
    }
    const NumericFamilyRow& rule = FamilyRow(Field::EdgeGamma);
    if (direction > 0 ? !(v >= rule.lo && v < rule.hi) : !(v > rule.lo && v <= rule.hi)) return;
    const double next = std::clamp(std::round((v + direction * rule.step) * 10) / 10, rule.lo, rule.hi);
    basicGamma_->setText(FormatFieldValue(rule.type, next));
    BasicGammaEditExit();
}

void DisplaySetupPage::EnDataDoubleCheckBoxClick()
{
    if (flags_.FormFilling) return;
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    const int on = dataDouble_->isChecked() ? 1 : 0;
    sendToWall([&](int unit) { return commands_.SendDataDoubling(unit, on); });
}

bool DisplaySetupPage::OWidthEditExit() { return fields_.RunCommit([this] { return overlapWidthExit(); }); }

bool DisplaySetupPage::overlapWidthExit()
{
    const QString text = overlapWidth_->text();
    int w = 0;
    if (!ParseInteger(text, w)) {
        fields_.Refuse(overlapWidth_, QStringLiteral("Error! '") + text + kOverlapNotValid);
        return false;
    }
    if (w < kMinOverlap || w > host_.overlapWidthMax()) {
        FillOverlap();
        fields_.Refuse(overlapWidth_, kOverlapBounds);
        return false;
    }
    const double planned = host_.plannedOverlap();
    if (w > planned && planned > 0) {
        overlapWidth_->setText(FormatG15(planned));
        op_.showMessage(QStringLiteral("Error! Overlap area cannot exceed ") + FormatG15(planned) +
                        QStringLiteral(". If more overlap is desired, increase the # of screens"));
        return true;
    }
    const int alignment = host_.alignment();
    if (planned > 0 && alignment >= 0)
        sendToWall([&](int unit) { return commands_.SendDisplayLayout(unit, alignment, w); });
    host_.redrawPlan();
    host_.updateAspectFromImage();
    host_.showPlannedOverlap(overlapWidth_->text());
    return true;
}

void DisplaySetupPage::OWidthUpDownClick(int direction)
{
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    int w = 0;
    if (!ParseInteger(overlapWidth_->text(), w)) {
        op_.showMessage(QStringLiteral("Error! '") + overlapWidth_->text() + QStringLiteral("' is not a valid number."));
        return;
    }
    const int max = host_.overlapWidthMax();
    if (direction > 0 ? !(w >= kMinOverlap && w < max) : !(w > kMinOverlap && w <= max)) return;
    overlapWidth_->setText(QString::number(w + (direction > 0 ? 1 : -1)));
    OWidthEditExit();
}

void DisplaySetupPage::OWidthEditKeyPress()
{
    const bool first = screens_->currentIndex() == 0;
    detail::MoveFocusOrCommit(EditOf(this, first ? QStringLiteral("Black1Edit") : QStringLiteral("Black5Edit")),
                      [this] { OWidthEditExit(); });
}

void DisplaySetupPage::FeatherRadioGroupClick()
{
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    const int mode = curve_->itemIndex() == 0 ? 0 : 1;
    sendToWall([&](int unit) { return commands_.SendFeatherCurve(unit, mode); });
}

// ---- Per-edge feathering ---------------------------------------------------------------------------

bool DisplaySetupPage::SendRightEdgeFeathering(int k) { return k >= 1 && k <= 7 ? sendEdge(k, 1) : true; }
bool DisplaySetupPage::SendLeftEdgeFeathering(int k) { return k >= 2 && k <= 8 ? sendEdge(k, 0) : true; }

bool DisplaySetupPage::sendEdge(int k, int side)
{
    if (!MaySend(flags_, host_.linkUp())) return true;
    const NumericField* g = FieldAt(Field::EdgeGamma, k, side);
    if (!g) return true;
    QLineEdit* edit = EditOf(this, ControlName(g->key));
    auto* box = FindNamed<QCheckBox>(this, ControlsOf(g->key).partner);
    double gamma = 0;
    // A gamma the field would refuse is never sent (the bulk send reads the fields as they are).
    if (!edit || !box || !ParseFieldInRange(FamilyRow(Field::EdgeGamma), edit->text(), gamma))
        return true;
    const UnitIndex at = WallToUnit(k);
    return commands_.SendEdgeFeather(at.unit, at.index, side, box->isChecked() ? 1 : 0, static_cast<float>(gamma));
}

}  // namespace kalvora
