#pragma once
// The command builders: one operation per command of the Tornel command set. Each first stores
// its values in the addressed settings record, then, only while the link is established, sends
// the command in the current connection mode (controller frame or direct line, from the table
// in commands_table.h) and runs the command's after-actions (re-reading the unit, refilling a
// page).
//
// Every builder returns false when the command was abandoned: the operator gave up at the way
// out of the link's resends, or chose Cancel in the direct recovery dialog. A caller running a
// sequence of commands stops there. A refused argument (unit not 1 or 2, index not 1..4, colour
// not 0..3) also returns false and changes nothing. Everything else, including "no link, nothing
// sent", returns true. A builder called while another operation on the units waits or pauses
// is refused the same way: its record stays as it was, so the editor restores its control.

#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "link/commands_table.h"

namespace kalvora {

class Link;
struct Settings;

inline const QString kMsgNoVideoOnInput1 =
    QStringLiteral("Error! Tornel detect no input on input channel 1. Auto Color Balance aborted.");
inline const QString kStatusAutoColorBalance =
    QStringLiteral("Automatic Color Balance in progress. Please wait....");
inline const QString kStatusAutoPosition = QStringLiteral("Automatic Position setup in progress. Please wait....");
inline const QString kStatusAutoPhase = QStringLiteral("Automatic Phase setup in progress. Please wait....");
// The procedures as the operator knows them from the buttons that start them.
inline const QString kProcedureAutoColorBalance = QStringLiteral("Auto Color Balance");
inline const QString kProcedureAutoPosition = QStringLiteral("Auto Position");
inline const QString kProcedureAutoPhase = QStringLiteral("Auto Phase Calibration");
inline const QString kProcedureAutoSeam = QStringLiteral("Auto Seam Gain");

class CommandSet {
public:
    CommandSet(Link& link, Settings& settings);

    // Page refills the window provides; they run with FormFilling set, so the controls'
    // handlers that the fill triggers send nothing. Empty by default.
    std::function<void()> FillDisplayPage;
    std::function<void()> FillSourcePage;
    std::function<void(int channel)> FillSourceColour;  // wall channel 1..8
    std::function<void()> FillSeamPage;
    // The channel the source page shows (1..8).
    std::function<int()> SelectedSourceChannel;

    bool SendBlackLevel(int unit, int screen, int level);
    bool SendControlMode(int unit, int advanced);
    bool SendDataDoubling(int unit, int on);
    bool SendDisplayLayout(int unit, int alignment, int overlapWidth);
    bool SendEdgeFeather(int unit, int screen, int side, int16_t feather, float gamma);
    bool SendBasicFeather(int unit, int16_t feather, float gamma);
    bool SendHalo(int unit, int screen, int side, int width, int offset);
    bool SendReset(int unit, char kind);
    bool SendTestPattern(int unit, int screen, int pattern, int raster, int grid);
    bool SendInputContrast(int unit, int channel, int colour, float value);
    bool SendInputBrightness(int unit, int channel, int colour, float value);
    bool SendInputPhase(int unit, int channel, int phase);
    bool SendInputHPosition(int unit, int channel, int position);
    bool SendInputVPosition(int unit, int channel, int position);
    bool SendInputSave(int unit, int channel);
    bool SendInputReset(int unit, int channel);
    bool SendProjectorCount(int unit, int count);
    bool SendSeamGains(int unit, int screen, int param, const int (&gains)[8]);
    bool SendSeamBridge(int unit, int screen, int on);
    bool SendAutoSeam(int unit, int screen);
    bool RunAutoColorBalance(int unit);
    bool RunAutoPosition(int unit);
    bool RunAutoPhase(int unit);
    bool SendSystemSave(int unit);
    bool SendFeatherCurve(int unit, int mode);

    // The text a builder would put on the wire for `command` to `unit` in the current mode, as
    // the link's command text holds it (no "PASS " envelope, no checksum). Empty for refused arguments.
    std::string CommandLine(Command command, int unit, std::initializer_list<CommandArg> args) const;

private:
    // Sends in the current mode if the link is established. `postWait` is the controller
    // post-wait, `ackTicks` the direct prompt wait (for DirectWay::Ack). False when abandoned.
    bool Send(Command command, int unit, std::initializer_list<CommandArg> args, int postWait);
    bool SendWithTicks(const CommandSpec& spec, int unit, std::initializer_list<CommandArg> args, int postWait,
                       int ackTicks);
    bool SendLine(const std::string& line, bool controller, int postWait, DirectWay way, int ackTicks);
    bool RunAuto(Command command, int unit, const QString& status, const QString& procedure);
    // Re-reads; false only when the operator abandoned a query.
    bool ReadInputs(int unit);
    bool Abandoned() const;
    // Called inside another operation's wait or pause (an editor committing while a command
    // waits), or after the operator ended the program: nothing is stored or sent.
    bool Refused() const;
    // Whether unit may be addressed now; tells the operator when not.
    bool Addressable(int unit) const;
    void Fill(const std::function<void()>& fill);

    Link& link_;
    Settings& settings_;
};

}  // namespace kalvora
