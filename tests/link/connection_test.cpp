// Finding the units and connecting: the search of both modes over COM1 and COM2 (simulated
// units and controllers on pseudo-terminals), the connection commands, the two-unit check,
// the disconnect and the baud and parity choices.
#include <gtest/gtest.h>

#include <QSerialPort>

#include "support/link_fixture.h"
#include "link/queries.h"

namespace kalvora {
namespace {

using sim::PortMode;
using testing::LinkFixture;
using testing::ScriptedOperator;
using testing::StartSim;
using testing::WaitUntil;

std::unique_ptr<sim::Simulator> DeadLine()
{
    auto s = StartSim(PortMode::Direct);
    s->faults().dead = true;
    return s;
}

QByteArray ConfigImageOf(const Settings& s)
{
    QByteArray image;
    for (int u = 1; u <= 2; ++u) {
        image.append(reinterpret_cast<const char*>(s.InputRecords[u].data()), sizeof(s.InputRecords[u]));
        image.append(reinterpret_cast<const char*>(s.OutputRecords[u].data()), sizeof(s.OutputRecords[u]));
    }
    return image;
}

bool HasQuestion(const ScriptedOperator& op, const QString& title, const QString& text)
{
    for (const auto& e : op.events)
        if (e.kind == ScriptedOperator::Event::YesNo && e.title == title && e.text == text) return true;
    return false;
}

using Connection = LinkFixture;

TEST_F(Connection, DirectUnitOnCom1)
{
    auto unit = StartSim(PortMode::Direct);
    auto other = StartSim(PortMode::Direct);
    Cable(unit.get(), other.get());
    int changes = 0;
    QObject::connect(&controller, &LinkController::stateChanged, [&] { ++changes; });
    op.answer(false);

    controller.searchAll();

    EXPECT_TRUE(link.linkUp());
    EXPECT_FALSE(controller.throughController());
    EXPECT_EQ(port.comNumber(), 1);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(controller.portNumberText(), "1");
    EXPECT_TRUE(op.statuses().contains(kStatusEstablishedOnCom + "1"));
    EXPECT_TRUE(HasQuestion(op, kTitleQuerySearchAll, kQuestionQuerySettings));
    EXPECT_TRUE(controller.connected());
    EXPECT_TRUE(controller.connected());
    EXPECT_EQ(port.baud(), 38400);
    EXPECT_EQ(controller.baudIndex(), 0);
    EXPECT_EQ(port.flowControl(), FlowControl::None);
    EXPECT_EQ(port.activeFlowControl(), FlowControl::None);
    EXPECT_EQ(link.replyEnd(), '#');
    EXPECT_TRUE(op.messages().isEmpty());
    EXPECT_EQ(unit->received(), QByteArray("\r"));
    EXPECT_TRUE(other->received().isEmpty());
    EXPECT_GT(changes, 0);
    EXPECT_FALSE(controller.searching());
}

// Yes to the question reads the unit at once.
TEST_F(Connection, YesReadsTheUnitsAfterConnecting)
{
    auto unit = StartSim(PortMode::Direct);
    Cable(unit.get(), nullptr);
    op.answer(true);
    controller.connectDirectly();
    ASSERT_TRUE(link.linkUp());
    EXPECT_TRUE(HasQuestion(op, kTitleQueryConnect, kQuestionQuerySettings));
    EXPECT_TRUE(unit->received().startsWith("\rSYINFOTN\rIINFOTN 1\r"));
    EXPECT_TRUE(settings.StatusReadAvailable);
    EXPECT_EQ(flags.UnitCount, 1);
    EXPECT_EQ(settings.input(1, 1).HActive, unit->unit(1).input(1).HActive);
    EXPECT_EQ(settings.output(1, 4).OutputFormat, unit->unit(1).output(4).OutputFormat);
}

// COM1 silent; the controller on COM2 answers only with '>', so the direct search fails and
// the controller search finds it.
TEST_F(Connection, ControllerOnCom2)
{
    auto silent = DeadLine();
    auto ctl = StartSim(PortMode::Controller, {3, 7});
    Cable(silent.get(), ctl.get());
    op.answer(true);

    controller.searchAll();

    ASSERT_TRUE(link.linkUp());
    EXPECT_TRUE(controller.throughController());
    EXPECT_EQ(port.comNumber(), 2);
    EXPECT_EQ(controller.portNumberText(), "2");
    for (const QString& s : op.statuses()) EXPECT_FALSE(s.startsWith(kStatusEstablishedOnCom));
    EXPECT_EQ(port.baud(), 57600);
    EXPECT_EQ(controller.baudIndex(), 1);
    EXPECT_EQ(port.flowControl(), FlowControl::RtsCts);
    EXPECT_EQ(port.requestedQtFlowControl(), QSerialPort::HardwareControl);
    EXPECT_EQ(port.activeFlowControl(), FlowControl::RtsCts);  // reopened for the controller
    EXPECT_EQ(link.replyEnd(), '>');
    EXPECT_TRUE(HasQuestion(op, kTitleQuerySearchAll, kQuestionQuerySettings));
    // Two probes of each port in direct mode, then COM1 twice more and COM2 once.
    EXPECT_EQ(silent->received(), QByteArray("\r\r\r\r"));
    // The controller names its units as soon as it is found, and the read asks again.
    EXPECT_TRUE(ctl->received().startsWith("\r\r\rNTN\rNTN\rTNQUERY *3SYINFOTN!\r"));
    // The read that followed: two units behind the controller, with their IDs.
    EXPECT_EQ(flags.UnitCount, 2);
    EXPECT_EQ(link.unitId(1), 3);
    EXPECT_EQ(link.unitId(2), 7);
    EXPECT_TRUE(ctl->received().contains("TNQUERY *7OINFOTN 4!\r"));
    EXPECT_EQ(settings.output(2, 2).ScreenGroup, ctl->unit(2).output(2).ScreenGroup);
    EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('|').toStdString();
}

TEST_F(Connection, NothingOnEitherPort)
{
    auto com1 = DeadLine();
    auto com2 = DeadLine();
    Cable(com1.get(), com2.get());

    controller.searchAll();

    EXPECT_FALSE(link.linkUp());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(op.messages(), QStringList{kMsgTornelsNotDetected});
    EXPECT_TRUE(op.questions().isEmpty());
    EXPECT_FALSE(controller.connected());
    EXPECT_EQ(controller.portNumberText(), "None");
    EXPECT_EQ(com1->received(), QByteArray("\r\r\r\r"));
    EXPECT_EQ(com2->received(), QByteArray("\r\r\r\r"));
    EXPECT_FALSE(link.operationRunning());
}

// The menu commands of one mode report their own failure texts.
TEST_F(Connection, ConnectionCommandsFailWithTheirOwnTexts)
{
    auto com1 = DeadLine();
    Cable(com1.get(), nullptr);
    controller.connectThroughController();
    controller.connectDirectly();
    EXPECT_EQ(op.messages(), (QStringList{kMsgControllerNotDetected, kMsgTornelNotDetected}));
    EXPECT_FALSE(link.linkUp());
    EXPECT_FALSE(port.isOpen());
}

TEST_F(Connection, BusyPortIsSkipped)
{
    auto com1 = StartSim(PortMode::Direct);
    auto com2 = StartSim(PortMode::Direct);
    Cable(com1.get(), com2.get());
    QSerialPort holder(com1->slavePath());
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
    op.answer(false);

    controller.searchAll();

    ASSERT_FALSE(op.messages().isEmpty());
    EXPECT_TRUE(op.messages().first().startsWith(
        "Note: COM Port #1 is not responding/being used by another application."));
    EXPECT_TRUE(link.linkUp());
    EXPECT_EQ(port.comNumber(), 2);
    EXPECT_EQ(controller.portNumberText(), "2");
    EXPECT_TRUE(com1->received().isEmpty());
    EXPECT_EQ(com2->received(), QByteArray("\r"));
}

// A plan of six projectors and one unit cabled directly.
TEST_F(Connection, SixPlannedProjectorsDirectly)
{
    struct Case {
        bool controlUnit1Only;
        bool established;
        QStringList messages;
    };
    const Case cases[] = {
        {true, true, {}},
        {false, false, {kMsgTwoUnitInstructions}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.controlUnit1Only);
        auto unit = StartSim(PortMode::Direct);
        Cable(unit.get(), nullptr);
        connectionView.planned = 6;
        int pageChanges = 0;
        connectionView.dropped = [&] { ++pageChanges; };
        op.clear();
        op.answerAll({c.controlUnit1Only, false});

        controller.connectDirectly();

        EXPECT_TRUE(HasQuestion(op, kTitleTwoUnitCheck, kQuestionControlOnlyUnit1));
        EXPECT_EQ(link.linkUp(), c.established);
        EXPECT_EQ(port.isOpen(), c.established);
        EXPECT_EQ(controller.connected(), c.established);
        EXPECT_EQ(op.messages(), c.messages);
        EXPECT_EQ(pageChanges, c.established ? 0 : 1);
        controller.disconnectUnits();
    }
}

TEST_F(Connection, SearchRefusesADirectUnitForATwoUnitPlan)
{
    auto unit = StartSim(PortMode::Direct);
    Cable(unit.get(), nullptr);
    connectionView.planned = 5;
    controller.searchAll();
    EXPECT_EQ(op.messages(), QStringList{kMsgTwoUnitsNeedController});
    EXPECT_FALSE(link.linkUp());
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(op.questions().isEmpty());
}

// Five projectors selected: through a controller both units must be there (asked twice, a
// second apart); directly it is refused at once.
TEST_F(Connection, FiveSelectedNeedsTwoUnits)
{
    struct Case {
        PortMode mode;
        std::vector<int> ids;
        bool result;
        QByteArray wire;
        QStringList messages;
    };
    const Case cases[] = {
        {PortMode::Controller, {3}, false, "NTN\rNTN\r", {kMsgMoreThanFourNeedsTwoUnits}},
        {PortMode::Controller, {3, 9}, true, "NTN\r", {}},
        {PortMode::Direct, {}, false, "", {kMsgMoreThanFourNeedsTwoUnits}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wire.toStdString());
        auto s = StartSim(c.mode, c.ids);
        connectionView.working = 1;
        Connect(*s);
        connectionView.working = 5;

        EXPECT_EQ(controller.checkTwoUnits(), c.result);
        EXPECT_EQ(s->received(), c.wire);
        EXPECT_EQ(op.messages(), c.messages);
        EXPECT_TRUE(link.linkUp());  // the caller reverts its own change
        EXPECT_TRUE(port.isOpen());
        controller.disconnectUnits();
    }
}

TEST_F(Connection, DisconnectEndsTheLink)
{
    auto unit = StartSim(PortMode::Direct);
    Connect(*unit);
    settings.StatusReadAvailable = true;
    int pageChanges = 0;
    connectionView.dropped = [&] { ++pageChanges; };

    controller.disconnectUnits();

    EXPECT_FALSE(link.linkUp());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(controller.connected());
    EXPECT_FALSE(controller.connected());
    EXPECT_FALSE(settings.StatusReadAvailable);
    EXPECT_EQ(pageChanges, 1);
    EXPECT_FALSE(port.lineMonitoring());
}

TEST_F(Connection, BaudChoicesLastUntilTheNextConnection)
{
    auto unit = StartSim(PortMode::Direct);
    Cable(unit.get(), nullptr);
    EXPECT_EQ(controller.baudChoice(), LinkController::BaudChoice::Default);
    EXPECT_TRUE(controller.baudFollowsMode());

    struct Pick {
        int baud;
        LinkController::BaudChoice checked;
    };
    const Pick picks[] = {
        {9600, LinkController::BaudChoice::B9600},
        {19200, LinkController::BaudChoice::B19200},
        {38400, LinkController::BaudChoice::B38400},
        {57600, LinkController::BaudChoice::B57600},
    };
    for (const Pick& p : picks) {
        controller.chooseBaud(p.checked);
        EXPECT_EQ(port.baud(), p.baud);
        EXPECT_EQ(controller.baudChoice(), p.checked);
        EXPECT_FALSE(controller.baudFollowsMode());
    }
    // With a rate picked, the mode switch keeps the baud box where it is and applies it.
    controller.chooseBaud(LinkController::BaudChoice::B9600);
    op.answer(false);
    controller.connectDirectly();
    EXPECT_EQ(port.baud(), 38400);
    EXPECT_EQ(controller.baudIndex(), 0);
    controller.disconnectUnits();
    controller.connectThroughController();  // nothing answers '>': fails
    EXPECT_EQ(controller.baudIndex(), 0);
    EXPECT_EQ(port.baud(), 38400);
    // Back to the defaults: the next mode switch follows the mode.
    controller.chooseBaud(LinkController::BaudChoice::Default);
    EXPECT_EQ(controller.baudChoice(), LinkController::BaudChoice::Default);
    EXPECT_EQ(port.baud(), 38400);  // not changed now
    controller.connectThroughController();
    EXPECT_EQ(controller.baudIndex(), 1);
    EXPECT_EQ(port.baud(), 57600);
}

TEST_F(Connection, ParityChoices)
{
    EXPECT_EQ(controller.parity(), Parity::None);
    struct Pick {
        Parity parity;
        QSerialPort::Parity qt;
    };
    const Pick picks[] = {
        {Parity::Odd, QSerialPort::OddParity},
        {Parity::Even, QSerialPort::EvenParity},
        {Parity::Mark, QSerialPort::MarkParity},
        {Parity::Space, QSerialPort::SpaceParity},
        {Parity::None, QSerialPort::NoParity},
    };
    for (const Pick& p : picks) {
        controller.chooseParity(p.parity);
        EXPECT_EQ(controller.parity(), p.parity);
        EXPECT_EQ(port.parity(), p.parity);
        EXPECT_EQ(port.requestedQtParity(), p.qt);
    }
    // The connection commands never change parity.
    controller.chooseParity(Parity::Even);
    auto unit = StartSim(PortMode::Direct);
    Cable(unit.get(), nullptr);
    op.answer(false);
    controller.connectDirectly();
    EXPECT_EQ(port.parity(), Parity::Even);
}

// Through a controller the default read asks NTN and reads every unit it reports.
TEST_F(Connection, DefaultReadThroughAController)
{
    auto ctl = StartSim(PortMode::Controller, {4});
    Connect(*ctl);
    int fills = 0;
    connectionView.unitsRead = [&] {
        EXPECT_TRUE(flags.FormFilling);
        ++fills;
    };
    EXPECT_TRUE(controller.readFromUnits());
    EXPECT_EQ(flags.UnitCount, 1);
    EXPECT_EQ(link.unitId(1), 4);
    EXPECT_TRUE(ctl->received().startsWith("NTN\rTNQUERY *4SYINFOTN!\r"));
    EXPECT_FALSE(ctl->received().contains("*2"));
    EXPECT_EQ(fills, 1);
    EXPECT_TRUE(op.status.isEmpty());

    // No unit behind the controller.
    auto empty = StartSim(PortMode::Controller, {});
    controller.disconnectUnits();
    Connect(*empty);
    EXPECT_FALSE(controller.readFromUnits());
    EXPECT_TRUE(op.messages().contains(kMsgNotDetectedByController));
    EXPECT_EQ(fills, 1);
}


// An adapter pulled between operations: the window goes to the disconnected state with one
// message, and a later read asks nothing and parses nothing of what an earlier reply left.
TEST_F(Connection, APortThatFailsWhileIdleEndsTheLinkLikeADisconnect)
{
    for (const PortMode mode : {PortMode::Controller, PortMode::Direct}) {
        SCOPED_TRACE(mode == PortMode::Controller ? "controller" : "direct");
        auto s = StartSim(mode);
        Connect(*s);
        ASSERT_TRUE(ReadAllUnits(link, settings));
        const int units = flags.UnitCount;
        const QByteArray records = ConfigImageOf(settings);
        int pageChanges = 0;
        connectionView.dropped = [&] { ++pageChanges; };
        op.clear();

        s.reset();  // the other end goes away while nothing waits
        ASSERT_TRUE(WaitUntil([&] { return !link.linkUp(); }));
        WaitUntil([] { return false; }, 30);  // anything still due arrives now

        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(controller.connected());
        EXPECT_FALSE(controller.connected());
        EXPECT_FALSE(settings.StatusReadAvailable);
        EXPECT_EQ(pageChanges, 1);
        EXPECT_EQ(op.messages(), QStringList{MsgPortNotResponding(1)});

        op.clear();
        EXPECT_EQ(QueryUnitCount(link), 0);
        EXPECT_FALSE(QueryOutput(link, settings, 1, 1));
        EXPECT_FALSE(ReadAllUnits(link, settings));
        EXPECT_EQ(flags.UnitCount, units);
        EXPECT_EQ(ConfigImageOf(settings), records);
        EXPECT_FALSE(link.operationRunning());
        connectionView.dropped = nullptr;
    }
}

// The hourglass is counted: a search or read started while it already shows gives it back
// to the operation that set it, which restores the arrow.
TEST_F(Connection, HourglassNestsSymmetrically)
{
    auto ctl = StartSim(PortMode::Controller);
    Connect(*ctl);
    op.clear();
    link.beginOperation();
    EXPECT_GT(controller.searchPorts(), 0);
    EXPECT_TRUE(ReadAllUnits(link, settings));
    EXPECT_TRUE(op.busy);
    link.endOperation();
    EXPECT_FALSE(op.busy);
    int on = 0, off = 0;
    for (const auto& e : op.events)
        if (e.kind == ScriptedOperator::Event::Busy) (e.answer ? on : off)++;
    EXPECT_EQ(on, 1);
    EXPECT_EQ(off, 1);
}

}  // namespace
}  // namespace kalvora
