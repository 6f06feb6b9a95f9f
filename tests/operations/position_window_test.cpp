// The accepted position window of an input channel, from what the unit reports.
#include <gtest/gtest.h>

#include <limits>

#include "operations/position_window.h"

namespace kalvora {
namespace {

struct WindowCase {
    const char* name;
    int32_t hNominal, hLimit, hTotal, hActive, vNominal, vLimit;
    PositionWindow expected;
};

TEST(PositionWindow, FromNominalPositionsAndLimits)
{
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const WindowCase cases[] = {
        // Limit −1: the horizontal limit comes from the timing, HTotal − HActive − 2.
        {"fallback above nominal + 128", 100, -1, 1344, 1024, 20, -1, {-28, 228, 4, 36}},
        {"fallback below nominal + 128", 100, -1, 1150, 1024, 20, -1, {-28, 123, 4, 36}},
        {"fallback equal to nominal + 128", 100, -1, 1254, 1024, 20, -1, {-28, 227, 4, 36}},
        {"reported limits below the maxima", 160, 200, 1688, 1280, 21, 30, {32, 199, 5, 29}},
        {"reported limits above the maxima", 160, 400, 1688, 1280, 21, 60, {32, 288, 5, 37}},
        {"vertical limit equal to nominal + 16", 0, 500, 0, 0, 10, 26, {-128, 128, -6, 25}},
        // A short input reply leaves the limits at 0: the window ends below its own start.
        {"limits zero", 160, 0, 1688, 1280, 21, 0, {32, -1, 5, -1}},
        {"all zero (nothing read)", 0, 0, 0, 0, 0, 0, {-128, -1, -16, -1}},
        {"garbage at the top of the range", kMax, kMax, kMax, kMin, kMax, kMax, {kMax - 128, kMax - 1, kMax - 16, kMax - 1}},
        {"garbage at the bottom of the range", kMin, -1, kMin, kMax, kMin, kMin, {kMin, kMin, kMin, kMin}},
    };
    for (const WindowCase& c : cases) {
        SCOPED_TRACE(c.name);
        InputChannelRecord r{};
        r.HPositionNominal = c.hNominal;
        r.HPositionLimit = c.hLimit;
        r.HTotal = c.hTotal;
        r.HActive = c.hActive;
        r.VPositionNominal = c.vNominal;
        r.VPositionLimit = c.vLimit;
        const PositionWindow w = PositionWindowOf(r);
        EXPECT_EQ(w.HPositionMin, c.expected.HPositionMin);
        EXPECT_EQ(w.HPositionMax, c.expected.HPositionMax);
        EXPECT_EQ(w.VPositionMin, c.expected.VPositionMin);
        EXPECT_EQ(w.VPositionMax, c.expected.VPositionMax);
    }
}

TEST(PositionWindow, OutOfBoundsMessageNamesTheWindowOrSaysThereIsNone)
{
    EXPECT_EQ(HPositionOutOfBoundsMessage({-100, 120, 0, 0}), "Error! H Position value out of bounds! (-100 - 120)");
    PositionWindow empty{32, -1, 5, -1};
    ASSERT_TRUE(empty.HEmpty());
    EXPECT_FALSE(empty.HContains(32));
    EXPECT_FALSE(empty.HContains(-1));
    const QString m = HPositionOutOfBoundsMessage(empty);
    EXPECT_TRUE(m.startsWith("Error! H Position value out of bounds! ")) << m.toStdString();
    EXPECT_TRUE(m.contains("no valid H Position range")) << m.toStdString();
    EXPECT_TRUE(m.contains("lowest 32, highest -1")) << m.toStdString();
    EXPECT_EQ(kMsgVPositionOutOfBounds, "Error! V Position value out of bounds! ");
}

}  // namespace
}  // namespace kalvora
