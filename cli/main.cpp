#include <QCoreApplication>
#include <csignal>

#include "cli/cli_app.h"
#include "platform/command_line.h"

int main(int argc, char** argv)
{
    // Output into a pipe whose reader has gone (kalvora-cli send ... | head) must not end the
    // program halfway through a send: the writes fail instead, the run goes on to its end and
    // closes the port (its lock file goes), and the exit status tells what happened.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kalvora-cli"));
    return kalvora::cli::Run(kalvora::ProgramArguments(argc, argv));
}
