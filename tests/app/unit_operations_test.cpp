// The window's operations on whole units against simulated units over a pseudo-terminal: the
// read with its messages and the unit count shown before the units are read, the factory reset
// with its question, its information window and the menus closed meanwhile, the system save.
#include <gtest/gtest.h>

#include <QLabel>

#include "app/secondary_windows.h"
#include "editors/planning_page.h"
#include "support/link_fixture.h"
#include "link/connection.h"
#include "link/queries.h"
#include "platform/clock.h"
#include "sim/simulator.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

class UnitOperationsTest : public WindowTest {
protected:
    void SetUp() override
    {
        savedScale = clock::scale();
        clock::setScale(0.1);  // a probe must see the simulator's answer on a loaded machine
        WindowTest::SetUp();
        form->setSecondaryWindows(&info, nullptr);
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        simulator.reset();
        clock::setScale(savedScale);
    }
    // A simulator on COM1, connected with the menu command of its mode, the read declined.
    void Connect(sim::PortMode mode, std::vector<int> ids = {3, 7})
    {
        sim::SimConfig config;
        config.mode = mode;
        config.ids = std::move(ids);
        config.thinkMs = 0;
        simulator = std::make_unique<sim::Simulator>(config);
        ASSERT_TRUE(simulator->start());
        form->setComDevices(simulator->slavePath(), QString());
        // The plan is initialised as at the first show (the overlap width's bounds with it).
        {
            FlagGuard filling(form->flags().FormFilling);
            form->planningPage()->InitialisePlan();
        }
        op.answer(false);
        form->menuItem(mode == sim::PortMode::Controller ? "TornelconnectedthruController1"
                                                         : "TornelconnectedtoSerialPortdirectly1")
            ->trigger();
        ASSERT_TRUE(form->LinkEstablished());
        ASSERT_TRUE(RunUntil([&] { return simulator->isIdle(); }));
        simulator->log().clear();
        op.clear();
        clock::setScale(0.02);
    }
    QString label(const char* name) { return find<QLabel>(name)->text(); }

    double savedScale = 1.0;
    TInfoForm info;
    std::unique_ptr<sim::Simulator> simulator;
};

