// The wall overview's drawing data for walls of 3, 4 and 8 projectors, as the units hold them.
#include <gtest/gtest.h>

#include "planning/wall_overview.h"

namespace kalvora {
namespace {

// Both units' records as a read would leave them: 1280-wide output, the given overlap, the
// given feathering mode; every screen n shows pattern n % 11 with black level 10 n.
Settings WallOf(int projectors, int overlap, bool advanced)
{
    Settings s;
    s.StatusReadAvailable = true;
    for (int u = 1; u <= 2; ++u) {
        OutputScreenRecord& unit = s.output(u, 1);
        unit.OutputFormat = 3;
        unit.TotalProjectors = uint8_t(projectors);
        unit.OverlapWidth = overlap;
        unit.ControlMode = advanced ? 1 : 0;
        unit.BasicFeather = 1;
        unit.BasicGamma = 2.2f;
        for (int i = 1; i <= 4; ++i) {
            OutputScreenRecord& r = s.output(u, i);
            const int n = UnitToWall(u, i);
            r.TestPattern = uint8_t(n % 11);
            r.BlackLevel = uint8_t(10 * n);
            r.LeftFeather = r.RightFeather = 1;
            r.LeftGamma = 1.5f;
            r.RightGamma = 2.5f;
            s.input(u, i).VideoLocked = 1;
        }
    }
    return s;
}

struct Expected {
    int projectors;
    bool advanced;
    int units;
    std::vector<QString> brackets;
};

TEST(WallOverview, FramesOverlapsEdgesAndUnitsFor3And4And8Projectors)
{
    const Expected cases[] = {
        {3, true, 1, {"Unit 1 (screens 1-3)"}},
        {4, false, 1, {"Unit 1 (screens 1-4)"}},
        {8, true, 2, {"Unit 1 (screens 1-4)", "Unit 2 (screens 5-8)"}},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.projectors);
        const WallOverview w = LayoutWallOverview(WallOf(c.projectors, 256, c.advanced), 1);
        EXPECT_TRUE(w.available);
        EXPECT_EQ(w.projectors, c.projectors);
        EXPECT_EQ(w.units, c.units);
        ASSERT_EQ(int(w.screens.size()), c.projectors);

        // Frames left to right across the picture, in the planning legend's colours; each
        // overlap 256/1280 of a frame wide (one pixel of rounding either way).
        EXPECT_EQ(w.screens.front().frame.left(), 6);
        EXPECT_EQ(w.screens.back().frame.right(), w.width - 7);
        ASSERT_EQ(int(w.overlaps.size()), c.projectors - 1);
        for (int k = 1; k <= c.projectors; ++k) {
            const OverviewScreen& s = w.screens[size_t(k - 1)];
            SCOPED_TRACE(k);
            EXPECT_EQ(s.screen, k);
            EXPECT_EQ(s.colour, kProjectorColours[size_t(k - 1)]);
            EXPECT_EQ(s.title.text, QStringLiteral("Screen %1").arg(k));
            EXPECT_EQ(s.pattern.text, TestPatternName(k % 11));
            EXPECT_EQ(s.black.text, QStringLiteral("Black %1").arg(10 * k));
            EXPECT_FALSE(s.unlocked);
            if (k > 1) {
                const OverviewScreen& before = w.screens[size_t(k - 2)];
                EXPECT_GT(s.frame.left(), before.frame.left());
                // The screen's texts begin past the overlap, where the texts on its left end.
                EXPECT_GT(s.title.topLeft.x(), before.title.topLeft.x() + before.textWidth);
                EXPECT_GT(s.title.topLeft.x(), before.frame.right());
            }
            EXPECT_GT(s.textWidth, 40);
            EXPECT_LE(s.title.topLeft.x() + s.textWidth, s.frame.right());
            EXPECT_EQ(s.pattern.topLeft.x(), s.title.topLeft.x());
            EXPECT_EQ(s.black.topLeft.x(), s.title.topLeft.x());
            if (k < c.projectors) {
                const OverviewOverlap& o = w.overlaps[size_t(k - 1)];
                EXPECT_EQ(o.leftScreen, k);
                EXPECT_EQ(o.widthPixels, 256);
                EXPECT_EQ(o.region.left(), w.screens[size_t(k)].frame.left());
                EXPECT_EQ(o.region.right(), s.frame.right());
                EXPECT_NEAR(o.region.width(), s.frame.width() * 0.2, 1.5);
            }
            // Edges only where there is a neighbour; the gamma is the edge's own in advanced
            // mode, the unit's basic one otherwise.
            std::vector<char> sides;
            for (const OverviewEdge& e : s.edges) {
                sides.push_back(e.side);
                EXPECT_TRUE(e.feathered);
                const float gamma = c.advanced ? (e.side == 'L' ? 1.5f : 2.5f) : 2.2f;
                EXPECT_EQ(e.gamma, gamma);
                EXPECT_TRUE(e.label.text.startsWith(QStringLiteral("%1 γ %2").arg(QLatin1Char(e.side)).arg(QString::number(double(gamma), 'g', 3)))) << e.label.text.toStdString();
                // The label stays on its own screen: it never reaches past the band into the neighbour.
                EXPECT_TRUE(s.frame.contains(e.labelRoom)) << k;
                EXPECT_EQ(e.labelRightAligned, e.side == 'R');
                if (e.side == 'L') EXPECT_EQ(e.labelRoom.left(), e.band.left() + 2);
                else EXPECT_EQ(e.labelRoom.right(), e.band.right() - 2);
                EXPECT_TRUE(s.frame.contains(e.band));
                EXPECT_FALSE(e.halo);
            }
            std::vector<char> expectedSides;
            if (k > 1) expectedSides.push_back('L');
            if (k < c.projectors) expectedSides.push_back('R');
            EXPECT_EQ(sides, expectedSides);
        }
        ASSERT_EQ(w.brackets.size(), c.brackets.size());
        for (size_t i = 0; i < c.brackets.size(); ++i) {
            const OverviewBracket& b = w.brackets[i];
            EXPECT_EQ(b.label.text, c.brackets[i]);
            EXPECT_EQ(b.bar.from.x(), w.screens[size_t(b.firstScreen - 1)].frame.left() + 2);
            EXPECT_EQ(b.bar.to.x(), w.screens[size_t(b.lastScreen - 1)].frame.right() - 2);
            EXPECT_GT(b.bar.from.y(), w.screens.front().frame.bottom());
        }
    }
}

// At a narrow overlap the two tags of an overlap each keep to their own screen: the right edge's
// ends at the overlap's right side, the left edge's begins at its left side, one above the other.
TEST(WallOverview, NarrowOverlapTagsKeepToTheirOwnScreens)
{
    const WallOverview w = LayoutWallOverview(WallOf(8, 8, true), 1);
    ASSERT_EQ(w.screens.size(), 8u);
    for (size_t k = 0; k + 1 < w.screens.size(); ++k) {
        SCOPED_TRACE(k + 1);
        const OverviewScreen& left = w.screens[k];
        const OverviewScreen& right = w.screens[k + 1];
        const OverviewEdge& r = left.edges.back();
        const OverviewEdge& l = right.edges.front();
        ASSERT_EQ(r.side, 'R');
        ASSERT_EQ(l.side, 'L');
        EXPECT_LE(r.band.width(), 6);
        EXPECT_TRUE(left.frame.contains(r.labelRoom));
        EXPECT_TRUE(right.frame.contains(l.labelRoom));
        EXPECT_LT(r.labelRoom.right(), right.frame.left() + r.band.width());
        EXPECT_GE(l.labelRoom.left(), left.frame.right() - l.band.width());
        EXPECT_LT(r.label.topLeft.y(), l.label.topLeft.y());
        EXPECT_TRUE(r.label.text.startsWith(QStringLiteral("R ")));
        EXPECT_TRUE(l.label.text.startsWith(QStringLiteral("L ")));
    }
}

// Screen 6 is unit 2's screen 2: its halo, its feathering off, its unlocked input, its grid.
TEST(WallOverview, ScreenSixShowsUnitTwosSecondRecord)
{
    Settings s = WallOf(8, 128, true);
    OutputScreenRecord& r = s.output(2, 2);
    r.LeftHaloWidth = 12;
    r.LeftHaloOffset = 3;
    r.RightFeather = 0;
    r.TestGrid = 1;
    r.TestPattern = 5;
    s.input(2, 2).VideoLocked = 0;
    const WallOverview w = LayoutWallOverview(s, 1);
    const OverviewScreen& six = w.screens[5];
    EXPECT_EQ(six.unit, 2);
    EXPECT_EQ(six.index, 2);
    EXPECT_EQ(six.pattern.text, "Black + grid");
    EXPECT_TRUE(six.unlocked);
    EXPECT_EQ(six.flag.text, "input not locked");
    ASSERT_EQ(six.edges.size(), 2u);
    EXPECT_TRUE(six.edges[0].halo);
    EXPECT_EQ(six.edges[0].label.text, QStringLiteral("L γ 1.5\nhalo 12/3"));
    EXPECT_FALSE(six.edges[1].feathered);
    EXPECT_EQ(six.edges[1].label.text, "R no feather");
    for (const OverviewScreen& other : w.screens) EXPECT_EQ(other.unlocked, other.screen == 6);
}

// Before any read or file load: the planned count, frames and brackets only.
TEST(WallOverview, NothingReadYetShowsThePlannedWall)
{
    Settings s = WallOf(8, 256, true);
    s.StatusReadAvailable = false;
    const WallOverview w = LayoutWallOverview(s, 5);
    EXPECT_FALSE(w.available);
    EXPECT_EQ(w.projectors, 5);
    EXPECT_EQ(w.units, 2);
    EXPECT_TRUE(w.overlaps.empty());
    for (const OverviewScreen& screen : w.screens) {
        EXPECT_TRUE(screen.edges.empty());
        EXPECT_TRUE(screen.pattern.text.isEmpty());
        EXPECT_FALSE(screen.unlocked);
    }
    EXPECT_TRUE(w.heading.text.contains("planned"));
    EXPECT_EQ(w.brackets.back().label.text, "Unit 2 (screen 5)");
    // A count outside 1..8 in the records or the plan never makes more frames than exist.
    s.StatusReadAvailable = true;
    s.output(1, 1).TotalProjectors = 200;
    EXPECT_EQ(LayoutWallOverview(s, 40).projectors, 8);
    EXPECT_EQ(TestPatternName(23), "Pattern 23");
}

}  // namespace
}  // namespace kalvora
