#include "link/commands.h"

#include <algorithm>
#include <vector>

#include "link/link.h"
#include "link/procedure_wait.h"
#include "link/queries.h"
#include "platform/operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora {
namespace {

bool ValidUnit(int unit) { return unit == 1 || unit == 2; }
bool ValidIndex(int index) { return index >= 1 && index <= 4; }
bool Valid(int unit, int index) { return ValidUnit(unit) && ValidIndex(index); }

}  // namespace

ReadBackView& ReadBackView::none()
{
    class NoView final : public ReadBackView {
        void showOutputs() override {}
        void showInputs() override {}
        void showInputColours(int) override {}
        int shownInputChannel() const override { return 1; }
        void showSeams() override {}
    };
    static NoView view;
    return view;
}

CommandSet::CommandSet(Link& link, Settings& settings, ReadBackView& view)
    : link_(link), settings_(settings), view_(view)
{
}

bool CommandSet::Abandoned() const { return link_.sequenceStopped(); }

bool CommandSet::Refused() const { return !link_.MayStart(); }

void CommandSet::Fill(const std::function<void()>& fill)
{
    FlagGuard filling(link_.flags().FormFilling);
    fill();
}

std::string CommandSet::CommandLine(Command command, int unit, std::initializer_list<CommandArg> args) const
{
    if (!ValidUnit(unit)) return {};
    const CommandSpec& spec = SpecOf(command);
    std::optional<std::string> line;
    if (link_.throughController()) {
        std::vector<CommandArg> withId{link_.unitId(unit)};
        withId.insert(withId.end(), args.begin(), args.end());
        line = FormatForm(spec.controllerForm, withId);
    } else {
        line = FormatForm(spec.directForm, std::vector<CommandArg>(args));
    }
    return line.value_or(std::string());
}

bool CommandSet::Addressable(int unit) const
{
    if (link_.MayAddress(unit)) return true;
    link_.op().showMessage(MsgUnitNotReported(unit));
    return false;
}

bool CommandSet::SendLine(const std::string& line, bool controller, int postWait, DirectWay way, int ackTicks)
{
    if (line.empty()) return true;  // a form the table cannot fill: a programming error, nothing sent
    link_.SetCommandText("%s", line.c_str());
    if (controller) {
        link_.ComputeChecksum();
        link_.SendControllerCommand(postWait);
        return !Abandoned();
    }
    if (way == DirectWay::Write) {
        link_.WriteIfRoom(link_.commandText());
        return true;
    }
    link_.setPromptWaitTicks(ackTicks);
    link_.SendDirectCommand();
    link_.setPromptWaitTicks(kDefaultWaitTicks);
    return !Abandoned();
}

bool CommandSet::SendWithTicks(const CommandSpec& spec, int unit, std::initializer_list<CommandArg> args,
                               int postWait, int ackTicks)
{
    if (!link_.linkUp()) return true;
    if (!Addressable(unit)) return false;
    return SendLine(CommandLine(spec.command, unit, args), link_.throughController(), postWait, spec.directWay, ackTicks);
}

bool CommandSet::Send(Command command, int unit, std::initializer_list<CommandArg> args, int postWait)
{
    const CommandSpec& spec = SpecOf(command);
    return SendWithTicks(spec, unit, args, postWait, spec.ackTicks);
}

bool CommandSet::ReadInputs(int unit)
{
    // A re-read needs a link: without one the query would parse whatever an earlier reply left
    // in the reply buffer into the records.
    if (!link_.linkUp()) return true;
    for (int ch = 1; ch <= 4; ++ch) {
        QueryInput(link_, settings_, unit, ch);
        if (Abandoned()) return false;
    }
    return true;
}

// ---- Output screens and unit-wide output values ------------------------------------------------

bool CommandSet::SendBlackLevel(int unit, int screen, int level)
{
    if (!Valid(unit, screen) || Refused()) return false;
    settings_.output(unit, screen).BlackLevel = static_cast<uint8_t>(level);
    return Send(Command::BlackLevel, unit, {screen, level}, SpecOf(Command::BlackLevel).postWait);
}

