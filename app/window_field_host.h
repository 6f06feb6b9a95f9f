#pragma once
// What the window's numeric fields (the Display Setup page's, and the colour and seam gain
// commits of the bulk send) ask of the window: the link, the pages' selected channels, the
// restore fills, the source channel's position window and the per-edge feathering sender.

#include <QObject>

#include "editors/numeric_fields.h"

namespace kalvora {

class TKalvoraForm;

class WindowFieldHost final : public QObject, public NumericFieldHost {
public:
    // A child of the window: it lives as long as the window's fields do.
    explicit WindowFieldHost(TKalvoraForm& window);

    bool linkEstablished() override;
    int selectedChannel(ChannelPage page) override;
    void restoreFill(RestoreFill fill, int screen) override;
    PositionWindow positionWindow() override;
    bool sendEdgeFeathering(int screen, int side) override;

private:
    TKalvoraForm& window_;
};

}  // namespace kalvora
