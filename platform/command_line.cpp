#include "platform/command_line.h"

#include <QCoreApplication>
#include <QHash>

#include "platform/network_port_address.h"
#include "platform/serial_port.h"

namespace kalvora {

QStringList ProgramArguments(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return args;
}

namespace {

// The parser's own texts, as it words them (translated, should a translation be loaded). The
// programs' tests of their messages notice should a later Qt word them otherwise.
QString ParserText(const char* text, const QString& word)
{
    return QCoreApplication::translate("QCommandLineParser", text).arg(word);
}

// The word that made the parser report option `name` unknown: "--name", "--name=VALUE" or
// "-n", else a word of short options that holds it ("-vx").
QString UnknownWord(const QStringList& arguments, const QString& name)
{
    for (const QString& word : arguments)
        if (word.section(QLatin1Char('='), 0, 0) == QLatin1String("--") + name || word == QLatin1Char('-') + name)
            return word;
    for (const QString& word : arguments)
        if (name.size() == 1 && word.startsWith(QLatin1Char('-')) && !word.startsWith(QLatin1String("--")) &&
            word.section(QLatin1Char('='), 0, 0).contains(name))
            return word;
    return QLatin1Char('-') + name;
}

}  // namespace

CommandLineFault ParseFault(const QCommandLineParser& parser, const QStringList& arguments)
{
    const auto fault = [](CommandLineFault::Kind kind, const QString& word) {
        return CommandLineFault{kind, word, word.section(QLatin1Char('='), 0, 0)};
    };
    if (!parser.unknownOptionNames().isEmpty())
        return fault(CommandLineFault::Kind::UnknownOption, UnknownWord(arguments, parser.unknownOptionNames().first()));
    const QString text = parser.errorText();
    if (text.isEmpty()) return {};
    // Only the last word can lack its value: the parser stops there.
    if (!arguments.isEmpty() && text == ParserText("Missing value after '%1'.", arguments.last()))
        return fault(CommandLineFault::Kind::MissingValue, arguments.last());
    for (const QString& word : arguments)
        if (word.startsWith(QLatin1Char('-')) && word.contains(QLatin1Char('=')) &&
            text == ParserText("Unexpected value after '%1'.", word.section(QLatin1Char('='), 0, 0)))
            return fault(CommandLineFault::Kind::UnexpectedValue, word);
    return {CommandLineFault::Kind::Other, text, text};
}

QList<GivenOption> GivenOptions(const QCommandLineParser& parser, const QList<QCommandLineOption>& options,
                                const QStringList& arguments)
{
    QHash<QString, int> byName;
    for (int i = 0; i < options.size(); ++i)
        for (const QString& name : options[i].names()) byName.insert(name, i);
    QHash<int, int> valuesTaken;
    QList<GivenOption> given;
    for (const QString& name : parser.optionNames()) {
        const auto found = byName.constFind(name);
        if (found == byName.cend()) continue;
        const int i = *found;
        GivenOption g{i, (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name, {}};
        if (!options[i].valueName().isEmpty()) {
            g.value = parser.values(options[i]).value(valuesTaken[i]++);
            g.valueIsOption = g.value.startsWith(QLatin1String("--")) && arguments.contains(g.value);
        }
        given << g;
    }
    return given;
}

QList<QCommandLineOption> ComPortOptions()
{
    return {QCommandLineOption(QStringLiteral("com1"), QString(), QStringLiteral("DEVICE")),
            QCommandLineOption(QStringLiteral("com2"), QString(), QStringLiteral("DEVICE"))};
}

QString ComDeviceProblem(const QString& option, const QString& device)
{
    if (device.isEmpty())
        return QStringLiteral("%1 needs a device, for example %1 /dev/ttyUSB0").arg(option);
    QString error;
    if (IsNetworkPortName(device) && !ParseNetworkPortAddress(device, &error))
        return QStringLiteral("%1: %2").arg(option, error);
    return QString();
}

PortOptions ComPortsGiven(const QCommandLineParser& parser, const QStringList& arguments, QString* error)
{
    PortOptions out;
    for (const GivenOption& g : GivenOptions(parser, ComPortOptions(), arguments)) {
        const QString option = QStringLiteral("--com%1").arg(g.option + 1);
        const QString problem = ComDeviceProblem(option, g.valueIsOption ? QString() : g.value);
        if (!problem.isEmpty()) {
            if (error && error->isEmpty()) *error = problem;
            continue;
        }
        (g.option == 0 ? out.com1 : out.com2) = g.value;
    }
    return out;
}

}  // namespace kalvora
