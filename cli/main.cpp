#include <QCoreApplication>

#include "cli/cli_app.h"
#include "platform/command_line.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kalvora-cli"));
    return kalvora::cli::Run(kalvora::ProgramArguments(argc, argv));
}
