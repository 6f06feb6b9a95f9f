// The long fault soak: 10,000 transactions of every command and query kind, through a
// controller with two units, with one unit, and to a unit cabled directly, against simulated
// units injecting random faults from a seed. Prints transactions, faults injected,
// recoveries, wall time and CPU time.
// Usage: kalvora-bench-soak [TRANSACTIONS [SEED [CLOCK_SCALE]]]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "bench/cpu_time.h"
#include "bench/fault_soak.h"
#include "platform/clock.h"

using namespace kalvora;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int total = argc > 1 ? std::max(3, std::atoi(argv[1])) : 10000;
    const uint32_t seed = argc > 2 ? uint32_t(std::strtoul(argv[2], nullptr, 10)) : 1;
    clock::setScale(argc > 3 ? std::atof(argv[3]) : 0.02);

    struct Part {
        const char* name;
        soak::SoakConfig config;
    };
    Part parts[] = {
        {"controller, two units", {sim::PortMode::Controller, {1, 2}, total * 2 / 5, seed}},
        {"controller, one unit", {sim::PortMode::Controller, {7}, total / 5, seed + 1}},
        {"direct, one unit", {sim::PortMode::Direct, {}, total - total * 2 / 5 - total / 5, seed + 2}},
    };
    std::printf("fault soak: %d transactions, seed %u, clock scale %g (a transaction's bound: %d ms nominal)\n",
                total, seed, clock::scale(), soak::kTransactionBoundMs);
    int failures = 0;
    soak::SoakResult sum;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = CpuSeconds();
    for (Part& p : parts) {
        QElapsedTimer partWall;
        partWall.start();
        const soak::SoakResult r = soak::RunFaultSoak(p.config);
        std::printf("  %-22s transactions %5d  faults %5d (drops %d, rejections %d, error 4 %d, other codes %d, "
                    "noise %d, pieces %d, dead spells %d)  faulted %d  recovered %d  resyncs %d  questions %d  "
                    "longest %lld ms (bound %lld)  over bound %d  mismatches %lld  %.1f s\n",
                    p.name, r.transactions, r.faults.total(), r.faults.drops, r.faults.rejections, r.faults.noResponse,
                    r.faults.errorCodes, r.faults.noise, r.faults.pieces, r.faults.deadSpells, r.faulted,
                    r.recoveries, r.resyncs, r.questions, r.longestMs, r.boundMs, r.overBound,
                    static_cast<long long>(r.mismatches.size()), double(partWall.elapsed()) / 1000.0);
        for (const QString& m : r.mismatches.mid(0, 10)) std::printf("    %s\n", qPrintable(m));
        if (!r.slow.isEmpty()) std::printf("    over bound: %s\n", qPrintable(r.slow.join(QStringLiteral("; "))));
        if (!r.unrecovered.isEmpty())
            std::printf("    faulted and reported failed: %s\n", qPrintable(r.unrecovered.join(QLatin1Char(' '))));
        std::fflush(stdout);
        if (!r.connected || r.transactions != p.config.transactions || !r.mismatches.isEmpty() || r.overBound > 0)
            ++failures;
        sum.transactions += r.transactions;
        sum.faulted += r.faulted;
        sum.recoveries += r.recoveries;
        sum.faults.drops += r.faults.total();
    }
    std::printf("total: transactions %d, faults injected %d, faulted transactions %d, recoveries %d, wall %.1f s, "
                "CPU %.1f s\n",
                sum.transactions, sum.faults.drops, sum.faulted, sum.recoveries, double(wall.elapsed()) / 1000.0,
                CpuSeconds() - cpu0);
    std::printf("%s\n", failures == 0 ? "PASS" : "FAIL");
    return failures == 0 ? 0 : 1;
}
