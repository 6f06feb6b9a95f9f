// Figures of the Source Setup page against simulated units on a pseudo-terminal, in the real
// main window (offscreen):
//   balance   an automatic colour balance of two units that each stay busy for 5 minutes of
//             simulated time behind a controller that says nothing for a busy unit, run at a
//             compressed clock (at 0.05 the link polls 20 times as often as it would):
//             CPU time against wall time, and how late the information window answers a
//             repaint request made every 100 ms throughout
//   commit    commit of a colour field (contrast of the selected channel) to the first byte
//             arriving on the simulator's side of the line, 1000 commits, p50/p99/max
// Usage: kalvora-bench-procedure [balance|commit|all] [clock scale of the balance, default 0.05]
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/main_window.h"
#include "app/secondary_windows.h"
#include "editors/numeric_fields.h"
#include "editors/source_setup_page.h"
#include "platform/clock.h"
#include "platform/gui/named_widget.h"
#include "platform/operator.h"
#include "sim/simulator.h"
#include "threaded_sim.h"
#include "cpu_time.h"

using namespace kalvora;

namespace {

std::int64_t SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class BenchOperator : public Operator {
public:
    void showMessage(const QString& text, const QString&) override { messages << text; }
    bool askYesNo(const QString&, const QString&) override { return true; }
    bool askOkCancel(const QString&, const QString&) override { return true; }
    bool askRetryCancel(const QString&, const QString&) override { return true; }
    void setStatus(const QString&) override {}
    void setBusy(bool) override {}
    QStringList messages;
};

double Percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// Paint events of a watched widget, timed from the request.
class PaintProbe : public QObject {
public:
    QElapsedTimer requested;
    bool pending = false;
    std::vector<double> latenciesMs;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && pending) {
            latenciesMs.push_back(double(requested.nsecsElapsed()) / 1e6);
            pending = false;
        }
        return false;
    }
};

sim::SimConfig TwoUnitsAt57600()
{
    sim::SimConfig config;
    config.mode = sim::PortMode::Controller;
    config.ids = {1, 2};
    config.baud = 57600;
    return config;
}

struct Wall {
    Wall()
    {
        form = std::make_unique<TKalvoraForm>(op);
        info = std::make_unique<TInfoForm>();
        form->setSecondaryWindows(info.get(), nullptr);
        form->setComDevices(simulator->slavePath(), QString());
        form->show();
        // Search at start and read both units (the operator answers every question yes).
        QElapsedTimer t;
        t.start();
        while (!form->settings().StatusReadAvailable && t.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!form->LinkEstablished() || !form->settings().StatusReadAvailable) {
            std::fprintf(stderr, "no link to the simulated units\n");
            std::exit(1);
        }
        form->pages()->setCurrentWidget(form->sourcePage());
        QApplication::processEvents();
    }
    ~Wall() { form.reset(); }
    void onSim(const std::function<void()>& work) { simulator.onSim(work); }
    BenchOperator op;
    ThreadedSim simulator{TwoUnitsAt57600()};
    std::unique_ptr<TKalvoraForm> form;
    std::unique_ptr<TInfoForm> info;
};

