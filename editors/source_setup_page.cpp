#include "editors/source_setup_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "settings/flag_protocol.h"
#include "editors/numeric_fields.h"
#include "editors/numeric_row.h"
#include "editors/radio_group.h"
#include "link/commands.h"
#include "settings/number_format.h"
#include "platform/gui/font_fit.h"
#include "platform/gui/named_widget.h"
#include "platform/operator.h"
#include "settings/records.h"

namespace kalvora {
namespace {

const QString kInfoSaveAll = QStringLiteral("Save Config (All Channels) in progress. Please wait....");

// The colour fields top to bottom: caption, edit, spin, colour letter index (0 'C', 1 'R', ...),
// contrast (true) or brightness.
struct ColourRow {
    const char* caption;
    const char* edit;
    const char* spin;
};
const ColourRow kColourRows[] = {
    {"Overall Contrast", "LeftOContrastEdit", "LeftOContrastUpDown"},
    {"Overall Brightness", "LeftOBrightnessEdit", "LeftOBrightnessUpDown"},
    {"Red Contrast", "LeftRContrastEdit", "LeftRContrastUpDown"},
    {"Red Brightness", "LeftRBrightnessEdit", "LeftRBrightnessUpDown"},
    {"Green Contrast", "LeftGContrastEdit", "LeftGContrastUpDown"},
    {"Green Brightness", "LeftGBrightnessEdit", "LeftGBrightnessUpDown"},
    {"Blue Contrast", "LeftBContrastEdit", "LeftBContrastUpDown"},
    {"Blue Brightness", "LeftBBrightnessEdit", "LeftBBrightnessUpDown"},
};

QLabel* HelpText(QWidget* parent, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QGroupBox* HelpPanel(QWidget* parent, const char* name, const QString& heading, const QStringList& texts)
{
    auto* box = MakeNamed<QGroupBox>(parent, QString::fromLatin1(name));
    auto* v = new QVBoxLayout(box);
    auto* title = new QLabel(heading, box);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    v->addWidget(title);
    for (const QString& t : texts) v->addWidget(HelpText(box, t));
    v->addStretch();
    return box;
}

}  // namespace

SourceSetupPage::SourceSetupPage(Settings& settings, MainFlags& flags, Operator& op, CommandSet& commands,
                                 UnitOperationHost& host, QWidget* parent)
    : QWidget(parent), settings_(settings), flags_(flags), op_(op), commands_(commands), host_(host)
{
    setObjectName(QStringLiteral("SourceSetupTabSheet"));
    build();
    attachFields();
}

// The page's fields are its channel's position, phase and colour fields.
struct SourceSetupPage::FieldHost final : NumericFieldHost {
    SourceSetupPage& page;
    explicit FieldHost(SourceSetupPage& p) : page(p) {}
    bool linkEstablished() override { return page.host_.linkUp(); }
    int selectedChannel(ChannelPage) override { return page.SelectedChannel(); }
    void restoreFill(RestoreFill, int) override { page.FillSourcePage(); }
    PositionWindow positionWindow() override { return page.window_; }
    bool sendEdgeFeathering(int, int) override { return false; }  // no edge fields on this page
};

void SourceSetupPage::attachFields()
{
    fieldHost_ = std::make_unique<FieldHost>(*this);
    fields_ = new NumericFields(this, *fieldHost_, flags_, op_, commands_, this);
    for (Field f : {Field::HPosition, Field::VPosition, Field::Phase, Field::OverallContrast, Field::OverallBrightness,
                    Field::ColourContrast, Field::ColourBrightness})
        fields_->attach(f);
}

void SourceSetupPage::build()
{
    auto* page = new QHBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);
    auto* left = new QVBoxLayout;
    page->addLayout(left, 3);

    // Video status and the channel selector.
    auto* status = new QGridLayout;
    status->addWidget(new QLabel(QStringLiteral("Video Loaded"), this), 0, 0);
    loaded_ = MakeNamed<QLabel>(this, QStringLiteral("SourceVideoLoadedLabel"), QStringLiteral("N/A"));
    status->addWidget(loaded_, 0, 1);
    status->addWidget(new QLabel(QStringLiteral("Video Locked"), this), 1, 0);
    locked_ = MakeNamed<QLabel>(this, QStringLiteral("SourceVideoLockedLabel"), QStringLiteral("N/A"));
    status->addWidget(locked_, 1, 1);
    status->setColumnStretch(2, 1);
    left->addLayout(status);

