#include "editors/seam_removal_page.h"

#include <QCheckBox>
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
#include "platform/gui/named_widget.h"
#include "platform/operator.h"
#include "settings/records.h"

namespace kalvora {
namespace {

QString GainEdit(int k) { return QStringLiteral("SeamGain%1Edit").arg(k); }
QString GainCaption(int k) { return k <= 4 ? QStringLiteral("Gain -%1").arg(5 - k) : QStringLiteral("Gain +%1").arg(k - 4); }

}  // namespace

// The page's fields are the selected channel's eight gains.
struct SeamRemovalPage::FieldHost final : NumericFieldHost {
    SeamRemovalPage& page;
    explicit FieldHost(SeamRemovalPage& p) : page(p) {}
    bool linkEstablished() override { return page.host_.linkUp(); }
    int selectedChannel(ChannelPage) override { return page.SelectedChannel(); }
    void restoreFill(RestoreFill, int) override { page.FillSeamPage(); }
    PositionWindow positionWindow() override { return {}; }       // no position fields on this page
    bool sendEdgeFeathering(int, int) override { return false; }  // no edge fields on this page
};

SeamRemovalPage::SeamRemovalPage(Settings& settings, MainFlags& flags, Operator& op, CommandSet& commands,
                                 UnitOperationHost& host, QWidget* parent)
    : QWidget(parent), settings_(settings), flags_(flags), op_(op), commands_(commands), host_(host)
{
    setObjectName(QStringLiteral("SeamRemovalTabSheet"));
    build();
    fieldHost_ = std::make_unique<FieldHost>(*this);
    fields_ = new NumericFields(this, *fieldHost_, flags_, op_, commands_, this);
    fields_->attach(Field::SeamGain);
}

void SeamRemovalPage::build()
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);

    auto* group = MakeNamed<QGroupBox>(this, QStringLiteral("SeamGroupBox"), QStringLiteral("Manual Seam Gain"));
    auto* gv = new QVBoxLayout(group);
    selector_ = new RadioGroup(QStringLiteral("Channel Select"), group, 8);
    selector_->setObjectName(QStringLiteral("SeamScreenSelectRadioGroup"));
    selector_->setItems({"1", "2", "3", "4", "5", "6", "7", "8"});
    selector_->setItemIndex(0);
    connect(selector_, &RadioGroup::itemIndexChanged, this, [this] { SeamScreenSelectRadioGroupClick(); });
    gv->addWidget(selector_);

    auto* gains = new QGridLayout;
    gains->setHorizontalSpacing(8);
    int row = 0;
    for (int k = 1; k <= 8; ++k) {
        if (k == 5) {
            auto* seam = MakeNamed<QLabel>(group, QStringLiteral("SeamSeparatorLabel"), kSeamSeparator);
            gains->addWidget(seam, row++, 0, 1, 4);
        }
        AddNumericRow(gains, row++, 0, group, GainCaption(k), GainEdit(k), QStringLiteral("SeamGain%1UpDown").arg(k));
    }
    gains->setColumnStretch(3, 1);
    gv->addLayout(gains);

    auto* bottom = new QHBoxLayout;
    bridgeSingle_ = MakeNamed<QCheckBox>(group, QStringLiteral("SeamBridgeSingleConfigCheckBox"), QStringLiteral("Seam Bridge "));
    auto* reset = MakeNamed<QPushButton>(group, QStringLiteral("ResetSeamGainButton"), QStringLiteral("Reset Seam Gain"));
    auto* autoSingle =
        MakeNamed<QPushButton>(group, QStringLiteral("SeamAutoSingleConfigButton"), QStringLiteral("Auto Seam Gain"));
    bottom->addWidget(bridgeSingle_);
    bottom->addWidget(reset);
    bottom->addWidget(autoSingle);
    bottom->addStretch();
    gv->addLayout(bottom);

    auto* groupRow = new QHBoxLayout;
    groupRow->addWidget(group);
    groupRow->addStretch(1);
    page->addLayout(groupRow);

    auto* allRow = new QHBoxLayout;
    bridgeAll_ = MakeNamed<QCheckBox>(this, QStringLiteral("SeamBridgeAllConfigCheckBox"),
                                      QStringLiteral("Seam Bridge (All Channels)"));
    auto* autoAll = MakeNamed<QPushButton>(this, QStringLiteral("SeamAutoAllConfigButton"),
                                           QStringLiteral("Auto Seam Gain (All Channels)"));
    allRow->addWidget(bridgeAll_);
    allRow->addWidget(autoAll);
    allRow->addStretch();
    page->addLayout(allRow);
    page->addStretch();

    connect(bridgeSingle_, &QCheckBox::clicked, this, [this] { SeamBridgeSingleConfigCheckBoxClick(); });
    connect(bridgeAll_, &QCheckBox::clicked, this, [this] { SeamBridgeAllConfigCheckBoxClick(); });
    connect(reset, &QPushButton::clicked, this, [this] { ResetSeamGainButtonClick(); });
    connect(autoSingle, &QPushButton::clicked, this, [this] { SeamAutoSingleConfigButtonClick(); });
    connect(autoAll, &QPushButton::clicked, this, [this] { SeamAutoAllConfigButtonClick(); });
}

