#include <gtest/gtest.h>

#include "planning/plan_sync.h"

namespace kalvora {
namespace {

TEST(PlanSync, PlanFollowsTheUnitRecords)
{
    struct Case {
        const char* name;
        int n;
        UnitPlan unit;
        double imageH, overlap;
        const char *aspect, *horizontal, *imageV;
        int resolutionIndex;
    };
    const Case cases[] = {
        {"three of 1280, overlap 384", 3, {3, 384, 1280, 1024, 1280, 1024}, 3072, 384, "3", "30", "1024", 2},
        {"two of 1024, overlap 101", 2, {2, 101, 1024, 768, 1024, 768}, 1947, 101, "2.54", "25.352", "768", 1},
        {"one projector", 1, {1, 64, 800, 600, 800, 600}, 800, 0, "1.33", "13.333", "600", 0},
        {"an output width the list lacks", 2, {2, 64, 640, 480, 640, 480}, 1216, 64, "2.53", "25.333", "480", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlanState plan;
        PlanShow show;
        SyncPlanFromUnit(plan, c.n, c.unit, show);
        EXPECT_EQ(plan.ImageSizeH, c.imageH);
        EXPECT_EQ(plan.ProjOverlap, c.overlap);
        EXPECT_EQ(show.aspectRatio.value_or("-").toStdString(), c.aspect);
        EXPECT_EQ(show.horizontalSize.value_or("-").toStdString(), c.horizontal);
        EXPECT_EQ(show.imageSizeV.value_or("-").toStdString(), c.imageV);
        EXPECT_FALSE(show.imageSizeH);
        EXPECT_EQ(plan.ProjResH, c.unit.outputWidth);
        EXPECT_EQ(plan.ImageSizeV, c.unit.outputHeight);
        EXPECT_EQ(plan.OutSizeV, 10);
        EXPECT_EQ(ResolutionIndexForWidth(plan.ProjResH), c.resolutionIndex);
    }
}

TEST(PlanSync, ZeroInputHeightLeavesTheAspectAlone)
{
    PlanState plan;
    plan.AspectRatio = 3;
    plan.OutSizeH = 30;
    PlanShow show;
    SyncPlanFromUnit(plan, 2, {2, 64, 1280, 0, 1280, 0}, show);
    EXPECT_EQ(plan.AspectRatio, 3);
    EXPECT_EQ(plan.OutSizeH, 30);
    EXPECT_FALSE(show.aspectRatio);
    EXPECT_EQ(plan.ImageSizeH, 2496);
}

}  // namespace
}  // namespace kalvora
