// Figures of the link against a simulated controller on a pseudo-terminal, at the real clock:
//   idle      CPU time used while a query waits 5 s for a reply that never comes
//   read      full read of two units through the controller paced at 57600 baud, against the
//             wire-time bound
//   latency   from the last reply byte leaving the simulator to the end of the transaction
//   postwait  a post-wait of 1250
// Usage: kalvora-bench-link [idle|read|latency|postwait|all]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "link/link.h"
#include "link/queries.h"
#include "operations/session.h"
#include "platform/clock.h"
#include "platform/operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"
#include "sim/simulator.h"
#include "cpu_time.h"

using namespace kalvora;

namespace {

class QuietOperator : public Operator {
public:
    void showMessage(const QString& text, const QString&) override { messages << text; }
    bool askYesNo(const QString&, const QString&) override { return false; }
    bool askOkCancel(const QString&, const QString&) override { return false; }
    bool askRetryCancel(const QString&, const QString&) override { return false; }
    void setStatus(const QString&) override {}
    void setBusy(bool) override {}
    QStringList messages;
};

struct Rig {
    explicit Rig(sim::SimConfig config) : sim(config)
    {
        QString error;
        if (!sim.start(&error)) {
            std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
            std::exit(1);
        }
        port.setDevice(1, sim.slavePath());
        port.setComNumber(1);
        const bool controller = config.mode == sim::PortMode::Controller;
        link.setThroughController(controller);
        link.setReplyEnd(controller ? '>' : '#');
        port.setBaud(controller ? 57600 : 38400);
        port.setFlowControl(controller ? FlowControl::RtsCts : FlowControl::None);
        if (!port.open()) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(sim.slavePath()));
            std::exit(1);
        }
        link.setLinkUp(true);
    }
    sim::Simulator sim;
    QuietOperator op;
    Session session{op, ReadBackView::none(), ConnectionView::none(), Session::Traffic::NotRecorded};
    SerialPort& port = session.port();
    MainFlags& flags = session.flags();
    Link& link = session.link();
    Settings& settings = session.settings();
};

sim::SimConfig ControllerConfig(int baud, int thinkMs)
{
    sim::SimConfig c;
    c.mode = sim::PortMode::Controller;
    c.ids = {1, 2};
    c.baud = baud;
    c.thinkMs = thinkMs;
    return c;
}

void BenchIdle()
{
    // The reply timer is 8 s; the clock is set so that it fires after 5 s.
    clock::setScale(5.0 / 8.0);
    Rig rig(ControllerConfig(0, 20));
    rig.sim.faults().dead = true;
    rig.link.SetCommandText("TNQUERY *1SYINFOTN!\r");
    rig.link.setMinReplyLength(8);
    QElapsedTimer wall;
    const double cpu0 = CpuSeconds();
    wall.start();
    const bool ok = rig.link.SendQuery();
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = CpuSeconds() - cpu0;
    clock::setScale(1.0);
    std::printf("idle wait: %.3f s wall, %.4f s CPU = %.3f %% of wall (target <= 1 %%), reply %s, timeout message %s\n",
                seconds, cpu, 100.0 * cpu / seconds, ok ? "came (unexpected)" : "did not come",
                rig.op.messages.size() == 1 ? "once" : "NOT once");
}

