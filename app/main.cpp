// kalvora: configures Tornel edge-blending processors over a serial port.
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

#include <unistd.h>

#include "app/kalvora_application.h"
#include "app/main_window.h"
#include "app/no_display.h"
#include "app/secondary_windows.h"
#include "app/startup.h"
#include "platform/command_line.h"
#include "platform/gui/message_box_operator.h"
#include "platform/gui/single_instance.h"
#include "platform/serial_devices.h"
#include "platform/serial_port.h"
#include "platform/signal_watch.h"
#include "sim/simulator.h"

namespace {

void PrintUsage(FILE* to)
{
    std::fputs(
        "Usage: kalvora [--com1 DEVICE] [--com2 DEVICE] [--simulate] [--check-display] [FILE.tnc]\n"
        "  FILE.tnc         a configuration file to load at start, as \"Open Configuration File\"\n"
        "                   does (a file manager opening a .tnc file starts this)\n"
        "  --com1 DEVICE    the serial device COM1 stands for (default: the one chosen in the\n"
        "                   COM Port menu, else the first serial port found, USB adapters first),\n"
        "                   or a port on a network serial server: socket://HOST:PORT (raw TCP)\n"
        "                   or rfc2217://HOST:PORT (Telnet with COM port control)\n"
        "  --com2 DEVICE    the serial device COM2 stands for (default: as for COM1, the next one)\n"
        "  --simulate       run a simulated controller with two Tornel units (RS-485 IDs 1 and 2)\n"
        "                   on a pseudo-terminal inside the program; COM1 stands for it\n"
        "  --check-display  only find out whether the window can be opened: exit 0 if so, else\n"
        "                   say why and exit 1\n"
        "  --help           show this text\n"
        "  --version        show the program's version\n",
        to);
}

// What the command line asks of this start.
struct StartOptions {
    kalvora::PortOptions ports;
    bool simulate = false;
    bool checkDisplay = false;
    QString startupFile;  // empty: none
};

// A file manager starts "kalvora FILE.tnc"; the path is kept as given (absolute, so the load
// does not depend on a later change of folder).
QString StartupFilePath(const QString& argument)
{
    return QFileInfo(argument).absoluteFilePath();
}

// Reads the command line into `out`; a status when the program is to end at once (help,
// version, a bad command line), having said why.
std::optional<int> ReadCommandLine(const QStringList& args, StartOptions& out)
{
    enum { kSimulate = 2, kCheckDisplay, kHelp, kVersion };  // after --com1 and --com2
    QList<QCommandLineOption> options = kalvora::ComPortOptions();
    options << QCommandLineOption(QStringLiteral("simulate")) << QCommandLineOption(QStringLiteral("check-display"))
            << QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")})
            << QCommandLineOption(QStringLiteral("version"));
    QCommandLineParser parser;
    parser.addOptions(options);
    const bool parsed = parser.parse(QStringList{QStringLiteral("kalvora")} + args);
    // Help and version win over every fault, also where they stand in the place of a device.
    for (const kalvora::GivenOption& g : kalvora::GivenOptions(parser, options, args)) {
        const QString asked = g.valueIsOption ? g.value : QString();
        if (g.option == kHelp || asked == QLatin1String("--help")) {
            PrintUsage(stdout);
            return 0;
        }
        if (g.option == kVersion || asked == QLatin1String("--version")) {
            std::printf("kalvora %s\n", KALVORA_VERSION);
            return 0;
        }
    }
    const auto unknown = [](const QString& word) {
        std::fprintf(stderr, "kalvora: unknown argument '%s'\n", qPrintable(word));
        PrintUsage(stderr);
        return 2;
    };
    if (!parsed) {
        const kalvora::CommandLineFault fault = kalvora::ParseFault(parser, args);
        if (fault.kind == kalvora::CommandLineFault::Kind::MissingValue)  // only --com1 and --com2 take one
            std::fprintf(stderr, "kalvora: %s\n", qPrintable(kalvora::ComDeviceProblem(fault.name, QString())));
        else if (fault.kind == kalvora::CommandLineFault::Kind::Other)
            std::fprintf(stderr, "kalvora: %s\n", qPrintable(fault.word));
        else
            return unknown(fault.word);
        return 2;
    }
    // One configuration file at most; "-" names none (there is no standard input to load).
    const QStringList files = parser.positionalArguments();
    for (int i = 0; i < files.size(); ++i)
        if (i > 0 || files[i] == QLatin1String("-")) return unknown(files[i]);
    QString error;
    out.ports = kalvora::ComPortsGiven(parser, args, &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "kalvora: %s\n", qPrintable(error));
        return 2;
    }
    out.simulate = parser.isSet(options[kSimulate]);
    out.checkDisplay = parser.isSet(options[kCheckDisplay]);
    if (!files.isEmpty()) out.startupFile = StartupFilePath(files.first());
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv)
{
    // Standard error on a pipe whose reader has gone (started from a terminal or a launcher that
    // has ended) must not end the program with the port open: the lines are lost instead.
    std::signal(SIGPIPE, SIG_IGN);
    // The options are read before the application object exists, so --help works without a display.
    StartOptions start;
    if (const std::optional<int> status = ReadCommandLine(kalvora::ProgramArguments(argc, argv), start)) return *status;
    const kalvora::PortOptions& options = start.ports;
    const bool simulate = start.simulate;
    const bool checkDisplay = start.checkDisplay;
    const QString startupFile = start.startupFile;

    std::optional<kalvora::NoDisplayGuard> noDisplay(std::in_place);
    kalvora::KalvoraApplication app(argc, argv);
    noDisplay.reset();
    if (checkDisplay) return 0;
    kalvora::MessageBoxOperator op;
    // The file goes on by its path's bytes: a name that is not valid text is refused with a
    // message instead of another name being opened.
    const QByteArray startupFileName = kalvora::CommandLineFileName(startupFile, argc, argv);
    kalvora::SingleInstance instance;
    if (kalvora::HandOverToRunningInstance(instance, op, startupFileName)) return 0;

    kalvora::TKalvoraForm form(op);
    op.setParent(&form);
    kalvora::TInfoForm info;
    kalvora::TConnectionHelpForm help;
    form.setSecondaryWindows(&info, &help);

    QString com1, com2;
    std::unique_ptr<kalvora::sim::Simulator> simulator;
    if (simulate) {
        // A controller with two units (RS-485 IDs 1 and 2) on a pseudo-terminal; COM1 stands for it.
        kalvora::sim::SimConfig config;
        config.mode = kalvora::sim::PortMode::Controller;
        config.ids = {1, 2};
        simulator = std::make_unique<kalvora::sim::Simulator>(config);
        QString error;
        if (!simulator->start(&error)) {
            std::fprintf(stderr, "kalvora: cannot start the simulated controller: %s\n", qPrintable(error));
            return 1;
        }
        if (!options.com1.isEmpty())
            std::fprintf(stderr, "kalvora: --simulate: COM1 stands for the simulated units, not %s\n",
                         qPrintable(options.com1));
        com1 = simulator->slavePath();
        com2 = options.com2;
    }
    // The devices chosen in the "COM Port" menu are remembered by their stable names; a device
    // given on the command line wins over them.
    const QString choiceFile = kalvora::ComChoiceFile();
    const kalvora::ComChoice choice = kalvora::LoadComChoice(choiceFile);
    if (!simulate) kalvora::ResolveComDevices(options, choice, kalvora::SystemSerialDeviceInfos(), com1, com2);
    form.setComDevices(com1, com2);
    form.setComChoice(choice, choiceFile);
    form.setRecentFilesFile(choiceFile);  // "Open Recent" and the dialogs' folder live there too
    form.setStartupFileName(startupFileName);

    kalvora::RaiseOnActivation(instance, form);
    QObject::connect(&form, &kalvora::TKalvoraForm::closed, &app, &QApplication::quit);
    app.setQuitOnLastWindowClosed(false);
    // Ended by the system or from a terminal: the port is closed first, so its lock file goes
    // and the next program (or user) can open the device.
    kalvora::SignalWatch signalWatch;
    QObject::connect(&signalWatch, &kalvora::SignalWatch::signalled, &form, [&form, &signalWatch] {
        form.port().close();
        std::fflush(stderr);
        ::_exit(signalWatch.exitStatus());
    });
    form.show();
    return app.exec();
}
