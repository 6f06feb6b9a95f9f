#include "cli/cli_output.h"

#include "cli/cli_app.h"
#include "cli/terminal_operator.h"
#include "settings/config_file.h"

namespace kalvora::cli {

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

void ReportFileFailure(TerminalOperator& op, const ConfigFileResult& r, const QString& file)
{
    op.showMessage(r.message + QStringLiteral(" (%1: %2)").arg(file, r.reason));
}

}  // namespace kalvora::cli
