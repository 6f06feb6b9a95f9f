#pragma once
// The Projector Setup page's host in the main window: the Display Setup page.

#include "editors/projector_setup_host.h"

namespace kalvora {

class TKalvoraForm;

class WindowProjectorSetupHost final : public ProjectorSetupHost {
public:
    explicit WindowProjectorSetupHost(TKalvoraForm& form) : form_(form) {}

    void showTestPattern(int screen) override;

private:
    TKalvoraForm& form_;
};

}  // namespace kalvora