bool CommandSet::SendControlMode(int unit, int advanced)
{
    if (!ValidUnit(unit) || Refused()) return false;
    link_.beginOperation();
    settings_.output(unit, 1).ControlMode = static_cast<uint8_t>(advanced);
    const CommandSpec& spec = SpecOf(Command::ControlMode);
    bool ok = Send(Command::ControlMode, unit, {advanced}, advanced == 0 ? spec.postWaitOff : spec.postWait);
    if (ok) {
        // The unit rebuilds its output settings when the mode changes: read all four screens back.
        if (link_.throughController()) link_.HandlePendingEvents();
        if (link_.linkUp()) {
            for (int s = 1; s <= 4 && ok; ++s) {
                QueryOutput(link_, settings_, unit, s);
                ok = !Abandoned();
            }
        }
        if (ok) Fill([this] { view_.showOutputs(); });
    }
    link_.endOperation();
    return ok;
}

bool CommandSet::SendDataDoubling(int unit, int on)
{
    if (!ValidUnit(unit) || Refused()) return false;
    settings_.output(unit, 1).DataDoubling = static_cast<uint8_t>(on);
    return Send(Command::DataDoubling, unit, {on}, SpecOf(Command::DataDoubling).postWait);
}

bool CommandSet::SendDisplayLayout(int unit, int alignment, int overlapWidth)
{
    if (!ValidUnit(unit) || Refused()) return false;
    OutputScreenRecord& r = settings_.output(unit, 1);
    r.Alignment = static_cast<uint8_t>(alignment);
    r.OverlapWidth = overlapWidth;
    return Send(Command::DisplayLayout, unit, {alignment, overlapWidth}, SpecOf(Command::DisplayLayout).postWait);
}

bool CommandSet::SendEdgeFeather(int unit, int screen, int side, int16_t feather, float gamma)
{
    if (!Valid(unit, screen) || Refused()) return false;
    OutputScreenRecord& r = settings_.output(unit, screen);
    if (side == 0) {
        r.LeftGamma = gamma;
        r.LeftFeather = feather;
    } else {
        r.RightGamma = gamma;
        r.RightFeather = feather;
    }
    return Send(Command::EdgeFeather, unit, {screen, SideLetter(side), int(feather), Tenths{gamma}},
                SpecOf(Command::EdgeFeather).postWait);
}

bool CommandSet::SendBasicFeather(int unit, int16_t feather, float gamma)
{
    if (!ValidUnit(unit) || Refused()) return false;
    OutputScreenRecord& r = settings_.output(unit, 1);
    r.BasicGamma = gamma;
    r.BasicFeather = feather;
    return Send(Command::BasicFeather, unit, {int(feather), Tenths{gamma}}, SpecOf(Command::BasicFeather).postWait);
}

bool CommandSet::SendHalo(int unit, int screen, int side, int width, int offset)
{
    if (!Valid(unit, screen) || Refused()) return false;
    OutputScreenRecord& r = settings_.output(unit, screen);
    if (side == 0) {
        r.LeftHaloWidth = width;
        r.LeftHaloOffset = offset;
    } else {
        r.RightHaloWidth = width;
        r.RightHaloOffset = offset;
    }
    return Send(Command::Halo, unit, {screen, SideLetter(side), width, offset}, SpecOf(Command::Halo).postWait);
}

bool CommandSet::SendReset(int unit, char kind)
{
    if (!ValidUnit(unit) || Refused()) return false;
    return Send(Command::Reset, unit, {kind}, SpecOf(Command::Reset).postWait);
}

bool CommandSet::SendTestPattern(int unit, int screen, int pattern, int raster, int grid)
{
    if (!Valid(unit, screen) || Refused()) return false;
    OutputScreenRecord& r = settings_.output(unit, screen);
    r.TestPattern = static_cast<uint8_t>(pattern);
    r.OutputRaster = static_cast<uint8_t>(raster);
    r.TestGrid = static_cast<uint8_t>(grid);
    return Send(Command::TestPattern, unit, {screen, pattern, raster, grid}, SpecOf(Command::TestPattern).postWait);
}

bool CommandSet::SendProjectorCount(int unit, int count)
{
    if (!ValidUnit(unit) || Refused()) return false;
    OutputScreenRecord& r = settings_.output(unit, 1);
    r.ScreenGroup = static_cast<uint8_t>(unit - 1);
    r.TotalProjectors = static_cast<uint8_t>(count);
    return Send(Command::ProjectorCount, unit, {unit - 1, count}, SpecOf(Command::ProjectorCount).postWait);
}

bool CommandSet::SendSeamGains(int unit, int screen, int param, const int (&gains)[8])
{
    if (!Valid(unit, screen) || Refused()) return false;
    OutputScreenRecord& r = settings_.output(unit, screen);
    r.SeamParam = param;
    for (int i = 0; i < 8; ++i) r.SeamGain[i] = static_cast<uint8_t>(gains[i]);
    return Send(Command::SeamGains, unit,
                {screen, param, gains[0], gains[1], gains[2], gains[3], gains[4], gains[5], gains[6], gains[7]},
                SpecOf(Command::SeamGains).postWait);
}

