#include "cli/show_command.h"

#include <cstdio>

#include "cli/cli_app.h"
#include "cli/cli_output.h"
#include "cli/records_report.h"
#include "settings/config_file.h"

namespace kalvora::cli {

int Show(const CliOptions& o, TerminalOperator& op)
{
    const QString& file = o.operands.first();
    Settings settings;
    const ConfigFileResult loaded = LoadConfigFile(settings, file);
    if (!loaded.ok) {
        ReportFileFailure(op, loaded, file);
        return kExitFailed;
    }
    const std::string text = o.json ? RecordsJson(settings) : RecordsTable(settings);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

}  // namespace kalvora::cli
