#include <gtest/gtest.h>

#include <optional>

#include "settings/number_format.h"
#include "planning/plan_state.h"

namespace kalvora {
namespace {

std::string Text(const std::optional<QString>& s) { return s ? s->toStdString() : "(not shown)"; }

// The arithmetic of one Calculate: aspect, image size, minimum count, then the overlap for the
// count the list ends up with (the computed one, or the previous one when it is above 8).
struct CalcCase {
    const char* name;
    double sizeH, sizeV, resH, resV;
    bool statusRead;
    int inputWidth;
    int previousCount;
    // expected
    const char* aspect;         // after the aspect step
    const char* imageH;         // after CalcImageSize
    int count;                  // CalcNumOfProjectors
    const char* overlap;        // MinNumOfOverlapLabel
    const char* overlapWidth;   // OWidthEdit
    const char* finalImageH;    // ImageSizeHLabel after the overlap step
    const char* finalAspect;    // OutAspectRatioLabel after the overlap step
    const char* horizontal;     // HorizontalOutEdit, or "(not shown)"
    double storedCount;         // NumOfProjectors afterwards
    int overlapWidthMax;
};

TEST(PlanCalculator, WorkedExamples)
{
    const CalcCase cases[] = {
        {"start-up 30 x 10", 30, 10, 1280, 1024, false, 0, 1,
         "3", "3072", 3, "384", "384", "3072", "3", "(not shown)", 3, 640},
        {"16 x 9 with 1024 x 768: clamped to half a projector", 16, 9, 1024, 768, false, 0, 1,
         "1.78", "1365.33333333333", 2, "512", "512", "1536", "2", "18", 2, 512},
        {"40 x 10: exact multiple", 40, 10, 1280, 1024, false, 0, 1,
         "4", "4096", 4, "342", "342", "4096", "4", "(not shown)", 4, 640},
        {"square: one projector", 10, 10, 1280, 1024, false, 0, 3,
         "1", "1024", 1, "0", "0", "1024", "1", "(not shown)", 1, 640},
        {"25 x 10: raised to 64", 25, 10, 1280, 1024, false, 0, 1,
         "2.5", "2560", 2, "64", "64", "2496", "2.44", "24.375", 2, 640},
        {"status read, input 1024, four projectors", 40, 10, 1280, 1024, true, 1024, 1,
         "4", "4096", 4, "341", "341", "4097", "4", "40.01", 4, 640},
        {"status read, input 1024, two projectors", 16, 9, 1280, 1024, true, 1024, 1,
         "1.78", "1820.44444444444", 2, "512", "512", "2048", "2", "18", 2, 640},
        {"status read without an input width keeps half a projector", 16, 9, 1280, 1024, true, 0, 1,
         "1.78", "1820.44444444444", 2, "640", "640", "1920", "1.88", "16.875", 2, 640},
        {"nine or more: overlap for the previous count", 110, 10, 1280, 1024, false, 0, 3,
         "11", "11264", 9, "64", "64", "3712", "3.63", "36.25", 3, 640},
        {"800 x 600", 30, 10, 800, 600, false, 0, 1,
         "3", "1800", 3, "300", "300", "1800", "3", "(not shown)", 3, 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlanState plan;
        plan.OutSizeH = c.sizeH;
        plan.OutSizeV = c.sizeV;
        plan.ProjResH = c.resH;
        plan.ProjResV = c.resV;
        plan.AspectRatio = c.sizeH / c.sizeV;
        PlanShow show;
        CalcImageSize(plan, show);
        EXPECT_EQ(Text(show.imageSizeH), c.imageH);
        EXPECT_EQ(Text(show.imageSizeV), std::to_string(static_cast<int>(c.resV)));
        const int count = CalcNumOfProjectors(plan);
        EXPECT_EQ(count, c.count);
        const int n = count > 8 ? c.previousCount : count;

        PlanShow overlapShow;
        overlapShow.aspectRatio = FormatG3(plan.AspectRatio);
        EXPECT_EQ(Text(overlapShow.aspectRatio), c.aspect);
        CalcOverlap(plan, n, {c.statusRead, c.inputWidth}, overlapShow);
        EXPECT_EQ(Text(overlapShow.overlap), c.overlap);
        EXPECT_EQ(Text(overlapShow.overlapWidth), c.overlapWidth);
        EXPECT_EQ(FormatG15(plan.ImageSizeH).toStdString(), c.finalImageH);
        EXPECT_EQ(Text(overlapShow.aspectRatio), c.finalAspect);
        EXPECT_EQ(Text(overlapShow.horizontalSize), c.horizontal);
        EXPECT_EQ(plan.NumOfProjectors, c.storedCount);
        EXPECT_EQ(plan.OverlapWidthMax, c.overlapWidthMax);
        EXPECT_EQ(plan.OutSizeV, c.sizeV) << "the vertical size is never changed";
    }
}

TEST(PlanCalculator, ClampedOverlapChangesAspectAndHorizontalSize)
{
    PlanState plan;
    plan.OutSizeV = 10;
    plan.ImageSizeH = 2496;
    plan.ImageSizeV = 1024;
    PlanShow show;
    UpdateAspectFromImage(plan, show);
    EXPECT_DOUBLE_EQ(plan.AspectRatio, 2.4375);
    EXPECT_DOUBLE_EQ(plan.OutSizeH, 24.375);
    EXPECT_EQ(Text(show.aspectRatio), "2.44");
    EXPECT_EQ(Text(show.horizontalSize), "24.375");
}

TEST(PlanCalculator, MaximumOverlapBelow64Wins)
{
    // With a tiny input width both clamps apply; the overlap ends at the maximum.
    PlanState plan;
    plan.ImageSizeH = 2560;
    plan.ImageSizeV = 1024;
    PlanShow show;
    CalcOverlap(plan, 3, {true, 100}, show);
    EXPECT_EQ(plan.ProjOverlap, 50);
    EXPECT_EQ(plan.ImageSizeH, 3 * 1280 - 2 * 50);
    EXPECT_EQ(Text(show.overlapWidth), "50");
}

struct PositionCase {
    const char* name;
    double resH;
    int n, w, alignment;
    std::vector<std::pair<long long, long long>> spans;
    const char* imageH;
};

TEST(PlanCalculator, ImagePositions)
{
    const PositionCase cases[] = {
        {"start-up, centred", 1280, 3, 384, Centered, {{384, 1664}, {1280, 2560}, {2176, 3456}}, "3072"},
        {"start-up, left", 1280, 3, 384, LeftJustified, {{0, 1280}, {896, 2176}, {1792, 3072}}, "3072"},
        {"2 x 1024, w 101, centred: half the overlap truncated", 1024, 2, 101, Centered, {{50, 1074}, {973, 1997}},
         "1947"},
        {"2 x 1024, w 101, left", 1024, 2, 101, LeftJustified, {{0, 1024}, {923, 1947}}, "1947"},
        {"one projector", 1280, 1, 0, Centered, {{0, 1280}}, "1280"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlanState plan;
        plan.ProjResH = c.resH;
        plan.AspectRatio = 1.5;
        PlanShow show;
        const auto pos = UpdateImagePositions(plan, c.n, c.w, c.alignment, show);
        ASSERT_TRUE(pos);
        for (int k = 0; k < 8; ++k) {
            if (k < c.n) {
                EXPECT_EQ(pos->start[k].toLongLong(), c.spans[k].first) << k;
                EXPECT_EQ(pos->end[k].toLongLong(), c.spans[k].second) << k;
            } else {
                EXPECT_EQ(pos->start[k], "N/A");
                EXPECT_EQ(pos->end[k], "N/A");
            }
        }
        EXPECT_EQ(Text(show.imageSizeH), c.imageH);
        EXPECT_EQ(plan.AspectRatio, 1.5) << "positions never recompute the aspect ratio";
    }
}

TEST(PlanCalculator, NoAlignmentChangesNothing)
{
    PlanState plan;
    plan.ImageSizeH = 3072;
    PlanShow show;
    EXPECT_FALSE(UpdateImagePositions(plan, 3, 384, -1, show));
    EXPECT_EQ(plan.ImageSizeH, 3072);
    EXPECT_FALSE(show.imageSizeH);
}

TEST(PlanCalculator, ExtremeInputsStayFiniteAndInRange)
{
    // Sizes the edits accept but no wall has: nothing overflows, the count saturates.
    PlanState plan;
    plan.AspectRatio = 1e300 / 1e-300;  // inf
    PlanShow show;
    CalcImageSize(plan, show);
    EXPECT_GT(CalcNumOfProjectors(plan), 8);
    CalcOverlap(plan, 3, {}, show);
    EXPECT_EQ(plan.ProjOverlap, 64);
    EXPECT_EQ(plan.ImageSizeH, 3712);
    const auto pos = UpdateImagePositions(plan, 8, 2147483647, Centered, show);
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->startValue[0], 7LL * 2147483647 / 2);
}

}  // namespace
}  // namespace kalvora
