#include "bench/fault_soak.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstddef>
#include <functional>
#include <iterator>
#include <random>

#include "link/commands.h"
#include "link/connection.h"
#include "link/link.h"
#include "link/queries.h"
#include "operations/session.h"
#include "platform/clock.h"
#include "platform/operator.h"
#include "platform/serial_port.h"
#include "settings/main_flags.h"
#include "settings/records.h"

namespace kalvora::soak {
namespace {

// Answers every question Yes / OK / Retry and notes what went wrong.
class SoakOperator : public Operator {
public:
    void showMessage(const QString& text, const QString&) override
    {
        ++messages;
        trouble = true;
        last = text;
    }
    bool askYesNo(const QString&, const QString&) override { return true; }
    bool askOkCancel(const QString&, const QString&) override { return question(); }
    bool askRetryCancel(const QString&, const QString&) override { return question(); }
    void setStatus(const QString& text) override
    {
        if (text.startsWith(QLatin1String("Error parsing"))) trouble = true;
    }
    void setBusy(bool) override {}

    bool question()
    {
        ++questions;
        return true;
    }
    int messages = 0;
    int questions = 0;
    bool trouble = false;  // a message or a parse failure since it was last cleared
    QString last;
};

void SleepInEvents(int realMs)
{
    QEventLoop loop;
    QTimer::singleShot(realMs, &loop, &QEventLoop::quit);
    loop.exec();
}

enum class Kind { Command, LongCommand, Query };

struct Transaction {
    const char* name;
    int weight;
    Kind kind;
    Command command;  // for Command / LongCommand: its direct way decides the exchange
    bool controllerOnly = false;
};

}  // namespace

SoakResult RunFaultSoak(const SoakConfig& config)
{
    SoakResult result;
    const bool controllerMode = config.mode == sim::PortMode::Controller;
    sim::SimConfig simConfig;
    simConfig.mode = config.mode;
    simConfig.ids = config.ids;
    sim::Simulator simulator(simConfig);
    if (!simulator.start()) return result;

    SoakOperator op;
    Session session(op, ReadBackView::none(), ConnectionView::none(), Session::Traffic::NotRecorded);
    MainFlags& flags = session.flags();
    Settings& settings = session.settings();
    SerialPort& port = session.port();
    Link& link = session.link();
    CommandSet& commands = session.commands();
    LinkController& controller = session.linkController();
    port.setDevice(1, simulator.slavePath());
    // Connect and read everything (the question after connecting is answered Yes). The probe
    // waits ten ticks; on a fast clock a loaded machine may not pass the prompt in time.
    const double scale = clock::scale();
    clock::setScale(std::max(scale, 0.1));
    if (controllerMode)
        controller.connectThroughController();
    else
        controller.connectDirectly();
    clock::setScale(scale);
    result.connected = link.linkUp() && settings.StatusReadAvailable;
    if (!result.connected) return result;
    const int units = flags.UnitCount;

    sim::RandomFaults faults(simulator, config.seed, config.faultRate);
    std::mt19937 rng(config.seed ^ 0x5eed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto tenths = [&pick](int lo, int hi) { return TenthsToFloat(pick(lo, hi)); };

    const Transaction table[] = {
        {"BLKGN", 6, Kind::Command, Command::BlackLevel},
        {"TNCTRL", 2, Kind::Command, Command::ControlMode},
        {"DDBL", 3, Kind::Command, Command::DataDoubling},
        {"DISP", 3, Kind::Command, Command::DisplayLayout},
        {"EFTA", 6, Kind::Command, Command::EdgeFeather},
        {"EFTB", 3, Kind::Command, Command::BasicFeather},
        {"HALO", 6, Kind::Command, Command::Halo},
        {"RESETTN", 1, Kind::Command, Command::Reset},
        {"OTPMTN", 4, Kind::Command, Command::TestPattern},
        {"ICNTTN", 6, Kind::Command, Command::InputContrast},
        {"IBRTTN", 6, Kind::Command, Command::InputBrightness},
        {"ICPHOTN", 4, Kind::Command, Command::InputPhase},
        {"IRSPTN H", 4, Kind::Command, Command::InputHPosition},
        {"IRSPTN V", 4, Kind::Command, Command::InputVPosition},
        {"ICSAVTN", 2, Kind::Command, Command::InputSave},
        {"ICRSTTN", 2, Kind::Command, Command::InputReset},
        {"PRJ", 3, Kind::Command, Command::ProjectorCount},
        {"MANSEAM", 5, Kind::Command, Command::SeamGains},
        {"BRDGSEAM", 3, Kind::Command, Command::SeamBridge},
        {"AUTOSEAM", 2, Kind::Command, Command::AutoSeam},
        {"SYSAVE", 2, Kind::Command, Command::SystemSave},
        {"FEATHER", 2, Kind::Command, Command::FeatherCurve},
        {"RGBADJ", 1, Kind::LongCommand, Command::AutoColorBalance},
        {"AUTOPOS", 1, Kind::LongCommand, Command::AutoPosition},
        {"APHASE", 1, Kind::LongCommand, Command::AutoPhase},
        {"NTN", 3, Kind::Query, Command::BlackLevel, true},
        {"SYINFOTN", 3, Kind::Query, Command::BlackLevel},
        {"IINFOTN", 6, Kind::Query, Command::BlackLevel},
        {"OINFOTN", 6, Kind::Query, Command::BlackLevel},
        {"read of a unit", 1, Kind::Query, Command::BlackLevel},
    };
    std::vector<int> weights;
    for (const Transaction& t : table) weights.push_back(t.controllerOnly && !controllerMode ? 0 : t.weight);
    std::discrete_distribution<int> choose(weights.begin(), weights.end());
    // The automatic procedures run for minutes on a real unit; they come rarely.
    auto longRare = [&](int i) { return table[i].kind == Kind::LongCommand && pick(0, 9) != 0; };

    // Bytes the program put on the line, and those of them the simulator never saw (sent
    // into a dead spell).
    long long sent = 0, lost = 0;
    QObject::connect(&port, &SerialPort::bytesSent, [&sent](const QByteArray& bytes) { sent += int(bytes.size()); });
    auto settle = [&] {
        for (int k = 0; k < 100; ++k) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            const long long seen = simulator.received().size();
            if (port.outBuffFree() == SerialPort::kOutputQueueSize && seen + lost == sent && simulator.isIdle()) return;
            SleepInEvents(1);
        }
        lost = sent - simulator.received().size();
    };

    // The bound of a transaction: the nominal bound plus, for an automatic procedure, its
    // pauses for the most projectors, on the clock; and a margin of real time for a loaded machine.
    auto boundOf = [&](const Transaction& tr) {
        int nominal = kTransactionBoundMs;
        if (tr.kind == Kind::LongCommand) nominal += SpecOf(tr.command).pausePerProjector * 8;
        return clock::scaled(nominal) + kLoadMarginMs;
    };
    QElapsedTimer timer;
    for (int t = 0; t < config.transactions; ++t) {
        // Every kind once first, then at random.
        int i = t < int(std::size(table)) ? t : choose(rng);
        while (weights[size_t(i)] == 0 || (t >= int(std::size(table)) && longRare(i))) i = choose(rng);
        const Transaction& tr = table[i];
        const int u = pick(1, units);
        const int n = pick(1, 4);
        if (!result.kindsRun.contains(QLatin1String(tr.name))) result.kindsRun << QLatin1String(tr.name);

        // What the first exchange of the transaction is, for the faults it may get.
        sim::Exchange exchange = sim::Exchange::ControllerQuery;
        if (controllerMode) {
            exchange = tr.kind == Kind::Query || tr.command == Command::AutoColorBalance ? sim::Exchange::ControllerQuery
                                                                                         : sim::Exchange::ControllerCommand;
        } else if (tr.kind == Kind::Query || tr.command == Command::AutoColorBalance) {
            exchange = sim::Exchange::DirectQuery;
        } else {
            const CommandSpec& spec = SpecOf(tr.command);
            // Lost commands only among those with a short prompt wait: a lost procedure start
            // would be waited for minutes before the recovery.
            exchange = spec.directWay == DirectWay::Ack && spec.ackTicks <= 200 ? sim::Exchange::DirectAck
                                                                                 : sim::Exchange::DirectWrite;
        }
        // A fault is armed for the request that comes next: whatever the previous transaction
        // left on the line (a direct command nobody waits for) must have been taken first.
        settle();
        const bool faulted = faults.arm(exchange);
        op.trouble = false;

        timer.start();
        bool ok = true;
        bool readBack = false;  // the transaction reads the unit back itself
        if (tr.kind == Kind::Query) {
            if (QLatin1String(tr.name) == QLatin1String("NTN")) ok = QueryUnitCount(link) == units;
            else if (QLatin1String(tr.name) == QLatin1String("SYINFOTN")) ok = QuerySystemInfo(link, u);
            else if (QLatin1String(tr.name) == QLatin1String("IINFOTN")) ok = QueryInput(link, settings, u, n);
            else if (QLatin1String(tr.name) == QLatin1String("OINFOTN")) ok = QueryOutput(link, settings, u, n);
            else ok = QueryUnit(link, settings, u);
        } else {
            switch (tr.command) {
            case Command::BlackLevel: ok = commands.SendBlackLevel(u, n, pick(0, 255)); break;
            case Command::ControlMode: ok = commands.SendControlMode(u, pick(0, 1)); readBack = true; break;
            case Command::DataDoubling: ok = commands.SendDataDoubling(u, pick(0, 1)); break;
            case Command::DisplayLayout: ok = commands.SendDisplayLayout(u, pick(0, 1), pick(0, 512)); break;
            case Command::EdgeFeather:
                ok = commands.SendEdgeFeather(u, n, pick(0, 1), int16_t(pick(-200, 200)), tenths(5, 40));
                break;
            case Command::BasicFeather: ok = commands.SendBasicFeather(u, int16_t(pick(-200, 200)), tenths(5, 40)); break;
            case Command::Halo: ok = commands.SendHalo(u, n, pick(0, 1), pick(0, 300), pick(-50, 50)); break;
            case Command::Reset:
                ok = commands.SendReset(u, 'F');
                // The unit is back at its factory settings: read it, as the reset does in the window.
                ok = ok && QueryUnit(link, settings, u);
                readBack = true;
                break;
            case Command::TestPattern:
                ok = commands.SendTestPattern(u, n, pick(0, 12), pick(0, 1), pick(0, 1));
                break;
            case Command::InputContrast: ok = commands.SendInputContrast(u, n, pick(0, 3), tenths(0, 200)); break;
            case Command::InputBrightness: ok = commands.SendInputBrightness(u, n, pick(0, 3), tenths(-100, 100)); break;
            case Command::InputPhase: ok = commands.SendInputPhase(u, n, pick(0, 31)); break;
            case Command::InputHPosition: ok = commands.SendInputHPosition(u, n, pick(-100, 100)); break;
            case Command::InputVPosition: ok = commands.SendInputVPosition(u, n, pick(-100, 100)); break;
            case Command::InputSave: ok = commands.SendInputSave(u, n); break;
            case Command::InputReset: ok = commands.SendInputReset(u, n); readBack = true; break;
            case Command::ProjectorCount: ok = commands.SendProjectorCount(u, pick(1, 8)); break;
            case Command::SeamGains: {
                int gains[8];
                for (int& g : gains) g = pick(0, 255);
                ok = commands.SendSeamGains(u, n, pick(-8, 8), gains);
                break;
            }
            case Command::SeamBridge: ok = commands.SendSeamBridge(u, n, pick(0, 1)); break;
            case Command::AutoSeam: ok = commands.SendAutoSeam(u, n); readBack = true; break;
            case Command::SystemSave: ok = commands.SendSystemSave(u); break;
            case Command::FeatherCurve: ok = commands.SendFeatherCurve(u, pick(0, 1)); break;
            case Command::AutoColorBalance: ok = commands.RunAutoColorBalance(u); readBack = true; break;
            case Command::AutoPosition: ok = commands.RunAutoPosition(u); readBack = true; break;
            case Command::AutoPhase: ok = commands.RunAutoPhase(u); readBack = true; break;
            }
        }
        // A read-back that met trouble (a reply lost to the machine's load) is what an operator
        // would repeat: read the unit again.
        if (readBack && op.trouble) {
            ++result.resyncs;
            for (int k = 0; k < 5 && !QueryUnit(link, settings, u); ++k) {
            }
        }
        const long long took = timer.elapsed();
        const long long bound = boundOf(tr);
        if (took > result.longestMs) {
            result.longestMs = took;
            result.boundMs = bound;
        }
        if (took > bound) {
            ++result.overBound;
            result.slow << QStringLiteral("%1: %2 ms, bound %3 ms").arg(QLatin1String(tr.name)).arg(took).arg(bound);
        }
        ++result.transactions;
        if (faulted) {
            ++result.faulted;
            if (ok && link.linkUp())
                ++result.recoveries;
            else
                result.unrecovered << QLatin1String(tr.name);
        }
        faults.clear();
        if (!link.linkUp()) break;
    }
    faults.clear();
    // The last command on the line and the last replies and procedures finish before comparing.
    settle();
    for (int k = 0; k < 200 && !simulator.isIdle(); ++k) SleepInEvents(5);

    result.questions = op.questions;
    result.messages = op.messages;
    result.requests = simulator.requestsHandled();
    result.faults = faults.tally();

    for (int u = 1; u <= units; ++u) {
        sim::SimUnit* unit = controllerMode ? simulator.unitById(link.unitId(u)) : &simulator.unit(1);
        if (!unit) {
            result.mismatches << QStringLiteral("unit %1: no simulated unit with ID %2").arg(u).arg(link.unitId(u));
            continue;
        }
        for (int r = 1; r <= 4; ++r) {
            for (const FieldDesc& f : kInputFields)
                for (int e = 0; e < f.count; ++e) {
                    const double mine = ReadFieldValue(RecordBytes(settings.input(u, r)), f, e);
                    const double theirs = ReadFieldValue(RecordBytes(unit->input(r)), f, e);
                    if (mine != theirs)
                        result.mismatches << QStringLiteral("unit %1 input %2 %3: program %4, unit %5")
                                                 .arg(u).arg(r).arg(QLatin1String(f.name.data(), qsizetype(f.name.size())))
                                                 .arg(mine).arg(theirs);
                }
            for (size_t k = 0; k < kOutputFields.size(); ++k) {
                const FieldDesc& f = kOutputFields[k];
                // The unit-wide values (OutputFormat .. BasicFeather) live in record 1.
                if (f.name.empty() || (r > 1 && f.offset <= int(offsetof(OutputScreenRecord, BasicFeather)))) continue;
                for (int e = 0; e < f.count; ++e) {
                    const double mine = ReadFieldValue(RecordBytes(settings.output(u, r)), f, e);
                    const double theirs = ReadFieldValue(RecordBytes(unit->output(r)), f, e);
                    if (mine != theirs)
                        result.mismatches << QStringLiteral("unit %1 output %2 %3: program %4, unit %5")
                                                 .arg(u).arg(r).arg(QLatin1String(f.name.data(), qsizetype(f.name.size())))
                                                 .arg(mine).arg(theirs);
                }
            }
        }
    }
    return result;
}

}  // namespace kalvora::soak
