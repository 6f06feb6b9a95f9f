// Figures of the bulk send against a simulated controller with two units on a pseudo-terminal,
// paced at 57600 baud, at the real clock:
//   full     the whole send of an eight-projector wall: its time against 1.05 × (the sum of the
//            commands' specified waits + the wire time of every byte exchanged), and the CPU
//            share of the wall time
//   changed  one setting changed: the units read and only the differing command sent, against
//            the full send's time
// The simulator runs as its own process (kalvora-sim), so the CPU figure is the program's alone.
// Usage: kalvora-bench-bulk [full|changed|all]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>

#include "link/commands.h"
#include "link/commands_table.h"
#include "link/connection.h"
#include "link/link.h"
#include "operations/session.h"
#include "platform/operator.h"
#include "operations/bulk_send.h"
#include "settings/main_flags.h"
#include "operations/record_values.h"
#include "settings/records.h"
#include "cpu_time.h"
#include "tests/support/programs.h"

using namespace kalvora;

namespace {

constexpr int kBaud = 57600;

class QuietOperator : public Operator {
public:
    void showMessage(const QString& text, const QString&) override
    {
        std::fprintf(stderr, "message (%s): %s\n", qPrintable(last), qPrintable(text));
    }
    QString last;  // the command in flight
    bool askYesNo(const QString&, const QString&) override { return false; }
    bool askOkCancel(const QString&, const QString&) override { return false; }
    bool askRetryCancel(const QString&, const QString&) override { return false; }
    void setStatus(const QString&) override {}
    void setBusy(bool) override {}
};

struct Rig {
    Rig()
    {
        if (sim.path().isEmpty()) {
            std::fprintf(stderr, "simulator did not start\n");
            std::exit(1);
        }
        port.setDevice(1, sim.path());
        QObject::connect(&port, &SerialPort::bytesSent, [this](const QByteArray& b) { sent += b.size(); });
        QObject::connect(&port, &SerialPort::bytesRead, [this](const QByteArray& b) { read += b.size(); });
        controller.connectThroughController();
        if (!link.linkUp()) {
            std::fprintf(stderr, "no link\n");
            std::exit(1);
        }
    }
    kalvora::testing::SimProcess sim{{"--mode", "controller", "--units", "2", "--baud", QString::number(kBaud)}};
    qsizetype sent = 0, read = 0;  // bytes the program wrote to and took from the line
    QuietOperator op;
    Session session{op, ReadBackView::none(), ConnectionView::none(), Session::Traffic::NotRecorded};
    SerialPort& port = session.port();
    MainFlags& flags = session.flags();
    Settings& settings = session.settings();
    Link& link = session.link();
    CommandSet& commands = session.commands();
    LinkController& controller = session.linkController();
};

// The pause after the controller accepted each command, as the command table specifies.
int SpecifiedWaitMs(const std::vector<BulkProgress>& sent, const Settings& settings)
{
    int total = 0;
    for (const BulkProgress& p : sent) {
        const QByteArray keyword = p.what.section(QLatin1Char(' '), 0, 0).toLatin1();
        for (const CommandSpec& spec : kCommands) {
            if (keyword != QByteArray(spec.keyword.data(), qsizetype(spec.keyword.size()))) continue;
            const bool basic = spec.command == Command::ControlMode && settings.output(p.unit, 1).ControlMode == 0;
            total += basic ? spec.postWaitOff : spec.postWait;
            break;
        }
    }
    return total;
}

struct Run {
    double seconds = 0, cpu = 0;
    qsizetype rx = 0, tx = 0;  // bytes to the units, from them
    int commands = 0;
    std::vector<BulkProgress> sent;
};

Run Timed(Rig& rig, const std::function<int(std::vector<BulkProgress>&)>& work)
{
    const qsizetype sent0 = rig.sent, read0 = rig.read;
    QElapsedTimer t;
    const double cpu0 = CpuSeconds();
    t.start();
    Run r;
    r.commands = work(r.sent);
    r.seconds = t.nsecsElapsed() / 1e9;
    r.cpu = CpuSeconds() - cpu0;
    r.rx = rig.sent - sent0;
    r.tx = rig.read - read0;
    return r;
}

int SendAll(Rig& rig, const Settings* changedFrom, std::vector<BulkProgress>& sent)
{
    RecordValues values(rig.settings, rig.commands, rig.link);
    BulkSend send(rig.commands, rig.link, rig.settings, values);
    send.OnlyChangedFrom = changedFrom;
    struct Watch final : BulkObserver {
        std::vector<BulkProgress>& sent;
        Rig& rig;
        Watch(std::vector<BulkProgress>& s, Rig& r) : sent(s), rig(r) {}
        void Progress(const BulkProgress& p) override
        {
            sent.push_back(p);
            rig.op.last = QStringLiteral("unit %1 %2").arg(p.unit).arg(p.what);
        }
        bool ShouldStop() override { return false; }
    } watch(sent, rig);
    if (send.Run(watch) != BulkOutcome::Done) std::fprintf(stderr, "the send did not complete\n");
    return send.CommandsSent();
}

Run Full(Rig& rig)
{
    if (!ReadAllUnits(rig.link, rig.settings)) std::exit(1);
    const Run r = Timed(rig, [&](std::vector<BulkProgress>& sent) { return SendAll(rig, nullptr, sent); });
    const double wire = double(r.rx + r.tx) * 10.0 / kBaud;
    const double waits = SpecifiedWaitMs(r.sent, rig.settings) / 1000.0;
    std::printf("full send, 2 units, 8 projectors, %d baud: %d commands\n", kBaud, r.commands);
    std::printf("  bytes: %lld to the units, %lld from them; wire time %.3f s\n", (long long)r.rx, (long long)r.tx, wire);
    std::printf("  specified waits %.3f s; bound 1.05 x (waits + wire) = %.3f s\n", waits, 1.05 * (waits + wire));
    std::printf("  measured %.3f s (%s); CPU %.3f s = %.2f %% of wall time\n", r.seconds,
                r.seconds <= 1.05 * (waits + wire) ? "within" : "OVER", r.cpu, 100.0 * r.cpu / r.seconds);
    return r;
}

void Changed(Rig& rig, const Run& full)
{
    if (!ReadAllUnits(rig.link, rig.settings)) std::exit(1);
    rig.settings.output(2, 3).BlackLevel = uint8_t(rig.settings.output(2, 3).BlackLevel + 1);  // screen 7
    Settings units;
    const Run r = Timed(rig, [&](std::vector<BulkProgress>& sent) {
        if (!ReadAllUnits(rig.link, units)) std::exit(1);
        return SendAll(rig, &units, sent);
    });
    std::printf("send --changed after one change: %d command(s), units read first\n", r.commands);
    std::printf("  measured %.3f s = %.1f %% of the full send (%s 10 %%); CPU %.2f %%\n", r.seconds,
                100.0 * r.seconds / full.seconds, r.seconds < full.seconds / 10 ? "under" : "NOT under",
                100.0 * r.cpu / r.seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray which = argc > 1 ? QByteArray(argv[1]) : QByteArray("all");
    Rig rig;
    rig.flags.UnitCount = 2;
    const Run full = Full(rig);
    if (which == "changed" || which == "all") Changed(rig, full);
    return 0;
}
