#pragma once
// What the Projector Setup page needs beyond its own controls: the Display Setup page showing a
// screen's test pattern. The main window implements it; the page cannot be built without one.

namespace kalvora {

class ProjectorSetupHost {
public:
    virtual ~ProjectorSetupHost() = default;

    // Screen n's test pattern, raster box and grid shown from its record.
    virtual void showTestPattern(int screen) = 0;
};

}  // namespace kalvora
