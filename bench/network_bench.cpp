// Figures of a COM port on a network serial server against the same port on the local
// pseudo-terminal, at the real clock. A simulated controller with two units (kalvora-sim, its own
// process, paced at 57600 baud) sits behind ser2net on the same machine (its own process too),
// so the CPU figures are the program's alone:
//   read   full read of the two units, local / socket:// / rfc2217://, and the ratio to local
//   send   full bulk send of the eight screens, likewise
//   idle   CPU while a query waits for a reply that never comes (the 8 s reply timer)
// Each round runs the three ways one after the other; the figures are the medians over rounds.
// The server first passes bytes on at once (nodelay, no character delay); then, one round
// each, with Nagle's algorithm only, and with all of ser2net's own defaults (Nagle's algorithm,
// and a wait of 1..20 ms after the device's last byte in case more follow): what a server set
// up with nothing but the port costs.
// Usage: kalvora-bench-network [rounds] [--no-defaults] [--no-idle]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "cpu_time.h"
#include "link/commands.h"
#include "link/connection.h"
#include "link/link.h"
#include "link/queries.h"
#include "operations/session.h"
#include "operations/bulk_send.h"
#include "operations/record_values.h"
#include "platform/clock.h"
#include "platform/operator.h"
#include "tests/support/programs.h"
#include "ser2net_server.h"
#include "settings/main_flags.h"
#include "settings/records.h"

using namespace kalvora;
using testing::Ser2net;