    selector_ = new RadioGroup(QStringLiteral("Channel Select"), this, 8);
    selector_->setObjectName(QStringLiteral("SourceScreenSelectRadioGroup"));
    selector_->setItems({"1", "2", "3", "4", "5", "6", "7", "8"});
    selector_->setItemIndex(0);
    connect(selector_, &RadioGroup::itemIndexChanged, this, [this] { SourceScreenSelectRadioGroupClick(); });
    left->addWidget(selector_);

    // Input Alignment.
    auto* alignment = MakeNamed<QGroupBox>(this, QStringLiteral("InputAlignmentGroupBox"), QStringLiteral("Input Alignment"));
    auto* av = new QVBoxLayout(alignment);
    auto* buttons = new QHBoxLayout;
    auto* reset = MakeNamed<QPushButton>(alignment, QStringLiteral("AutoConfigButton"), QStringLiteral("Reset Config"));
    auto* save = MakeNamed<QPushButton>(alignment, QStringLiteral("SaveConfigButton"), QStringLiteral("Save Config"));
    auto* saveAll = MakeNamed<QPushButton>(alignment, QStringLiteral("SaveAllConfigButton"),
                                           QStringLiteral("Save Config (All Channels)"));
    buttons->addWidget(reset);
    buttons->addWidget(save);
    buttons->addWidget(saveAll);
    buttons->addStretch();
    av->addLayout(buttons);
    auto* fields = new QGridLayout;
    AddNumericRow(fields, 0, 0, alignment, QStringLiteral("H Position"), QStringLiteral("HPositionEdit"),
                  QStringLiteral("HPositionUpDown"));
    auto* totalLabel = MakeNamed<QLabel>(alignment, QStringLiteral("HTotalLabelCaption"), QStringLiteral("H Total"));
    totalLabel->setEnabled(false);
    auto* total = MakeNamed<QLineEdit>(alignment, QStringLiteral("HTotalEdit"), QStringLiteral("N/A"));
    total->setReadOnly(true);
    total->setEnabled(false);
    FitEditTo(total, {QStringLiteral("N/A"), QStringLiteral("88888")});
    fields->addWidget(totalLabel, 0, 4);
    fields->addWidget(total, 0, 5);
    AddNumericRow(fields, 1, 0, alignment, QStringLiteral("V Position"), QStringLiteral("VPositionEdit"),
                  QStringLiteral("VPositionUpDown"));
    AddNumericRow(fields, 2, 0, alignment, QStringLiteral("Phase"), QStringLiteral("PhaseEdit"),
                  QStringLiteral("PhaseUpDown"));
    fields->setColumnMinimumWidth(3, 24);
    fields->setColumnStretch(6, 1);
    av->addLayout(fields);
    auto* autoPosition = MakeNamed<QPushButton>(alignment, QStringLiteral("AutoPositionButton"),
                                                QStringLiteral("Auto Position (All Channels)"));
    auto* autoPhase = MakeNamed<QPushButton>(alignment, QStringLiteral("AutoPhaseButton"),
                                             QStringLiteral("Auto Phase (All Channels)"));
    autoPosition->setVisible(false);  // nothing in the program shows these two
    autoPhase->setVisible(false);
    av->addWidget(autoPosition);
    av->addWidget(autoPhase);
    left->addWidget(alignment);

    // Source Color Balance.
    auto* colour = MakeNamed<QGroupBox>(this, QStringLiteral("OverallColorGroupBox"), QStringLiteral("Source Color Balance"));
    auto* cv = new QVBoxLayout(colour);
    auto* balance = MakeNamed<QPushButton>(colour, QStringLiteral("AutoColorBalanceButton"),
                                           QStringLiteral("Auto Color Balance (All Channels)"));
    auto* balanceRow = new QHBoxLayout;
    balanceRow->addWidget(balance);
    balanceRow->addStretch();
    cv->addLayout(balanceRow);
    auto* side = MakeNamed<QGroupBox>(colour, QStringLiteral("LeftSideGroupBox"));
    side->setFlat(true);
    auto* sg = new QGridLayout(side);
    sg->setContentsMargins(0, 0, 0, 0);
    for (int k = 0; k < 8; ++k) {
        const ColourRow& c = kColourRows[k];
        AddNumericRow(sg, k / 2, (k % 2) * 4, side, QString::fromLatin1(c.caption), QString::fromLatin1(c.edit),
                      QString::fromLatin1(c.spin));
    }
    sg->setColumnMinimumWidth(3, 24);
    sg->setColumnStretch(7, 1);
    cv->addWidget(side);
    left->addWidget(colour);
    left->addStretch();

