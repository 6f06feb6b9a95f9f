#include "sim/sim_options.h"

#include <QCommandLineParser>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/command_line.h"

namespace kalvora::sim {

namespace {

bool ToInt(const QString& text, int lo, int hi, int& v)
{
    bool ok = false;
    const int x = text.toInt(&ok, 10);
    if (!ok || x < lo || x > hi) return false;
    v = x;
    return true;
}

}  // namespace

QString SimUsage()
{
    return QStringLiteral(
        "Usage: kalvora-sim [options]\n"
        "\n"
        "A simulated Tornel unit (direct mode) or a Vorn Controller with 0, 1 or 2 units\n"
        "(controller mode) on a new pseudo-terminal. The first line of output is the\n"
        "pseudo-terminal's device path; open it as the serial port. Runs until SIGINT or SIGTERM.\n"
        "\n"
        "Line and units:\n"
        "  --mode direct|controller  the port the PC is cabled to: a unit's 'Remote' port\n"
        "                            (direct, the default) or a controller's 'Console' port\n"
        "  --units N                 controller mode: number of units behind it, 0..2\n"
        "                            (default 2; direct mode always has one unit)\n"
        "  --ids A,B                 RS-485 IDs of the units, 1..32, distinct (default 1,2)\n"
        "  --format F                output format of the units: 0 640x480, 1 800x600,\n"
        "                            2 1024x768, 3 1280x1024 (default 3)\n"
        "  --video N                 inputs 1..N carry video, loaded and locked (0..4, default 4)\n"
        "  --baud N                  pace output at N baud, 10 bits per byte (default 0: no pacing)\n"
        "  --think MS                time before each answer, in ms (default 20)\n"
        "  --rgbadj-ms MS            duration of the automatic colour balance (default 4000)\n"
        "  --autopos-ms MS           duration of the automatic position setup (default 600)\n"
        "  --aphase-ms MS            duration of the automatic phase setup (default 3000)\n"
        "  --autoseam-ms MS          duration of the automatic seam gain adjustment (default 300)\n"
        "  --real-durations          procedures last as long as on a real unit: colour balance\n"
        "                            4 min, phase 3 min, position 30 s, seam 4 s (the --*-ms\n"
        "                            options that follow it still apply)\n"
        "  --busy wait|silent|error4 controller mode: how a frame or query for a unit that is\n"
        "                            still running a procedure is answered: held and answered\n"
        "                            when the unit is free (wait, the default), never (silent),\n"
        "                            or with error code 4 after the controller's own wait (error4)\n"
        "  --relay-wait MS           the controller's wait for a busy unit before error code 4\n"
        "                            (default 1000)\n"
        "  --link PATH               also make a symbolic link PATH to the device (removed on exit)\n"
        "  --log FILE                append a readable log of every byte received and sent to FILE\n"
        "\n"
        "Faults:\n"
        "  --drop N                  lose the next N requests (no echo, no answer)\n"
        "  --reject N                controller: reject the next N frames and queries (?, CR, LF, CTR...)\n"
        "  --error N                 controller: answer the next N frames and queries with an error code\n"
        "  --error-code D            the digit of --error (default 4: the unit did not answer)\n"
        "  --delivery MODE           whole (default), bytes (one byte at a time) or pieces\n"
        "                            (random pieces of 1..16 bytes)\n"
        "  --seed N                  seed of the random pieces (default 1)\n"
        "  --noise N                 put noise bytes before the next N replies (-1: every reply)\n"
        "  --short-input             answer IINFOTN with the short reply (kind 'F', 70 data bytes)\n"
        "  --output-kind K           kind byte of the OINFOTN reply: 40, 3E or 3F (hex; default 40)\n"
        "  --dead                    a dead cable: receive and never send anything\n"
        "  --stall N:MS              from request line N on, send nothing for MS ms, then all\n"
        "                            that was held at once (a stalled line)\n"
        "\n"
        "  --help                    show this text\n"
        "  --version                 show the program's version\n"
        "\n"
        "Options take their value as the next argument or after '=' (--baud=57600).\n"
        "Bad options exit with status 2; a failure to start exits with status 1.\n");
}

bool ParseSimOptions(const QStringList& args, SimOptions& out, QString& error)
{
    SimOptions o;
    int units = -1;
    bool idsGiven = false;
    const auto bad = [&](const QString& opt, const QString& value, const QString& why) {
        error = QStringLiteral("invalid value '%1' for %2: %3").arg(value, opt, why);
        return false;
    };
    using Setter = std::function<bool(const QString& opt, const QString& v)>;
    const std::map<QString, Setter> valued = {
        {"--mode", [&](const QString& opt, const QString& v) {
             if (v == "direct") o.config.mode = PortMode::Direct;
             else if (v == "controller") o.config.mode = PortMode::Controller;
             else return bad(opt, v, "expected direct or controller");
             return true;
         }},
        {"--units", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 2, units) || bad(opt, v, "expected 0, 1 or 2");
         }},
        {"--ids", [&](const QString& opt, const QString& v) {
             std::vector<int> ids;
             std::set<int> seen;
             for (const QString& part : v.split(',')) {
                 int id = 0;
                 if (!ToInt(part.trimmed(), 1, 32, id)) return bad(opt, v, "expected IDs 1..32 separated by commas");
                 if (!seen.insert(id).second) return bad(opt, v, "the IDs must differ");
                 ids.push_back(id);
             }
             if (ids.size() > 2) return bad(opt, v, "at most two units");
             o.config.ids = ids;
             idsGiven = true;
             return true;
         }},
        {"--format", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 3, o.config.outputFormat) || bad(opt, v, "expected 0..3");
         }},
        {"--video", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 4, o.config.videoInputs) || bad(opt, v, "expected 0..4");
         }},
        {"--baud", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 4000000, o.config.baud) || bad(opt, v, "expected 0..4000000");
         }},
        {"--think", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 60000, o.config.thinkMs) || bad(opt, v, "expected 0..60000 ms");
         }},
        {"--rgbadj-ms", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 3600000, o.config.timings.colorBalanceMs) || bad(opt, v, "expected 0..3600000 ms");
         }},
        {"--autopos-ms", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 3600000, o.config.timings.positionMs) || bad(opt, v, "expected 0..3600000 ms");
         }},
        {"--aphase-ms", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 3600000, o.config.timings.phaseMs) || bad(opt, v, "expected 0..3600000 ms");
         }},
        {"--autoseam-ms", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 3600000, o.config.timings.autoSeamMs) || bad(opt, v, "expected 0..3600000 ms");
         }},
        {"--busy", [&](const QString& opt, const QString& v) {
             if (v == "wait") o.config.busyAnswer = BusyAnswer::WhenFree;
             else if (v == "silent") o.config.busyAnswer = BusyAnswer::Silent;
             else if (v == "error4") o.config.busyAnswer = BusyAnswer::Error4;
             else return bad(opt, v, "expected wait, silent or error4");
             return true;
         }},
        {"--relay-wait", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 60000, o.config.relayWaitMs) || bad(opt, v, "expected 0..60000 ms");
         }},
        {"--link", [&](const QString& opt, const QString& v) {
             if (v.isEmpty()) return bad(opt, v, "expected a path");
             o.linkPath = v;
             return true;
         }},
        {"--log", [&](const QString& opt, const QString& v) {
             if (v.isEmpty()) return bad(opt, v, "expected a file name");
             o.logPath = v;
             return true;
         }},
        {"--drop", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 1000000, o.faults.dropNext) || bad(opt, v, "expected a count");
         }},
        {"--reject", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 1000000, o.faults.rejectNext) || bad(opt, v, "expected a count");
         }},
        {"--error", [&](const QString& opt, const QString& v) {
             return ToInt(v, 0, 1000000, o.faults.errorNext) || bad(opt, v, "expected a count");
         }},
        {"--error-code", [&](const QString& opt, const QString& v) {
             if (v.size() != 1 || !v[0].isDigit() || v[0].unicode() > 127) return bad(opt, v, "expected one digit");
             o.faults.errorCode = char(v[0].unicode());
             return true;
         }},
        {"--delivery", [&](const QString& opt, const QString& v) {
             if (v == "whole") o.faults.delivery = Delivery::Whole;
             else if (v == "bytes") o.faults.delivery = Delivery::ByteAtATime;
             else if (v == "pieces") o.faults.delivery = Delivery::RandomPieces;
             else return bad(opt, v, "expected whole, bytes or pieces");
             return true;
         }},
        {"--seed", [&](const QString& opt, const QString& v) {
             bool ok = false;
             const uint s = v.toUInt(&ok);
             if (!ok) return bad(opt, v, "expected an unsigned number");
             o.faults.seed = s;
             return true;
         }},
        {"--noise", [&](const QString& opt, const QString& v) {
             return ToInt(v, -1, 1000000, o.faults.noiseNext) || bad(opt, v, "expected a count or -1");
         }},
        {"--stall", [&](const QString& opt, const QString& v) {
             const QStringList parts = v.split(':');
             if (parts.size() == 2 && ToInt(parts[0], 1, 1000000, o.faults.stallAtLine) &&
                 ToInt(parts[1], 0, 3600000, o.faults.stallMs))
                 return true;
             return bad(opt, v, "expected N:MS, a request line and a duration in ms");
         }},
        {"--output-kind", [&](const QString& opt, const QString& v) {
             const QString k = v.toUpper();
             if (k == "40") o.faults.outputKind = 0x40;
             else if (k == "3E") o.faults.outputKind = 0x3E;
             else if (k == "3F") o.faults.outputKind = 0x3F;
             else return bad(opt, v, "expected 40, 3E or 3F");
             return true;
         }},
    };
    const std::map<QString, std::function<void()>> flags = {
        {"--short-input", [&] { o.faults.shortInputReply = true; }},
        {"--real-durations", [&] { o.config.timings = UnitTimings::LikeRealUnit(); }},
        {"--dead", [&] { o.faults.dead = true; }},
        {"--help", [&] { o.help = true; }},
        {"--version", [&] { o.version = true; }},
    };

    // Options act in the order given: "--real-durations" sets every duration, a "--*-ms" after
    // it changes one.
    QList<QCommandLineOption> options;
    std::vector<Setter> apply;  // for each of `options`
    for (const auto& [name, setter] : valued) {
        options << QCommandLineOption(name.mid(2), QString(), QStringLiteral("VALUE"));
        apply.push_back(setter);
    }
    for (const auto& [name, action] : flags) {
        options << QCommandLineOption(name.mid(2));
        apply.push_back([&action = action](const QString&, const QString&) {
            action();
            return true;
        });
    }
    QCommandLineParser parser;
    parser.addOptions(options);
    if (!parser.parse(QStringList{QStringLiteral("kalvora-sim")} + args)) {
        const CommandLineFault fault = ParseFault(parser, args);
        switch (fault.kind) {
        case CommandLineFault::Kind::UnknownOption:
            error = QStringLiteral("unknown option '%1'").arg(fault.word);
            break;
        case CommandLineFault::Kind::MissingValue:
            error = QStringLiteral("option %1 needs a value").arg(fault.name);
            break;
        case CommandLineFault::Kind::UnexpectedValue:
            error = QStringLiteral("option %1 takes no value").arg(fault.name);
            break;
        case CommandLineFault::Kind::None:
        case CommandLineFault::Kind::Other:
            error = fault.word;
            break;
        }
        return false;
    }
    // Every word is an option or an option's value.
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unknown option '%1'").arg(parser.positionalArguments().first());
        return false;
    }
    for (const GivenOption& g : GivenOptions(parser, options, args))
        if (!apply[g.option](g.typed, g.value)) return false;

    if (o.config.mode == PortMode::Direct) {
        if (units != -1 && units != 1) {
            error = QStringLiteral("direct mode has exactly one unit (--units %1)").arg(units);
            return false;
        }
        if (idsGiven && o.config.ids.size() != 1) {
            error = QStringLiteral("direct mode has exactly one unit: give one ID");
            return false;
        }
        if (!idsGiven) o.config.ids = {1};
    } else {
        if (idsGiven && units != -1 && int(o.config.ids.size()) != units) {
            error = QStringLiteral("--units %1 does not match the %2 IDs of --ids").arg(units).arg(o.config.ids.size());
            return false;
        }
        if (idsGiven && units == -1 && o.config.ids.size() != 2) {
            error = QStringLiteral("--ids gives %1 ID but a controller has two units unless --units says otherwise: "
                                   "add --units %1, or give two IDs")
                        .arg(o.config.ids.size());
            return false;
        }
        if (!idsGiven) {
            const int n = units == -1 ? 2 : units;
            o.config.ids.clear();
            for (int i = 1; i <= n; ++i) o.config.ids.push_back(i);
        }
    }
    out = o;
    return true;
}

}  // namespace kalvora::sim
