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
#include "settings/edge_control_names.h"
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
const QString kGammaHint = QStringLiteral("(1.0 - 5.0)");
const QString kOverlapNotValid = QStringLiteral("' is not a valid Overlap Width.");
const QString kOverlapBounds = QStringLiteral("Error! Overlap Width value out of bounds! ");

const char* const kHelpTexts[] = {
    "OUTPUT RASTER BOX:  Displays a 1- pixel outline of the of active display. ",
    "TEST GRID:  Provides a Grid of 1-pixel lines. Grid is displayed in combination with selected Test Pattern or "
    "Live video and Raster Box, if enabled.  ",
    "BLACK LEVEL: Adjusts  brightness of non-overlapped image area to \ncompensate for excess light in overlapped "
    "image area due to light leakage from the two overlapping projectors.",
    "HALO REMOVAL:  Adjusts brightness of Halo, or \"Sea-of-Mirrors\" sideband, \nto compensate for band of  "
    "brightness caused by excess light projected by \nadjacent projector beyond the limits of the overlapped image "
    "area.",
};
// The wall-wide controls' help (Label100, Label102, Label104).
const std::pair<const char*, const char*> kWallHelpTexts[] = {
    {"Label100",
     "DATA DOUBLING OVERLAP WIDTH:  Adjusts the width of the projector overlap area. The Overlap Width is used to "
     "control the amount of data doubling required and the width of the associated edge feathering."},
    {"Label102",
     "EDGE FEATHERING BASIC MODE: In this mode, all Edge Feathered regions are enabled and set to a single common "
     "Gamma value as a group."},
    {"Label104",
     "EDGE FEATHERING ADVANCED MODE:  Selecting this mode allows the user to independently enable and set Edge "
     "Feathering Gamma for each edge of each screen. "},
};

// Writes a control only when its value changes, so a refill does not repaint what stayed.
void SetText(QLineEdit* edit, const QString& text)
{
    if (!edit || edit->text() == text) return;
    edit->setText(text);
    // A long value (a gamma in 15 digits) shows its beginning, not its last digits.
    edit->setCursorPosition(0);
}

QLineEdit* EditOf(const QWidget* root, const QString& name) { return FindNamed<QLineEdit>(root, name); }

const NumericField* FieldAt(FieldFamily family, int n, int side)
{
    for (const NumericField* f : FieldsOf(family))
        if (f->number == n && f->side == side) return f;
    return nullptr;
}

// Moves the focus to target, or, when it cannot take it, commits where the focus is.
void MoveFocusOrCommit(QWidget* target, const std::function<void()>& commitHere)
{
    if (target && target->isVisible() && target->isEnabled())
        target->setFocus(Qt::TabFocusReason);
    else
        commitHere();
}

}  // namespace

DisplaySetupPage::DisplaySetupPage(Settings& settings, MainFlags& flags, Operator& op, CommandSet& commands,
                                   NumericFields& fields, QWidget* parent)
    : QWidget(parent), settings_(settings), flags_(flags), op_(op), commands_(commands), fields_(fields)
{
    setObjectName(QStringLiteral("DisplaySetupTabSheet"));
    QFont compact = font();
    compact.setPixelSize(11);
    setFont(compact);
    build();
}

// ---- Layout ----------------------------------------------------------------------------------------

void DisplaySetupPage::build()
{
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(2, 2, 2, 2);
    h->setSpacing(4);

    screens_ = MakeNamed<QTabWidget>(this, QStringLiteral("ScreenPageControl"));
    // The two tabs are drawn as buttons.
    screens_->setDocumentMode(true);
    screens_->tabBar()->setDrawBase(false);
    screens_->setStyleSheet(QStringLiteral(
        "QTabBar::tab { border: 1px solid palette(dark); border-radius: 3px; padding: 3px 12px; margin: 1px 4px 3px 0;"
        " background: palette(button); }"
        "QTabBar::tab:selected { background: palette(mid); border-color: palette(shadow); }"));
    for (int first : {1, 5}) {
        auto* tab = new QWidget(screens_);
        tab->setObjectName(QString::fromLatin1(first == 1 ? "Screen14TabSheet" : "Screen58TabSheet"));
        auto* grid = new QGridLayout(tab);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setSpacing(4);
        for (int i = 0; i < 4; ++i) grid->addWidget(buildScreenBox(tab, first + i), i % 2, i / 2, Qt::AlignTop);
        grid->setRowStretch(2, 1);
        screens_->addTab(tab, QString::fromLatin1(first == 1 ? "Screens 1-4 Controls" : "Screen 5-8 Controls"));
    }
    screens_->setTabVisible(1, false);
    screens_->setEnabled(false);  // until the first successful calculation
    h->addWidget(screens_, 1);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(buildHelp(this), 1);
    right->addWidget(buildWallControls(this));
    auto* column = new QWidget(this);
    column->setLayout(right);
    right->setContentsMargins(0, 0, 0, 0);
    column->setFixedWidth(300);
    h->addWidget(column);

    // The screens' numeric fields and the two wall-wide ones under the one focus handling.
    fields_.attach(FieldFamily::BlackLevel);
    fields_.attach(FieldFamily::HaloWidth);
    fields_.attach(FieldFamily::HaloOffset);
    fields_.attach(FieldFamily::Gamma);
    fields_.attachEdit(basicGamma_, [this] { return basicGammaExit(); },
                       [this] { MoveFocusOrCommit(overlapWidth_, [this] { BasicGammaEditExit(); }); });
    fields_.attachEdit(overlapWidth_, [this] { return overlapWidthExit(); }, [this] { OWidthEditKeyPress(); });
}

