#pragma once
// The Planning page's host in the main window: the link, the commands and the other pages.

#include "editors/planning_host.h"

class QLineEdit;

namespace kalvora {

class TKalvoraForm;

class WindowPlanningHost final : public PlanningHost {
public:
    explicit WindowPlanningHost(TKalvoraForm& form) : form_(form) {}

    bool linkUp() const override;
    bool unitsBusy() const override;
    bool throughController() const override;
    int unitsSeen() override;
    bool readUnitStatus(int unit) override;
    bool checkTwoUnits(int workingCount, int storedCount) override;
    bool sendProjectorCount(int unit, int count) override;
    bool sendDisplayLayout(int unit, int alignment, int overlapWidth) override;
    QString overlapWidthText() const override;
    void showOverlapWidth(const QString& text) override;
    void showImagePositions(const std::array<QString, 8>& start, const std::array<QString, 8>& end) override;
    void showEditorsFor(int screens) override;
    void showFeatheringControls(bool visible) override;
    void reapplyFeatheringMode() override;
    void enableWallEditing() override;

private:
    QLineEdit* overlapWidthEdit() const;

    TKalvoraForm& form_;
    mutable QLineEdit* overlapWidth_ = nullptr;  // found once the pages are built
};

}  // namespace kalvora
