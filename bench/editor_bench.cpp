// Figures of the editor pages in the main window against simulated units behind a controller
// (two units, 8 projectors) on a pseudo-terminal, at the real clock:
//   commit    from the focus leaving Black6Edit to the first byte of its BLKGN at the unit
//             (target: under 5 ms at the 99th percentile)
//   refill    FillDisplayPage plus SyncPlanningFromRecords after a read (target: under 20 ms),
//             and the repaints a refill of unchanged records causes (target: none)
//   hold      an arrow held down for 10 s: steps, commands on the line, the longest time the
//             window went without painting while steps waited for the units (target: < 50 ms)
// Usage: kalvora-bench-editors [commit|refill|hold|all]
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/main_window.h"
#include "editors/display_setup_page.h"
#include "editors/spin_arrows.h"
#include "editors/planning_page.h"
#include "platform/clock.h"
#include "platform/gui/named_widget.h"
#include "platform/operator.h"
#include "sim/simulator.h"
#include "threaded_sim.h"

using namespace kalvora;
using Clock = std::chrono::steady_clock;

namespace {

class BenchOperator : public Operator {
public:
    void showMessage(const QString& text, const QString&) override { messages << text; }
    bool askYesNo(const QString&, const QString&) override { return true; }  // search, read
    bool askOkCancel(const QString&, const QString&) override { return true; }
    bool askRetryCancel(const QString&, const QString&) override { return false; }
    void setStatus(const QString&) override {}
    void setBusy(bool) override {}
    QStringList messages;
};

void Settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

void Report(const char* what, std::vector<double> v, const char* unit)
{
    if (v.empty()) return;
    std::sort(v.begin(), v.end());
    const auto at = [&](double q) { return v[std::min(v.size() - 1, static_cast<size_t>(q * v.size()))]; };
    std::printf("  %s: median %.2f %s, p99 %.2f %s, max %.2f %s (%zu samples)\n", what, at(0.5), unit, at(0.99), unit,
                v.back(), unit, v.size());
}

sim::SimConfig TwoUnitsBehindAController()
{
    sim::SimConfig config;
    config.mode = sim::PortMode::Controller;
    config.ids = {1, 2};
    return config;
}

struct Rig {
    Rig()
    {
        form = std::make_unique<TKalvoraForm>(op);
        form->setComDevices(sim->slavePath(), QString());
        form->show();
        QElapsedTimer t;
        t.start();
        while (!form->settings().StatusReadAvailable && t.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        if (!form->LinkEstablished() || !form->settings().StatusReadAvailable) {
            std::fprintf(stderr, "no link to the simulated units\n");
            std::exit(1);
        }
        form->activateWindow();
        form->pages()->setCurrentWidget(form->displayPage());
        Settle(200);
    }
    ~Rig() { form.reset(); }
    void onSim(const std::function<void()>& work) { sim.onSim(work); }
    QLineEdit* edit(const char* name) { return FindNamed<QLineEdit>(form.get(), QString::fromLatin1(name)); }
    BenchOperator op;
    ThreadedSim sim{TwoUnitsBehindAController()};
    std::unique_ptr<TKalvoraForm> form;
};

void BenchCommit(Rig& rig)
{
    FindNamed<QTabWidget>(rig.form.get(), QStringLiteral("ScreenPageControl"))->setCurrentIndex(1);
    QLineEdit* black = rig.edit("Black6Edit");
    QWidget* away = FindNamed<QWidget>(rig.form.get(), QStringLiteral("TestPattern6ComboBox"));
    // The bytes are on the line once the port has handed them to the device; the simulated
    // units' log tells when they read the first of them.
    Clock::time_point firstWrite{};
    QObject::connect(&rig.form->port(), &SerialPort::bytesSent, [&] {
        if (firstWrite == Clock::time_point{}) firstWrite = Clock::now();
    });
    std::vector<double> ms, seen;
    for (int i = 0; i < 300; ++i) {
        black->setFocus();
        Settle(2);
        black->setText(QString::number(i % 256));
        rig.onSim([&] { rig.sim->log().clear(); });
        firstWrite = {};
        const auto start = Clock::now();
        away->setFocus();  // the commit runs, with its whole transaction
        if (firstWrite != Clock::time_point{}) ms.push_back(std::chrono::duration<double, std::milli>(firstWrite - start).count());
        rig.onSim([&] {
            for (const auto& e : rig.sim->log().entries()) {
                if (e.direction != sim::TrafficLog::Direction::Received) continue;
                seen.push_back(std::chrono::duration<double, std::milli>(e.time - start).count());
                break;
            }
        });
    }
    std::printf("commit to the first byte of BLKGN (target p99 < 5 ms):\n");
    Report("written to the line", ms, "ms");
    Report("read by the simulated units", seen, "ms");
}

// Counts the paints of the controls below a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    std::vector<Clock::time_point> times;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            ++paints;
            times.push_back(Clock::now());
        }
        return false;
    }
};

