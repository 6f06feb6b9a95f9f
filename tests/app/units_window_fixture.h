#pragma once
// A main window started against a simulated controller with two units whose RS-485 IDs (3 and 7)
// differ from their unit numbers, as the operator starts it: the search question answered Yes
// at start-up, the offer to read answered as the test says.

#include <QtTest/QTest>
#include <functional>
#include <memory>

#include "clock_scale.h"
#include "sim/simulator.h"
#include "window_fixture.h"

namespace kalvora::testing {

class UnitsWindowTest : public WindowTest {
protected:
    // A probe waits 10 ticks of 55 ms: a tenth keeps every wait short and the probes reliable.
    ClockScale scale_{0.1};

    // Shows the window connected to new units, read from them when `read`; `prepare` sets what the
    // units hold before that. Called again, it starts over with a new window.
    void startWithUnits(bool read = true, const std::function<void(sim::Simulator&)>& prepare = {})
    {
        if (simulator) {
            form = std::make_unique<TKalvoraForm>(op);
            simulator.reset();
        }
        sim::SimConfig config;
        config.mode = sim::PortMode::Controller;
        config.ids = {3, 7};
        simulator = std::make_unique<sim::Simulator>(config);
        QString error;
        ASSERT_TRUE(simulator->start(&error)) << error.toStdString();
        if (prepare) prepare(*simulator);
        form->setComDevices(simulator->slavePath(), QString());
        op.clear();
        op.answerAll({true, read});
        {
            // The search and the read wait for the units' answers: on a loaded machine, or under
            // the sanitizers, a tenth of the probe's wait can end before the answer comes, so the
            // connection runs on the clock's own time (it costs nothing when the answers come).
            ClockScale connecting{1.0};
            showAndSettle();
        }
        ASSERT_TRUE(form->LinkEstablished());
        if (read) {
            ASSERT_TRUE(form->settings().StatusReadAvailable) << op.messages().join(" | ").toStdString();
        }
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        simulator.reset();
    }

    std::unique_ptr<sim::Simulator> simulator;
};

}  // namespace kalvora::testing
