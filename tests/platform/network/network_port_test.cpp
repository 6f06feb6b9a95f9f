// COM ports on a network serial server: ser2net in front of a simulated controller's
// pseudo-terminal, raw TCP and Telnet with COM port control. Search, full read, bulk send and a
// field edit put the same bytes on the units' line as over the local pseudo-terminal; line
// settings reach the pseudo-terminal through the COM port control; a server stopped mid-read, a
// server killed and restarted during any operation, a connection cut mid-send, a silent server
// and a port nobody listens on end like a pulled cable.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpServer>

#include "support/bulk_watch.h"
#include "support/link_fixture.h"
#include "operations/bulk_send.h"
#include "operations/record_values.h"
#include "platform/network_port_transport.h"
#include "ser2net_server.h"
#include "tcp_relay.h"

namespace kalvora::testing {
namespace {

using sim::PortMode;
using Mode = Ser2net::Mode;

std::string ModeName(const ::testing::TestParamInfo<Mode>& info)
{
    return info.param == Mode::Raw ? "Raw" : "Rfc2217";
}

// Settings that differ between the two units and between screens, as the units hold them.
void GiveUnitsDistinctValues(sim::Simulator& s)
{
    for (int id : {3, 7})
        for (int screen = 1; screen <= 4; ++screen) {
            s.unitById(id)->output(screen).BlackLevel = uint8_t(id * 10 + screen);
            s.unitById(id)->output(screen).LeftHaloWidth = uint8_t(id + screen);
            s.unitById(id)->input(screen).Phase = int16_t(id - screen);
        }
}

class NetworkPortTest : public LinkFixture, public ::testing::WithParamInterface<Mode> {
protected:
    void SetUp() override
    {
        if (Ser2net::Program().isEmpty()) GTEST_SKIP() << "ser2net is not installed (scripts/install-deps.sh installs it)";
    }

    std::unique_ptr<Ser2net> Serve(sim::Simulator& s)
    {
        auto server = std::make_unique<Ser2net>(s.slavePath(), GetParam());
        EXPECT_TRUE(server->start()) << server->error().toStdString();
        return server;
    }
    QString Scheme() const { return GetParam() == Mode::Raw ? "socket" : "rfc2217"; }

    // Connects to the controller on COM1 = `device` with the menu command, declining the read.
    void ConnectTo(const QString& device, sim::Simulator& s)
    {
        port.setDevice(1, device);
        port.setDevice(2, QString());
        op.answer(false);
        controller.connectThroughController();
        ASSERT_TRUE(link.linkUp()) << op.messages().join('\n').toStdString();
        ASSERT_TRUE(WaitUntil([&] { return s.isIdle(); }));
    }