// One refill of the Display Setup page and the planning sync, timed, over records that change
// on every other refill.
std::vector<double> TimeRefills(Rig& rig, int projectors)
{
    DisplaySetupPage* display = rig.form->displayPage();
    PlanningPage* planning = rig.form->planningPage();
    Settings& s = rig.form->settings();
    const Settings read = s;
    std::vector<double> ms;
    for (int i = 0; i < 100; ++i) {
        for (int u = 1; u <= 2; ++u)
            for (int k = 1; k <= 4; ++k) {
                OutputScreenRecord& r = s.output(u, k);
                const OutputScreenRecord& o = read.output(u, k);
                r.TotalProjectors = static_cast<uint8_t>(projectors);
                r.BlackLevel = static_cast<uint8_t>(i % 2 ? 40 + k : o.BlackLevel);
                r.LeftGamma = i % 2 ? 3.3f : o.LeftGamma;
                r.LeftHaloWidth = i % 2 ? 10 + k : o.LeftHaloWidth;
                r.TestPattern = static_cast<uint8_t>(i % 2 ? k : o.TestPattern);
            }
        const auto start = Clock::now();
        {
            FlagGuard filling(rig.form->flags().FormFilling, true);
            planning->SyncPlanningFromRecords(false);
            display->FillDisplayPage();
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        QCoreApplication::processEvents();
    }
    s = read;
    FlagGuard filling(rig.form->flags().FormFilling, true);
    planning->SyncPlanningFromRecords(false);
    display->FillDisplayPage();
    return ms;
}

void BenchRefill(Rig& rig)
{
    std::printf("FillDisplayPage + SyncPlanningFromRecords (target < 20 ms):\n");
    Report("4 projectors", TimeRefills(rig, 4), "ms");
    // At eight projectors the sync's two-unit check asks the controller (NTN) each time: the
    // controller's own time to answer is part of the figure.
    Report("8 projectors, NTN answered after the simulator's 20 ms", TimeRefills(rig, 8), "ms");
    rig.onSim([&] { rig.sim->setThinkMs(0); });
    Report("8 projectors, NTN answered at once", TimeRefills(rig, 8), "ms");
    rig.onSim([&] { rig.sim->setThinkMs(20); });
    Settle(300);

    // A refill of the same records repaints nothing on the page.
    DisplaySetupPage* display = rig.form->displayPage();
    PaintCounter counter;
    const auto controls = display->findChildren<QWidget*>();
    for (QWidget* w : controls) w->installEventFilter(&counter);
    {
        FlagGuard filling(rig.form->flags().FormFilling, true);
        display->FillDisplayPage();
    }
    Settle(200);
    for (QWidget* w : controls) w->removeEventFilter(&counter);
    std::printf("  Display Setup controls repainted by a refill of unchanged records: %d (target 0)\n", counter.paints);
}

// Repaints a small widget every 10 ms; the gaps between its paints tell how long the window
// went without painting.
class Probe : public QWidget {
public:
    explicit Probe(QWidget* parent) : QWidget(parent)
    {
        setGeometry(0, 0, 4, 4);
        connect(&timer, &QTimer::timeout, this, [this] { update(); });
        timer.start(10);
    }
    std::vector<Clock::time_point> paints;
    QTimer timer;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), Qt::gray);
        paints.push_back(Clock::now());
    }
};

void BenchHold(Rig& rig)
{
    FindNamed<QTabWidget>(rig.form.get(), QStringLiteral("ScreenPageControl"))->setCurrentIndex(0);
    QLineEdit* black = rig.edit("Black1Edit");
    black->setText(QStringLiteral("0"));
    auto* spin = FindNamed<SpinArrows>(rig.form.get(), QStringLiteral("Black1UpDown"));
    Probe probe(rig.form.get());
    probe.show();
    Settle(100);
    rig.onSim([&] { rig.sim->log().clear(); });
    probe.paints.clear();
    QTest::mousePress(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, 2));
    Settle(10000);
    QTest::mouseRelease(spin, Qt::LeftButton, {}, QPoint(spin->width() / 2, 2));
    const int reached = black->text().toInt();
    const auto released = Clock::now();
    Settle(1500);
    int frames = 0;
    QByteArray received;
    rig.onSim([&] { received = rig.sim->log().received(); });
    for (int from = 0; (from = received.indexOf("BLKGN", from)) >= 0; ++from) ++frames;
    std::vector<double> gaps;
    for (size_t i = 1; i < probe.paints.size(); ++i)
        if (probe.paints[i] <= released)
            gaps.push_back(std::chrono::duration<double, std::milli>(probe.paints[i] - probe.paints[i - 1]).count());
    std::printf("arrow held 10 s:\n  steps %d, BLKGN on the line %d (equal: nothing queued), after the release %s\n",
                reached, frames, black->text().toInt() == reached ? "no further step" : "FURTHER STEPS");
    Report("time between repaints while held (target < 50 ms)", gaps, "ms");
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLatin1(argv[1]) : QStringLiteral("all");
    clock::setScale(1.0);
    Rig rig;
    const bool all = what == QLatin1String("all");
    if (all || what == QLatin1String("commit")) BenchCommit(rig);
    if (all || what == QLatin1String("refill")) BenchRefill(rig);
    if (all || what == QLatin1String("hold")) BenchHold(rig);
    if (!rig.op.messages.isEmpty())
        std::printf("messages shown: %s\n", qPrintable(rig.op.messages.join(QStringLiteral(" | "))));
    return 0;
}
