#pragma once
// The Planning page (PlanningTabSheet): screen size and projector resolution in, the plan of
// the wall out, with its two drawings and the content requirement text.
//
// The main window owns one page, hands it the settings, the flags, the operator and its host (the
// link and the other pages). First show: set FormFilling, then InitialisePlan() (aspect 1.0,
// ResetPlan, Calculate), then clear FormFilling.

#include <QWidget>

#include "planning/content_requirement.h"
#include "planning/layout_drawing.h"
#include "planning/plan_state.h"
#include "editors/planning_host.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QGroupBox;

namespace kalvora {

class Operator;
struct MainFlags;
struct Settings;
class ProjectorStripView;
class PlacementRulerView;

class PlanningPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTypedSizeLength = 6;  // what the operator may type into a screen size field

    PlanningPage(Settings& settings, MainFlags& flags, Operator& op, PlanningHost& host, QWidget* parent = nullptr);
    ~PlanningPage() override;

    PlanState& plan() { return plan_; }
    const PlanState& plan() const { return plan_; }
    // The largest overlap width the overlap field accepts and the bulk send carries: the units'
    // output format decides once their settings are known, as in the command-line tool.
    int overlapWidthMax() const;

    // Working count n (selection of NumOfScreenComboBox + 1) and alignment index (-1 if none).
    int workingCount() const;
    int alignment() const;

    // Start-up: AspectRatio = 1.0, ResetPlan, Calculate. The caller sets FormFilling around it.
    void InitialisePlan();

    // ---- page handlers ----
    void ResetPlan();
    void CalcOutButtonClick();
    void ProjectorResComboBoxChange();
    void NumOfScreenComboBoxChange();
    void ImageAlignComboBoxChange();

    // ---- operations other pages call ----
    // Redraws both drawings, then updates the image positions (the overlap width check).
    void DrawProjectorLayout();
    void UpdateContentRequirement();
    // AspectRatio and OutSizeH from the image size, shown on the page.
    void UpdateAspectFromImage();
    // MinNumOfOverlapLabel shows text (the overlap width check shows the edit's text there).
    void setOverlapText(const QString& text);

    // Selections without running any handler (fills from the unit records).
    void selectProjectorCount(int n);
    void selectAlignment(int alignment);
    void selectResolution(int index);
    // Shows the plan's aspect ratio (G3), image size (G15) and horizontal size (G5) as they are.
    void showPlanValues();

    // After a read from the units or a file load (run with FormFilling set): takes the count,
    // the alignment, the sizes and the resolution from unit 1's records, warning first when the
    // count or the alignment differ from the page (only while the window is visible), and runs
    // the two-unit check (its answer does not stop the sync); then shows the wall's screens and
    // channels on the editor pages and its content requirement. The caller redraws (the overlap
    // width check) once the overlap width is filled.
    void SyncPlanningFromRecords(bool windowVisible);

    // The drawings as last laid out, the content text exactly as built ("\r\n" line ends)
    // and the image positions last computed.
    const ProjectorStrip& strip() const;
    const PlacementRuler& ruler() const;
    const QString& contentText() const { return contentText_; }
    const std::optional<ImagePositions>& imagePositions() const { return positions_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void applyShow(const PlanShow& show);
    bool readSize(QLineEdit* edit, double& size, const char* name);
    void minimumCountStep();
    void runCalcOverlap(int n);
    void updateImagePositions(int n, int w);
    bool overlapWidth(int& w);
    // Sends to unit 1, then unit 2 when two are in use; false when a send was abandoned.
    bool sendToUnits(const std::function<bool(int unit)>& send);
    // The alignment step; sends DISP only when `send` is true.
    void alignImage(bool send);
    void selectCountIndex(double storedCount);
    int storedCount() const;

    Settings& settings_;
    MainFlags& flags_;
    Operator& op_;
    PlanningHost& host_;
    PlanState plan_;
    QString contentText_;
    std::optional<ImagePositions> positions_;

    QListWidget* instructions_ = nullptr;
    QLineEdit* horizontalEdit_ = nullptr;
    QLineEdit* verticalEdit_ = nullptr;
    QComboBox* resolutionCombo_ = nullptr;
    QComboBox* countCombo_ = nullptr;
    QComboBox* alignCombo_ = nullptr;
    QPushButton* calcButton_ = nullptr;
    QLabel* aspectLabel_ = nullptr;
    QLabel* imageHLabel_ = nullptr;
    QLabel* imageVLabel_ = nullptr;
    QLabel* overlapLabel_ = nullptr;
    QLabel* tornelLabel_ = nullptr;
    std::array<QLabel*, kMaxProjectors> legend_{};
    QPlainTextEdit* contentMemo_ = nullptr;
    ProjectorStripView* stripView_ = nullptr;
    PlacementRulerView* rulerView_ = nullptr;
};

// Renders the page (as it is now) to a PNG file; false if the file cannot be written.
bool SavePlanningPagePng(PlanningPage& page, const QString& path);

}  // namespace kalvora
