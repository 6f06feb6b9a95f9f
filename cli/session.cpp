#include "cli/session.h"

#include <unistd.h>

#include "cli/cli_output.h"
#include "cli/json_output.h"
#include "platform/serial_devices.h"

namespace kalvora::cli {

Session::Session(const CliOptions& o, TerminalOperator& op)
    : op(op),
      core(op, ReadBackView::none(), ConnectionView::none(),
           o.trace.isEmpty() ? kalvora::Session::Traffic::NotRecorded : kalvora::Session::Traffic::Recorded),
      traceFile(o.trace)
{
    QString com1, com2;
    // The devices as the window resolves them: an option, else the operator's choice in the
    // window's "COM Port" menu, else the first free serial device.
    ResolveComDevices(PortOptions{o.com1, o.com2}, LoadComChoice(ComChoiceFile()), SystemSerialDeviceInfos(),
                      com1, com2);
    port.setDevice(1, com1);
    port.setDevice(2, com2);
    noPort = com1.isEmpty() && com2.isEmpty();
    QObject::connect(&signalWatch, &SignalWatch::signalled, [this] {
        if (stopAfterCommand && !stopping) {
            stopping = true;
            return;
        }
        Interrupt();
    });
}

Session::~Session() { NoteTroubles(); }

void Session::NoteTroubles()
{
    if (!op.report || troublesNoted_) return;
    troublesNoted_ = true;
    for (const LinkController::PortTrouble& t : controller.searchTroubles())
        op.report->portTroubles << RunReport::PortTrouble{t.com, t.problem};
}

void Session::Interrupt()
{
    port.close();
    op.showMessage(QStringLiteral("interrupted"));
    const int status = Finish(signalWatch.exitStatus());
    // A script reading the report gets one also from a run that was stopped.
    if (op.report) {
        NoteTroubles();
        const std::string json = RunReportJson(*op.report, status);
        std::fwrite(json.data(), 1, json.size(), stdout);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(status);
}

int Session::Finish(int status)
{
    if (traceFile.isEmpty()) return status;
    QString error;
    if (WriteTraceFile(traceFile, trace.formatText(), &error)) return status;
    op.showMessage(QStringLiteral("the traffic could not be written to %1: %2").arg(traceFile, error));
    return status == kExitOk ? kExitFailed : status;
}

bool Session::NoPortToSearch() const
{
    if (noPort)
        op.showMessage(QStringLiteral("no serial port found on this machine; name the port the unit or controller is "
                                      "cabled to with --com1 DEVICE (for example --com1 /dev/ttyUSB0)"));
    return noPort;
}

bool Search(Session& s)
{
    s.controller.searchAll();
    return s.link.linkUp();
}

void PrintConnection(Session& s, int units, std::FILE* to)
{
    const int n = s.link.port().comNumber();
    const bool controller = s.link.throughController();
    const QString mode = controller ? QStringLiteral("controller") : QStringLiteral("direct");
    QStringList ids;
    if (controller && units >= 1) ids << QString::number(s.link.unitId(1));
    if (controller && units >= 2) ids << QString::number(s.link.unitId(2));
    // --json: what was found goes into the report instead.
    if (RunReport* report = s.op.report) {
        report->connection = RunReport::Connection{mode, n, s.link.port().device(n), units, ids};
        return;
    }
    QString text = QStringLiteral("mode: %1\nport: COM%2\ndevice: %3\nunits: %4\n")
                       .arg(mode)
                       .arg(n)
                       .arg(s.link.port().device(n))
                       .arg(units);
    text += controller ? QStringLiteral("ids: %1\n").arg(ids.join(QLatin1Char(' ')))
                       : QStringLiteral("ids: none (direct mode)\n");
    Print(to, text);
}

}  // namespace kalvora::cli
