#include <QCoreApplication>

#include "cli/cli_app.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kalvora-cli"));
    return kalvora::cli::Run(QCoreApplication::arguments().mid(1));
}
