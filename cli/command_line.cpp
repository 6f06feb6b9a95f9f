#include "cli/command_line.h"

#include <vector>

#include "platform/network_port_address.h"

namespace kalvora::cli {
namespace {

// An option: its names, whether it takes a value, the commands that accept it and how its value
// is stored. A new option is one more row.
struct OptionRow {
    const char* name;       // "--retries"
    const char* alias;      // "-v", or nullptr
    const char* valueName;  // "N" for an option with a value; nullptr for a flag
    const char* commands;   // the commands that accept it, separated by blanks; nullptr: every command
    QString (*store)(CliOptions&, const QString& value);  // an error text, or empty
};

QString StoreDevice(QString& target, const char* name, const QString& device)
{
    if (device.isEmpty()) return QStringLiteral("%1 needs a device, for example %1 /dev/ttyUSB0").arg(QLatin1String(name));
    QString error;
    if (IsNetworkPortName(device) && !ParseNetworkPortAddress(device, &error))
        return QStringLiteral("%1: %2").arg(QLatin1String(name), error);
    target = device;
    return {};
}

constexpr OptionRow kOptions[] = {
    {"--com1", nullptr, "DEVICE", nullptr,
     [](CliOptions& o, const QString& v) { return StoreDevice(o.com1, "--com1", v); }},
    {"--com2", nullptr, "DEVICE", nullptr,
     [](CliOptions& o, const QString& v) { return StoreDevice(o.com2, "--com2", v); }},
    {"--retries", nullptr, "N", nullptr,
     [](CliOptions& o, const QString& v) {
         bool ok = false;
         const int n = v.toInt(&ok);
         if (!ok || n < 0 || n > 1000) return QStringLiteral("--retries needs a number from 0 to 1000, not '%1'").arg(v);
         o.retries = n;
         return QString();
     }},
    {"--clock-scale", nullptr, "X", nullptr,
     [](CliOptions& o, const QString& v) {
         bool ok = false;
         const double scale = v.toDouble(&ok);
         if (!ok || !(scale > 0.0) || scale > 1.0)
             return QStringLiteral("--clock-scale needs a number above 0 and at most 1, not '%1'").arg(v);
         o.clockScale = scale;
         return QString();
     }},
    {"--verbose", "-v", nullptr, nullptr, [](CliOptions& o, const QString&) { o.verbose = true; return QString(); }},
    {"--quiet", "-q", nullptr, nullptr, [](CliOptions& o, const QString&) { o.quiet = true; return QString(); }},
    {"--help", "-h", nullptr, nullptr, [](CliOptions& o, const QString&) { o.help = true; return QString(); }},
    {"--version", nullptr, nullptr, nullptr, [](CliOptions& o, const QString&) { o.version = true; return QString(); }},
    {"--output", "-o", "FILE.tnc", "read",
     [](CliOptions& o, const QString& v) {
         if (v.isEmpty()) return QStringLiteral("--output needs a file name");
         o.output = v;
         return QString();
     }},
    {"--json", nullptr, nullptr, "show diff search read send ports", [](CliOptions& o, const QString&) { o.json = true; return QString(); }},
    {"--changed", nullptr, nullptr, "send", [](CliOptions& o, const QString&) { o.changed = true; return QString(); }},
    {"--trace", nullptr, "FILE", "search read send diff",
     [](CliOptions& o, const QString& v) {
         if (v.isEmpty()) return QStringLiteral("--trace needs a file, for example --trace traffic.txt");
         o.trace = v;
         return QString();
     }},
};

// A command: how many operands it takes and what else it needs. A new command is one more row
// here and one in the program's dispatch.
struct CommandRow {
    const char* name;
    int operands;                          // exactly this many
    const char* operandsMissing;           // the message when fewer are given
    QString (*check)(const CliOptions&);   // further requirements; nullptr: none
};

constexpr CommandRow kCommands[] = {
    {"search", 0, nullptr, nullptr},
    {"read", 0, nullptr,
     [](const CliOptions& o) {
         if (o.output.isEmpty()) return QStringLiteral("read: no output file given (-o FILE.tnc)");
         if (o.json && o.output == QLatin1String("-"))
             return QStringLiteral("read: --json and -o - cannot share standard output; name a file");
         return QString();
     }},
    {"ports", 0, nullptr, nullptr},
    {"show", 1, "show: no configuration file given", nullptr},
    {"send", 1, "send: no configuration file given", nullptr},
    {"diff", 1, "diff: no configuration file given", nullptr},
};

const OptionRow* FindOption(const QString& name)
{
    for (const OptionRow& row : kOptions)
        if (name == QLatin1String(row.name) || (row.alias && name == QLatin1String(row.alias))) return &row;
    return nullptr;
}

const CommandRow* FindCommand(const QString& name)
{
    for (const CommandRow& row : kCommands)
        if (name == QLatin1String(row.name)) return &row;
    return nullptr;
}

bool Accepts(const OptionRow& option, const QString& command)
{
    return !option.commands || QString::fromLatin1(option.commands).split(QLatin1Char(' ')).contains(command);
}

struct Given {
    const OptionRow* row;
    QString value;
};

}  // namespace

ParsedCommandLine ParseCommandLine(const QStringList& args)
{
    ParsedCommandLine out;
    CliOptions& o = out.options;
    QString error;  // the first fault of the scan; reported unless help was asked for
    auto fail = [&error](const QString& text) {
        if (error.isEmpty()) error = text;
    };
    std::vector<Given> given;
    QStringList positional;
    bool optionsEnded = false;

    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            positional << a;
            continue;
        }
        const qsizetype eq = a.startsWith(QLatin1String("--")) ? a.indexOf(QLatin1Char('=')) : -1;
        const QString name = eq < 0 ? a : a.left(eq);
        const OptionRow* row = FindOption(name);
        if (!row) {
            fail(QStringLiteral("unknown option '%1'").arg(name));
            continue;
        }
        QString value;
        if (!row->valueName) {
            if (eq >= 0) fail(QStringLiteral("%1 takes no value").arg(name));
        } else if (eq >= 0) {
            value = a.mid(eq + 1);
        } else if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--"))) {
            value = args[++i];
        } else {
            fail(QStringLiteral("%1 needs a value: %1 %2").arg(name, QLatin1String(row->valueName)));
            continue;
        }
        if (row->valueName)
            for (const Given& g : given)
                if (g.row == row) fail(QStringLiteral("%1 is given more than once").arg(QLatin1String(row->name)));
        given.push_back({row, value});
    }

    for (const Given& g : given)
        if (QLatin1String(g.row->name) == QLatin1String("--help") ||
            QLatin1String(g.row->name) == QLatin1String("--version")) {
            const bool help = QLatin1String(g.row->name) == QLatin1String("--help");
            out.options = CliOptions{};
            out.options.help = help;
            out.options.version = !help;
            return out;
        }
    if (!error.isEmpty()) {
        out.error = error;
        return out;
    }
    for (const Given& g : given) {
        out.error = g.row->store(o, g.value);
        if (!out.error.isEmpty()) return out;
    }
    if (positional.isEmpty()) {
        out.error = QStringLiteral("no command given");
        return out;
    }
    o.command = positional.takeFirst();
    o.operands = positional;
    const CommandRow* command = FindCommand(o.command);
    if (!command) {
        out.error = QStringLiteral("unknown command '%1'").arg(o.command);
        return out;
    }
    for (const Given& g : given)
        if (!Accepts(*g.row, o.command)) {
            out.error = QStringLiteral("%1: %2 is not an option of this command").arg(o.command, QLatin1String(g.row->name));
            return out;
        }
    if (o.operands.size() > command->operands) {
        out.error = QStringLiteral("%1: unexpected argument '%2'").arg(o.command, o.operands[command->operands]);
        return out;
    }
    if (o.operands.size() < command->operands) {
        out.error = QString::fromLatin1(command->operandsMissing);
        return out;
    }
    if (command->check) out.error = command->check(o);
    if (out.error.isEmpty() && o.quiet && o.verbose) out.error = QStringLiteral("-q and -v cannot be used together");
    // The JSON document is the whole of standard output: a trace written into it would break it.
    static const QStringList kStandardOutput{"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"};
    if (out.error.isEmpty() && o.json && kStandardOutput.contains(o.trace))
        out.error = QStringLiteral("%1: --json and --trace %2 cannot share standard output; name a file")
                        .arg(o.command, o.trace);
    return out;
}

}  // namespace kalvora::cli