bool CommandSet::SendSeamBridge(int unit, int screen, int on)
{
    if (!Valid(unit, screen) || Refused()) return false;
    settings_.output(unit, screen).SeamBridge = static_cast<uint8_t>(on);
    return Send(Command::SeamBridge, unit, {screen, on}, SpecOf(Command::SeamBridge).postWait);
}

bool CommandSet::SendAutoSeam(int unit, int screen)
{
    if (!Valid(unit, screen) || Refused()) return false;
    if (!Send(Command::AutoSeam, unit, {screen}, SpecOf(Command::AutoSeam).postWait)) return false;
    // The unit's allowance runs from the acceptance of the command, not from before its resends.
    QElapsedTimer started;
    started.start();
    // The unit computed new gains: read the screen back. Through a controller the unit may
    // still be measuring: the read is tried at least twice, quietly, for as long as a directly
    // cabled unit is given for the adjustment.
    if (link_.linkUp()) {
        if (link_.throughController()) {
            link_.HandlePendingEvents();
            const ProcedureWait wait{unit, kProcedureAutoSeam, SpecOf(Command::AutoSeam).ackTicks, 2,
                                     SpecOf(Command::AutoSeam).postWait + kSilentUnitGraceMs};
            WaitForUnitAfterProcedure(link_, wait, started, [&] { return QueryOutput(link_, settings_, unit, screen); });
        } else {
            QueryOutput(link_, settings_, unit, screen);
        }
        if (Abandoned()) return false;
    }
    Fill([this] { view_.showSeams(); });
    return true;
}

bool CommandSet::SendSystemSave(int unit)
{
    if (!ValidUnit(unit) || Refused()) return false;
    return Send(Command::SystemSave, unit, {}, SpecOf(Command::SystemSave).postWait);
}

bool CommandSet::SendFeatherCurve(int unit, int mode)
{
    if (!ValidUnit(unit) || Refused()) return false;
    return Send(Command::FeatherCurve, unit, {FeatherLetter(mode)}, SpecOf(Command::FeatherCurve).postWait);
}

// ---- Input channels ----------------------------------------------------------------------------

bool CommandSet::SendInputContrast(int unit, int channel, int colour, float value)
{
    const std::optional<char> letter = ColourLetter(colour);
    if (!Valid(unit, channel) || !letter || Refused()) return false;
    InputChannelRecord& r = settings_.input(unit, channel);
    float* fields[4] = {&r.ContrastC, &r.ContrastR, &r.ContrastG, &r.ContrastB};
    *fields[colour] = value;
    return Send(Command::InputContrast, unit, {channel, *letter, Tenths{value}}, SpecOf(Command::InputContrast).postWait);
}

bool CommandSet::SendInputBrightness(int unit, int channel, int colour, float value)
{
    const std::optional<char> letter = ColourLetter(colour);
    if (!Valid(unit, channel) || !letter || Refused()) return false;
    InputChannelRecord& r = settings_.input(unit, channel);
    float* fields[4] = {&r.BrightnessC, &r.BrightnessR, &r.BrightnessG, &r.BrightnessB};
    *fields[colour] = value;
    return Send(Command::InputBrightness, unit, {channel, *letter, Tenths{value}},
                SpecOf(Command::InputBrightness).postWait);
}

bool CommandSet::SendInputPhase(int unit, int channel, int phase)
{
    if (!Valid(unit, channel) || Refused()) return false;
    settings_.input(unit, channel).Phase = phase;
    return Send(Command::InputPhase, unit, {channel, phase}, SpecOf(Command::InputPhase).postWait);
}

bool CommandSet::SendInputHPosition(int unit, int channel, int position)
{
    if (!Valid(unit, channel) || Refused()) return false;
    settings_.input(unit, channel).HPosition = position;
    return Send(Command::InputHPosition, unit, {channel, position}, SpecOf(Command::InputHPosition).postWait);
}

bool CommandSet::SendInputVPosition(int unit, int channel, int position)
{
    if (!Valid(unit, channel) || Refused()) return false;
    settings_.input(unit, channel).VPosition = position;
    return Send(Command::InputVPosition, unit, {channel, position}, SpecOf(Command::InputVPosition).postWait);
}

