#pragma once
// Random faults from a seed, armed on a simulator before each exchange of a soak: lost
// requests, rejections, error code 4 and other codes, replies in random pieces, noise before
// replies, and a dead line for a while. Each exchange gets only faults its protocol recovers
// from: a direct unit's commands of the write kind are never acknowledged, so nothing that
// loses them is armed for them; queries never resend after silence, so they get no lost
// requests through a controller either.

#include <cstdint>
#include <random>

namespace kalvora::sim {

class Simulator;

enum class Exchange {
    ControllerCommand,  // a PASS frame, resent until accepted
    ControllerQuery,    // NTN or TNQUERY, resent after rejections and error codes other than 4
    DirectAck,          // a direct command waited for, with the recovery dialog
    DirectWrite,        // a direct command nobody waits for
    DirectQuery,        // a direct status query
};

struct FaultTally {
    int drops = 0;
    int rejections = 0;
    int noResponse = 0;   // error code 4
    int errorCodes = 0;   // other codes
    int noise = 0;
    int pieces = 0;       // exchanges answered in random pieces
    int deadSpells = 0;
    int total() const { return drops + rejections + noResponse + errorCodes + noise + pieces + deadSpells; }
};

class RandomFaults {
public:
    // `rate`: the chance that an exchange gets a fault (0..1).
    RandomFaults(Simulator& sim, uint32_t seed, double rate);

    // Arms at most one fault (and maybe random pieces) for the next exchange; true when one was armed.
    bool arm(Exchange kind);
    // Ends any dead spell and clears every armed fault.
    void clear();
    const FaultTally& tally() const { return tally_; }

    static constexpr int kDeadSpellMs = 3000;  // nominal, shorter than one reply timeout

private:
    bool chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < p; }
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    void startDeadSpell();

    Simulator& sim_;
    std::mt19937 rng_;
    double rate_;
    FaultTally tally_;
    int spell_ = 0;
};

}  // namespace kalvora::sim
