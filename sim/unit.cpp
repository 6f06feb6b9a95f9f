#include "sim/unit.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <span>
#include <vector>

#include "sim/unit_tokens.h"

namespace kalvora::sim {

using detail::ParseInt;
using detail::Tokens;

namespace {

float Tenths(int32_t t) { return TenthsToFloat(t); }

int ClampIndex(int i) { return std::clamp(i, 1, kRecordsPerUnit - 1); }

// A "%4.1f" value becomes integer tenths; more than one decimal or a huge value is refused.
bool ParseTenths(std::string_view s, int32_t& tenths)
{
    if (s.empty() || s.size() > 16) return false;
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return false;
    if (std::fabs(v) > 2.0e8) return false;
    tenths = static_cast<int32_t>(std::lround(v * 10.0));
    return true;
}

// Arguments of one command after the keyword, parsed by a pattern:
// 'i' integer, 'c' one character, 'f' tenths value, 'M' the literal letter M.
struct Args {
    std::vector<int32_t> ints;
    std::vector<char> chars;
    int32_t tenths = 0;
};

bool ParseArgs(const std::vector<std::string_view>& tok, std::string_view pattern, Args& a)
{
    if (tok.size() != pattern.size() + 1) return false;
    for (size_t k = 0; k < pattern.size(); ++k) {
        const std::string_view t = tok[k + 1];
        switch (pattern[k]) {
        case 'i': {
            int32_t v;
            if (!ParseInt(t, v)) return false;
            a.ints.push_back(v);
            break;
        }
        case 'c':
            if (t.size() != 1) return false;
            a.chars.push_back(t[0]);
            break;
        case 'f':
            if (!ParseTenths(t, a.tenths)) return false;
            break;
        case 'M':
            if (t != "M") return false;
            break;
        default: return false;
        }
    }
    return true;
}

bool InRange(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

}  // namespace

bool TimingForFormat(int format, InputTiming& t)
{
    static constexpr InputTiming timings[4] = {
        {800, 640, 525, 480}, {1056, 800, 628, 600}, {1344, 1024, 806, 768}, {1688, 1280, 1066, 1024}};
    if (format < 0 || format > 3) return false;
    t = timings[format];
    return true;
}

namespace {

void ApplyVideo(InputChannelRecord& in, int format, bool present)
{
    InputTiming t{};
    if (present && TimingForFormat(format, t)) {
        in.VideoLoaded = 1;
        in.VideoLocked = 1;
        in.HTotal = t.hTotal;
        in.HActive = t.hActive;
        in.VActive = t.vActive;
        in.HPositionNominal = (t.hTotal - t.hActive) / 2;
        in.VPositionNominal = (t.vTotal - t.vActive) / 2;
        in.HPositionLimit = t.hTotal - t.hActive;
        in.VPositionLimit = t.vTotal - t.vActive;
    } else {
        in.VideoLoaded = 0;
        in.VideoLocked = 0;
        in.HTotal = 0;
        in.HActive = 0;
        in.VActive = 0;
        in.HPositionNominal = 0;
        in.VPositionNominal = 0;
        in.HPositionLimit = 0;
        in.VPositionLimit = 0;
    }
    in.HPosition = in.HPositionNominal;
    in.VPosition = in.VPositionNominal;
}

}  // namespace

bool UnitState::operator==(const UnitState& o) const
{
    return std::memcmp(inputs.data(), o.inputs.data(), sizeof inputs) == 0 &&
           std::memcmp(outputs.data(), o.outputs.data(), sizeof outputs) == 0 && featherCurve == o.featherCurve;
}

SimUnit::SimUnit(const UnitSetup& setup) : id_(setup.id)
{
    factory_ = makeFactoryState(setup);
    state_ = factory_;
    saved_ = factory_;
}

UnitState SimUnit::makeFactoryState(const UnitSetup& setup) const
{
    UnitState s;
    for (int ch = 1; ch <= 4; ++ch) {
        InputChannelRecord& in = s.inputs[ch];
        ApplyVideo(in, setup.outputFormat, ch <= setup.videoInputs);
        // Factory values lie within what the source page accepts: phase -16..15, overall
        // contrast and brightness 75..125 %, per-colour offsets -25..25.
        in.Phase = 0;
        in.SyncSelect = 3;   // AUTO
        in.Termination = 1;  // 75 Ohm
        in.ContrastC = in.BrightnessC = Tenths(1000);
        in.ContrastR = in.ContrastG = in.ContrastB = Tenths(0);
        in.BrightnessR = in.BrightnessG = in.BrightnessB = Tenths(0);
    }
    const int group = std::clamp(setup.screenGroup, 0, 1);
    const int total = std::clamp(setup.totalProjectors, 0, 8);
    for (int sc = 1; sc <= 4; ++sc) {
        OutputScreenRecord& o = s.outputs[sc];
        o.OutputFormat = static_cast<uint8_t>(std::clamp(setup.outputFormat, 0, 255));
        o.FrameRate = 1;
        o.OutputSync = 0;
        o.ControlMode = 1;
        o.ScreenGroup = static_cast<uint8_t>(group);
        o.TotalProjectors = static_cast<uint8_t>(total);
        o.DataDoubling = 1;
        o.Alignment = 0;
        o.OverlapWidth = 256;
        o.BasicGamma = Tenths(22);
        o.BasicFeather = 1;
        // The outer edges of the wall are not feathered.
        const int wall = group * 4 + sc;
        o.LeftGamma = Tenths(22);
        o.LeftFeather = wall > 1 ? 1 : 0;
        o.RightGamma = Tenths(22);
        o.RightFeather = wall < total ? 1 : 0;
        o.SeamParam = -4;
        std::fill(std::begin(o.SeamGain), std::end(o.SeamGain), uint8_t{128});
    }
    return s;
}

InputChannelRecord& SimUnit::input(int channel) { return state_.inputs[ClampIndex(channel)]; }
OutputScreenRecord& SimUnit::output(int screen) { return state_.outputs[ClampIndex(screen)]; }
const InputChannelRecord& SimUnit::input(int channel) const { return state_.inputs[ClampIndex(channel)]; }
const OutputScreenRecord& SimUnit::output(int screen) const { return state_.outputs[ClampIndex(screen)]; }

void SimUnit::setOutputFormat(int format)
{
    for (int s = 1; s <= 4; ++s) state_.outputs[s].OutputFormat = static_cast<uint8_t>(format);
    for (int ch = 1; ch <= 4; ++ch)
        if (state_.inputs[ch].VideoLoaded) ApplyVideo(state_.inputs[ch], format, true);
}

void SimUnit::setVideo(int channel, bool present)
{
    ApplyVideo(input(channel), state_.outputs[1].OutputFormat, present);
}

// ---- Commands ------------------------------------------------------------------------------

namespace {

using Handler = std::function<bool(SimUnit&, const Args&, SimUnit::Result&)>;
struct CommandSpec {
    std::string_view keyword;
    std::string_view pattern;
    Handler apply;  // false: arguments out of range
};

template <typename F>
void ForEachScreen(SimUnit& u, F f)
{
    for (int s = 1; s <= 4; ++s) f(u.output(s));
}

bool Screen(int32_t s) { return InRange(s, 1, 4); }

float* ColourField(InputChannelRecord& in, char colour, bool contrast)
{
    switch (colour) {
    case 'C': return contrast ? &in.ContrastC : &in.BrightnessC;
    case 'R': return contrast ? &in.ContrastR : &in.BrightnessR;
    case 'G': return contrast ? &in.ContrastG : &in.BrightnessG;
    case 'B': return contrast ? &in.ContrastB : &in.BrightnessB;
    default: return nullptr;
    }
}

bool SetColour(SimUnit& u, const Args& a, bool contrast)
{
    if (!Screen(a.ints[0])) return false;
    float* f = ColourField(u.input(a.ints[0]), a.chars[0], contrast);
    if (!f) return false;
    *f = TenthsToFloat(a.tenths);
    return true;
}

const std::vector<CommandSpec>& Commands()
{
    static const std::vector<CommandSpec> table = {
        {"BLKGN", "ii", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             if (!Screen(a.ints[0]) || !InRange(a.ints[1], 0, 255)) return false;
             u.output(a.ints[0]).BlackLevel = static_cast<uint8_t>(a.ints[1]);
             return true;
         }},
        {"TNCTRL", "i", [](SimUnit& u, const Args& a, SimUnit::Result& r) {
             if (!InRange(a.ints[0], 0, 1)) return false;
             ForEachScreen(u, [&](OutputScreenRecord& o) { o.ControlMode = static_cast<uint8_t>(a.ints[0]); });
             r.busyMs = u.timings.controlModeMs;
             return true;
         }},
        {"DDBL", "i", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             if (!InRange(a.ints[0], 0, 1)) return false;
             ForEachScreen(u, [&](OutputScreenRecord& o) { o.DataDoubling = static_cast<uint8_t>(a.ints[0]); });
             return true;
         }},
        {"DISP", "ii", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             if (!InRange(a.ints[0], 0, 1) || !InRange(a.ints[1], 0, 4096)) return false;
             ForEachScreen(u, [&](OutputScreenRecord& o) {
                 o.Alignment = static_cast<uint8_t>(a.ints[0]);
                 o.OverlapWidth = a.ints[1];
             });
             return true;
         }},
        {"EFTA", "icif", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             const char side = a.chars[0];
             if (!Screen(a.ints[0]) || (side != 'L' && side != 'R') || !InRange(a.ints[1], -32768, 32767)) return false;
             OutputScreenRecord& o = u.output(a.ints[0]);
             (side == 'L' ? o.LeftGamma : o.RightGamma) = TenthsToFloat(a.tenths);
             (side == 'L' ? o.LeftFeather : o.RightFeather) = static_cast<int16_t>(a.ints[1]);
             return true;
         }},
        {"EFTB", "if", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             if (!InRange(a.ints[0], -32768, 32767)) return false;
             ForEachScreen(u, [&](OutputScreenRecord& o) {
                 o.BasicFeather = static_cast<int16_t>(a.ints[0]);
                 o.BasicGamma = TenthsToFloat(a.tenths);
             });
             return true;
         }},
        {"HALO", "icii", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             const char side = a.chars[0];
             if (!Screen(a.ints[0]) || (side != 'L' && side != 'R')) return false;
             OutputScreenRecord& o = u.output(a.ints[0]);
             (side == 'L' ? o.LeftHaloWidth : o.RightHaloWidth) = a.ints[1];
             (side == 'L' ? o.LeftHaloOffset : o.RightHaloOffset) = a.ints[2];
             return true;
         }},
        {"RESETTN", "c", [](SimUnit& u, const Args& a, SimUnit::Result& r) {
             if (a.chars[0] != 'F') return false;
             r.busyMs = u.timings.resetMs;
             return true;  // the state is restored by the caller (needs factory_)
         }},
        {"OTPMTN", "iiii", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             if (!Screen(a.ints[0]) || !InRange(a.ints[1], 0, 255) || !InRange(a.ints[2], 0, 1) ||
                 !InRange(a.ints[3], 0, 1))
                 return false;
             OutputScreenRecord& o = u.output(a.ints[0]);
             o.TestPattern = static_cast<uint8_t>(a.ints[1]);
             o.OutputRaster = static_cast<uint8_t>(a.ints[2]);
             o.TestGrid = static_cast<uint8_t>(a.ints[3]);
             return true;
         }},
        {"ICNTTN", "icf", [](SimUnit& u, const Args& a, SimUnit::Result&) { return SetColour(u, a, true); }},
        {"IBRTTN", "icf", [](SimUnit& u, const Args& a, SimUnit::Result&) { return SetColour(u, a, false); }},
        {"ICPHOTN", "iMi", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             if (!Screen(a.ints[0])) return false;
             u.input(a.ints[0]).Phase = a.ints[1];
             return true;
         }},
        {"IRSPTN", "iMci", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             const char axis = a.chars[0];
             if (!Screen(a.ints[0]) || (axis != 'H' && axis != 'V')) return false;
             (axis == 'H' ? u.input(a.ints[0]).HPosition : u.input(a.ints[0]).VPosition) = a.ints[1];
             return true;
         }},
        {"ICSAVTN", "i", [](SimUnit& u, const Args& a, SimUnit::Result& r) {
             if (!Screen(a.ints[0])) return false;
             r.busyMs = u.timings.saveMs;
             return true;  // copied by the caller
         }},
        {"ICRSTTN", "i", [](SimUnit&, const Args& a, SimUnit::Result&) { return Screen(a.ints[0]); }},
        {"PRJ", "ii", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             if (!InRange(a.ints[0], 0, 1) || !InRange(a.ints[1], 1, 8)) return false;
             ForEachScreen(u, [&](OutputScreenRecord& o) {
                 o.ScreenGroup = static_cast<uint8_t>(a.ints[0]);
                 o.TotalProjectors = static_cast<uint8_t>(a.ints[1]);
             });
             return true;
         }},
        {"MANSEAM", "iiiiiiiiii", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             if (!Screen(a.ints[0])) return false;
             for (int g = 2; g < 10; ++g)
                 if (!InRange(a.ints[g], 0, 255)) return false;
             OutputScreenRecord& o = u.output(a.ints[0]);
             o.SeamParam = a.ints[1];
             for (int g = 0; g < 8; ++g) o.SeamGain[g] = static_cast<uint8_t>(a.ints[g + 2]);
             return true;
         }},
        {"BRDGSEAM", "ii", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             if (!Screen(a.ints[0]) || !InRange(a.ints[1], 0, 1)) return false;
             u.output(a.ints[0]).SeamBridge = static_cast<uint8_t>(a.ints[1]);
             return true;
         }},
        {"AUTOSEAM", "i", [](SimUnit& u, const Args& a, SimUnit::Result& r) {
             if (!Screen(a.ints[0])) return false;
             // The unit measures the seam and sets its eight gains: a ramp across the overlap,
             // lowered by the black level lift.
             OutputScreenRecord& o = u.output(a.ints[0]);
             o.SeamParam = -4;
             for (int g = 0; g < 8; ++g) {
                 const int v = 100 + 6 * g + std::clamp(o.OverlapWidth, 0, 4096) / 64 - o.BlackLevel / 8;
                 o.SeamGain[g] = static_cast<uint8_t>(std::clamp(v, 0, 255));
             }
             r.busyMs = u.timings.autoSeamMs;
             return true;
         }},
        {"RGBADJ", "", [](SimUnit& u, const Args&, SimUnit::Result& r) {
             r.busyMs = u.timings.colorBalanceMs;
             r.procedure = Procedure::ColorBalance;
             return true;
         }},
        {"AUTOPOS", "", [](SimUnit& u, const Args&, SimUnit::Result& r) {
             r.busyMs = u.timings.positionMs;
             r.procedure = Procedure::Position;
             return true;
         }},
        {"APHASE", "", [](SimUnit& u, const Args&, SimUnit::Result& r) {
             r.busyMs = u.timings.phaseMs;
             r.procedure = Procedure::Phase;
             return true;
         }},
        {"SYSAVE", "", [](SimUnit& u, const Args&, SimUnit::Result& r) {
             r.busyMs = u.timings.saveMs;
             return true;
         }},
        {"FEATHER", "c", [](SimUnit& u, const Args& a, SimUnit::Result&) {
             if (a.chars[0] != 'S' && a.chars[0] != 'L') return false;
             u.state().featherCurve = a.chars[0];
             return true;
         }},
    };
    return table;
}

}  // namespace