bool CommandSet::SendInputSave(int unit, int channel)
{
    if (!Valid(unit, channel) || Refused()) return false;
    return Send(Command::InputSave, unit, {channel}, SpecOf(Command::InputSave).postWait);
}

bool CommandSet::SendInputReset(int unit, int channel)
{
    if (!Valid(unit, channel) || Refused()) return false;
    if (!Send(Command::InputReset, unit, {channel}, SpecOf(Command::InputReset).postWait)) return false;
    if (!ReadInputs(unit)) return false;
    Fill([this] { view_.showInputs(); });
    return true;
}

// ---- The unit's automatic procedures -------------------------------------------------------------

bool CommandSet::RunAuto(Command command, int unit, const QString& status, const QString& procedure)
{
    const CommandSpec& spec = SpecOf(command);
    Operator& op = link_.op();
    bool ok = true;
    bool unitAnswered = true;
    int firstChannelToRead = 1;
    if (link_.linkUp() && !Addressable(unit)) return false;
    if (link_.linkUp()) {
        if (link_.throughController()) {
            // The controller accepts the start at once; the procedure then runs on the unit for
            // minutes. An empty addressed line follows, and the pause after its acceptance
            // scales with the wall's projector count as last stored for the unit. The link stays
            // waiting for the units from the start until the unit has answered again.
            const Link::LongWait held(link_);
            op.setStatus(status);
            QElapsedTimer started;
            const int projectors = static_cast<int8_t>(settings_.output(unit, 1).TotalProjectors);
            const int pauses = std::max(0, spec.pausePerProjector * projectors);
            ok = SendLine(CommandLine(command, unit, {}), true, 0, spec.directWay, spec.ackTicks);
            started.start();  // the procedure runs from the acceptance of its command
            if (ok) {
                const std::string empty = *FormatForm(kEmptyLineForm, std::vector<CommandArg>{link_.unitId(unit)});
                ok = SendLine(empty, true, pauses, spec.directWay, spec.ackTicks);
            }
            if (ok) link_.HandlePendingEvents();
            // The pauses are far shorter than the procedure: the first re-read waits, quietly,
            // until the unit answers again or a direct unit's allowance has passed.
            if (ok) {
                op.setStatus(status);
                const ProcedureWait wait{unit, procedure, spec.ackTicks, 1, pauses + kSilentUnitGraceMs};
                unitAnswered = WaitForUnitAfterProcedure(link_, wait, started,
                                                         [&] { return QueryInput(link_, settings_, unit, 1); });
                ok = !Abandoned();
                firstChannelToRead = 2;
            }
        } else {
            op.setStatus(status);
            ok = SendLine(CommandLine(command, unit, {}), false, 0, spec.directWay, spec.ackTicks);
        }
    }
    op.setStatus(QString());
    if (!ok) {
        link_.endOperation();
        return false;
    }
    // A unit that never answered is not asked again here: the operator has been told once.
    if (unitAnswered && link_.linkUp()) {
        for (int ch = firstChannelToRead; ch <= 4 && ok; ++ch) {
            QueryInput(link_, settings_, unit, ch);
            ok = !Abandoned();
        }
    }
    link_.endOperation();
    if (!ok) return false;
    if (command == Command::AutoColorBalance) {
        const int channel = view_.shownInputChannel();
        Fill([&] { view_.showInputColours(channel); });
    } else {
        Fill([this] { view_.showInputs(); });
    }
    return true;
}

bool CommandSet::RunAutoColorBalance(int unit)
{
    if (!ValidUnit(unit) || Refused()) return false;
    // The balance needs a picture on input 1: read the inputs first and refuse without video.
    if (!ReadInputs(unit)) return false;
    Fill([this] { view_.showInputs(); });
    if (settings_.input(unit, 1).VideoLoaded == 0) {
        link_.op().showMessage(kMsgNoVideoOnInput1);
        return true;
    }
    link_.beginOperation();
    return RunAuto(Command::AutoColorBalance, unit, kStatusAutoColorBalance, kProcedureAutoColorBalance);
}

bool CommandSet::RunAutoPosition(int unit)
{
    if (!ValidUnit(unit) || Refused()) return false;
    link_.beginOperation();
    return RunAuto(Command::AutoPosition, unit, kStatusAutoPosition, kProcedureAutoPosition);
}

bool CommandSet::RunAutoPhase(int unit)
{
    if (!ValidUnit(unit) || Refused()) return false;
    link_.beginOperation();
    return RunAuto(Command::AutoPhase, unit, kStatusAutoPhase, kProcedureAutoPhase);
}

}  // namespace kalvora