namespace {

constexpr int kBaud = 57600;
constexpr int kThinkMs = 5;

class QuietOperator : public Operator {
public:
    void showMessage(const QString& text, const QString&) override
    {
        if (!quiet) std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++messages;
    }
    bool quiet = false;  // the message is expected
    bool askYesNo(const QString&, const QString&) override { return false; }
    bool askOkCancel(const QString&, const QString&) override { return false; }
    bool askRetryCancel(const QString&, const QString&) override { return false; }
    void setStatus(const QString&) override {}
    void setBusy(bool) override {}
    int messages = 0;
};

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

// kalvora-sim as a process of its own: a controller with units 3 and 7 on a pseudo-terminal.
class SimProcess {
public:
    explicit SimProcess(const QStringList& extra)
        : sim_(QStringList{"--mode", "controller", "--ids", "3,7", "--baud", QString::number(kBaud), "--think",
                           QString::number(kThinkMs)} +
                   extra,
               kalvora::testing::SimProcess::Thinking::Usual)
    {
        if (sim_.path().isEmpty()) Fail("the simulator did not start");
    }
    QString path() const { return sim_.path(); }

private:
    kalvora::testing::SimProcess sim_;
};

enum class Way { Local, Raw, Rfc2217 };
constexpr Way kWays[] = {Way::Local, Way::Raw, Way::Rfc2217};
const char* WayName(Way w) { return w == Way::Local ? "local pty" : w == Way::Raw ? "socket://" : "rfc2217://"; }

// The port of one way: the pseudo-terminal itself, or ser2net in front of it (started here,
// stopped when this goes).
class Endpoint {
public:
    Endpoint(Way way, const QString& pty, Ser2net::Tuning tuning) : device_(pty)
    {
        if (way == Way::Local) return;
        server_ = std::make_unique<Ser2net>(pty, way == Way::Raw ? Ser2net::Mode::Raw : Ser2net::Mode::Rfc2217,
                                            38400, tuning);
        if (!server_->start()) Fail(qPrintable("ser2net: " + server_->error()));
        device_ = server_->address();
    }
    QString device() const { return device_; }

private:
    std::unique_ptr<Ser2net> server_;
    QString device_;
};

struct Rig {
    explicit Rig(const QString& device)
    {
        port.setDevice(1, device);
        QObject::connect(&port, &SerialPort::bytesSent, [this](const QByteArray& b) { sent += b.size(); });
        QObject::connect(&port, &SerialPort::bytesRead, [this](const QByteArray& b) { read += b.size(); });
    }
    void connect()
    {
        controller.connectThroughController();  // the read is declined: it is timed apart
        if (!link.linkUp()) Fail("no link");
    }
    QuietOperator op;
    Session session{op, ReadBackView::none(), ConnectionView::none(), Session::Traffic::NotRecorded};
    SerialPort& port = session.port();
    MainFlags& flags = session.flags();
    Settings& settings = session.settings();
    Link& link = session.link();
    CommandSet& commands = session.commands();
    LinkController& controller = session.linkController();
    qsizetype sent = 0, read = 0;
};

struct Figure {
    double seconds = 0, cpu = 0;
    qsizetype bytes = 0;
    bool ok = false;
};

template <typename Work>
Figure Timed(Rig& rig, Work work)
{
    const qsizetype bytes0 = rig.sent + rig.read;
    QElapsedTimer t;
    const double cpu0 = CpuSeconds();
    t.start();
    Figure f;
    f.ok = work();
    f.seconds = double(t.nsecsElapsed()) / 1e9;
    f.cpu = CpuSeconds() - cpu0;
    f.bytes = rig.sent + rig.read - bytes0;
    return f;
}

struct Round {
    Figure read, send;
};

Round RunWay(Way way, const QString& pty, Ser2net::Tuning tuning)
{
    Endpoint end(way, pty, tuning);
    Rig rig(end.device());
    rig.connect();
    Round r;
    r.read = Timed(rig, [&] { return ReadAllUnits(rig.link, rig.settings) && rig.flags.UnitCount == 2; });
    r.send = Timed(rig, [&] {
        RecordValues values(rig.settings, rig.commands, rig.link);
        BulkSend send(rig.commands, rig.link, rig.settings, values);
        struct Unwatched final : BulkObserver {
            void Progress(const BulkProgress&) override {}
            bool ShouldStop() override { return false; }
        } unwatched;
        return send.Run(unwatched) == BulkOutcome::Done;
    });
    rig.controller.disconnectUnits();
    if (rig.op.messages > 0) r.read.ok = false;
    return r;
}

Figure IdleWay(Way way, const QString& pty)
{
    Endpoint end(way, pty, Ser2net::Tuning{});
    Rig rig(end.device());
    rig.port.setComNumber(1);
    rig.link.setThroughController(true);
    rig.link.setReplyEnd('>');
    rig.port.setBaud(kBaud);
    if (!rig.port.open()) Fail(qPrintable("cannot open " + end.device() + ": " + rig.port.lastErrorText()));
    rig.link.setLinkUp(true);
    rig.link.SetCommandText("TNQUERY *3SYINFOTN!\r");
    rig.link.setMinReplyLength(8);
    rig.op.quiet = true;  // the timeout's message
    Figure f = Timed(rig, [&] { return !rig.link.SendQuery() && rig.op.messages == 1; });
    rig.link.setLinkUp(false);
    rig.port.close();
    return f;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Report(const char* what, const std::vector<Round>& rounds, Figure Round::*field)
{
    std::printf("%s:\n", what);
    double local = 0;
    for (Way w : kWays) {
        std::vector<double> seconds, cpuShare;
        bool ok = true;
        qsizetype bytes = -1;
        bool sameBytes = true;
        QString each;
        for (size_t i = size_t(w); i < rounds.size(); i += 3) {
            const Figure& f = rounds[i].*field;
            seconds.push_back(f.seconds);
            cpuShare.push_back(100.0 * f.cpu / f.seconds);
            ok = ok && f.ok;
            if (bytes >= 0 && f.bytes != bytes) sameBytes = false;
            bytes = f.bytes;
            each += QStringLiteral(" %1").arg(f.seconds, 0, 'f', 3);
        }
        const double m = Median(seconds);
        if (w == Way::Local) local = m;
        std::printf("  %-11s median %.3f s (%s); CPU %.2f %% of wall time; %lld bytes%s; runs:%s\n", WayName(w), m,
                    ok ? "ok" : "FAILED", Median(cpuShare), (long long)bytes, sameBytes ? "" : " (varied)",
                    qPrintable(each));
        if (w != Way::Local)
            std::printf("  %-11s ratio to local %.3f (target <= 1.05: %s)\n", "", m / local,
                        m / local <= 1.05 ? "met" : "NOT met");
    }
}

std::vector<Round> RunRounds(const QString& pty, int rounds, Ser2net::Tuning tuning)
{
    std::vector<Round> all;  // round-major: local, raw, rfc2217, local, ...
    for (int r = 0; r < rounds; ++r)
        for (Way w : kWays) all.push_back(RunWay(w, pty, tuning));
    return all;
}

void ReportRounds(const std::vector<Round>& all)
{
    Report("full read of two units", all, &Round::read);
    Report("full bulk send, 8 screens", all, &Round::send);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int rounds = 3;
    bool defaults = true, idle = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--no-defaults")) defaults = false;
        else if (!std::strcmp(argv[i], "--no-idle")) idle = false;
        else if (std::atoi(argv[i]) > 0) rounds = std::atoi(argv[i]);
        else Fail("usage: kalvora-bench-network [rounds] [--no-defaults] [--no-idle]");
    }
    if (Ser2net::Program().isEmpty()) Fail("ser2net is not installed (scripts/install-deps.sh installs it)");
    clock::setScale(1.0);
    std::printf("controller with units 3 and 7 on kalvora-sim's pseudo-terminal, paced at %d baud, %d ms think\n",
                kBaud, kThinkMs);
    {
        SimProcess sim({});
        std::printf("\nser2net passing bytes on at once (nodelay, chardelay off), %d round(s):\n", rounds);
        ReportRounds(RunRounds(sim.path(), rounds, Ser2net::Tuning{}));
        if (defaults) {
            std::printf("\nser2net with Nagle's algorithm (no nodelay), chardelay off, 1 round:\n");
            ReportRounds(RunRounds(sim.path(), 1, Ser2net::Tuning{false, false}));
            std::printf("\nser2net with its own defaults (Nagle, chardelay 1..20 ms), 1 round:\n");
            ReportRounds(RunRounds(sim.path(), 1, Ser2net::Tuning::ServerDefaults()));
        }
    }
    if (idle) {
        SimProcess dead({"--dead"});
        std::printf("\nidle: a query unanswered until the 8 s reply timer ends it:\n");
        for (Way w : kWays) {
            const Figure f = IdleWay(w, dead.path());
            std::printf("  %-11s %.3f s wall, %.4f s CPU = %.3f %% (target < 1 %%: %s)%s\n", WayName(w), f.seconds,
                        f.cpu, 100.0 * f.cpu / f.seconds, f.cpu < 0.01 * f.seconds ? "met" : "NOT met",
                        f.ok ? "" : " (FAILED: the timeout did not end it once)");
        }
    }
    return 0;
}
