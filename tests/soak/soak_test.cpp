// A short fault soak: a few hundred transactions of every kind, in both modes, with one and two
// units, against simulated units injecting random faults; the long run is kalvora-bench-soak.
#include <gtest/gtest.h>

#include "bench/fault_soak.h"
#include "clock_scale.h"

using namespace kalvora;

TEST(FaultSoak, EveryTransactionEndsInItsBoundAndTheRecordsEqualTheUnits)
{
    // Timeouts of 160 ms, dead spells of 60 ms: short, yet far above what a loaded machine
    // takes to pass a reply.
    kalvora::testing::ClockScale scale(0.02);
    struct Case {
        const char* name;
        soak::SoakConfig config;
    } cases[] = {
        {"controller, two units", {sim::PortMode::Controller, {1, 2}, 100, 11}},
        {"controller, one unit", {sim::PortMode::Controller, {9}, 40, 12}},
        {"direct", {sim::PortMode::Direct, {}, 70, 13}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const soak::SoakResult r = soak::RunFaultSoak(c.config);
        ASSERT_TRUE(r.connected);
        EXPECT_EQ(r.transactions, c.config.transactions);
        EXPECT_EQ(r.overBound, 0) << "longest " << r.longestMs << " ms, bound " << r.boundMs << " ms";
        EXPECT_GT(r.faults.total(), c.config.transactions / 5);
        EXPECT_GT(r.recoveries, 0);
        // Every command and query kind ran (NTN only through a controller).
        EXPECT_EQ(r.kindsRun.size(), c.config.mode == sim::PortMode::Controller ? 30 : 29) << r.kindsRun.join(' ').toStdString();
        EXPECT_TRUE(r.mismatches.isEmpty()) << r.mismatches.mid(0, 10).join('\n').toStdString();
    }
}
