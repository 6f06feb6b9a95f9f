#pragma once
// The host of the Source Setup and Seam Removal pages in the main window: the link, the page
// control and the information window for long operations.

#include "editors/unit_operation_host.h"

namespace kalvora {

class TKalvoraForm;

class WindowUnitOperationHost final : public UnitOperationHost {
public:
    explicit WindowUnitOperationHost(TKalvoraForm& form) : form_(form) {}

    bool linkUp() const override;
    void refreshCurrentPage() override;
    void holdPages(bool held) override;
    void showProgress(const QString& text) override;
    void showProgressUnit(int unit, int units) override;
    void hideProgress() override;
    void setBusy(bool busy) override;

private:
    TKalvoraForm& form_;
};

}  // namespace kalvora