TEST_F(UnitOperationsTest, ReadShowsTheUnitCountFirstAndEachFailureItsMessage)
{
    struct Case {
        const char* name;
        sim::PortMode mode;
        std::vector<int> ids;
        std::function<void(sim::Simulator&)> spoil;  // run once the unit count is known
        QStringList messages;
        QString count;  // NumOfTornelDetectedLabel afterwards
        int unitsRead;  // SYINFOTN requests seen
    };
    const Case cases[] = {
        {"direct", sim::PortMode::Direct, {}, nullptr, {}, "1", 1},
        {"two units", sim::PortMode::Controller, {3, 7}, nullptr, {}, "2", 2},
        {"no unit behind the controller", sim::PortMode::Controller, {}, nullptr,
         {kMsgNoUnits, kMsgNotDetectedByController}, "0", 0},
        // The unit answers its system information, then nothing: each query times out once
        // and is tried once more.
        {"unit 1 silent", sim::PortMode::Direct, {}, [](sim::Simulator& s) { s.faults().dead = true; },
         {kMsgTimeout, kMsgTimeout, kMsgUnit1CommError}, "1", 1},
        // The controller reports that unit 2 does not answer, to the first query and its retry.
        {"unit 2 gone", sim::PortMode::Controller, {3, 7}, nullptr,
         {kMsgControllerNoResponse, kMsgControllerNoResponse, kMsgUnit2CommError}, "2", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form = std::make_unique<TKalvoraForm>(op);
        form->setSecondaryWindows(&info, nullptr);
        clock::setScale(0.1);
        Connect(c.mode, c.ids);
        QString countWhenFirstUnitRead = "never";
        int systemInfoRequests = 0;
        QObject::connect(simulator.get(), &sim::Simulator::requestHandled, [&](const QByteArray& line) {
            // Unit 2 stops answering once unit 1 has been read.
            if (QByteArray(c.name) == "unit 2 gone" && line.contains("*3OINFOTN 4")) {
                simulator->faults().errorNext = 1000;
                simulator->faults().errorCode = '4';
            }
            if (!line.contains("SYINFOTN")) return;
            if (++systemInfoRequests == 1) {
                countWhenFirstUnitRead = label("NumOfTornelDetectedLabel");
                if (c.spoil) c.spoil(*simulator);
            }
        });
        form->menuItem("ReadfromTornels1")->trigger();

        // The planning page's own warnings about the units' wall are not this test's business.
        QStringList messages = op.messages();
        messages.removeIf([](const QString& m) { return m.startsWith("Warning. "); });
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(simulator->received().contains("NTN"), c.mode == sim::PortMode::Controller);
        EXPECT_EQ(systemInfoRequests, c.unitsRead);
        if (c.unitsRead > 0) {
            EXPECT_EQ(countWhenFirstUnitRead, c.count);
        }
        EXPECT_EQ(label("NumOfTornelDetectedLabel"), c.count);
        EXPECT_TRUE(form->statusText().isEmpty()) << form->statusText().toStdString();
        EXPECT_TRUE(op.statuses().contains(kStatusQuerying));
        // Only a complete read refills the pages.
        EXPECT_EQ(label("HActiveLabel") != "N/A", c.messages.isEmpty());
        EXPECT_FALSE(form->flags().FormFilling);
        op.clear();
        form.reset();
        simulator.reset();
    }
}

TEST_F(UnitOperationsTest, FactoryResetAsksAndClosesTheMenusMeanwhile)
{
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        form = std::make_unique<TKalvoraForm>(op);
        form->setSecondaryWindows(&info, nullptr);
        clock::setScale(0.1);
        Connect(sim::PortMode::Controller);
        form->flags().UnitCount = 2;
        QStringList seenDuringReset;
        QObject::connect(simulator.get(), &sim::Simulator::requestHandled, [&](const QByteArray&) {
            seenDuringReset << QString("%1 %2 %3")
                                   .arg(form->menuItem("File1")->isEnabled())
                                   .arg(form->menuItem("Search1")->isEnabled())
                                   .arg(info.isVisible() ? info.text() : QString("hidden"));
        });
        op.answer(yes);
        form->ResetButtonClick();

        ASSERT_EQ(op.questions().size(), 1);
        EXPECT_EQ(op.events.front().title, kTitleFactoryReset);
        EXPECT_EQ(op.questions().front(), kQuestionFactoryReset);
        ASSERT_TRUE(RunUntil([&] { return simulator->isIdle(); }));
        if (yes) {
            EXPECT_EQ(simulator->received(), PassFrame("*3RESETTN F!") + PassFrame("*7RESETTN F!"));
            EXPECT_EQ(seenDuringReset, QStringList(2, "0 0 " + kInfoResetInProgress));
        } else {
            EXPECT_TRUE(simulator->received().isEmpty());
        }
        EXPECT_TRUE(form->menuItem("File1")->isEnabled());
        EXPECT_TRUE(form->menuItem("Search1")->isEnabled());
        EXPECT_FALSE(info.isVisible());
        EXPECT_FALSE(form->flags().EditorBusy);
        op.clear();
        form.reset();
        simulator.reset();
    }
}

TEST_F(UnitOperationsTest, SystemSaveGoesToEachUnitWithoutAQuestion)
{
    Connect(sim::PortMode::Controller);
    form->flags().UnitCount = 2;
    form->SystemSaveButtonClick();
    ASSERT_TRUE(RunUntil([&] { return simulator->isIdle(); }));
    EXPECT_EQ(simulator->received(), PassFrame("*3SYSAVE!") + PassFrame("*7SYSAVE!"));
    EXPECT_TRUE(op.questions().isEmpty());
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_FALSE(form->flags().EditorBusy);

    // Another operation running: nothing is sent.
    simulator->log().clear();
    form->flags().EditorBusy = true;
    form->SystemSaveButtonClick();
    form->ResetButtonClick();
    EXPECT_TRUE(op.questions().isEmpty());
    EXPECT_TRUE(form->flags().EditorBusy);
    form->flags().EditorBusy = false;
    EXPECT_TRUE(simulator->received().isEmpty());
}

}  // namespace
}  // namespace kalvora::testing
