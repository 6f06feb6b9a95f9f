#include "sim/random_faults.h"

#include <QTimer>

#include "platform/clock.h"
#include "sim/simulator.h"

namespace kalvora::sim {

RandomFaults::RandomFaults(Simulator& sim, uint32_t seed, double rate) : sim_(sim), rng_(seed), rate_(rate) {}

void RandomFaults::clear()
{
    Faults& f = sim_.faults();
    f.dropNext = f.rejectNext = f.errorNext = f.noiseNext = 0;
    f.dead = false;
    f.delivery = Delivery::Whole;
    ++spell_;  // a pending end of a spell no longer applies
}

void RandomFaults::startDeadSpell()
{
    sim_.faults().dead = true;
    const int spell = ++spell_;
    QTimer::singleShot(clock::scaled(kDeadSpellMs), &sim_, [this, spell] {
        if (spell == spell_) sim_.faults().dead = false;
    });
    ++tally_.deadSpells;
}

bool RandomFaults::arm(Exchange kind)
{
    Faults& f = sim_.faults();
    if (chance(0.25)) {
        f.delivery = Delivery::RandomPieces;
        f.seed = uint32_t(pick(1, 1 << 30));
        ++tally_.pieces;
    } else {
        f.delivery = Delivery::Whole;
    }
    if (!chance(rate_)) return false;

    enum Kind { Drop, Reject, NoResponse, ErrorCode, Noise, Dead };
    static constexpr Kind kController[] = {Drop, Reject, NoResponse, ErrorCode, Noise, Dead};
    static constexpr Kind kControllerQuery[] = {Reject, ErrorCode, Noise};
    static constexpr Kind kDirectAck[] = {Drop, Noise, Dead};
    static constexpr Kind kNoiseOnly[] = {Noise};
    Kind k = Noise;
    switch (kind) {
    case Exchange::ControllerCommand: k = kController[pick(0, 5)]; break;
    case Exchange::ControllerQuery: k = kControllerQuery[pick(0, 2)]; break;
    case Exchange::DirectAck: k = kDirectAck[pick(0, 2)]; break;
    case Exchange::DirectWrite:
    case Exchange::DirectQuery: k = kNoiseOnly[0]; break;
    }
    switch (k) {
    case Drop:
        f.dropNext = 1;
        ++tally_.drops;
        break;
    case Reject:
        f.rejectNext = pick(1, 4);  // four in a row reach the operator's Retry/Cancel question
        ++tally_.rejections;
        break;
    case NoResponse:
        f.errorNext = 1;
        f.errorCode = '4';
        ++tally_.noResponse;
        break;
    case ErrorCode:
        f.errorNext = pick(1, 2);
        f.errorCode = "12356789"[pick(0, 7)];
        ++tally_.errorCodes;
        break;
    case Noise:
        f.noiseNext = 1;
        ++tally_.noise;
        break;
    case Dead:
        startDeadSpell();
        break;
    }
    return true;
}

}  // namespace kalvora::sim
