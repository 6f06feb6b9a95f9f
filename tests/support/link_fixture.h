#pragma once
// A program-side link (serial port, link, builders, link controller) talking over real
// pseudo-terminals to simulated units in the same event loop. Shared by the command and the
// connection tests.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <memory>

#include "link/commands.h"
#include "link/connection.h"
#include "link/link.h"
#include "operations/session.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "clock_scale.h"
#include "scripted_operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"
#include "sim/simulator.h"

namespace kalvora::testing {

// The pages' side of the builders' read-backs, as each test sets it.
struct TestReadBackView final : ReadBackView {
    std::function<void()> outputs, inputs, seams;
    std::function<void(int)> colours;
    std::function<int()> channel = [] { return 1; };
    void showOutputs() override { if (outputs) outputs(); }
    void showInputs() override { if (inputs) inputs(); }
    void showInputColours(int n) override { if (colours) colours(n); }
    int shownInputChannel() const override { return channel(); }
    void showSeams() override { if (seams) seams(); }
};

// The window's side of the connection steps, as each test sets it.
struct TestConnectionView final : ConnectionView {
    int planned = 0;
    int working = 1;
    std::function<void(int)> countKnown;
    std::function<void()> unitsRead, dropped;
    int plannedProjectors() const override { return planned; }
    int workingProjectors() const override { return working; }
    void unitCountKnown(int count) override { if (countKnown) countKnown(count); }
    void showUnitsRead() override { if (unitsRead) unitsRead(); }
    void linkDropped() override { if (dropped) dropped(); }
};

// Sleeps in the event loop (5 ms at a time) until `done` holds or `realMs` have passed.
inline bool WaitUntil(const std::function<bool()>& done, int realMs = 5000)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(realMs);
    while (!done()) {
        if (!deadline.isActive()) return false;
        QEventLoop loop;
        QTimer::singleShot(5, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The controller frame of a command text, computed here independently of the link.
inline QByteArray PassFrame(const QByteArray& text)
{
    unsigned sum = 0;
    for (unsigned char c : text) sum += c;
    return "PASS " + text + QByteArray::number(sum % 256, 16).toUpper().rightJustified(2, '0') + "\r\r";
}

inline std::unique_ptr<sim::Simulator> StartSim(sim::PortMode mode, std::vector<int> ids = {1, 2})
{
    sim::SimConfig config;
    config.mode = mode;
    config.ids = std::move(ids);
    auto s = std::make_unique<sim::Simulator>(config);
    QString error;
    EXPECT_TRUE(s->start(&error)) << error.toStdString();
    return s;
}

class LinkFixture : public ::testing::Test {
protected:
    // A probe waits 10 ticks of 55 ms: at a scale of 0.1 that is 55 ms, long enough for a
    // simulated unit to answer on a loaded machine (at 0.01 a busy scheduler loses probes).
    // No test here waits for a timeout that does not end at once, so this stays fast.
    ClockScale scale_{0.1};

    // COM1 and COM2 are the given simulators' pseudo-terminals; a null one is no port at all.
    void Cable(sim::Simulator* com1, sim::Simulator* com2)
    {
        port.setDevice(1, com1 ? com1->slavePath() : QString());
        port.setDevice(2, com2 ? com2->slavePath() : QString());
    }

    // Connects with the menu command of the simulator's mode, declining the read.
    void Connect(sim::Simulator& s)
    {
        Cable(&s, nullptr);
        op.answer(false);
        if (s.mode() == sim::PortMode::Controller)
            controller.connectThroughController();
        else
            controller.connectDirectly();
        ASSERT_TRUE(link.linkUp());
        ASSERT_TRUE(WaitUntil([&] { return s.isIdle(); }));
        s.log().clear();
        op.clear();
    }

    // Waits until the simulator has received `bytes` more than it had and has answered.
    bool SettleAfter(sim::Simulator& s, int expectedBytes)
    {
        return WaitUntil([&] { return s.received().size() >= expectedBytes && s.isIdle(); });
    }

    ScriptedOperator op;
    TestReadBackView pages;
    TestConnectionView connectionView;
    Session session{op, pages, connectionView, Session::Traffic::NotRecorded};
    MainFlags& flags = session.flags();
    Settings& settings = session.settings();
    SerialPort& port = session.port();
    Link& link = session.link();
    CommandSet& commands = session.commands();
    LinkController& controller = session.linkController();
};

}  // namespace kalvora::testing
