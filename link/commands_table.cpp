#include "link/commands_table.h"

#include <charconv>
#include <cmath>

namespace kalvora {

// clang-format off
constexpr std::array<CommandSpec, kCommandCount> kCommandTable = {{
    // command                     keyword     controller form                              direct form                                  post  off   way              ticks  per-projector
    {Command::BlackLevel,       "BLKGN",    "*%dBLKGN %d %d!",                          "BLKGN %d %d\r",                              0,    0, DirectWay::Write,    80,    0},
    {Command::ControlMode,      "TNCTRL",   "*%dTNCTRL %d!",                            "TNCTRL %d\r",                             1250,  300, DirectWay::Ack,     580,    0},
    {Command::DataDoubling,     "DDBL",     "*%dDDBL %d!",                              "DDBL %d\r",                                  0,    0, DirectWay::Ack,      80,    0},
    {Command::DisplayLayout,    "DISP",     "*%dDISP %d %d!",                           "DISP %d %d\r",                             400,  400, DirectWay::Ack,      80,    0},
    {Command::EdgeFeather,      "EFTA",     "*%dEFTA %d %c %d %4.1f!",                  "EFTA %d %c %d %4.1f\r",                      5,    5, DirectWay::Write,    80,    0},
    {Command::BasicFeather,     "EFTB",     "*%dEFTB %d %4.1f!",                        "EFTB %d %4.1f\r",                            5,    5, DirectWay::Ack,      80,    0},
    {Command::Halo,             "HALO",     "*%dHALO %d %c %d %d!",                     "HALO %d %c %d %d\r",                         0,    0, DirectWay::Write,    80,    0},
    {Command::Reset,            "RESETTN",  "*%dRESETTN %c!",                           "RESETTN %c\r",                            6500, 6500, DirectWay::Ack,     810,    0},
    {Command::TestPattern,      "OTPMTN",   "*%dOTPMTN %d %d %d %d!",                   "OTPMTN %d %d %d %d\r",                       0,    0, DirectWay::Ack,      80,    0},
    {Command::InputContrast,    "ICNTTN",   "*%dICNTTN %d %c %4.1f!",                   "ICNTTN %d %c %4.1f\r",                       0,    0, DirectWay::Write,    80,    0},
    {Command::InputBrightness,  "IBRTTN",   "*%dIBRTTN %d %c %4.1f!",                   "IBRTTN %d %c %4.1f\r",                       0,    0, DirectWay::Write,    80,    0},
    {Command::InputPhase,       "ICPHOTN",  "*%dICPHOTN %d M %d!",                      "ICPHOTN %d M %d\r",                          0,    0, DirectWay::Write,    80,    0},
    {Command::InputHPosition,   "IRSPTN",   "*%dIRSPTN %d M H %d!",                     "IRSPTN %d M H %d\r",                         0,    0, DirectWay::Write,    80,    0},
    {Command::InputVPosition,   "IRSPTN",   "*%dIRSPTN %d M V %d!",                     "IRSPTN %d M V %d\r",                         0,    0, DirectWay::Write,    80,    0},
    {Command::InputSave,        "ICSAVTN",  "*%dICSAVTN %d!",                           "ICSAVTN %d\r",                             100,  100, DirectWay::Ack,      80,    0},
    {Command::InputReset,       "ICRSTTN",  "*%dICRSTTN %d!",                           "ICRSTTN %d\r",                             150,  150, DirectWay::Ack,      80,    0},
    {Command::ProjectorCount,   "PRJ",      "*%dPRJ %d %d!",                            "PRJ %d %d\r",                              150,  150, DirectWay::Ack,     180,    0},
    {Command::SeamGains,        "MANSEAM",  "*%dMANSEAM %d %d %d %d %d %d %d %d %d %d!", "MANSEAM %d %d %d %d %d %d %d %d %d %d\r",   0,    0, DirectWay::Ack,      80,    0},
    {Command::SeamBridge,       "BRDGSEAM", "*%dBRDGSEAM %d %d!",                       "BRDGSEAM %d %d\r",                          20,   20, DirectWay::Ack,     120,    0},
    {Command::AutoSeam,         "AUTOSEAM", "*%dAUTOSEAM %d!",                          "AUTOSEAM %d\r",                            100,  100, DirectWay::Ack,     120,    0},
    {Command::AutoColorBalance, "RGBADJ",   "*%dRGBADJ!",                               "RGBADJ\r\r",                                 0,    0, DirectWay::Ack,   22810, 4200},
    {Command::AutoPosition,     "AUTOPOS",  "*%dAUTOPOS!",                              "AUTOPOS\r\r",                                0,    0, DirectWay::Ack,     810,  700},
    {Command::AutoPhase,        "APHASE",   "*%dAPHASE!",                               "APHASE\r\r",                                 0,    0, DirectWay::Ack,   21810, 3400},
    {Command::SystemSave,       "SYSAVE",   "*%dSYSAVE!",                               "SYSAVE\r",                                1000, 1000, DirectWay::Ack,      80,    0},
    {Command::FeatherCurve,     "FEATHER",  "*%dFEATHER %c!",                           "FEATHER %c\r",                             490,  490, DirectWay::Ack,      80,    0},
}};
// clang-format on

static_assert([] {
    for (int i = 0; i < kCommandCount; ++i)
        if (static_cast<int>(kCommandTable[i].command) != i) return false;
    return true;
}(), "rows must follow the order of Command");

const std::array<CommandSpec, kCommandCount> kCommands = kCommandTable;

const CommandSpec& SpecOf(Command c) { return kCommands.at(static_cast<size_t>(c)); }

std::string FormatTenths(float value)
{
    // std::to_chars is locale-independent and rounds the exact binary value correctly, as printf
    // does; the width of 4 is then made up with leading spaces.
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, 1);
    std::string text = r.ec == std::errc{} ? std::string(buf, r.ptr) : std::string("0.0");
    if (text.size() < 4) text.insert(0, 4 - text.size(), ' ');
    return text;
}

std::optional<std::string> FormatForm(std::string_view form, std::span<const CommandArg> args)
{
    std::string out;
    out.reserve(form.size() + 8 * args.size());
    size_t next = 0;
    for (size_t i = 0; i < form.size(); ++i) {
        const char ch = form[i];
        if (ch != '%') {
            out += ch;
            continue;
        }
        const std::string_view rest = form.substr(i + 1);
        if (rest.starts_with('%')) {
            out += '%';
            i += 1;
            continue;
        }
        if (next >= args.size()) return std::nullopt;
        const CommandArg& arg = args[next++];
        if (rest.starts_with('d')) {
            if (!std::holds_alternative<int>(arg)) return std::nullopt;
            out += std::to_string(std::get<int>(arg));
            i += 1;
        } else if (rest.starts_with('c')) {
            if (!std::holds_alternative<char>(arg)) return std::nullopt;
            out += std::get<char>(arg);
            i += 1;
        } else if (rest.starts_with("4.1f")) {
            if (!std::holds_alternative<Tenths>(arg)) return std::nullopt;
            out += FormatTenths(std::get<Tenths>(arg).value);
            i += 4;
        } else {
            return std::nullopt;
        }
    }
    if (next != args.size()) return std::nullopt;
    return out;
}

std::optional<char> ColourLetter(int colour)
{
    static constexpr char letters[4] = {'C', 'R', 'G', 'B'};
    if (colour < 0 || colour > 3) return std::nullopt;
    return letters[colour];
}

}  // namespace kalvora
