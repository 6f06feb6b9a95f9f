#include "editors/planning_page.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "editors/drawing_views.h"
#include "settings/number_format.h"
#include "planning/plan_sync.h"
#include "platform/operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora {

namespace {

const char* const kInstructions[] = {
    "- If Tornel(s) are connected to the PC/laptop, click on the \"Serial Port->Search for Tornel(s)->Search\" menu "
    "and establish connection to the Tornel(s).",
    "- If connection with Tornel(s) has been established and changes done to Tornel(s) via front panel, click on the "
    "\"Serial Port->Read from Tornel(s)\" to update the Kalvora.",
    "",
    "1) Enter the Horizontal size and Vertical size of the output screen in the given edit boxes. ",
    "2) Select the Projectors Native Resolution from the drop down box. ",
    "When done, click the \"Calculate\" button. Kalvora will calculate the output aspect ratio, number of projectors, "
    "projector overlap, and input image size requirements.",
    "NOTE: Manually selecting number of projectors required will alter Image Size, Output Aspect Ratio requirements",
    "            If number of projectors exceed 4, a second Tornel unit is required.",
};

const QString kCenteredLimit = QStringLiteral("Error! Maximum number of projectors for center justified image is 7");

// The hourglass for the length of a scope.
class BusyCursor {
public:
    explicit BusyCursor(Operator& op) : op_(op) { op_.setBusy(true); }
    ~BusyCursor() { op_.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    Operator& op_;
};

template <typename W>
W* Named(QWidget* parent, const char* name)
{
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* Caption(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

constexpr int kTypedSizeLength = 6;  // what the operator may type into a screen size field

// The program's own values (five significant digits, "0.24375") may be longer than what may be
// typed: they are shown in full, so the next Calculate reads what the program wrote.
void SetSizeText(QLineEdit* edit, const QString& text)
{
    edit->setMaxLength(std::max<int>(kTypedSizeLength, int(text.size())));
    edit->setText(text);
}

}  // namespace

PlanningPage::PlanningPage(Settings& settings, MainFlags& flags, Operator& op, QWidget* parent)
    : QWidget(parent), settings_(settings), flags_(flags), op_(op)
{
    setObjectName(QStringLiteral("PlanningTabSheet"));
    // A compact face so the page fits the fixed main window like the other pages.
    QFont compact = font();
    compact.setPixelSize(11);
    setFont(compact);
    hooks_.overlapWidthText = [this] { return overlapWidthText_; };
    hooks_.setOverlapWidthText = [this](const QString& text) { overlapWidthText_ = text; };
    buildControls();
}

PlanningPage::~PlanningPage() = default;

void PlanningPage::buildControls()
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(2);

    instructions_ = Named<QListWidget>(this, "ListBox1");
    for (const char* line : kInstructions) instructions_->addItem(QString::fromLatin1(line));
    instructions_->setFrameShape(QFrame::NoFrame);
    instructions_->setSelectionMode(QAbstractItemView::NoSelection);
    instructions_->setFocusPolicy(Qt::NoFocus);
    instructions_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    instructions_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    {
        QPalette pal = instructions_->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
        instructions_->setPalette(pal);
        QFont small = font();
        small.setPixelSize(10);
        instructions_->setFont(small);
        instructions_->setFixedHeight(8 * instructions_->sizeHintForRow(0) + 4);
    }
    page->addWidget(instructions_);

    stripView_ = new ProjectorStripView(this);
    page->addWidget(stripView_);

    auto* lower = new QHBoxLayout;
    lower->setSpacing(2);
    page->addLayout(lower, 1);

    // Left column: the calculation and the colour legend.
    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    lower->addLayout(left, 1);

    auto* calc = Named<QGroupBox>(this, "CalcGroupBox");
    calc->setTitle(QStringLiteral("Calculate Aspect Ratio, Number of Screens, Data Overlap, and Input Image Size"));
    left->addWidget(calc);
    {
        // The long caption in a slightly smaller face, so the group fits beside the ruler.
        QFont titleFont = font();
        titleFont.setPixelSize(10);
        calc->setFont(titleFont);
    }
    auto* calcLayout = new QVBoxLayout(calc);
    calcLayout->setContentsMargins(4, 4, 4, 4);
    auto* calcBody = new QWidget(calc);
    calcBody->setFont(font());
    calcLayout->addWidget(calcBody);
    auto* grid = new QGridLayout(calcBody);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(3);

    auto* sizeGroup = Named<QGroupBox>(calcBody, "OutputScreenSizeGroupBox");
    sizeGroup->setTitle(QStringLiteral("Output Screen Size"));
    auto* sizeGrid = new QGridLayout(sizeGroup);
    horizontalEdit_ = Named<QLineEdit>(sizeGroup, "HorizontalOutEdit");
    verticalEdit_ = Named<QLineEdit>(sizeGroup, "VerticalOutEdit");
    horizontalEdit_->setText(QStringLiteral("30"));
    verticalEdit_->setText(QStringLiteral("10"));
    for (QLineEdit* e : {horizontalEdit_, verticalEdit_}) {
        e->setMaxLength(kTypedSizeLength);
        // Wide enough for a value the program writes with five significant digits ("-0.0012346").
        e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("-0.0012346")) + 12);
        // Once the operator's own text is short enough, the typing limit holds again.
        connect(e, &QLineEdit::textEdited, e, [e](const QString& text) {
            if (text.size() <= kTypedSizeLength) e->setMaxLength(kTypedSizeLength);
        });
        e->installEventFilter(this);
    }
    sizeGrid->addWidget(Caption(sizeGroup, QStringLiteral("Horizontal")), 0, 0);
    sizeGrid->addWidget(horizontalEdit_, 0, 1);
    sizeGrid->addWidget(Caption(sizeGroup, QStringLiteral("Vertical")), 1, 0);
    sizeGrid->addWidget(verticalEdit_, 1, 1);
    grid->addWidget(sizeGroup, 0, 0, 3, 2);

