#pragma once
// One simulated Tornel unit: its settings and status, its non-volatile copy and factory
// defaults, the command set applied to that state, and the binary status blocks it reports.
// No I/O here: the port side (direct unit or controller) lives in simulator.h.

#include <QByteArray>
#include <array>
#include <string_view>

#include "settings/records.h"

namespace kalvora::sim {

// Everything a unit keeps. Records 1..4 are used; record 0 stays zero like the program's.
// Unit-wide output values are kept identical in all four screen records, because the unit
// reports them in every screen's reply.
struct UnitState {
    std::array<InputChannelRecord, kRecordsPerUnit> inputs{};
    std::array<OutputScreenRecord, kRecordsPerUnit> outputs{};
    char featherCurve = 'S';  // FEATHER: 'S' (S-curve) or 'L' (linear); not reported by queries

    // Byte for byte, reserved bytes included (the records have no padding).
    bool operator==(const UnitState& o) const;
};

// Procedures that run on the unit for a while and change the inputs when they end.
enum class Procedure { None, ColorBalance, Position, Phase };

// Nominal durations in milliseconds (scaled through kalvora::clock by the port side).
struct UnitTimings {
    int colorBalanceMs = 4000;  // RGBADJ
    int positionMs = 600;       // AUTOPOS
    int phaseMs = 3000;         // APHASE
    int autoSeamMs = 300;       // AUTOSEAM
    int resetMs = 1500;         // RESETTN
    int controlModeMs = 800;    // TNCTRL
    int saveMs = 300;           // SYSAVE, ICSAVTN

    // Durations like a real unit's: the colour balance and the phase calibration run for
    // minutes, the position setup for half a minute, the seam adjustment for seconds.
    static UnitTimings LikeRealUnit() { return {240000, 30000, 180000, 4000, 1500, 800, 300}; }
};

struct UnitSetup {
    int id = 1;               // RS-485 ID, 1..32 (direct mode ignores it)
    int screenGroup = 0;      // 0: screens 1-4, 1: screens 5-8
    int totalProjectors = 4;  // projectors of the whole wall
    int outputFormat = 3;     // 0 640x480, 1 800x600, 2 1024x768, 3 1280x1024
    int videoInputs = 4;      // inputs 1..videoInputs carry video, loaded and locked
};

class SimUnit {
public:
    explicit SimUnit(const UnitSetup& setup = {});

    int id() const { return id_; }

    // Live state. Indices 1..4; anything else is clamped (never addresses outside the arrays).
    InputChannelRecord& input(int channel);
    OutputScreenRecord& output(int screen);
    const InputChannelRecord& input(int channel) const;
    const OutputScreenRecord& output(int screen) const;
    UnitState& state() { return state_; }
    const UnitState& state() const { return state_; }
    const UnitState& saved() const { return saved_; }      // non-volatile copy (ICSAVTN, SYSAVE)
    const UnitState& factory() const { return factory_; }  // restored by RESETTN F

    // SYINFOTN text: 8 bytes, e.g. "TNV1.23" and a NUL; the program shows bytes 3..7.
    std::array<char, 8> infoText{{'T', 'N', 'V', '1', '.', '2', '3', '\0'}};

    // Changes the output format of the unit and the timing of every input with video, keeping
    // HTotal/HActive/VActive, nominal positions and limits consistent with it.
    void setOutputFormat(int format);
    // Video present (loaded and locked, with the format's timing) or absent on one input.
    void setVideo(int channel, bool present);

    // Switching the unit off and on: the live state comes back from the non-volatile copy.
    void powerCycle() { state_ = saved_; }

    // ---- Commands ------------------------------------------------------------------------
    enum class Outcome { Done, Unknown, BadArguments };
    struct Result {
        Outcome outcome = Outcome::Done;
        int busyMs = 0;                        // nominal time the unit works after accepting
        Procedure procedure = Procedure::None; // applied by finishProcedure() at the end
    };
    // One command line without its terminator and without the controller address,
    // e.g. "BLKGN 1 20" or "EFTB 1  2.2". Values land in the state at once; an auto procedure
    // only starts (the caller runs finishProcedure() when its time is over).
    Result execute(std::string_view line);
    void finishProcedure(Procedure p);

    // ---- Status queries -------------------------------------------------------------------
    // Whole binary blocks: 0x01, kind byte, big-endian data.
    QByteArray systemInfoBlock() const;                             // kind 0x08, 8 bytes
    QByteArray inputBlock(int channel, bool shortForm) const;       // 'N' 78 bytes / 'F' 70 bytes
    QByteArray outputBlock(int screen, uint8_t kind = 0x40) const;  // 63 bytes

    // A query line ("SYINFOTN", "IINFOTN 2", "OINFOTN 4") answered with its block; false when
    // the line is not a well-formed query.
    bool answerQuery(std::string_view line, bool shortInput, uint8_t outputKind, QByteArray& block) const;
    static bool isQuery(std::string_view line);

    UnitTimings timings;

private:
    UnitState makeFactoryState(const UnitSetup& setup) const;
    int id_;
    UnitState state_;
    UnitState saved_;
    UnitState factory_;
};

// Plausible input timing for an output format (VESA 60 Hz); false for an unknown format.
struct InputTiming {
    int hTotal, hActive, vTotal, vActive;
};
bool TimingForFormat(int format, InputTiming& t);

}  // namespace kalvora::sim
