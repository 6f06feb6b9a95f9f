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
#include "planning/overlap_limit.h"
#include "planning/plan_sync.h"
#include "platform/operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora {

namespace {

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

// The program's own values (five significant digits, "0.24375") may be longer than what may be
// typed: they are shown in full, so the next Calculate reads what the program wrote.
void SetSizeText(QLineEdit* edit, const QString& text)
{
    edit->setMaxLength(std::max<int>(PlanningPage::kTypedSizeLength, int(text.size())));
    edit->setText(text);
}

}  // namespace

PlanningPage::PlanningPage(Settings& settings, MainFlags& flags, Operator& op, PlanningHost& host, QWidget* parent)
    : QWidget(parent), settings_(settings), flags_(flags), op_(op), host_(host)
{
    setObjectName(QStringLiteral("PlanningTabSheet"));
    buildControls();
}

PlanningPage::~PlanningPage() = default;

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
    if (show.overlapWidth) host_.showOverlapWidth(*show.overlapWidth);
    // The content text repeats the labels: it never says otherwise than they do.
    if (show.aspectRatio || show.imageSizeH || show.imageSizeV) UpdateContentRequirement();
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
    host_.reapplyFeatheringMode();
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
    if (flags_.EditorBusy || host_.unitsBusy()) return;
    FlagGuard busy(flags_.EditorBusy);
    calcButton_->setEnabled(false);
    struct Reenable {
        QPushButton* button;
        ~Reenable() { button->setEnabled(true); }
    } reenable{calcButton_};

    if (!readSize(horizontalEdit_, plan_.OutSizeH, "Horizontal")) return;
    if (!readSize(verticalEdit_, plan_.OutSizeV, "Vertical")) return;

    if (host_.linkUp()) {
        if (host_.throughController()) {
            // A controller may see more units than the two this program addresses.
            flags_.UnitCount = std::min(host_.unitsSeen(), 2);
            if (flags_.UnitCount < 1) {
                op_.showMessage(QStringLiteral("Tornel not detected by Controller.\n(1)Check cables.\n(2)Make sure the "
                                               "Tornel has booted up completely and reboot the Controller."));
                return;
            }
        } else {
            flags_.UnitCount = 1;
        }
        for (int unit = 1; unit <= flags_.UnitCount; ++unit) {
            if (!host_.readUnitStatus(unit)) {
                op_.showMessage(QStringLiteral("Tornel %1 communication error! Please check Serial connections and try again")
                                    .arg(unit));
                op_.setStatus(QString());
                return;
            }
        }
    }

    countCombo_->setEnabled(true);
    alignCombo_->setEnabled(true);
    host_.enableWallEditing();

    plan_.AspectRatio = plan_.OutSizeH / plan_.OutSizeV;
    aspectLabel_->setText(FormatG3(plan_.AspectRatio));
    UpdateContentRequirement();
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
    if (flags_.FormFilling || !host_.linkUp()) return true;
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
    if (host_.linkUp() && !host_.checkTwoUnits(n, storedCount())) {
        plan_.NumOfProjectors = previousCount;
        selectCountIndex(previousCount);
        runCalcOverlap(workingCount());
        return;
    }
    BusyCursor cursor(op_);
    // An abandoned PRJ ends the sequence: no DISP follows it.
    const bool sent = sendToUnits([&](int unit) { return host_.sendProjectorCount(unit, n); });
    host_.showFeatheringControls(n > 1);
    alignImage(sent);
    host_.showEditorsFor(n);
    DrawProjectorLayout();
    UpdateContentRequirement();
}

bool PlanningPage::overlapWidth(int& w)
{
    const QString text = host_.overlapWidthText();
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
        if (ParseInteger(host_.overlapWidthText(), w)) updateImagePositions(n, w);
        return;
    }
    // A width the overlap field refused is not sent on; its own check has said so already
    // unless the field was never committed, which this message covers.
    if (!overlapWidth(w)) return;
    const int a = alignment();
    if (a >= 0 && send) sendToUnits([&](int unit) { return host_.sendDisplayLayout(unit, a, w); });
    updateImagePositions(n, w);
}

void PlanningPage::updateImagePositions(int n, int w)
{
    PlanShow show;
    auto positions = UpdateImagePositions(plan_, n, w, alignment(), show);
    if (!positions) return;
    applyShow(show);
    positions_ = positions;
    host_.showImagePositions(positions->start, positions->end);
}

void PlanningPage::DrawProjectorLayout()
{
    const int n = workingCount();
    int w = 0;
    const bool haveWidth = ParseInteger(host_.overlapWidthText(), w);
    std::array<Rgb, kMaxProjectors> colours{};
    for (int k = 0; k < kMaxProjectors; ++k) colours[k] = legend_[k]->palette().color(QPalette::Window).rgb() & 0xFFFFFFu;
    stripView_->setStrip(LayoutProjectorStrip(n, w, plan_.ProjResH, colours));
    rulerView_->setRuler(LayoutPlacementRuler(plan_, n, horizontalEdit_->text()));
    if (haveWidth) updateImagePositions(n, w);
}

void PlanningPage::UpdateContentRequirement()
{
    if (!contentMemo_ || !aspectLabel_ || !imageHLabel_ || !imageVLabel_) return;  // still being built
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

int PlanningPage::overlapWidthMax() const { return OverlapWidthMax(settings_, plan_); }

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
    host_.checkTwoUnits(workingCount(), storedCount());

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
    host_.showFeatheringControls(n > 1);
    if (n != countBefore) host_.showEditorsFor(n);
    tornelLabel_->setText(n > 4 ? QStringLiteral("2") : QStringLiteral("1"));
    UpdateContentRequirement();
}

bool SavePlanningPagePng(PlanningPage& page, const QString& path)
{
    page.ensurePolished();
    if (!page.testAttribute(Qt::WA_WState_Created) || page.size().isEmpty()) page.adjustSize();
    return page.grab().save(path, "PNG");
}

}  // namespace kalvora