void Balance(double kScale)
{
    Wall wall;
    constexpr int kUnitMs = 300000;
    clock::setScale(kScale);
    wall.onSim([&] {
        wall.simulator->setBusyAnswer(sim::BusyAnswer::Silent);
        for (int u = 1; u <= 2; ++u) wall.simulator->unit(u).timings.colorBalanceMs = kUnitMs;
    });

    PaintProbe probe;
    wall.info->installEventFilter(&probe);
    std::vector<double> timerLateMs;
    QElapsedTimer sinceLast;
    QTimer poke;
    poke.setTimerType(Qt::PreciseTimer);
    poke.setInterval(100);
    QObject::connect(&poke, &QTimer::timeout, [&] {
        if (!wall.info->isVisible()) return;
        if (sinceLast.isValid()) timerLateMs.push_back(std::max(0.0, double(sinceLast.nsecsElapsed()) / 1e6 - 100.0));
        sinceLast.start();
        probe.requested.start();
        probe.pending = true;
        wall.info->update();
    });
    poke.start();

    QElapsedTimer wallTime;
    wallTime.start();
    const double cpu0 = CpuSeconds();
    wall.form->sourcePage()->AutoColorBalanceButtonClick();
    const double cpu = CpuSeconds() - cpu0;
    const double seconds = double(wallTime.elapsed()) / 1000.0;
    poke.stop();

    std::printf("balance: two units, %d simulated s each, clock x%.2f: %.1f s wall, %.3f s CPU (%.2f %% of wall "
                "time, simulator included)\n",
                kUnitMs / 1000, kScale, seconds, cpu, 100.0 * cpu / seconds);
    std::printf("balance: repaint of the information window after a request: p50 %.2f ms, p99 %.2f ms, max %.2f ms "
                "(%zu requests); 100 ms timer late by at most %.2f ms\n",
                Percentile(probe.latenciesMs, 0.5), Percentile(probe.latenciesMs, 0.99),
                Percentile(probe.latenciesMs, 1.0), probe.latenciesMs.size(), Percentile(timerLateMs, 1.0));
    std::printf("balance: messages shown: %lld%s\n", static_cast<long long>(wall.op.messages.size()),
                wall.op.messages.isEmpty() ? "" : qPrintable(" (" + wall.op.messages.join(" | ") + ")"));
    clock::setScale(1.0);
}

void Commit()
{
    Wall wall;
    wall.onSim([&] { wall.simulator->setThinkMs(1); });
    SourceSetupPage* page = wall.form->sourcePage();
    auto* edit = FindNamed<QLineEdit>(page, QStringLiteral("LeftRContrastEdit"));
    QElapsedTimer t;
    // Set by the simulator's thread when the first byte of a commit's frame arrives there.
    std::atomic<std::int64_t> startNs{0}, firstByteNs{0};
    std::atomic<bool> waiting{false};
    QObject::connect(wall.simulator.get(), &sim::Simulator::bytesReceived, wall.simulator.get(), [&] {
        if (!waiting.exchange(false)) return;
        firstByteNs = SteadyNs() - startNs;
    }, Qt::DirectConnection);
    // Also the moment the program has handed the first piece of the frame to the line.
    bool queuedPending = false;
    double queuedMs = 0;
    QObject::connect(&wall.form->port(), &SerialPort::bytesSent, [&] {
        if (!queuedPending) return;
        queuedMs = double(t.nsecsElapsed()) / 1e6;
        queuedPending = false;
    });
    std::vector<double> ms, queued;
    for (int k = 0; k < 1000; ++k) {
        queuedPending = true;
        edit->setText(k % 2 ? QStringLiteral("1.5") : QStringLiteral("-2.5"));
        t.start();
        startNs = SteadyNs();
        waiting = true;
        page->fields().Commit(QStringLiteral("LeftRContrastEdit"));
        // The controller's acceptance ends the commit; the first byte arrived during its wait.
        while (waiting) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        ms.push_back(double(firstByteNs) / 1e6);
        queued.push_back(queuedMs);
    }
    std::printf("commit: colour field to its first piece written to the port: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                Percentile(queued, 0.5), Percentile(queued, 0.99), Percentile(queued, 1.0));
    for (const QString& m : wall.op.messages) std::printf("message: %s\n", qPrintable(m));
    std::printf("commit: colour field to first byte at the unit's end of the line (controller, 57600 baud): p50 "
                "%.3f ms, p99 %.3f ms, max %.3f ms (%zu commits, %lld messages)\n",
                Percentile(ms, 0.5), Percentile(ms, 0.99), Percentile(ms, 1.0), ms.size(),
                static_cast<long long>(wall.op.messages.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("all");
    // The clock compression of the balance: 0.05 (the default) runs the 10 simulated minutes in 30 s.
    const double scale = argc > 2 ? std::clamp(QString::fromLocal8Bit(argv[2]).toDouble(), 0.001, 1.0) : 0.05;
    if (what == "balance" || what == "all") Balance(scale);
    if (what == "commit" || what == "all") Commit();
    return 0;
}