    // Help panels.
    auto* help = new QVBoxLayout;
    help->addWidget(HelpPanel(
        this, "InputAlignmentHelpPanel", QStringLiteral("Input Alignment:"),
        {QStringLiteral("Phase:  Adjusts sample clock phase for the selected source input channel to provide true "
                        "pixel sampled pixel fidelity."),
         QStringLiteral("H & V Position:  Adjust Horizontal and Vertical position of the input sampling window to "
                        "guarantee that all source image data is captured for display.")}));
    help->addWidget(HelpPanel(
        this, "ColorBalanceHelpPanel", QStringLiteral("Source Color Balance:"),
        {QStringLiteral("Auto-Color Balance:\t Automatically balances color of all source input channels"),
         QStringLiteral("Overall Contrast/Brightness:  Adjust Overall brightness /contrast for the selected input "
                        "source. "),
         QStringLiteral("Red/Green/Blue Contrast Brightness:  Individually Adjust brightness / contrast for each color "
                        "component of the selected input source. ")}));
    page->addLayout(help, 2);

    connect(reset, &QPushButton::clicked, this, [this] { AutoConfigButtonClick(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveConfigButtonClick(); });
    connect(saveAll, &QPushButton::clicked, this, [this] { SaveAllConfigButtonClick(); });
    connect(balance, &QPushButton::clicked, this, [this] { AutoColorBalanceButtonClick(); });
    connect(autoPosition, &QPushButton::clicked, this, [this] { AutoPositionButtonClick(); });
    connect(autoPhase, &QPushButton::clicked, this, [this] { AutoPhaseButtonClick(); });
}

// The fields go first: an edit that still has the focus while the page is taken down must not
// commit into controls that are already gone.
SourceSetupPage::~SourceSetupPage() { delete fields_; }

int SourceSetupPage::SelectedChannel() const
{
    const int index = selector_->itemIndex();
    return index < 0 ? 1 : std::min(index + 1, 8);
}

void SourceSetupPage::FillSourcePage()
{
    const UnitIndex ui = WallToUnit(SelectedChannel());
    const InputChannelRecord& r = settings_.input(ui.unit, ui.index);
    loaded_->setText(r.VideoLoaded == 1 ? QStringLiteral("True") : QStringLiteral("False"));
    auto* h = FindNamed<QLineEdit>(this, QStringLiteral("HPositionEdit"));
    auto* v = FindNamed<QLineEdit>(this, QStringLiteral("VPositionEdit"));
    auto* total = FindNamed<QLineEdit>(this, QStringLiteral("HTotalEdit"));
    const bool isLocked = r.VideoLocked == 1;
    locked_->setText(isLocked ? QStringLiteral("True") : QStringLiteral("False"));
    for (const char* name : {"HPositionEdit", "HPositionUpDown", "VPositionEdit", "VPositionUpDown"})
        if (QWidget* w = FindNamed(this, QString::fromLatin1(name))) w->setEnabled(isLocked);
    if (isLocked) {
        h->setText(QString::number(r.HPosition));
        v->setText(QString::number(r.VPosition));
        total->setText(QString::number(r.HTotal));
    } else {
        if (QWidget* b = FindNamed(this, QStringLiteral("AutoColorBalanceButton"))) b->setEnabled(false);
        if (QWidget* g = FindNamed(this, QStringLiteral("LeftSideGroupBox"))) g->setEnabled(false);
        for (QLineEdit* e : {h, v, total}) e->setText(QStringLiteral("N/A"));
    }
    window_ = PositionWindowOf(r);
    FindNamed<QLineEdit>(this, QStringLiteral("PhaseEdit"))->setText(QString::number(r.Phase));
    FillSourceColour(SelectedChannel());
}

void SourceSetupPage::FillSourceColour(int n)
{
    const UnitIndex ui = WallToUnit(n);
    const InputChannelRecord& r = settings_.input(ui.unit, ui.index);
    const bool isLocked = r.VideoLocked == 1;
    if (QWidget* b = FindNamed(this, QStringLiteral("AutoColorBalanceButton"))) b->setEnabled(isLocked);
    if (QWidget* g = FindNamed(this, QStringLiteral("LeftSideGroupBox"))) g->setEnabled(isLocked);
    // Overall values with five significant digits, the colours with four.
    const std::pair<float, int> values[8] = {
        {r.ContrastC, 5}, {r.BrightnessC, 5}, {r.ContrastR, 4}, {r.BrightnessR, 4},
        {r.ContrastG, 4}, {r.BrightnessG, 4}, {r.ContrastB, 4}, {r.BrightnessB, 4},
    };
    for (int k = 0; k < 8; ++k) {
        auto* e = FindNamed<QLineEdit>(this, QString::fromLatin1(kColourRows[k].edit));
        e->setText(isLocked ? FormatGeneral(values[k].first, values[k].second) : QStringLiteral("N/A"));
    }
}

void SourceSetupPage::SourceScreenSelectRadioGroupClick()
{
    if (!flags_.FormFilling) FillSourcePage();
}

void SourceSetupPage::SaveConfigButtonClick()
{
    EditorBusyGuard busy(flags_);
    if (!busy || !MaySend(flags_, host_.linkUp())) return;
    const UnitIndex ui = WallToUnit(SelectedChannel());
    commands_.SendInputSave(ui.unit, ui.index);
}

void SourceSetupPage::AutoConfigButtonClick()
{
    EditorBusyGuard busy(flags_);
    if (!busy || !MaySend(flags_, host_.linkUp())) return;
    if (!op_.askYesNo(kTitleInputConfigReset, kAskInputConfigReset)) return;
    const UnitIndex ui = WallToUnit(SelectedChannel());
    host_.setBusy(true);
    commands_.SendInputReset(ui.unit, ui.index);
    host_.setBusy(false);
}

void SourceSetupPage::SaveAllConfigButtonClick()
{
    EditorBusyGuard busy(flags_);
    if (!busy || !MaySend(flags_, host_.linkUp())) return;
    const int units = flags_.UnitCount > 1 ? 2 : 1;
    host_.showProgress(kInfoSaveAll);
    for (int u = 1; u <= units; ++u) {
        host_.showProgressUnit(u, units);
        bool ok = true;
        for (int i = 1; i <= 4 && ok; ++i) ok = commands_.SendInputSave(u, i);
        if (!ok) break;  // the operator gave up on the link
    }
    host_.hideProgress();
}

void SourceSetupPage::runOnAllUnits(const QString& title, const QString& question, const QString& info,
                                    bool holdPages, bool (CommandSet::*run)(int unit), bool secondQuestion)
{
    if (flags_.EditorBusy) return;
    flags_.EditorBusy = true;
    const bool go =
        op_.askOkCancel(title, question) && (!secondQuestion || op_.askOkCancel(title, kAskColorBalancePattern));
    if (go) {
        const int units = flags_.UnitCount > 1 ? 2 : 1;
        host_.showProgress(info);
        host_.showProgressUnit(1, units);
        if (holdPages) host_.holdPages(true);
        const bool ok = (commands_.*run)(1);
        if (holdPages) host_.holdPages(false);
        if (ok && units > 1) {
            host_.showProgressUnit(2, units);
            (commands_.*run)(2);
        }
        host_.hideProgress();
    }
    flags_.EditorBusy = false;
    host_.refreshCurrentPage();
}

void SourceSetupPage::AutoColorBalanceButtonClick()
{
    runOnAllUnits(kTitleConfirmColorBalance, kAskColorBalance, kInfoColorBalance, true,
                  &CommandSet::RunAutoColorBalance, true);
}

void SourceSetupPage::AutoPositionButtonClick()
{
    runOnAllUnits(kTitleConfirmAutoPosition, kAskAutoPosition, kInfoAutoPosition, false, &CommandSet::RunAutoPosition,
                  false);
}

void SourceSetupPage::AutoPhaseButtonClick()
{
    runOnAllUnits(kTitleConfirmAutoPhase, kAskAutoPhase, kInfoAutoPhase, false, &CommandSet::RunAutoPhase, false);
}

}  // namespace kalvora
