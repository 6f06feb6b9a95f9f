// kalvora: configures Tornel edge-blending processors over a serial port.
#include <QTextStream>
#include <cstdio>

#include "app/kalvora_application.h"
#include "app/main_window.h"
#include "app/secondary_windows.h"
#include "app/startup.h"
#include "platform/gui/message_box_operator.h"
#include "platform/gui/single_instance.h"
#include "platform/serial_port.h"

namespace {

void PrintUsage(FILE* to)
{
    std::fputs(
        "Usage: kalvora [--com1 DEVICE] [--com2 DEVICE] [--simulate]\n"
        "  --com1 DEVICE  the serial device COM1 stands for (default: the first serial port found,\n"
        "                 USB adapters before on-board ports)\n"
        "  --com2 DEVICE  the serial device COM2 stands for (default: the next one)\n"
        "  --simulate     run a simulated controller with two Tornel units (RS-485 IDs 1 and 2)\n"
        "                 on a pseudo-terminal inside the program; COM1 stands for it\n"
        "  --help         show this text\n",
        to);
}

}  // namespace

int main(int argc, char** argv)
{
    kalvora::KalvoraApplication app(argc, argv);

    const kalvora::PortOptions options = kalvora::ParsePortOptions(app.arguments().mid(1));
    bool simulate = false;
    for (const QString& arg : options.rest) {
        if (arg == QLatin1String("--simulate")) {
            simulate = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            PrintUsage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "kalvora: unknown argument '%s'\n", qPrintable(arg));
            PrintUsage(stderr);
            return 2;
        }
    }
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "kalvora: %s\n", qPrintable(options.error));
        return 2;
    }

    kalvora::MessageBoxOperator op;
    kalvora::SingleInstance instance;
    if (kalvora::HandOverToRunningInstance(instance, op)) return 0;

    kalvora::TKalvoraForm form(op);
    op.setParent(&form);
    kalvora::TInfoForm info;
    kalvora::TConnectionHelpForm help;
    form.setSecondaryWindows(&info, &help);

    QString com1, com2;
    kalvora::ResolvePortDevices(options, com1, com2);
    if (simulate) {
        // The simulated controller is set up by the simulation support below.
    }
    form.setComDevices(com1, com2);

    kalvora::RaiseOnActivation(instance, form);
    QObject::connect(&form, &kalvora::TKalvoraForm::closed, &app, &QApplication::quit);
    app.setQuitOnLastWindowClosed(false);
    form.show();
    return app.exec();
}
