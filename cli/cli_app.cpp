#include "cli/cli_app.h"

#include <cstdio>

#include "cli/records_report.h"
#include "cli/terminal_operator.h"
#include "settings/config_file.h"

namespace kalvora::cli {
namespace {

void Print(std::FILE* f, const QString& text)
{
    const QByteArray b = text.toLocal8Bit();
    std::fwrite(b.constData(), 1, size_t(b.size()), f);
    std::fflush(f);
}

int Usage(const QString& problem)
{
    Print(stderr, QStringLiteral("kalvora-cli: ") + problem + QStringLiteral("\nTry 'kalvora-cli --help'.\n"));
    return kExitUsage;
}

int Show(const QStringList& args, TerminalOperator& op)
{
    QString file;
    bool json = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--json"))
            json = true;
        else if (a.startsWith(QLatin1Char('-')) || !file.isEmpty())
            return Usage(QStringLiteral("show: unexpected argument '%1'").arg(a));
        else
            file = a;
    }
    if (file.isEmpty()) return Usage(QStringLiteral("show: no configuration file given"));
    Settings settings;
    if (!ReadConfigFile(settings, file, op)) return kExitFailed;
    const std::string text = json ? RecordsJson(settings) : RecordsTable(settings);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return kExitOk;
}

}  // namespace

int Run(const QStringList& args)
{
    TerminalOperator op;
    if (args.isEmpty()) return Usage(QStringLiteral("no command given"));
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        Print(stdout, HelpText());
        return kExitOk;
    }
    const QString command = args.first();
    if (command == QLatin1String("show")) return Show(args.mid(1), op);
    return Usage(QStringLiteral("unknown command '%1'").arg(command));
}

QString HelpText()
{
    return QStringLiteral("Usage: kalvora-cli COMMAND [OPTIONS]\n");
}

}  // namespace kalvora::cli