SimUnit::Result SimUnit::execute(std::string_view line)
{
    Result r;
    const auto tok = Tokens(line);
    if (tok.empty()) return r;  // an empty line is harmless
    const auto& table = Commands();
    const auto it = std::find_if(table.begin(), table.end(), [&](const CommandSpec& c) { return c.keyword == tok[0]; });
    if (it == table.end()) {
        r.outcome = Outcome::Unknown;
        return r;
    }
    Args a;
    if (!ParseArgs(tok, it->pattern, a)) {
        r.outcome = Outcome::BadArguments;
        return r;
    }
    // Check the arguments on a scratch copy first so that a refused command changes nothing.
    UnitState before = state_;
    if (!it->apply(*this, a, r)) {
        state_ = before;
        r = Result{};
        r.outcome = Outcome::BadArguments;
        return r;
    }
    if (it->keyword == "RESETTN") {
        state_ = factory_;
        saved_ = factory_;
    } else if (it->keyword == "SYSAVE") {
        saved_ = state_;
    } else if (it->keyword == "ICSAVTN") {
        saved_.inputs[a.ints[0]] = state_.inputs[a.ints[0]];
    } else if (it->keyword == "ICRSTTN") {
        // Back to the input's defaults; the video status is what the input sees now.
        InputChannelRecord& in = state_.inputs[a.ints[0]];
        const InputChannelRecord& f = factory_.inputs[a.ints[0]];
        in.Phase = f.Phase;
        in.SyncSelect = f.SyncSelect;
        in.Termination = f.Termination;
        in.ContrastC = f.ContrastC, in.ContrastR = f.ContrastR, in.ContrastG = f.ContrastG, in.ContrastB = f.ContrastB;
        in.BrightnessC = f.BrightnessC, in.BrightnessR = f.BrightnessR;
        in.BrightnessG = f.BrightnessG, in.BrightnessB = f.BrightnessB;
        in.HPosition = in.HPositionNominal;
        in.VPosition = in.VPositionNominal;
    }
    return r;
}

void SimUnit::finishProcedure(Procedure p)
{
    for (int ch = 1; ch <= 4; ++ch) {
        InputChannelRecord& in = state_.inputs[ch];
        if (!in.VideoLoaded) continue;
        switch (p) {
        case Procedure::ColorBalance:
            // The measured gains of the three colours differ a little from channel to channel.
            in.ContrastC = Tenths(1000);
            in.BrightnessC = Tenths(1000);
            in.ContrastR = Tenths(-3 * ch);
            in.ContrastG = Tenths(2 * ch);
            in.ContrastB = Tenths(5);
            in.BrightnessR = Tenths(ch);
            in.BrightnessG = Tenths(-ch);
            in.BrightnessB = Tenths(2);
            break;
        case Procedure::Position:
            in.HPosition = in.HPositionNominal;
            in.VPosition = in.VPositionNominal;
            break;
        case Procedure::Phase:
            in.Phase = (in.HTotal / 8 + 3 * ch) % 32 - 16;  // the phase offset, -16..15
            break;
        case Procedure::None: break;
        }
    }
}

}  // namespace kalvora::sim
