#include "cli/command_line.h"

#include <QCommandLineParser>

#include "platform/command_line.h"

namespace kalvora::cli {
namespace {

// An option: its names, whether it takes a value, the commands that accept it and how its value
// is stored. A new option is one more row.
struct OptionRow {
    const char* name;       // "retries": --retries
    const char* alias;      // "v": -v, or nullptr
    const char* valueName;  // "N" for an option with a value; nullptr for a flag
    const char* commands;   // the commands that accept it, separated by blanks; nullptr: every command
    QString (*store)(CliOptions&, const QString& value);  // an error text, or empty

    QString longName() const { return QLatin1String("--") + QLatin1String(name); }
    QCommandLineOption option() const
    {
        QStringList names{QLatin1String(name)};
        if (alias) names.prepend(QLatin1String(alias));
        return valueName ? QCommandLineOption(names, QString(), QLatin1String(valueName)) : QCommandLineOption(names);
    }
};

QString StoreDevice(QString& target, const char* name, const QString& device)
{
    const QString problem = ComDeviceProblem(QLatin1String(name), device);
    if (problem.isEmpty()) target = device;
    return problem;
}

constexpr OptionRow kOptions[] = {
    {"com1", nullptr, "DEVICE", nullptr,
     [](CliOptions& o, const QString& v) { return StoreDevice(o.com1, "--com1", v); }},
    {"com2", nullptr, "DEVICE", nullptr,
     [](CliOptions& o, const QString& v) { return StoreDevice(o.com2, "--com2", v); }},
    {"retries", nullptr, "N", nullptr,
     [](CliOptions& o, const QString& v) {
         bool ok = false;
         const int n = v.toInt(&ok);
         if (!ok || n < 0 || n > 1000) return QStringLiteral("--retries needs a number from 0 to 1000, not '%1'").arg(v);
         o.retries = n;
         return QString();
     }},
    {"clock-scale", nullptr, "X", nullptr,
     [](CliOptions& o, const QString& v) {
         bool ok = false;
         const double scale = v.toDouble(&ok);
         if (!ok || !(scale > 0.0) || scale > 1.0)
             return QStringLiteral("--clock-scale needs a number above 0 and at most 1, not '%1'").arg(v);
         o.clockScale = scale;
         return QString();
     }},
    {"verbose", "v", nullptr, nullptr, [](CliOptions& o, const QString&) { o.verbose = true; return QString(); }},
    {"quiet", "q", nullptr, nullptr, [](CliOptions& o, const QString&) { o.quiet = true; return QString(); }},
    {"help", "h", nullptr, nullptr, [](CliOptions& o, const QString&) { o.help = true; return QString(); }},
    {"version", nullptr, nullptr, nullptr, [](CliOptions& o, const QString&) { o.version = true; return QString(); }},
    {"output", "o", "FILE.tnc", "read",
     [](CliOptions& o, const QString& v) {
         if (v.isEmpty()) return QStringLiteral("--output needs a file name");
         o.output = v;
         return QString();
     }},
    {"json", nullptr, nullptr, "show diff search read send ports", [](CliOptions& o, const QString&) { o.json = true; return QString(); }},
    {"changed", nullptr, nullptr, "send", [](CliOptions& o, const QString&) { o.changed = true; return QString(); }},
    {"trace", nullptr, "FILE", "search read send diff",
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

// The row of an option named as typed: "--output", "-o" (also "--o", which the parser takes).
const OptionRow* FindOption(const QString& typed)
{
    const QString name = typed.mid(typed.startsWith(QLatin1String("--")) ? 2 : 1);
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

// The one-line message for what the parser refused. A word of one dash is a short option as
// a whole: "-v=1" is no option at all.
QString FaultMessage(const CommandLineFault& fault)
{
    const bool longForm = fault.word.startsWith(QLatin1String("--"));
    switch (fault.kind) {
    case CommandLineFault::Kind::None:
        return QString();
    case CommandLineFault::Kind::UnknownOption:
        return QStringLiteral("unknown option '%1'").arg(longForm ? fault.name : fault.word);
    case CommandLineFault::Kind::UnexpectedValue:
        if (!longForm) return QStringLiteral("unknown option '%1'").arg(fault.word);
        return QStringLiteral("%1 takes no value").arg(fault.name);
    case CommandLineFault::Kind::MissingValue:
        if (const OptionRow* row = FindOption(fault.name))
            return QStringLiteral("%1 needs a value: %1 %2").arg(fault.name, QLatin1String(row->valueName));
        break;
    case CommandLineFault::Kind::Other:
        break;
    }
    return fault.word;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const QStringList& args)
{
    ParsedCommandLine out;
    CliOptions& o = out.options;
    QList<QCommandLineOption> options;
    for (const OptionRow& row : kOptions) options << row.option();
    QCommandLineParser parser;
    parser.addOptions(options);
    const bool parsed = parser.parse(QStringList{QStringLiteral("kalvora-cli")} + args);
    const QList<GivenOption> given = GivenOptions(parser, options, args);

    // Help and version win over every fault, also where they stand in the place of a value.
    for (const GivenOption& g : given) {
        const QLatin1String name(kOptions[g.option].name);
        const QString asked = g.valueIsOption ? g.value : QString();
        const bool help = name == QLatin1String("help") || asked == QLatin1String("--help");
        if (help || name == QLatin1String("version") || asked == QLatin1String("--version")) {
            out.options = CliOptions{};
            out.options.help = help;
            out.options.version = !help;
            return out;
        }
    }
    if (!parsed) {
        out.error = FaultMessage(ParseFault(parser, args));
        return out;
    }
    for (const GivenOption& g : given) {
        const OptionRow& row = kOptions[g.option];
        if (g.valueIsOption) {
            out.error = QStringLiteral("%1 needs a value: %1 %2").arg(g.typed, QLatin1String(row.valueName));
            return out;
        }
    }
    for (int i = 0; i < options.size(); ++i)
        if (parser.values(options[i]).size() > 1) {
            out.error = QStringLiteral("%1 is given more than once").arg(kOptions[i].longName());
            return out;
        }
    for (const GivenOption& g : given) {
        out.error = kOptions[g.option].store(o, g.value);
        if (!out.error.isEmpty()) return out;
    }
    QStringList positional = parser.positionalArguments();
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
    for (const GivenOption& g : given)
        if (!Accepts(kOptions[g.option], o.command)) {
            out.error = QStringLiteral("%1: %2 is not an option of this command").arg(o.command, kOptions[g.option].longName());
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
