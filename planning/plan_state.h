#pragma once
// The wall calculator: the planning values and the steps that turn a screen size and a
// projector resolution into a projector count, an overlap and an input image size.
// The steps are pure arithmetic; what they would show on the page comes back as texts in a
// PlanShow so the page (or a test) can apply or check them.

#include <QString>
#include <array>
#include <optional>

namespace kalvora {

struct PlanState {
    double OutSizeH = 30;         // horizontal output screen size (any length unit)
    double OutSizeV = 10;         // vertical output screen size
    double ProjResH = 1280;       // native resolution of one projector, pixels
    double ProjResV = 1024;
    double AspectRatio = 1.0;     // output width ÷ height
    double ImageSizeH = 0;        // input image size the source must deliver, pixels
    double ImageSizeV = 0;
    double ProjOverlap = 0;       // planned overlap between neighbours, projector pixels
    double NumOfProjectors = 0;   // stored projector count (not the working count)
    int OverlapWidthMax = 0;      // largest overlap width the overlap width field accepts
};

// Texts the steps put on the page. Only the fields a step touched are set; a later write wins.
struct PlanShow {
    std::optional<QString> aspectRatio;      // the output aspect ratio (G3)
    std::optional<QString> imageSizeH;       // the image size, horizontal (G15)
    std::optional<QString> imageSizeV;       // the image size, vertical (G15)
    std::optional<QString> horizontalSize;   // the horizontal output size (G5)
    std::optional<QString> overlap;          // the least overlap (G15)
    std::optional<QString> overlapWidth;     // the Display Setup page's overlap width (integer)
};

// What limits the overlap: a completed status read of a unit with a known input width.
struct OverlapLimit {
    bool statusRead = false;
    int inputImageWidth = 0;
};

constexpr int kMaxProjectors = 8;
constexpr int kMinOverlap = 64;

// Native resolutions of the projector list, by item index.
struct ProjectorResolution {
    const char* caption;
    int width;
    int height;
};
inline constexpr std::array<ProjectorResolution, 3> kProjectorResolutions{{
    {"800x600", 800, 600}, {"1024x768", 1024, 768}, {"1280x1024", 1280, 1024}}};

enum ImageAlignment { LeftJustified = 0, Centered = 1 };

// ImageSizeH = ProjResV × AspectRatio; ImageSizeV = ProjResV.
void CalcImageSize(PlanState& plan, PlanShow& show);
// NumOfProjectors = ceil(ProjResV × AspectRatio ÷ ProjResH); returns it (saturated to int).
int CalcNumOfProjectors(PlanState& plan);
// AspectRatio = ImageSizeH ÷ ImageSizeV; OutSizeH = OutSizeV × AspectRatio.
void UpdateAspectFromImage(PlanState& plan, PlanShow& show);
// The overlap for the working count n, raised to 64 and bounded by the largest overlap the
// input width allows; a clamp changes the image width and the aspect ratio.
void CalcOverlap(PlanState& plan, int n, const OverlapLimit& limit, PlanShow& show);

// First and last input-image column of each projector for overlap width w.
struct ImagePositions {
    // The projectors' first and last columns as the Information page shows them; "N/A" beyond n.
    std::array<QString, kMaxProjectors> start;
    std::array<QString, kMaxProjectors> end;
    std::array<long long, kMaxProjectors> startValue{};
    std::array<long long, kMaxProjectors> endValue{};
};
// Returns nothing (and changes nothing) when no alignment is selected (alignment < 0).
// Sets ImageSizeH to the width the projectors cover; the aspect ratio is left alone.
std::optional<ImagePositions> UpdateImagePositions(PlanState& plan, int n, int w, int alignment,
                                                   PlanShow& show);

}  // namespace kalvora
