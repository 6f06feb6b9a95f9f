// No operation on the units starts inside another one's wait or pause: the menu and an editor
// commit, used at that moment, are refused; the waiting operation goes on undisturbed.
// Also: Cancel in the direct recovery dialog ends the program before anything else is sent.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QTimer>

#include "support/link_fixture.h"
#include "link/queries.h"
#include "editors/planning_page.h"
#include "platform/clock.h"
#include "qt_print.h"
#include "sim/simulator.h"
#include "window_fixture.h"

namespace kalvora::testing {
namespace {

class WaitGuardTest : public WindowTest {
protected:
    void TearDown() override
    {
        WindowTest::TearDown();
        simulator.reset();
        clock::setScale(savedScale);
    }
    // A fresh window connected to a fresh simulator of `mode` (units 1 and 2, or only 1).
    void connect(sim::PortMode mode, std::vector<int> ids)
    {
        form.reset();
        simulator.reset();
        sim::SimConfig config;
        config.mode = mode;
        config.ids = std::move(ids);
        simulator = std::make_unique<sim::Simulator>(config);
        QString error;
        ASSERT_TRUE(simulator->start(&error)) << error.toStdString();
        form = std::make_unique<TKalvoraForm>(op);
        form->ExitProgram = [this](int status) { exits << status; };
        form->setComDevices(simulator->slavePath(), QString());
        op.answer(false);  // no read after connecting
        form->menuItem(mode == sim::PortMode::Controller ? "TornelconnectedthruController1"
                                                         : "TornelconnectedtoSerialPortdirectly1")
            ->trigger();
        ASSERT_TRUE(form->LinkEstablished());
        ASSERT_TRUE(RunUntil([this] { return simulator->isIdle(); }));
        simulator->log().clear();
        op.clear();
    }
    double savedScale = clock::scale();
    std::unique_ptr<sim::Simulator> simulator;
    QList<int> exits;
};

TEST_F(WaitGuardTest, MenuAndEditorAreRefusedDuringEveryKindOfWaitAndPause)
{
    struct Case {
        const char* name;
        sim::PortMode mode;
        std::vector<int> ids;
        double scale;  // each pause lasts about 100 ms real
        std::function<void(sim::Simulator&)> fault;
        std::function<void(TKalvoraForm&)> run;
        // True while the operation is in the wait or pause this case is about.
        std::function<bool(TKalvoraForm&, sim::Simulator&)> inPause;
        QByteArray wire;  // everything the line carries
    };
    const QString working = QStringLiteral("5 Projectors");
    const Case cases[] = {
        {"reply wait of a controller command", sim::PortMode::Controller, {3, 7}, 0.1,
         [](sim::Simulator& s) { s.setThinkMs(1000); },
         [](TKalvoraForm& f) { EXPECT_TRUE(f.commands().SendBlackLevel(1, 2, 30)); },
         [](TKalvoraForm& f, sim::Simulator&) { return f.link().awaitingReply(); },
         PassFrame("*3BLKGN 2 30!")},
        {"resend pause", sim::PortMode::Controller, {3, 7}, 0.1,
         [](sim::Simulator& s) { s.faults().rejectNext = 1; },
         [](TKalvoraForm& f) { EXPECT_TRUE(f.commands().SendBlackLevel(1, 2, 30)); },
         [](TKalvoraForm& f, sim::Simulator&) { return f.statusText() == kStatusResending; },
         PassFrame("*3BLKGN 2 30!") + PassFrame("*3BLKGN 2 30!")},
        {"post-wait after the acceptance", sim::PortMode::Controller, {3, 7}, 0.25, [](sim::Simulator&) {},
         [](TKalvoraForm& f) { EXPECT_TRUE(f.commands().SendDisplayLayout(1, 0, 64)); },
         [](TKalvoraForm& f, sim::Simulator&) {
             return !f.link().awaitingReply() && f.statusText() == kStatusSending;
         },
         PassFrame("*3DISP 0 64!")},
        {"parse pause of a query", sim::PortMode::Controller, {3, 7}, 1.0,
         [](sim::Simulator& s) {
             s.faults().noiseNext = 1;
             s.faults().noise = QByteArray(40, 'z');  // pushes the block past where it may start
         },
         [](TKalvoraForm& f) { EXPECT_FALSE(QueryOutput(f.link(), f.settings(), 1, 1)); },
         [](TKalvoraForm& f, sim::Simulator&) { return f.statusText() == kStatusParseOutput; },
         "TNQUERY *3OINFOTN 1!\r"},
        {"pause of the two-unit check", sim::PortMode::Controller, {3}, 0.1, [](sim::Simulator&) {},
         [](TKalvoraForm& f) { EXPECT_FALSE(f.linkController().checkTwoUnits()); },
         [](TKalvoraForm& f, sim::Simulator& s) {
             return s.received() == "NTN\r" && !f.link().awaitingReply();
         },
         "NTN\rNTN\r"},
        {"prompt wait of a direct command", sim::PortMode::Direct, {1}, 0.1,
         [](sim::Simulator& s) { s.setThinkMs(1000); },
         [](TKalvoraForm& f) { EXPECT_TRUE(f.commands().SendDataDoubling(1, 1)); },
         [](TKalvoraForm& f, sim::Simulator&) { return f.port().isWaiting(); }, "DDBL 1\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clock::setScale(c.scale);
        connect(c.mode, c.ids);
        FindNamed<QComboBox>(form.get(), "NumOfScreenComboBox")->setCurrentText(working);
        c.fault(*simulator);
        const uint8_t blackBefore = form->settings().output(2, 3).BlackLevel;

        // Polls every millisecond; the entry points are used once the case's pause has held
        // for two polls in a row (so it is a pause, not the last moment of the wait before it).
        int held = 0;
        bool fired = false, editorResult = true;
        QTimer poll;
        poll.setTimerType(Qt::PreciseTimer);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (fired) return;
            held = form->link().insideWait() && c.inPause(*form, *simulator) ? held + 1 : 0;
            if (held < 2) return;
            fired = true;
            form->menuItem("ReadfromTornels1")->trigger();
            form->menuItem("SearchAll")->trigger();
            editorResult = form->commands().SendBlackLevel(2, 3, 77);  // as a field commit calls it
        });
        poll.start(1);
        c.run(*form);
        poll.stop();

        EXPECT_TRUE(fired) << "the pause was never seen";
        EXPECT_FALSE(editorResult);
        EXPECT_EQ(form->settings().output(2, 3).BlackLevel, blackBefore);
        ASSERT_TRUE(RunUntil([this] { return simulator->isIdle(); }));
        EXPECT_EQ(simulator->received(), c.wire);
        EXPECT_TRUE(form->LinkEstablished());
        EXPECT_TRUE(exits.isEmpty());
    }
}

// Cancel in the recovery dialog during PRJ ends the program there: the caller's next command
// (DISP, sent even though PRJ reported failure) goes nowhere, and no probe follows.
TEST_F(WaitGuardTest, CancelInTheRecoveryDialogEndsTheProgramBeforeAnythingElseIsSent)
{
    clock::setScale(0.1);
    connect(sim::PortMode::Direct, {1});
    clock::setScale(0.02);  // every wait from here on ends by its timeout
    simulator->faults().dead = true;
    op.defaultAnswer = false;  // Cancel
    EXPECT_FALSE(form->commands().SendProjectorCount(1, 2));
    EXPECT_EQ(exits, QList<int>{-1});
    const QByteArray sentByPrj = simulator->received();
    EXPECT_TRUE(sentByPrj.startsWith("PRJ 0 2\r"));

    EXPECT_FALSE(form->commands().SendDisplayLayout(1, 0, 64));
    EXPECT_FALSE(form->commands().SendBlackLevel(1, 1, 9));
    EXPECT_EQ(QueryUnitCount(form->link()), 0);
    form->menuItem("SearchAll")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(simulator->received(), sentByPrj);
    EXPECT_EQ(form->settings().output(1, 1).BlackLevel, 0);
    EXPECT_EQ(exits, QList<int>{-1});
    EXPECT_EQ(op.questions(), QStringList{kMsgComPortFailed});
}

}  // namespace
}  // namespace kalvora::testing
