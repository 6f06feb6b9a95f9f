#include "app/window_field_host.h"

#include "app/main_window.h"
#include "editors/display_setup_page.h"
#include "editors/seam_removal_page.h"
#include "editors/source_setup_page.h"

namespace kalvora {

WindowFieldHost::WindowFieldHost(TKalvoraForm& window) : QObject(&window), window_(window) {}

bool WindowFieldHost::linkEstablished() { return window_.LinkEstablished(); }

int WindowFieldHost::selectedChannel(ChannelPage page)
{
    if (page == ChannelPage::Source) return window_.sourcePage() ? window_.sourcePage()->SelectedChannel() : 1;
    return window_.seamPage() ? window_.seamPage()->SelectedChannel() : 1;
}

void WindowFieldHost::restoreFill(RestoreFill fill, int screen)
{
    switch (fill) {
    case RestoreFill::None: break;
    case RestoreFill::BlackLevel:
        if (DisplaySetupPage* display = window_.displayPage()) display->FillBlackLevel(screen);
        break;
    case RestoreFill::SourcePage: window_.FillSourcePage(); break;
    case RestoreFill::SeamPage: window_.FillSeamPage(); break;
    }
}

PositionWindow WindowFieldHost::positionWindow()
{
    return window_.sourcePage() ? window_.sourcePage()->positionWindow() : PositionWindow{};
}

bool WindowFieldHost::sendEdgeFeathering(int screen, int side)
{
    DisplaySetupPage* display = window_.displayPage();
    if (!display) return false;
    return side == 0 ? display->SendLeftEdgeFeathering(screen) : display->SendRightEdgeFeathering(screen);
}

}  // namespace kalvora