    resolutionCombo_ = Named<QComboBox>(calcBody, "ProjectorResComboBox");
    for (const auto& r : kProjectorResolutions) resolutionCombo_->addItem(QString::fromLatin1(r.caption));
    resolutionCombo_->setCurrentIndex(-1);
    grid->addWidget(Caption(calcBody, QStringLiteral("Projector Native Resolution")), 0, 2, 1, 2);
    grid->addWidget(resolutionCombo_, 1, 2, 1, 2);

    calcButton_ = Named<QPushButton>(calcBody, "CalcOutButton");
    calcButton_->setText(QStringLiteral("Calculate"));
    grid->addWidget(calcButton_, 2, 2, 1, 2);

    countCombo_ = Named<QComboBox>(calcBody, "NumOfScreenComboBox");
    countCombo_->addItem(QStringLiteral("1 Projector"));
    for (int k = 2; k <= kMaxProjectors; ++k) countCombo_->addItem(QStringLiteral("%1 Projectors").arg(k));
    countCombo_->setCurrentIndex(0);
    countCombo_->setEnabled(false);
    grid->addWidget(Caption(calcBody, QStringLiteral("Number of Projectors")), 3, 0, 1, 2);
    grid->addWidget(countCombo_, 4, 0, 1, 2);

    alignCombo_ = Named<QComboBox>(calcBody, "ImageAlignComboBox");
    alignCombo_->addItems({QStringLiteral("Left Justified"), QStringLiteral("Centered")});
    alignCombo_->setCurrentIndex(-1);
    alignCombo_->setEnabled(false);
    grid->addWidget(Caption(calcBody, QStringLiteral("Input Material Alignment")), 3, 2, 1, 2);
    grid->addWidget(alignCombo_, 4, 2, 1, 2);

    aspectLabel_ = Named<QLabel>(calcBody, "OutAspectRatioLabel");
    aspectLabel_->setText(QStringLiteral("?"));
    imageHLabel_ = Named<QLabel>(calcBody, "ImageSizeHLabel");
    imageVLabel_ = Named<QLabel>(calcBody, "ImageSizeVLabel");
    overlapLabel_ = Named<QLabel>(calcBody, "MinNumOfOverlapLabel");
    tornelLabel_ = Named<QLabel>(calcBody, "NumOfTornelLabel");
    for (QLabel* l : {imageHLabel_, imageVLabel_, overlapLabel_, tornelLabel_}) l->setText(QStringLiteral("N/A"));

    const auto resultRow = [&](int row, const QString& caption, std::initializer_list<QWidget*> values) {
        auto* line = new QHBoxLayout;
        line->setSpacing(4);
        for (QWidget* v : values) line->addWidget(v);
        line->addStretch(1);
        grid->addWidget(Caption(calcBody, caption), row, 0, 1, 2, Qt::AlignRight);
        grid->addLayout(line, row, 2, 1, 2);
    };
    resultRow(5, QStringLiteral("Output Aspect Ratio:"), {aspectLabel_, Caption(calcBody, QStringLiteral(":1"))});
    resultRow(6, QStringLiteral("Input Image Size Required:"),
              {imageHLabel_, Caption(calcBody, QStringLiteral("x")), imageVLabel_});
    resultRow(7, QStringLiteral("Projector Overlap:"), {overlapLabel_});
    resultRow(8, QStringLiteral("Number of Tornel(s) required:"), {tornelLabel_});
    for (QLabel* l : {aspectLabel_, imageHLabel_, imageVLabel_, overlapLabel_, tornelLabel_}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }

    auto* legend = Named<QGroupBox>(this, "ScreenLegendGroupBox");
    legend->setTitle(QStringLiteral("Projector Color Legend"));
    auto* legendGrid = new QGridLayout(legend);
    legendGrid->setSpacing(3);
    for (int k = 0; k < kMaxProjectors; ++k) {
        auto* label = new QLabel(QStringLiteral("Projector %1").arg(k + 1), legend);
        label->setObjectName(QStringLiteral("Screen%1Label").arg(k + 1));
        label->setAutoFillBackground(true);
        label->setAlignment(Qt::AlignCenter);
        QPalette pal = label->palette();
        const QColor background = QColor::fromRgb(static_cast<QRgb>(0xFF000000u | kProjectorColours[k]));
        pal.setColor(QPalette::Window, background);
        pal.setColor(QPalette::WindowText, qGray(background.rgb()) < 90 ? Qt::white : Qt::black);
        label->setPalette(pal);
        legend_[k] = label;
        legendGrid->addWidget(label, k / 4, k % 4);
    }
    left->addWidget(legend);
    left->addStretch(1);
    // The ruler column keeps its drawing's size; this column takes what is left of the page.
    for (QWidget* w : {static_cast<QWidget*>(calc), static_cast<QWidget*>(legend)})
        w->setSizePolicy(QSizePolicy::Ignored, w->sizePolicy().verticalPolicy());

    // Right column: placement ruler and content requirement.
    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    lower->addLayout(right);

    auto* placement = Named<QGroupBox>(this, "ProjectorPlacementGroupBox");
    placement->setTitle(QStringLiteral("Projector Placement"));
    auto* placementLayout = new QVBoxLayout(placement);
    placementLayout->setContentsMargins(1, 1, 1, 1);
    rulerView_ = new PlacementRulerView(placement);
    placementLayout->addWidget(rulerView_);
    right->addWidget(placement);

    auto* content = Named<QGroupBox>(this, "ImageContentReqGroupBox");
    content->setTitle(QStringLiteral("Image Content Creation Requirement"));
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(2, 2, 2, 2);
    contentMemo_ = Named<QPlainTextEdit>(content, "ImageContentInfoMemo");
    contentMemo_->setReadOnly(true);
    contentMemo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    {
        QPalette pal = contentMemo_->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
        contentMemo_->setPalette(pal);
    }
    contentLayout->addWidget(contentMemo_);
    right->addWidget(content, 1);

    // Operator actions only: selections made by the program never run the handlers by themselves.
    connect(calcButton_, &QPushButton::clicked, this, [this] { CalcOutButtonClick(); });
    connect(resolutionCombo_, &QComboBox::activated, this, [this] { ProjectorResComboBoxChange(); });
    connect(countCombo_, &QComboBox::activated, this, [this] { NumOfScreenComboBoxChange(); });
    connect(alignCombo_, &QComboBox::activated, this, [this] { ImageAlignComboBoxChange(); });
}

int PlanningPage::workingCount() const { return std::clamp(countCombo_->currentIndex() + 1, 1, kMaxProjectors); }

int PlanningPage::alignment() const { return alignCombo_->currentIndex(); }

int PlanningPage::storedCount() const
{
    return static_cast<int>(std::clamp<long long>(TruncateToInteger(plan_.NumOfProjectors), INT_MIN, INT_MAX));
}

const ProjectorStrip& PlanningPage::strip() const { return stripView_->strip(); }

const PlacementRuler& PlanningPage::ruler() const { return rulerView_->ruler(); }

void PlanningPage::applyShow(const PlanShow& show)
{
    if (show.aspectRatio) aspectLabel_->setText(*show.aspectRatio);
    if (show.imageSizeH) imageHLabel_->setText(*show.imageSizeH);
    if (show.imageSizeV) imageVLabel_->setText(*show.imageSizeV);
    if (show.horizontalSize) SetSizeText(horizontalEdit_, *show.horizontalSize);
    if (show.overlap) overlapLabel_->setText(*show.overlap);
    if (show.overlapWidth) hooks_.setOverlapWidthText(*show.overlapWidth);
}