// The fields go first: an edit that still has the focus while the page is taken down must not
// commit into controls that are already gone.
SeamRemovalPage::~SeamRemovalPage() { delete fields_; }

int SeamRemovalPage::SelectedChannel() const
{
    const int index = selector_->itemIndex();
    return index < 0 ? 1 : std::min(index + 1, 8);
}

void SeamRemovalPage::FillSeamPage()
{
    const UnitIndex ui = WallToUnit(SelectedChannel());
    const OutputScreenRecord& r = settings_.output(ui.unit, ui.index);
    for (int k = 1; k <= 8; ++k) FindNamed<QLineEdit>(this, GainEdit(k))->setText(QString::number(r.SeamGain[k - 1]));
    bridgeSingle_->setChecked(r.SeamBridge != 0);
}

void SeamRemovalPage::SeamScreenSelectRadioGroupClick()
{
    if (!flags_.FormFilling) FillSeamPage();
}

void SeamRemovalPage::SeamBridgeSingleConfigCheckBoxClick()
{
    EditorBusyGuard busy(flags_);
    if (!busy || !MaySend(flags_, host_.linkUp())) return;
    const UnitIndex ui = WallToUnit(SelectedChannel());
    commands_.SendSeamBridge(ui.unit, ui.index, bridgeSingle_->isChecked() ? 1 : 0);
}

void SeamRemovalPage::SeamBridgeAllConfigCheckBoxClick()
{
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    const int on = bridgeAll_->isChecked() ? 1 : 0;
    if (MaySend(flags_, host_.linkUp())) {
        const int units = flags_.UnitCount > 1 ? 2 : 1;
        host_.showProgress(kInfoSeamBridgeAll);
        bool ok = true;
        for (int u = 1; u <= units && ok; ++u) {
            host_.showProgressUnit(u, units);
            for (int i = 1; i <= 4 && ok; ++i) ok = commands_.SendSeamBridge(u, i, on);
        }
        host_.hideProgress();
    }
    // Shown on the single box too; its own click operation is not run (and would find EditorBusy).
    bridgeSingle_->setChecked(on != 0);
}

void SeamRemovalPage::SeamAutoSingleConfigButtonClick()
{
    EditorBusyGuard busy(flags_);
    if (!busy || !MaySend(flags_, host_.linkUp())) return;
    const UnitIndex ui = WallToUnit(SelectedChannel());
    host_.showProgress(kInfoAutoSeam);
    host_.showProgressUnit(ui.unit, flags_.UnitCount > 1 ? 2 : 1);
    commands_.SendAutoSeam(ui.unit, ui.index);
    host_.hideProgress();
}

void SeamRemovalPage::SeamAutoAllConfigButtonClick()
{
    EditorBusyGuard busy(flags_);
    if (!busy || !MaySend(flags_, host_.linkUp())) return;
    const int units = flags_.UnitCount > 1 ? 2 : 1;
    host_.showProgress(kInfoAutoSeam);
    bool ok = true;
    for (int u = 1; u <= units && ok; ++u) {
        host_.showProgressUnit(u, units);
        for (int i = 1; i <= 4 && ok; ++i) ok = commands_.SendAutoSeam(u, i);
    }
    host_.hideProgress();
}

void SeamRemovalPage::ResetSeamGainButtonClick()
{
    EditorBusyGuard busy(flags_);
    if (!busy) return;
    if (!op_.askYesNo(kTitleResetSeamGain, kAskResetSeamGain)) return;
    host_.setBusy(true);
    for (int k = 1; k <= 8; ++k) FindNamed<QLineEdit>(this, GainEdit(k))->setText(QStringLiteral("128"));
    // Gain 1's commit checks it and sends all eight gains in one MANSEAM.
    fields_->Commit(GainEdit(1));
    host_.setBusy(false);
}

}  // namespace kalvora