    // Search of both modes with Yes to the read, a bulk send of changed records and one field
    // edit, on COM1 = `device`. The bytes the units' line received.
    QByteArray Session(const QString& device, sim::Simulator& s)
    {
        port.setDevice(1, device);
        port.setDevice(2, QString());
        op.answer(true);  // Yes: read the units
        controller.searchAll();
        EXPECT_TRUE(link.linkUp()) << op.messages().join('\n').toStdString();
        EXPECT_EQ(flags.UnitCount, 2);
        EXPECT_EQ(settings.output(2, 3).BlackLevel, 73);
        EXPECT_EQ(settings.output(1, 1).LeftHaloWidth, 4);
        EXPECT_EQ(settings.input(2, 4).Phase, 3);

        s.setThinkMs(0);
        for (int screen = 1; screen <= 4; ++screen) {
            settings.output(1, screen).BlackLevel = uint8_t(100 + screen);
            settings.output(2, screen).BlackLevel = uint8_t(200 + screen);
        }
        RecordValues values(settings, commands, link);
        BulkSend send(commands, link, settings, values);
        BulkWatch watch;
        EXPECT_EQ(send.Run(watch), BulkOutcome::Done);
        EXPECT_TRUE(commands.SendBlackLevel(2, 3, 77));
        EXPECT_TRUE(SettleAfter(s, 1));
        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('\n').toStdString();
        return s.received();
    }
};

TEST_P(NetworkPortTest, SearchReadSendAndEditPutTheBytesOfALocalPortOnTheLine)
{
    QByteArray local, remote;
    {
        auto s = StartSim(PortMode::Controller, {3, 7});
        GiveUnitsDistinctValues(*s);
        local = Session(s->slavePath(), *s);
        controller.disconnectUnits();
    }
    settings = Settings{};
    op.clear();
    auto s = StartSim(PortMode::Controller, {3, 7});
    GiveUnitsDistinctValues(*s);
    auto server = Serve(*s);
    const QString address = server->address();
    remote = Session(address, *s);

    EXPECT_FALSE(local.isEmpty());
    EXPECT_EQ(remote, local);
    EXPECT_TRUE(remote.endsWith(PassFrame("*7BLKGN 3 77!")));
    EXPECT_EQ(s->unitById(3)->output(2).BlackLevel, 102);
    EXPECT_EQ(s->unitById(7)->output(3).BlackLevel, 77);
    EXPECT_EQ(s->unitById(7)->output(4).BlackLevel, 204);
    EXPECT_EQ(port.openDevice(), address);
}

TEST_P(NetworkPortTest, LineSettingsReachThePseudoTerminalOnlyThroughTheComPortControl)
{
    const bool control = GetParam() == Mode::Rfc2217;
    struct Case {
        PortMode mode;
        int baud;  // the connection command's rate
        bool flow;
    } cases[] = {{PortMode::Controller, 57600, true}, {PortMode::Direct, 38400, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode == PortMode::Controller ? "controller" : "direct");
        auto s = StartSim(c.mode);
        controller.chooseBaud(LinkController::BaudChoice::Default);  // the mode's rate, not the 9600 picked before
        // The server opens the line at 19200: a raw port leaves it so.
        Ser2net server(s->slavePath(), GetParam(), 19200);
        ASSERT_TRUE(server.start()) << server.error().toStdString();
        port.setDevice(1, server.address());
        op.answer(false);
        if (c.mode == PortMode::Controller)
            controller.connectThroughController();
        else
            controller.connectDirectly();
        ASSERT_TRUE(link.linkUp()) << op.messages().join('\n').toStdString();
        EXPECT_TRUE(WaitUntil([&] { return s->lineSettings().baud == (control ? c.baud : 19200); }, 2000))
            << s->lineSettings().baud;
        EXPECT_EQ(s->lineSettings().hardwareFlow, control && c.flow);
        // The Telnet server tells its modem lines (CTS and DCD lights); a raw one cannot.
        EXPECT_EQ(port.lineState().modemLinesKnown, control);

        // "Baud" > "9600" changes the open line at once; the line still carries commands.
        controller.chooseBaud(LinkController::BaudChoice::B9600);
        EXPECT_TRUE(WaitUntil([&] { return s->lineSettings().baud == (control ? 9600 : 19200); }, 2000))
            << s->lineSettings().baud;
        s->log().clear();
        EXPECT_TRUE(commands.SendBlackLevel(1, 2, 12));
        EXPECT_TRUE(SettleAfter(*s, 1));
        EXPECT_EQ(s->received(), c.mode == PortMode::Controller ? PassFrame("*1BLKGN 2 12!") : QByteArray("BLKGN 2 12\r"));
        EXPECT_EQ(s->unit(1).output(2).BlackLevel, 12);
        controller.disconnectUnits();
    }
}

// Bytes of value 255 cross a Telnet connection escaped and arrive once, both ways.
TEST_P(NetworkPortTest, EveryByteValueCrossesTheServer)
{
    auto s = StartSim(PortMode::Direct);
    auto server = Serve(*s);
    port.setDevice(1, server->address());
    port.setComNumber(1);
    ASSERT_TRUE(port.open()) << port.lastErrorText().toStdString();
    QByteArray all;
    for (int b = 0; b < 256; ++b) all += char(b);
    all += "\xff\xff\xfa\xf0";
    port.putString(all);
    ASSERT_TRUE(WaitUntil([&] { return s->received().size() >= all.size(); }, 3000));
    EXPECT_EQ(s->received(), all);

    ASSERT_TRUE(WaitUntil([&] { return s->isIdle(); }));
    port.flushInBuffer();
    s->sendUnsolicited(all);
    QByteArray got;
    ASSERT_TRUE(WaitUntil([&] {
        QByteArray block(port.bytesAvailable(), '\0');
        got += block.left(port.getBlock(block.data(), int(block.size())));
        return got.size() >= all.size();
    }, 3000));
    EXPECT_EQ(got, all);
}

TEST_P(NetworkPortTest, ServerStoppedMidReadDropsTheLinkAndNamesTheServer)
{
    auto s = StartSim(PortMode::Controller, {3, 7});
    GiveUnitsDistinctValues(*s);
    auto server = Serve(*s);
    ConnectTo(server->address(), *s);
    int handled = 0;
    QObject::connect(s.get(), &sim::Simulator::requestHandled, [&] {
        if (++handled == 4) server->stop(/*kill=*/true);
    });
    QElapsedTimer t;
    t.start();

    EXPECT_FALSE(controller.readFromUnits());

    EXPECT_LT(t.elapsed(), 3000) << "the loss is seen when the connection drops, not after timeouts";
    EXPECT_FALSE(link.linkUp());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(controller.connected());
    const QString lost = MsgPortNotResponding(1) + "\n" + server->address() + ": the server at 127.0.0.1:" +
                         QString::number(server->port()) + " closed the connection.";
    EXPECT_EQ(op.messages(), QStringList{lost});

    // The server comes back on the same port: a search finds the units again.
    s->setThinkMs(0);
    ASSERT_TRUE(server->start()) << server->error().toStdString();
    op.clear();
    op.answer(false);
    controller.connectThroughController();
    EXPECT_TRUE(link.linkUp()) << op.messages().join('\n').toStdString();
}

// The server killed while the program works (or idles) and started again at once on the same
// port: whatever ran ends at once as on a pulled cable (the link down, the port closed, one
// message naming the server, nothing left busy; no timeouts, no retry question), the program
// does not quietly carry on over a new connection, and "Search...." after the restart finds the
// units, reads them and sends to them again.
TEST_P(NetworkPortTest, ServerKilledAndRestartedMidOperationIsAPulledCableThenFoundAgain)
{
    struct Case {
        const char* name;
        int killAtRequest;  // killed as the units receive this request; 0: while nothing runs
        std::function<bool()> run;  // true when the operation reports success
    } cases[] = {
        {"read", 4, [this] { return controller.readFromUnits(); }},
        {"bulk send", 10,
         [this] {
             RecordValues values(settings, commands, link);
             BulkSend send(commands, link, settings, values);
             BulkWatch watch;
             return send.Run(watch) == BulkOutcome::Done;
         }},
        {"field edit", 1, [this] { return commands.SendBlackLevel(2, 3, 77); }},
        {"idle", 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = StartSim(PortMode::Controller, {3, 7});
        GiveUnitsDistinctValues(*s);
        auto server = Serve(*s);
        const QString address = server->address();
        ConnectTo(address, *s);
        if (c.killAtRequest > 1) {
            s->setThinkMs(0);
            ASSERT_TRUE(controller.readFromUnits());  // records for the send to carry
            ASSERT_TRUE(WaitUntil([&] { return s->isIdle(); }));
            s->setThinkMs(20);
        }
        int pageChanges = 0;
        connectionView.dropped = [&] { ++pageChanges; };
        op.clear();
        bool restarted = false;
        auto killAndRestart = [&] {
            server->stop(/*kill=*/true);
            // Back at once, while the program still waits in its event loop.
            QTimer::singleShot(0, [&] { restarted = server->start(); });
        };
        // Killed as request N reaches the units, before they answer it.
        const int before = s->requestsHandled();
        bool killed = false;
        QMetaObject::Connection watch = QObject::connect(s.get(), &sim::Simulator::bytesReceived, [&] {
            if (killed || c.killAtRequest == 0 || s->requestsHandled() - before != c.killAtRequest - 1) return;
            killed = true;
            killAndRestart();
        });
        QElapsedTimer t;
        t.start();

        if (c.run) {
            EXPECT_FALSE(c.run());
        } else {
            killAndRestart();
            EXPECT_TRUE(WaitUntil([&] { return !link.linkUp(); }, 3000));
        }
        QObject::disconnect(watch);
        EXPECT_EQ(killed, c.killAtRequest > 0);

        EXPECT_TRUE(WaitUntil([&] { return restarted; }, 5000)) << server->error().toStdString();
        EXPECT_LT(t.elapsed(), 3000) << "the loss is seen when the connection drops, not after timeouts";
        WaitUntil([] { return false; }, 30);  // anything still due arrives now
        EXPECT_FALSE(link.linkUp());
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(controller.connected());
        EXPECT_FALSE(controller.connected());
        EXPECT_FALSE(settings.StatusReadAvailable);
        EXPECT_EQ(pageChanges, 1);
        EXPECT_TRUE(op.questions().isEmpty()) << op.questions().join('\n').toStdString();
        ASSERT_EQ(op.messages().size(), 1) << op.messages().join('\n').toStdString();
        EXPECT_TRUE(op.messages()[0].startsWith(MsgPortNotResponding(1) + "\n" + address + ": the server at 127.0.0.1:" +
                                                QString::number(server->port()) + " "))
            << op.messages()[0].toStdString();
        EXPECT_FALSE(flags.EditorBusy);
        EXPECT_FALSE(link.operationRunning());
        connectionView.dropped = nullptr;

        // The operator searches again: both modes, Yes to the read.
        s->setThinkMs(0);
        ASSERT_TRUE(WaitUntil([&] { return s->isIdle(); }));
        op.clear();
        op.answer(true);
        controller.searchAll();
        ASSERT_TRUE(link.linkUp()) << op.messages().join('\n').toStdString();
        EXPECT_TRUE(link.throughController());
        EXPECT_TRUE(op.messages().isEmpty()) << op.messages().join('\n').toStdString();
        EXPECT_EQ(flags.UnitCount, 2);
        EXPECT_EQ(settings.output(1, 1).LeftHaloWidth, 4);
        EXPECT_EQ(settings.input(2, 4).Phase, 3);
        for (int screen = 1; screen <= 4; ++screen) {
            EXPECT_EQ(settings.output(1, screen).BlackLevel, s->unitById(3)->output(screen).BlackLevel);
            EXPECT_EQ(settings.output(2, screen).BlackLevel, s->unitById(7)->output(screen).BlackLevel);
        }
        s->log().clear();
        EXPECT_TRUE(commands.SendBlackLevel(1, 4, 55));
        EXPECT_TRUE(SettleAfter(*s, 1));
        EXPECT_EQ(s->received(), PassFrame("*3BLKGN 4 55!"));
        EXPECT_EQ(s->unitById(3)->output(4).BlackLevel, 55);
        controller.disconnectUnits();
        settings = Settings{};
    }
}

TEST_P(NetworkPortTest, ConnectionCutMidSendEndsTheSend)
{
    auto s = StartSim(PortMode::Controller, {3, 7});
    auto server = Serve(*s);
    TcpRelay relay(server->port());
    const QString address = Scheme() + "://127.0.0.1:" + QString::number(relay.port());
    ConnectTo(address, *s);
    s->setThinkMs(0);
    ASSERT_TRUE(controller.readFromUnits());  // records the send can carry
    ASSERT_TRUE(WaitUntil([&] { return s->isIdle(); }));
    int handled = 0;
    QObject::connect(s.get(), &sim::Simulator::requestHandled, [&] {
        if (++handled == 10) relay.cut();
    });
    flags.UnitCount = 2;
    RecordValues values(settings, commands, link);
    BulkSend send(commands, link, settings, values);

    BulkWatch watch;
    EXPECT_EQ(send.Run(watch), BulkOutcome::LinkFailed);

    EXPECT_LT(send.CommandsSent(), 12);
    EXPECT_FALSE(link.linkUp());
    EXPECT_FALSE(port.isOpen());
    ASSERT_EQ(op.messages().size(), 1) << op.messages().join('\n').toStdString();
    EXPECT_TRUE(op.messages()[0].startsWith(MsgPortNotResponding(1) + "\n" + address + ": "))
        << op.messages()[0].toStdString();
    EXPECT_FALSE(flags.EditorBusy);
}

TEST_P(NetworkPortTest, PortNobodyListensOnIsNotFound)
{
    const quint16 nobody = Ser2net::FreePort();
    const QString address = Scheme() + "://127.0.0.1:" + QString::number(nobody);
    port.setDevice(1, address);
    QElapsedTimer t;
    t.start();

    controller.searchAll();

    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_FALSE(link.linkUp());
    EXPECT_FALSE(port.isOpen());
    const QString refused = MsgPortUnreachable(1, address, "the server at 127.0.0.1:" + QString::number(nobody) +
                                                               " refused the connection (nothing listens on that port)");
    EXPECT_EQ(op.messages(), (QStringList{refused, refused, kMsgTornelsNotDetected}));
}

// A server that takes the connection but relays nothing any more: through Telnet the program
// notices that its questions go unanswered and drops the port; a raw connection cannot tell
// the server from silent units, and the command times out as on a cable to nowhere.
TEST_P(NetworkPortTest, SilentServer)
{
    auto s = StartSim(PortMode::Controller);
    auto server = Serve(*s);
    TcpRelay relay(server->port());
    const QString address = Scheme() + "://127.0.0.1:" + QString::number(relay.port());
    ConnectTo(address, *s);
    op.clear();
    // Through Telnet the silence shows within 5 s, before the 8 s reply timer; raw waits the timer.
    ClockScale faster(GetParam() == Mode::Raw ? 0.02 : 0.1);
    relay.goSilent();
    QElapsedTimer t;
    t.start();

    EXPECT_FALSE(commands.SendBlackLevel(1, 2, 40));

    EXPECT_LT(t.elapsed(), 3000);
    if (GetParam() == Mode::Rfc2217) {
        EXPECT_EQ(op.messages(), QStringList{MsgPortNotResponding(1) + "\n" + address +
                                             ": the server at 127.0.0.1:" + QString::number(relay.port()) +
                                             " stopped answering."});
        EXPECT_FALSE(link.linkUp());
        EXPECT_FALSE(port.isOpen());
    } else {
        EXPECT_EQ(op.messages(), QStringList(kAttemptsBeforeAsking, kMsgTimeout));
        EXPECT_EQ(op.questions().size(), 1) << "the way out, answered Cancel";
        EXPECT_EQ(link.lastOutcome().outcome, TransactionOutcome::Abandoned);
    }
    EXPECT_FALSE(flags.EditorBusy);
}

INSTANTIATE_TEST_SUITE_P(Ser2net, NetworkPortTest, ::testing::Values(Mode::Raw, Mode::Rfc2217), ModeName);

// A server that accepts the connection but speaks no Telnet is refused within the connection
// time, with a message that says so and names it; the event loop runs meanwhile.
TEST(NetworkPort, ServerWithoutComPortControlIsRefusedInTime)
{
    ClockScale scale(0.1);
    QTcpServer mute;
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost, 0));
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    SerialPort port;
    port.setDevice(1, "rfc2217://127.0.0.1:" + QString::number(mute.serverPort()));
    port.setComNumber(1);
    QElapsedTimer t;
    t.start();

    EXPECT_FALSE(port.open());

    EXPECT_GE(t.elapsed(), clock::scaled(NetworkPortTransport::kConnectTimeoutMs) - 5);
    EXPECT_LT(t.elapsed(), clock::scaled(NetworkPortTransport::kConnectTimeoutMs) + 1000);
    EXPECT_GT(ticks, 5) << "the event loop ran while the port waited";
    EXPECT_EQ(port.lastOpenError(), SerialPort::OpenError::Network);
    EXPECT_TRUE(port.lastErrorText().startsWith("the server at 127.0.0.1:" + QString::number(mute.serverPort()) +
                                                " does not offer the COM port control of RFC 2217"))
        << port.lastErrorText().toStdString();
    EXPECT_FALSE(port.isOpen());
}

}  // namespace
}  // namespace kalvora::testing