void PlanningPage::InitialisePlan()
{
    plan_.AspectRatio = 1.0;
    ResetPlan();
    CalcOutButtonClick();
}

void PlanningPage::ResetPlan()
{
    double v = 0;
    if (ParseDecimal(horizontalEdit_->text(), v)) plan_.OutSizeH = v;
    if (ParseDecimal(verticalEdit_->text(), v)) plan_.OutSizeV = v;
    plan_.ProjOverlap = 0;
    settings_.OutputWidth = 1280;
    settings_.OutputHeight = 1024;
    hooks_.runAdvancedModeHandler();
    resolutionCombo_->setCurrentIndex(2);
    ProjectorResComboBoxChange();
    countCombo_->setCurrentIndex(0);
    NumOfScreenComboBoxChange();
    alignCombo_->setCurrentIndex(Centered);
}

bool PlanningPage::readSize(QLineEdit* edit, double& size, const char* name)
{
    const QString text = edit->text();
    double v = 0;
    if (!ParseDecimal(text, v)) {
        op_.showMessage(QStringLiteral("Error! '") + text + QStringLiteral("' is not a valid ") +
                        QLatin1String(name) + QStringLiteral(" Output Screen Size value."));
        edit->setFocus();
        return false;
    }
    size = v;  // a refused value of 0 or less stays until the next Calculate
    if (v <= 0) {
        op_.showMessage(QStringLiteral("Error! ") + QLatin1String(name) +
                        QStringLiteral(" Output Screen Size value must be greater than 0."));
        edit->setFocus();
        return false;
    }
    return true;
}

void PlanningPage::CalcOutButtonClick()
{
    if (flags_.EditorBusy || hooks_.linkBusy()) return;
    FlagGuard busy(flags_.EditorBusy);
    calcButton_->setEnabled(false);
    struct Reenable {
        QPushButton* button;
        ~Reenable() { button->setEnabled(true); }
    } reenable{calcButton_};

    if (!readSize(horizontalEdit_, plan_.OutSizeH, "Horizontal")) return;
    if (!readSize(verticalEdit_, plan_.OutSizeV, "Vertical")) return;

    if (hooks_.linkEstablished()) {
        if (hooks_.controllerMode()) {
            // A controller may see more units than the two this program addresses.
            flags_.UnitCount = std::min(hooks_.queryUnitCount(), 2);
            if (flags_.UnitCount < 1) {
                op_.showMessage(QStringLiteral("Tornel not detected by Controller.\n(1)Check cables.\n(2)Make sure the "
                                               "Tornel has booted up completely and reboot the Controller."));
                return;
            }
        } else {
            flags_.UnitCount = 1;
        }
        for (int unit = 1; unit <= flags_.UnitCount; ++unit) {
            if (!hooks_.queryUnit(unit)) {
                op_.showMessage(QStringLiteral("Tornel %1 communication error! Please check Serial connections and try again")
                                    .arg(unit));
                op_.setStatus(QString());
                return;
            }
        }
    }

    countCombo_->setEnabled(true);
    alignCombo_->setEnabled(true);
    hooks_.enableAfterCalculate();

    plan_.AspectRatio = plan_.OutSizeH / plan_.OutSizeV;
    aspectLabel_->setText(FormatG3(plan_.AspectRatio));
    PlanShow show;
    CalcImageSize(plan_, show);
    applyShow(show);
    minimumCountStep();
    runCalcOverlap(workingCount());
    UpdateContentRequirement();
}

void PlanningPage::minimumCountStep()
{
    const int count = CalcNumOfProjectors(plan_);
    if (count > kMaxProjectors) {
        op_.showMessage(QStringLiteral("Error! Minimum # of screen calculated is greater than ") +
                        QString::number(kMaxProjectors) +
                        QStringLiteral(". Please enter valid Horizontal/Vertical Output Size and Projector Resolution."));
        horizontalEdit_->setFocus();
        return;
    }
    countCombo_->setCurrentIndex(std::max(count, 1) - 1);
    NumOfScreenComboBoxChange();
    if (plan_.NumOfProjectors > 4) {
        tornelLabel_->setText(QStringLiteral("2"));
        op_.setStatus(QStringLiteral("NOTE: Current settings require 2 Tornels."));
    } else {
        tornelLabel_->setText(QStringLiteral("1"));
        op_.setStatus(QStringLiteral("NOTE: Current settings require 1 Tornel."));
    }
}