QWidget* DisplaySetupPage::buildScreenBox(QWidget* parent, int n)
{
    const QString d = QString::number(n);
    auto* box = MakeNamed<QGroupBox>(parent, "Screen" + d + "GroupBox", QStringLiteral("Screen %1 Controls").arg(n));
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(5, 3, 5, 4);
    v->setSpacing(3);

    auto* pattern = MakeNamed<QComboBox>(box, "TestPattern" + d + "ComboBox");
    for (const char* item : kTestPatternItems) pattern->addItem(QString::fromLatin1(item));
    pattern->setMaxVisibleItems(11);
    pattern->setCurrentIndex(-1);  // no selection until the first fill
    patterns_[n] = pattern;
    v->addWidget(pattern);

    auto* checks = new QHBoxLayout;
    grids_[n] = MakeNamed<QCheckBox>(box, "TestGrid" + d + "CheckBox", QStringLiteral("Test Grid"));
    rasters_[n] = MakeNamed<QCheckBox>(box, "OutputRaster" + d + "CheckBox", QStringLiteral("Output Raster Box"));
    checks->addWidget(grids_[n]);
    checks->addWidget(rasters_[n]);
    checks->addStretch(1);
    v->addLayout(checks);

    auto* black = new QHBoxLayout;
    black->setSpacing(2);
    black->addWidget(MakeNamed<QLabel>(box, "BlackLabel" + d, QStringLiteral("Black Level ")));
    const NumericField* blackField = FindNumericField("Black" + d + "Edit");
    black->addWidget(MakeNumericEdit(box, *blackField, 40));
    black->addWidget(MakeNumericSpin(box, *blackField));
    black->addStretch(1);
    v->addLayout(black);

    auto* halo = MakeNamed<QGroupBox>(box, "HaloRemoval" + d + "GroupBox", QStringLiteral("Halo Removal"));
    auto* feather = MakeNamed<QGroupBox>(box, "EdgeFeather" + d + "GroupBox", QStringLiteral("Edge Feathering (Advanced)"));
    auto* hg = new QGridLayout(halo);
    auto* fg = new QGridLayout(feather);
    for (QGridLayout* g : {hg, fg}) {
        g->setContentsMargins(4, 2, 4, 3);
        // No spacing between columns, which an empty column would not get: both halves keep
        // their place whether or not the other one is shown.
        g->setHorizontalSpacing(0);
        g->setVerticalSpacing(2);
        for (int c : {0, 4}) g->setColumnMinimumWidth(c, 58);
        for (int c : {1, 5}) g->setColumnMinimumWidth(c, 38);
        for (int c : {2, 6}) g->setColumnMinimumWidth(c, 15);
        g->setColumnMinimumWidth(3, 14);
        g->setColumnStretch(7, 1);
    }
    const auto addEdge = [&](const EdgeNames& names, int side) {
        const int c = side == 0 ? 0 : 4;
        const QChar s = QLatin1Char(side == 0 ? 'L' : 'R');
        const NumericField* width = FindNumericField(names.width);
        const NumericField* offset = FindNumericField(names.offset);
        const NumericField* gamma = FindNumericField(names.gamma);
        hg->addWidget(MakeNamed<QLabel>(halo, names.widthLabel, QStringLiteral("Width(%1)").arg(s)), 0, c);
        hg->addWidget(MakeNumericEdit(halo, *width, 36), 0, c + 1);
        hg->addWidget(MakeNumericSpin(halo, *width), 0, c + 2);
        hg->addWidget(MakeNamed<QLabel>(halo, names.offsetLabel, QStringLiteral("Offset(%1)").arg(s)), 1, c);
        hg->addWidget(MakeNumericEdit(halo, *offset, 36), 1, c + 1);
        hg->addWidget(MakeNumericSpin(halo, *offset), 1, c + 2);
        fg->addWidget(MakeNamed<QCheckBox>(feather, names.enable, QStringLiteral("Enable (%1)").arg(s)), 0, c, 1, 3);
        fg->addWidget(MakeNamed<QLabel>(feather, names.gammaLabel, QStringLiteral("Gamma(%1)").arg(s)), 1, c);
        fg->addWidget(MakeNumericEdit(feather, *gamma, 36), 1, c + 1);
        fg->addWidget(MakeNumericSpin(feather, *gamma), 1, c + 2);
    };
    if (n == 1) {
        addEdge(EndEdgeNames(n), 1);
    } else if (n == 8) {
        addEdge(EndEdgeNames(n), 0);
    } else {
        addEdge(LeftEdgeNames(n), 0);
        addEdge(RightEdgeNames(n), 1);
    }
    v->addWidget(halo);
    v->addWidget(feather);
    feather->setVisible(false);  // advanced mode only
    box->setVisible(false);      // the projector count decides which screens show

    connect(pattern, &QComboBox::activated, this, [this, n] { TestPatternChange(n); });
    connect(grids_[n], &QCheckBox::clicked, this, [this, n] { TestPatternChange(n); });
    connect(rasters_[n], &QCheckBox::clicked, this, [this, n] { TestPatternChange(n); });
    return box;
}

