#pragma once
#include <algorithm>
// A link on a real pseudo-terminal with a simulated unit or controller at the other end, in
// the test's own event loop.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
#include <memory>

#include "link/link.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "clock_scale.h"
#include "scripted_operator.h"
#include "settings/main_flags.h"
#include "settings/records.h"
#include "sim/simulator.h"

namespace kalvora::testing {

inline sim::SimConfig DirectUnit()
{
    sim::SimConfig c;
    c.mode = sim::PortMode::Direct;
    return c;
}

inline sim::SimConfig Controller(std::vector<int> ids)
{
    sim::SimConfig c;
    c.mode = sim::PortMode::Controller;
    c.ids = std::move(ids);
    return c;
}

// The rig's clock runs at 3 % of real time: a reply timeout is 240 ms, long enough for a
// loaded machine to deliver a reply, short enough for the tests that wait for timeouts.
constexpr double kRigClockScale = 0.03;

struct LinkRig {
    explicit LinkRig(sim::SimConfig config, double scale = kRigClockScale)
        : clockScale(scale), sim(std::make_unique<sim::Simulator>(config)), link(port, op, flags)
    {
        QString error;
        EXPECT_TRUE(sim->start(&error)) << error.toStdString();
        port.setDevice(1, sim->slavePath());
        port.setComNumber(1);
        const bool controller = config.mode == sim::PortMode::Controller;
        link.setThroughController(controller);
        link.setReplyEnd(controller ? '>' : '#');
        port.setBaud(controller ? 57600 : 38400);
        port.setFlowControl(controller ? FlowControl::RtsCts : FlowControl::None);
        EXPECT_TRUE(port.open()) << port.lastErrorText().toStdString();
        link.setLinkUp(true);
        // As after a connection: the controller has reported its units.
        if (controller) link.setUnitsReported(std::min<int>(int(config.ids.size()), 2));
    }

    // Lets the simulator finish whatever it still writes (echoes of dropped requests and the
    // like), so the traffic log is complete.
    void settle(int realMs = 20)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < realMs) QCoreApplication::processEvents(QEventLoop::AllEvents, realMs);
    }

    QByteArray received() const { return sim->received(); }

    ClockScale clockScale;
    std::unique_ptr<sim::Simulator> sim;
    SerialPort port;
    ScriptedOperator op;
    MainFlags flags;
    Link link;
    Settings settings;
};

// Every field of every record of one unit, compared through the records' field tables.
inline void ExpectUnitEquals(const Settings& s, int u, const sim::SimUnit& unit)
{
    for (int i = 1; i <= 4; ++i) {
        for (const FieldDesc& f : kInputFields)
            for (int e = 0; e < f.count; ++e)
                EXPECT_EQ(ReadFieldValue(RecordBytes(s.input(u, i)), f, e), ReadFieldValue(RecordBytes(unit.input(i)), f, e))
                    << "unit " << u << " input " << i << " " << f.name;
        for (const FieldDesc& f : kOutputFields)
            for (int e = 0; e < f.count; ++e)
                EXPECT_EQ(ReadFieldValue(RecordBytes(s.output(u, i)), f, e),
                          ReadFieldValue(RecordBytes(unit.output(i)), f, e))
                    << "unit " << u << " output " << i << " " << f.name << "[" << e << "]";
    }
}

}  // namespace kalvora::testing
