#pragma once
// The Tornel command set as one table: for each command its keyword, the exact text of its
// controller (RS-485 addressed) and direct (RS-232) forms, the pause after the controller's
// acceptance, and how a direct-mode unit is waited for. The builders in commands.h format
// from this table only; nothing else in the program writes command text.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace kalvora {

enum class Command {
    BlackLevel,        // BLKGN
    ControlMode,       // TNCTRL
    DataDoubling,      // DDBL
    DisplayLayout,     // DISP
    EdgeFeather,       // EFTA
    BasicFeather,      // EFTB
    Halo,              // HALO
    Reset,             // RESETTN
    TestPattern,       // OTPMTN
    InputContrast,     // ICNTTN
    InputBrightness,   // IBRTTN
    InputPhase,        // ICPHOTN
    InputHPosition,    // IRSPTN ... H
    InputVPosition,    // IRSPTN ... V
    InputSave,         // ICSAVTN
    InputReset,        // ICRSTTN
    ProjectorCount,    // PRJ
    SeamGains,         // MANSEAM
    SeamBridge,        // BRDGSEAM
    AutoSeam,          // AUTOSEAM
    AutoColorBalance,  // RGBADJ
    AutoPosition,      // AUTOPOS
    AutoPhase,         // APHASE
    SystemSave,        // SYSAVE
    FeatherCurve,      // FEATHER
};
constexpr int kCommandCount = 25;

// How a direct-mode unit is sent a command: Write queues the line and waits for nothing;
// Ack waits for the unit's prompt (with recovery) for ackTicks ticks of 55 ms.
enum class DirectWay { Write, Ack };

struct CommandSpec {
    Command command;
    std::string_view keyword;
    std::string_view controllerForm;  // printf-style; the RS-485 ID takes the first %d
    std::string_view directForm;
    int postWait;        // 1 ms pauses after the controller accepted the frame
    int postWaitOff;     // TNCTRL only: the pause when its argument is 0 (basic mode); else = postWait
    DirectWay directWay;
    int ackTicks;        // prompt wait for DirectWay::Ack
    int pausePerProjector;  // auto procedures: 1 ms pauses per projector after the empty line
};

extern const std::array<CommandSpec, kCommandCount> kCommands;
const CommandSpec& SpecOf(Command c);

// The empty addressed line sent after an auto procedure starts, so that the controller's
// acceptance of it marks the moment the pauses begin.
inline constexpr std::string_view kEmptyLineForm = "*%d !";

// A value held in tenths, sent with "%4.1f".
struct Tenths {
    float value;
};
using CommandArg = std::variant<int, char, Tenths>;

// "%4.1f" exactly as the C library prints it in the "C" locale: one decimal, correctly rounded,
// a point as separator, left-padded with spaces to four characters. Never depends on the
// process locale.
std::string FormatTenths(float value);

// Fills a form from the table with the arguments in order. The form may contain only %d, %c,
// %4.1f and %%; an argument of the wrong type, a missing or an extra argument gives nullopt.
std::optional<std::string> FormatForm(std::string_view form, std::span<const CommandArg> args);

// The side letter of EFTA and HALO: 0 = left edge 'L', anything else 'R'.
constexpr char SideLetter(int side) { return side == 0 ? 'L' : 'R'; }
// The colour letter of ICNTTN and IBRTTN: 0..3 = 'C' (all), 'R', 'G', 'B'; anything else is
// refused (nullopt) rather than sent as an arbitrary letter.
std::optional<char> ColourLetter(int colour);
// FEATHER: mode 0 = S-curve 'S', otherwise linear 'L'.
constexpr char FeatherLetter(int mode) { return mode == 0 ? 'S' : 'L'; }

}  // namespace kalvora
