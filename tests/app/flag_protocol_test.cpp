#include <gtest/gtest.h>

#include <stdexcept>

#include "settings/flag_protocol.h"

namespace kalvora::testing {
namespace {

TEST(FlagProtocolTest, AnOperationRunsAloneAndReleasesTheFlagOnEveryWayOut)
{
    MainFlags flags;
    int runs = 0;
    bool nestedRan = true;
    EXPECT_TRUE(RunExclusive(flags, [&] {
        ++runs;
        EXPECT_TRUE(flags.EditorBusy);
        // A handler re-entered while the link pumps events returns at once.
        nestedRan = RunExclusive(flags, [&] { ++runs; });
        EXPECT_TRUE(flags.EditorBusy);
    }));
    EXPECT_FALSE(nestedRan);
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(flags.EditorBusy);

    EXPECT_THROW(RunExclusive(flags, [] { throw std::runtime_error("failed"); }), std::runtime_error);
    EXPECT_FALSE(flags.EditorBusy);
}

TEST(FlagProtocolTest, FillsSendNothingAndRestoreTheFlag)
{
    MainFlags flags;
    EXPECT_TRUE(MaySend(flags, true));
    EXPECT_FALSE(MaySend(flags, false));
    {
        FillingGuard outer(flags);
        {
            FillingGuard inner(flags);
            EXPECT_FALSE(MaySend(flags, true));
        }
        EXPECT_TRUE(flags.FormFilling);  // a nested fill leaves the outer one's flag set
    }
    EXPECT_FALSE(flags.FormFilling);
    EXPECT_TRUE(MaySend(flags, true));
}

}  // namespace
}  // namespace kalvora::testing