QWidget* DisplaySetupPage::buildHelp(QWidget* parent)
{
    auto* panel = MakeNamed<QFrame>(parent, QStringLiteral("DisplayHelpPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* v = new QVBoxLayout(panel);
    v->setContentsMargins(5, 3, 5, 3);
    v->setSpacing(4);
    QFont small = font();
    small.setPixelSize(10);
    const auto addLabel = [&](const QString& name, const char* text) {
        auto* label = MakeNamed<QLabel>(panel, name, QString::fromUtf8(text));
        label->setWordWrap(true);
        label->setFont(small);
        v->addWidget(label);
    };
    int i = 0;
    for (const char* text : kHelpTexts) addLabel(QStringLiteral("DisplayHelpLabel%1").arg(++i), text);
    for (const auto& [name, text] : kWallHelpTexts) addLabel(QString::fromLatin1(name), text);
    v->addStretch(1);
    return panel;
}

QWidget* DisplaySetupPage::buildWallControls(QWidget* parent)
{
    auto* column = new QWidget(parent);
    auto* v = new QVBoxLayout(column);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(3);

    auto* doubling = MakeNamed<QGroupBox>(column, QStringLiteral("DataDoubleGroupBox"), QStringLiteral("Data Doubling"));
    auto* dl = new QGridLayout(doubling);
    dl->setContentsMargins(6, 3, 6, 4);
    dl->setHorizontalSpacing(2);
    dataDouble_ = MakeNamed<QCheckBox>(doubling, QStringLiteral("EnDataDoubleCheckBox"), QStringLiteral("Enable"));
    dl->addWidget(dataDouble_, 0, 0);
    dl->setColumnMinimumWidth(1, 16);
    dl->addWidget(MakeNamed<QLabel>(doubling, QStringLiteral("OWidthLabel"), QStringLiteral("Overlap Width")), 0, 2);
    overlapWidth_ = MakeNamed<QLineEdit>(doubling, QStringLiteral("OWidthEdit"), QStringLiteral("64"));
    overlapWidth_->setFixedWidth(44);
    dl->addWidget(overlapWidth_, 0, 3);
    auto* overlapSpin = MakeNamed<SpinArrows>(doubling, QStringLiteral("OWidthUpDown"));
    overlapSpin->setRepeat(kOverlapRepeatMs, kOverlapRepeatMs);
    dl->addWidget(overlapSpin, 0, 4);
    dl->setColumnStretch(5, 1);
    doubling->setVisible(false);

    auto* mode = MakeNamed<QGroupBox>(column, QStringLiteral("EdgeFeatherModeGroupBox"), QStringLiteral("Edge Feathering"));
    auto* ml = new QVBoxLayout(mode);
    ml->setContentsMargins(6, 3, 6, 4);
    ml->setSpacing(3);
    advanced_ = MakeNamed<QCheckBox>(mode, QStringLiteral("AdvanceModeCheckBox"),
                                     QStringLiteral("Edge Feathering Advanced Mode"));
    advanced_->setToolTip(QStringLiteral("Advance Mode allows Left/Right side to have different Edge Gamma,  Edge Width, "
                                         "and Data Double Width. Basic Mode makes sure Left/Right side have same values."));
    advanced_->setVisible(false);
    ml->addWidget(advanced_);

    auto* basic = MakeNamed<QGroupBox>(mode, QStringLiteral("EdgeFeatherBasicGroupBox"),
                                       QStringLiteral("Edge Feathering Basic Mode"));
    auto* bl = new QGridLayout(basic);
    bl->setContentsMargins(6, 3, 6, 4);
    bl->setHorizontalSpacing(2);
    basicEnable_ = MakeNamed<QCheckBox>(basic, QStringLiteral("BasicEdgeFeatheringCheckBox"), QStringLiteral("Enable "));
    basicEnable_->setEnabled(false);  // until the first successful calculation
    bl->addWidget(basicEnable_, 0, 0);
    bl->setColumnMinimumWidth(1, 16);
    bl->addWidget(MakeNamed<QLabel>(basic, QStringLiteral("BasicGammaLabel"), QStringLiteral("Gamma")), 0, 2);
    basicGamma_ = MakeNamed<QLineEdit>(basic, QStringLiteral("BasicGammaEdit"), QStringLiteral("2.2"));
    basicGamma_->setMaxLength(4);
    basicGamma_->setFixedWidth(44);
    basicGamma_->setToolTip(kGammaHint);
    bl->addWidget(basicGamma_, 0, 3);
    auto* gammaSpin = MakeNamed<SpinArrows>(basic, QStringLiteral("BasicGammaUpDown"));
    gammaSpin->setRepeat(SpinArrows::kDefaultDelayMs, kBasicGammaRepeatMs);
    bl->addWidget(gammaSpin, 0, 4);
    bl->setColumnStretch(5, 1);
    ml->addWidget(basic);

    curve_ = new RadioGroup(QStringLiteral("Feather Curve"), mode, 2);
    curve_->setObjectName(QStringLiteral("FeatherRadioGroup"));
    curve_->setItems({QStringLiteral("S-Curve"), QStringLiteral("Linear")});
    curve_->layout()->setContentsMargins(6, 2, 6, 3);
    curve_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    ml->addWidget(curve_);

    for (QWidget* w : {static_cast<QWidget*>(doubling), static_cast<QWidget*>(mode)}) {
        w->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        v->addWidget(w);
    }

    connect(advanced_, &QCheckBox::toggled, this, [this] { AdvanceModeCheckBoxClick(); });
    connect(basicEnable_, &QCheckBox::toggled, this, [this] { BasicEdgeFeatheringCheckBoxClick(); });
    connect(dataDouble_, &QCheckBox::toggled, this, [this] { EnDataDoubleCheckBoxClick(); });
    connect(curve_, &RadioGroup::itemIndexChanged, this, [this] { FeatherRadioGroupClick(); });
    connect(gammaSpin, &SpinArrows::stepUp, this, [this] { BasicGammaUpDownClick(+1); });
    connect(gammaSpin, &SpinArrows::stepDown, this, [this] { BasicGammaUpDownClick(-1); });
    connect(overlapSpin, &SpinArrows::stepUp, this, [this] { OWidthUpDownClick(+1); });
    connect(overlapSpin, &SpinArrows::stepDown, this, [this] { OWidthUpDownClick(-1); });
    return column;
}

// ---- Fills -----------------------------------------------------------------------------------------

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
    SetText(EditOf(this, QStringLiteral("Black%1Edit").arg(n)), QString::number(settings_.output(at.unit, at.index).BlackLevel));
}

void DisplaySetupPage::FillHalo(int n)
{
    if (n < 1 || n > 8) return;
    FillingGuard filling(flags_);
    const UnitIndex at = WallToUnit(n);
    const OutputScreenRecord& r = settings_.output(at.unit, at.index);
    for (int side : {0, 1}) {
        if (const NumericField* w = FieldAt(FieldFamily::HaloWidth, n, side))
            SetText(EditOf(this, w->edit), QString::number(side == 0 ? r.LeftHaloWidth : r.RightHaloWidth));
        if (const NumericField* o = FieldAt(FieldFamily::HaloOffset, n, side))
            SetText(EditOf(this, o->edit), QString::number(side == 0 ? r.LeftHaloOffset : r.RightHaloOffset));
    }
}

void DisplaySetupPage::FillFeather(int n)
{
    if (n < 1 || n > 8) return;
    FillingGuard filling(flags_);
    const UnitIndex at = WallToUnit(n);
    const OutputScreenRecord& r = settings_.output(at.unit, at.index);
    for (int side : {0, 1}) {
        const NumericField* g = FieldAt(FieldFamily::Gamma, n, side);
        if (!g) continue;
        // The stored single shows with 15 digits, as the units' value really is (2.20000004768372).
        SetText(EditOf(this, g->edit), FormatG15(static_cast<double>(side == 0 ? r.LeftGamma : r.RightGamma)));
        if (auto* box = FindNamed<QCheckBox>(this, g->partner)) box->setChecked((side == 0 ? r.LeftFeather : r.RightFeather) != 0);
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
        hooks_.clearProjectorTests();
    }
    // Before the first fill the list has no selection: that is "Off", never pattern -1.
    if (patterns_[n]->currentIndex() < 0) patterns_[n]->setCurrentIndex(0);
    if (!MaySend(flags_, hooks_.linkEstablished())) return;
    const UnitIndex at = WallToUnit(n);
    commands_.SendTestPattern(at.unit, at.index, patterns_[n]->currentIndex(), rasters_[n]->isChecked() ? 1 : 0,
                              grids_[n]->isChecked() ? 1 : 0);
}

// ---- Wall-wide feathering and data doubling --------------------------------------------------------

void DisplaySetupPage::sendToWall(const std::function<bool(int unit)>& send)
{
    if (!MaySend(flags_, hooks_.linkEstablished())) return;
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
    if (!ParseFieldValue(ValueType::Tenths, basicGamma_->text(), gamma) || gamma < 1.0 || gamma > 5.0) {
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
    if (gamma < 1.0 || gamma > 5.0) {
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
    if (direction > 0 ? !(v >= 1.0 && v < 5.0) : !(v > 1.0 && v <= 5.0)) return;
    const double next = std::clamp(std::round((v + (direction > 0 ? 0.1 : -0.1)) * 10) / 10, 1.0, 5.0);
    basicGamma_->setText(FormatF1(next));
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
    if (w < kMinOverlap || w > hooks_.overlapWidthMax()) {
        FillOverlap();
        fields_.Refuse(overlapWidth_, kOverlapBounds);
        return false;
    }
    const double planned = hooks_.projOverlap();
    if (w > planned && planned > 0) {
        overlapWidth_->setText(FormatG15(planned));
        op_.showMessage(QStringLiteral("Error! Overlap area cannot exceed ") + FormatG15(planned) +
                        QStringLiteral(". If more overlap is desired, increase the # of screens"));
        return true;
    }
    const int alignment = hooks_.alignment();
    if (planned > 0 && alignment >= 0)
        sendToWall([&](int unit) { return commands_.SendDisplayLayout(unit, alignment, w); });
    hooks_.drawProjectorLayout();
    hooks_.updateAspectFromImage();
    hooks_.setOverlapText(overlapWidth_->text());
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
    const int max = hooks_.overlapWidthMax();
    if (direction > 0 ? !(w >= kMinOverlap && w < max) : !(w > kMinOverlap && w <= max)) return;
    overlapWidth_->setText(QString::number(w + (direction > 0 ? 1 : -1)));
    OWidthEditExit();
}

void DisplaySetupPage::OWidthEditKeyPress()
{
    const bool first = screens_->currentIndex() == 0;
    MoveFocusOrCommit(EditOf(this, first ? QStringLiteral("Black1Edit") : QStringLiteral("Black5Edit")),
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
    if (!MaySend(flags_, hooks_.linkEstablished())) return true;
    const NumericField* g = FieldAt(FieldFamily::Gamma, k, side);
    if (!g) return true;
    QLineEdit* edit = EditOf(this, g->edit);
    auto* box = FindNamed<QCheckBox>(this, g->partner);
    double gamma = 0;
    // A gamma the field would refuse is never sent (the bulk send reads the fields as they are).
    if (!edit || !box || !ParseFieldValue(ValueType::Tenths, edit->text(), gamma) || gamma < 1.0 || gamma > 5.0)
        return true;
    const UnitIndex at = WallToUnit(k);
    return commands_.SendEdgeFeather(at.unit, at.index, side, box->isChecked() ? 1 : 0, static_cast<float>(gamma));
}

}  // namespace kalvora
