#pragma once
// The fault soak: transactions of every command and query kind, in both modes, with one and two
// units, against a simulator that injects random faults from a seed (sim/random_faults.h).
// Every question is answered Retry/OK/Yes. At the end every record the program keeps must
// equal the simulated unit's state field by field. Shared by the test (a short run at a fast
// clock) and the benchmark (the long run).

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "sim/random_faults.h"
#include "sim/simulator.h"

namespace kalvora::soak {

struct SoakConfig {
    sim::PortMode mode = sim::PortMode::Controller;
    std::vector<int> ids{1, 2};  // controller mode: the units behind it
    int transactions = 300;
    uint32_t seed = 1;
    double faultRate = 0.3;
};

struct SoakResult {
    bool connected = false;
    int transactions = 0;
    int faulted = 0;      // transactions that had a fault armed
    int recoveries = 0;   // faulted transactions that still completed
    int resyncs = 0;      // read-backs the operator had to repeat
    int questions = 0;    // Retry/Cancel and OK/Cancel questions answered
    int messages = 0;
    int overBound = 0;    // transactions that took longer than their bound
    long long longestMs = 0;  // the longest transaction
    long long boundMs = 0;    // and its bound
    int requests = 0;     // requests the simulator handled
    sim::FaultTally faults;
    QStringList mismatches;  // "unit 1 output 3 BlackLevel: program 4, unit 7"
    QStringList kindsRun;    // every transaction kind that ran at least once
    QStringList slow;        // "PRJ: 3500 ms, bound 3200 ms" for each transaction over its bound
    QStringList unrecovered; // faulted transactions that reported failure, by kind
};

// The nominal bound of one transaction: a dead spell, a timeout, the resends and the longest
// automatic procedure's pauses fit well within it.
// An automatic procedure adds its pauses for eight projectors; a margin of real time covers
// a loaded machine.
constexpr int kTransactionBoundMs = 60000;
constexpr int kLoadMarginMs = 2000;

SoakResult RunFaultSoak(const SoakConfig& config);

}  // namespace kalvora::soak