void PlanningPage::ProjectorResComboBoxChange()
{
    const int index = resolutionCombo_->currentIndex();
    if (index >= 0 && index < static_cast<int>(kProjectorResolutions.size())) {
        plan_.ProjResH = kProjectorResolutions[index].width;
        plan_.ProjResV = kProjectorResolutions[index].height;
    }
    PlanShow show;
    CalcImageSize(plan_, show);
    applyShow(show);
    minimumCountStep();
    UpdateContentRequirement();
}

void PlanningPage::runCalcOverlap(int n)
{
    PlanShow show;
    CalcOverlap(plan_, n, {settings_.StatusReadAvailable, settings_.InputImageWidth()}, show);
    applyShow(show);
}

void PlanningPage::selectCountIndex(double stored)
{
    // A stored count outside the list (9 or more after the minimum-count message, 0 before any
    // calculation) selects the nearest entry, so no later step sees a count outside 1..8.
    const long long index = TruncateToInteger(stored - 1);
    countCombo_->setCurrentIndex(static_cast<int>(std::clamp<long long>(index, 0, kMaxProjectors - 1)));
}

bool PlanningPage::sendToUnits(const std::function<bool(int unit)>& send)
{
    if (flags_.FormFilling || !hooks_.linkEstablished()) return true;
    if (!send(1)) return false;
    return flags_.UnitCount <= 1 || send(2);
}

void PlanningPage::NumOfScreenComboBoxChange()
{
    const int n = workingCount();
    if (n == kMaxProjectors && alignment() == Centered) {
        op_.showMessage(kCenteredLimit);
        selectCountIndex(plan_.NumOfProjectors);
        return;
    }
    // The overlap step may store n as the count when it clamps; a refused change must still go
    // back to the count the wall had before it.
    const double previousCount = plan_.NumOfProjectors;
    runCalcOverlap(n);
    if (hooks_.linkEstablished() && !hooks_.twoUnitCheck(n, storedCount())) {
        plan_.NumOfProjectors = previousCount;
        selectCountIndex(previousCount);
        runCalcOverlap(workingCount());
        return;
    }
    BusyCursor cursor(op_);
    // An abandoned PRJ ends the sequence: no DISP follows it.
    const bool sent = sendToUnits([&](int unit) { return hooks_.sendProjectorCount(unit, n); });
    hooks_.setFeatheringControlsVisible(n > 1);
    alignImage(sent);
    hooks_.showEditorsFor(n);
    DrawProjectorLayout();
    UpdateContentRequirement();
}

bool PlanningPage::overlapWidth(int& w)
{
    const QString text = hooks_.overlapWidthText();
    if (ParseInteger(text, w)) return true;
    op_.showMessage(QStringLiteral("Error! '") + text + QStringLiteral("' is not a valid Overlap Width."));
    return false;
}

void PlanningPage::ImageAlignComboBoxChange() { alignImage(true); }

void PlanningPage::alignImage(bool send)
{
    const int n = workingCount();
    int w = 0;
    if (alignment() == Centered && n >= kMaxProjectors) {
        op_.showMessage(kCenteredLimit);
        alignCombo_->setCurrentIndex(LeftJustified);
        if (ParseInteger(hooks_.overlapWidthText(), w)) updateImagePositions(n, w);
        return;
    }
    // A width the overlap field refused is not sent on; its own check has said so already
    // unless the field was never committed, which this message covers.
    if (!overlapWidth(w)) return;
    const int a = alignment();
    if (a >= 0 && send) sendToUnits([&](int unit) { return hooks_.sendDisplayLayout(unit, a, w); });
    updateImagePositions(n, w);
}

void PlanningPage::updateImagePositions(int n, int w)
{
    PlanShow show;
    auto positions = UpdateImagePositions(plan_, n, w, alignment(), show);
    if (!positions) return;
    applyShow(show);
    positions_ = positions;
    hooks_.setImagePositions(positions->start, positions->end);
}

void PlanningPage::DrawProjectorLayout()
{
    const int n = workingCount();
    int w = 0;
    const bool haveWidth = ParseInteger(hooks_.overlapWidthText(), w);
    std::array<Rgb, kMaxProjectors> colours{};
    for (int k = 0; k < kMaxProjectors; ++k) colours[k] = legend_[k]->palette().color(QPalette::Window).rgb() & 0xFFFFFFu;
    stripView_->setStrip(LayoutProjectorStrip(n, w, plan_.ProjResH, colours));
    rulerView_->setRuler(LayoutPlacementRuler(plan_, n, horizontalEdit_->text()));
    if (haveWidth) updateImagePositions(n, w);
}