void BenchRead()
{
    const int baud = 57600, thinkMs = 5;
    clock::setScale(1.0);
    Rig rig(ControllerConfig(baud, thinkMs));
    QElapsedTimer wall;
    wall.start();
    bool ok = QueryUnitCount(rig.link) == 2;
    ok = ok && QueryUnit(rig.link, rig.settings, 1) && QueryUnit(rig.link, rig.settings, 2);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    const qsizetype in = rig.sim.received().size(), out = rig.sim.sent().size();
    const int requests = rig.sim.requestsHandled();
    const double think = requests * thinkMs / 1000.0;
    const double boundBoth = double(in + out) * 10.0 / baud + think;
    const double boundReplies = double(out) * 10.0 / baud + think;
    std::printf("full read of two units at %d baud: %s, %.3f s; %lld bytes sent to the controller, %lld received, "
                "%d requests, think %d ms each\n",
                baud, ok ? "ok" : "FAILED", seconds, (long long)in, (long long)out, requests, thinkMs);
    std::printf("  wire-time bound (both directions) %.3f s -> %.3f x (target <= 1.10 x)\n", boundBoth,
                seconds / boundBoth);
    std::printf("  stricter bound (the controller's output only, as the simulator paces it) %.3f s -> %.3f x\n",
                boundReplies, seconds / boundReplies);
    // The program's own share: from each last byte the controller sent to the next byte it
    // received (the program reacting and sending its next request).
    double reaction = 0;
    bool sentSince = false;
    std::chrono::steady_clock::time_point lastSent{};
    for (const auto& e : rig.sim.log().entries()) {
        if (e.direction == sim::TrafficLog::Direction::Sent) {
            lastSent = e.time;
            sentSince = true;
        } else if (sentSince) {
            reaction += std::chrono::duration<double>(e.time - lastSent).count();
            sentSince = false;
        }
    }
    std::printf("  the program's own share (last reply byte -> next request byte, summed): %.4f s = %.2f %% of the read\n",
                reaction, 100.0 * reaction / seconds);
}

void BenchLatency()
{
    clock::setScale(1.0);
    Rig rig(ControllerConfig(0, 1));
    std::vector<double> us, lineUs, linkUs;
    std::chrono::steady_clock::time_point lastEvent{};
    QObject::connect(&rig.port, &SerialPort::triggerAvail, [&](int) { lastEvent = std::chrono::steady_clock::now(); });
    for (int i = 0; i < 300; ++i) {
        rig.link.SetCommandText("TNQUERY *%dOINFOTN %d!\r", 1 + i % 2, 1 + i % 4);
        rig.link.setMinReplyLength(kMinReplyOutput);
        rig.sim.log().clear();
        if (!rig.link.SendQuery()) {
            std::printf("latency: query %d failed\n", i);
            return;
        }
        const auto end = std::chrono::steady_clock::now();
        const auto last = rig.sim.log().lastSentTime();
        us.push_back(std::chrono::duration<double, std::micro>(end - last).count());
        lineUs.push_back(std::chrono::duration<double, std::micro>(lastEvent - last).count());
        linkUs.push_back(std::chrono::duration<double, std::micro>(end - lastEvent).count());
    }
    auto report = [](const char* what, std::vector<double>& v) {
        std::sort(v.begin(), v.end());
        std::printf("  %s: median %.0f us, p90 %.0f us, p99 %.0f us, max %.0f us\n", what, v[v.size() / 2],
                    v[v.size() * 9 / 10], v[v.size() * 99 / 100], v.back());
    };
    std::printf("latency over %zu queries (target < 2000 us):\n", us.size());
    report("last reply byte written by the simulator -> end of transaction", us);
    report("  of which pseudo-terminal and event delivery (write -> data event)", lineUs);
    report("  of which the link (data event -> end of transaction)", linkUs);
}

void BenchPostWait()
{
    clock::setScale(1.0);
    std::vector<double> ms;
    SerialPort port;
    QuietOperator op;
    MainFlags flags;
    Link link(port, op, flags);
    const double cpu0 = CpuSeconds();
    for (int i = 0; i < 4; ++i) {
        QElapsedTimer t;
        t.start();
        link.WaitMs(1250);
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    const double cpu = CpuSeconds() - cpu0;
    double worst = 0;
    for (double m : ms) worst = std::max(worst, std::abs(m - 1250.0) / 1250.0);
    std::printf("post-wait 1250: %.2f %.2f %.2f %.2f ms; worst deviation %.3f %% (target within 2 %%); CPU %.4f s\n",
                ms[0], ms[1], ms[2], ms[3], 100.0 * worst, cpu);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("all");
    const bool all = what == QLatin1String("all");
    if (all || what == QLatin1String("idle")) BenchIdle();
    if (all || what == QLatin1String("read")) BenchRead();
    if (all || what == QLatin1String("latency")) BenchLatency();
    if (all || what == QLatin1String("postwait")) BenchPostWait();
    return 0;
}
