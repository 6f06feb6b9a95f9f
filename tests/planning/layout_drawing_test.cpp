#include <gtest/gtest.h>

#include "planning/layout_drawing.h"

namespace kalvora {
namespace {

struct FrameBox {
    int left, right;
};

TEST(ProjectorStrip, FramesOfTheWorkedExample)
{
    const ProjectorStrip strip = LayoutProjectorStrip(3, 384, 1280);
    EXPECT_EQ(strip.width, 905);
    EXPECT_EQ(strip.height, 110);
    EXPECT_EQ(strip.background, 0xC0C0C0u);
    EXPECT_EQ(strip.overlapPixels, 33);
    ASSERT_EQ(strip.frames.size(), 3u);
    // Drawn from projector 3 down to projector 1, so projector 1's colour ends on top.
    const int order[] = {3, 2, 1};
    const FrameBox boxes[] = {{159, 269}, {82, 192}, {5, 115}};
    const Rgb colours[] = {0x0000FF, 0xFF0000, 0xFFFF00};
    for (int i = 0; i < 3; ++i) {
        const Frame& f = strip.frames[i];
        EXPECT_EQ(f.projector, order[i]);
        EXPECT_EQ(f.left, boxes[i].left);
        EXPECT_EQ(f.right, boxes[i].right);
        EXPECT_EQ(f.top, 5);
        EXPECT_EQ(f.bottom, 99);
        EXPECT_EQ(f.colour, colours[i]);
    }
}

TEST(ProjectorStrip, OverlapScaledAndTruncated)
{
    struct Case {
        int n, w;
        double res;
        int d;
        int firstLeft, lastLeft, lastRight;
    };
    const Case cases[] = {
        {8, 64, 1280, 5, 5, 740, 850},   // 5.5 truncated; frames start at 5, 110, 215, ...
        {1, 384, 1280, 33, 5, 5, 115},   // one frame only
        {2, 101, 1024, 10, 5, 105, 215},
        {3, 300, 1280, 25, 5, 175, 285},
    };
    for (const auto& c : cases) {
        const ProjectorStrip s = LayoutProjectorStrip(c.n, c.w, c.res);
        EXPECT_EQ(s.overlapPixels, c.d) << c.n << "/" << c.w;
        ASSERT_EQ(s.frames.size(), static_cast<size_t>(c.n));
        EXPECT_EQ(s.frames.back().left, c.firstLeft);
        EXPECT_EQ(s.frames.front().left, c.lastLeft);
        EXPECT_EQ(s.frames.front().right, c.lastRight);
        if (c.n == 8) {
            for (int k = 0; k < 8; ++k) EXPECT_EQ(s.frames[7 - k].left, 5 + 105 * k);
            EXPECT_EQ(s.frames.front().colour, 0x008080u);
        }
    }
}

TEST(ProjectorStrip, WildOverlapWidthsStayInRange)
{
    for (int w : {0, -2147483647 - 1, 2147483647}) {
        const ProjectorStrip s = LayoutProjectorStrip(8, w, 1280);
        ASSERT_EQ(s.frames.size(), 8u);
        for (const Frame& f : s.frames) {
            EXPECT_LE(std::abs(f.left), 10'000'000);
            EXPECT_EQ(f.right - f.left, 110);
        }
    }
    EXPECT_EQ(LayoutProjectorStrip(0, 64, 1280).frames.size(), 1u);
    EXPECT_EQ(LayoutProjectorStrip(12, 64, 1280).frames.size(), 8u);
    EXPECT_EQ(LayoutProjectorStrip(2, 64, 0).overlapPixels, 0);
}

TEST(PlacementRuler, MarkersOfTheWorkedExample)
{
    PlanState plan;
    plan.ProjResH = 1280;
    plan.ProjOverlap = 384;
    plan.ImageSizeH = 3072;
    plan.OutSizeH = 30;
    const PlacementRuler r = LayoutPlacementRuler(plan, 3, "30");
    EXPECT_EQ(r.background, 0xC0C0C0u);
    EXPECT_EQ(r.axis.from, QPoint(5, 20));
    EXPECT_EQ(r.axis.to, QPoint(467, 20));
    EXPECT_FALSE(r.axis.dashed);
    EXPECT_EQ(r.zero.topLeft, QPoint(3, 5));
    EXPECT_EQ(r.zero.text, "0");
    EXPECT_EQ(r.size.topLeft, QPoint(457, 5));
    EXPECT_EQ(r.size.text, "30");
    EXPECT_EQ(r.centres, (std::vector<long long>{640, 1536, 2432}));

    struct Expected {
        int x;
        float position;
        const char* label;
        const char* value;
    };
    const Expected expected[] = {{99, 6.25f, "Proj 1", "6.25"}, {238, 15.0f, "Proj 2", "15"}, {377, 23.75f, "Proj 3", "23.8"}};
    ASSERT_EQ(r.markers.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const PlacementMarker& m = r.markers[i];
        const Expected& e = expected[i];
        EXPECT_EQ(m.x, e.x);
        EXPECT_EQ(m.position, e.position);
        EXPECT_EQ(m.line.from, QPoint(e.x, 20));
        EXPECT_EQ(m.line.to, QPoint(e.x, 128));
        EXPECT_TRUE(m.line.dashed);
        EXPECT_EQ(m.label.text, e.label);
        EXPECT_EQ(m.label.topLeft, QPoint(e.x - 8, 113));
        EXPECT_EQ(m.value.text, e.value);
        EXPECT_EQ(m.value.topLeft, QPoint(e.x - 8, 5));
    }
}

TEST(PlacementRuler, ZeroScreenOrImageWidthLeavesTheMarkersOut)
{
    PlanState plan;
    plan.ProjOverlap = 384;
    plan.ImageSizeH = 3072;
    plan.OutSizeH = 0;  // a refused vertical size of 0 carried into the horizontal size
    PlacementRuler r = LayoutPlacementRuler(plan, 3, "0");
    EXPECT_TRUE(r.markers.empty());
    EXPECT_EQ(r.centres.size(), 3u);
    plan.OutSizeH = 30;
    plan.ImageSizeH = 0;
    EXPECT_TRUE(LayoutPlacementRuler(plan, 3, "30").markers.empty());
}

TEST(PlacementRuler, OneProjectorOneMarker)
{
    PlanState plan;
    plan.ImageSizeH = 1280;
    plan.OutSizeH = 12.5;
    const PlacementRuler r = LayoutPlacementRuler(plan, 1, "12.5");
    ASSERT_EQ(r.markers.size(), 1u);
    EXPECT_EQ(r.markers[0].x, 238);  // the middle of 477
    EXPECT_EQ(r.markers[0].value.text, "6.25");
    EXPECT_EQ(r.markers[0].label.text, "Proj 1");
}

}  // namespace
}  // namespace kalvora