void PlanningPage::UpdateContentRequirement()
{
    contentText_ = ContentRequirementText(workingCount(), aspectLabel_->text(), plan_.ProjResH, plan_.ProjResV,
                                          imageHLabel_->text(), imageVLabel_->text());
    QString shown = contentText_;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(QLatin1Char('\n'))) shown.chop(1);
    contentMemo_->clear();
    contentMemo_->setPlainText(shown);
}

void PlanningPage::UpdateAspectFromImage()
{
    PlanShow show;
    kalvora::UpdateAspectFromImage(plan_, show);
    applyShow(show);
}

void PlanningPage::setOverlapText(const QString& text) { overlapLabel_->setText(text); }

void PlanningPage::selectProjectorCount(int n) { countCombo_->setCurrentIndex(std::clamp(n, 1, kMaxProjectors) - 1); }

void PlanningPage::selectAlignment(int a) { alignCombo_->setCurrentIndex(a == Centered ? Centered : LeftJustified); }

void PlanningPage::selectResolution(int index)
{
    if (index >= 0 && index < static_cast<int>(kProjectorResolutions.size())) resolutionCombo_->setCurrentIndex(index);
}

void PlanningPage::showPlanValues()
{
    aspectLabel_->setText(FormatG3(plan_.AspectRatio));
    imageHLabel_->setText(FormatG15(plan_.ImageSizeH));
    imageVLabel_->setText(FormatG15(plan_.ImageSizeV));
    SetSizeText(horizontalEdit_, FormatG5(plan_.OutSizeH));
}

void PlanningPage::SyncPlanningFromRecords(bool windowVisible)
{
    const OutputScreenRecord& p = settings_.output(1, 1);
    const int countBefore = workingCount();
    if (windowVisible) {
        const bool alignDiffers = alignment() != p.Alignment;
        const bool countDiffers = countCombo_->currentIndex() != p.TotalProjectors - 1;
        const QString tail = QStringLiteral(" information read from Tornel(s) does not match current values in the "
                                            "Planning page. \rPlanning page values will be overwritten");
        if (alignDiffers && countDiffers)
            op_.showMessage(QStringLiteral("Warning. Number of Projectors and Input Material Alignment") + tail);
        else if (alignDiffers)
            op_.showMessage(QStringLiteral("Warning. Input Material Alignment") + tail);
        else if (countDiffers)
            op_.showMessage(QStringLiteral("Warning. Number of Projectors") + tail);
    }
    // A record holding a value the lists do not have (never read, or a damaged file) leaves the
    // alignment as it is and shows the nearest projector count.
    if (p.Alignment == LeftJustified || p.Alignment == Centered) alignCombo_->setCurrentIndex(p.Alignment);
    selectProjectorCount(p.TotalProjectors);
    plan_.NumOfProjectors = p.TotalProjectors;
    hooks_.twoUnitCheck(workingCount(), storedCount());

    UnitPlan unit;
    unit.totalProjectors = p.TotalProjectors;
    unit.overlapWidth = p.OverlapWidth;
    unit.inputWidth = settings_.InputImageWidth();
    unit.inputHeight = settings_.InputImageHeight();
    unit.outputWidth = settings_.OutputWidth;
    unit.outputHeight = settings_.OutputHeight;
    PlanShow show;
    SyncPlanFromUnit(plan_, workingCount(), unit, show);
    applyShow(show);
    const int index = ResolutionIndexForWidth(plan_.ProjResH);
    if (index >= 0) resolutionCombo_->setCurrentIndex(index);

    // The other pages show the wall that was read: its screens, its edges, its channels.
    const int n = workingCount();
    hooks_.setFeatheringControlsVisible(n > 1);
    if (n != countBefore) hooks_.showEditorsFor(n);
    tornelLabel_->setText(n > 4 ? QStringLiteral("2") : QStringLiteral("1"));
    UpdateContentRequirement();
}

bool PlanningPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == horizontalEdit_) {
                verticalEdit_->setFocus();
                return true;
            }
            if (watched == verticalEdit_) {
                calcButton_->setFocus();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool SavePlanningPagePng(PlanningPage& page, const QString& path)
{
    page.ensurePolished();
    if (!page.testAttribute(Qt::WA_WState_Created) || page.size().isEmpty()) page.adjustSize();
    return page.grab().save(path, "PNG");
}

}  // namespace kalvora
