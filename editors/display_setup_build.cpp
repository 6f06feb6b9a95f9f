// The display setup page's controls: a box for each screen, the help texts and the wall-wide
// feathering and overlap controls.
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
#include <algorithm>

#include "settings/flag_protocol.h"
#include "editors/display_setup_focus.h"
#include "editors/editor_visibility.h"
#include "editors/field_controls.h"
#include "editors/numeric_fields.h"
#include "editors/radio_group.h"
#include "editors/spin_arrows.h"
#include "link/commands.h"
#include "settings/number_format.h"
#include "planning/plan_state.h"
#include "platform/gui/font_fit.h"
#include "platform/gui/named_widget.h"
#include "platform/operator.h"
#include "settings/records.h"

namespace kalvora {

using detail::MoveFocusOrCommit;

namespace {

const QString kGammaHint = QStringLiteral("(1.0 - 5.0)");

// The edge fields of a box share one width, so their arrows line up.
QLineEdit* SizedEdit(QLineEdit* edit, int width)
{
    edit->setFixedWidth(width);
    return edit;
}

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

}  // namespace

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
        // The chosen one in the selection colours: in a dark palette "mid" is hardly darker than
        // "button", while the highlight stands out in light and dark palettes alike.
        "QTabBar::tab:selected { background: palette(highlight); color: palette(highlighted-text);"
        " border-color: palette(shadow); }"));
    for (int first : {1, 5}) {
        auto* tab = new QWidget(screens_);
        tab->setObjectName(QString::fromLatin1(first == 1 ? "Screen14TabSheet" : "Screen58TabSheet"));
        auto* grid = new QGridLayout(tab);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setSpacing(4);
        // Each screen keeps its place whichever screens the wall shows: a hidden screen's box
        // keeps its room, so a lone screen of a column does not spread into the other one.
        for (int i = 0; i < 4; ++i) {
            QWidget* box = buildScreenBox(tab, first + i);
            QSizePolicy policy = box->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            box->setSizePolicy(policy);
            grid->addWidget(box, i % 2, i / 2, Qt::AlignTop);
        }
        for (int c : {0, 1}) grid->setColumnStretch(c, 1);
        grid->setRowStretch(2, 1);
        screens_->addTab(tab, QString::fromLatin1(first == 1 ? "Screens 1-4 Controls" : "Screen 5-8 Controls"));
    }
    screens_->setTabVisible(1, false);
    screens_->setEnabled(false);  // until the first successful calculation
    h->addWidget(screens_, 1);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    QWidget* help = buildHelp(this);
    right->addWidget(help, 1);
    right->addWidget(buildWallControls(this));
    auto* column = new QWidget(this);
    column->setLayout(right);
    right->setContentsMargins(0, 0, 0, 0);
    // The help texts wrap in a column of about fifty characters; the controls below may ask more.
    column->setFixedWidth(std::max(TextColumnWidth(column, 50), right->minimumSize().width()));
    // The wrapped help texts whole at that width: the page grows rather than cutting them.
    help->setMinimumHeight(help->layout()->totalHeightForWidth(column->width()));
    h->addWidget(column);

    // The screens' numeric fields and the two wall-wide ones under the one focus handling.
    fields_.attach(Field::BlackLevel);
    fields_.attach(Field::HaloWidth);
    fields_.attach(Field::HaloOffset);
    fields_.attach(Field::EdgeGamma);
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
    const NumericField* blackField = FindNumericField(ScreenKey(Field::BlackLevel, n));
    QLineEdit* blackEdit = MakeNumericEdit(box, *blackField);
    black->addWidget(blackEdit);
    black->addWidget(MakeNumericSpin(box, *blackField));
    black->addStretch(1);
    v->addLayout(black);

    auto* halo = MakeNamed<QGroupBox>(box, "HaloRemoval" + d + "GroupBox", QStringLiteral("Halo Removal"));
    auto* feather = MakeNamed<QGroupBox>(box, "EdgeFeather" + d + "GroupBox", QStringLiteral("Edge Feathering (Advanced)"));
    // Both halves of an edge's rows keep their width whether or not the other half shows: the
    // columns are as wide as the widest caption, field and arrows of either side.
    const QFontMetrics fm = box->fontMetrics();
    int labelWidth = 0;
    for (const char* caption : {"Width(R)", "Offset(R)", "Gamma(R)", "Width(L)", "Offset(L)", "Gamma(L)"})
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(QString::fromLatin1(caption)) + fm.averageCharWidth());
    int editWidth = 0;
    for (Field family : {Field::HaloWidth, Field::HaloOffset, Field::EdgeGamma})
        editWidth = std::max(editWidth, EditWidthFor(blackEdit, WidestFieldTexts(*FieldsOf(family).front())));
    const int spinWidth = SpinArrows::hintFor(fm).width();
    auto* hg = new QGridLayout(halo);
    auto* fg = new QGridLayout(feather);
    for (QGridLayout* g : {hg, fg}) {
        g->setContentsMargins(4, 2, 4, 3);
        // No spacing between columns, which an empty column would not get: both halves keep
        // their place whether or not the other one is shown.
        g->setHorizontalSpacing(0);
        g->setVerticalSpacing(2);
        for (int c : {0, 4}) g->setColumnMinimumWidth(c, labelWidth);
        for (int c : {1, 5}) g->setColumnMinimumWidth(c, editWidth);
        for (int c : {2, 6}) g->setColumnMinimumWidth(c, spinWidth);
        g->setColumnMinimumWidth(3, fm.averageCharWidth() * 2);
        g->setColumnStretch(7, 1);
    }
    const auto addEdge = [&](int side) {
        const EdgeControls names = EdgeControlsOf(n, side);
        const int c = side == 0 ? 0 : 4;
        const QChar s = QLatin1Char(side == 0 ? 'L' : 'R');
        const NumericField* width = FindNumericField(EdgeKey(Field::HaloWidth, n, side));
        const NumericField* offset = FindNumericField(EdgeKey(Field::HaloOffset, n, side));
        const NumericField* gamma = FindNumericField(EdgeKey(Field::EdgeGamma, n, side));
        hg->addWidget(MakeNamed<QLabel>(halo, names.widthLabel, QStringLiteral("Width(%1)").arg(s)), 0, c);
        hg->addWidget(SizedEdit(MakeNumericEdit(halo, *width), editWidth), 0, c + 1);
        hg->addWidget(MakeNumericSpin(halo, *width), 0, c + 2);
        hg->addWidget(MakeNamed<QLabel>(halo, names.offsetLabel, QStringLiteral("Offset(%1)").arg(s)), 1, c);
        hg->addWidget(SizedEdit(MakeNumericEdit(halo, *offset), editWidth), 1, c + 1);
        hg->addWidget(MakeNumericSpin(halo, *offset), 1, c + 2);
        fg->addWidget(MakeNamed<QCheckBox>(feather, names.enable, QStringLiteral("Enable (%1)").arg(s)), 0, c, 1, 3);
        fg->addWidget(MakeNamed<QLabel>(feather, names.gammaLabel, QStringLiteral("Gamma(%1)").arg(s)), 1, c);
        fg->addWidget(SizedEdit(MakeNumericEdit(feather, *gamma), editWidth), 1, c + 1);
        fg->addWidget(MakeNumericSpin(feather, *gamma), 1, c + 2);
    };
    if (n == 1) {
        addEdge(1);
    } else if (n == 8) {
        addEdge(0);
    } else {
        addEdge(0);
        addEdge(1);
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
    const auto addLabel = [&](const QString& name, const char* text) {
        auto* label = MakeNamed<QLabel>(panel, name, QString::fromUtf8(text));
        label->setWordWrap(true);
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
    FitEditTo(overlapWidth_, {QStringLiteral("-8888")});
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
    FitEditTo(basicGamma_, {QStringLiteral("5.00")});
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

}  // namespace kalvora
