#include "app/window_projector_setup_host.h"

#include "app/main_window.h"
#include "editors/display_setup_page.h"

namespace kalvora {

void WindowProjectorSetupHost::showTestPattern(int screen) { form_.displayPage()->FillTestPattern(screen); }

}  // namespace kalvora
