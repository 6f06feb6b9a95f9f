// The serial port adapter: COM1/COM2 devices, line settings as requested, the tick wait and
// the failure of an open device. Only pseudo-terminals are opened.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include "link/link_rig.h"
#include "platform/command_line.h"

namespace kalvora::testing {
namespace {

TEST(PortOptions, ComDevicesFromTheArguments)
{
    struct Case {
        QStringList args;
        bool parses;
        QString com1, com2;
        QStringList rest;  // the other arguments, in order
        bool error;
    } cases[] = {
        {{"search", "--com1", "/dev/pts/3"}, true, "/dev/pts/3", "", {"search"}, false},
        {{"--com2=/tmp/b", "read", "x.tnc", "--com1", "/tmp/a"}, true, "/tmp/a", "/tmp/b", {"read", "x.tnc"}, false},
        {{"--com1", "/tmp/a", "--com1=/tmp/c"}, true, "/tmp/c", "", {}, false},
        {{"show", "--com1"}, false, "", "", {"show"}, true},
        {{"--com2", "--json"}, true, "", "", {}, true},
        {{"--com2=--json"}, true, "", "--json", {}, false},
        {{"--com1="}, true, "", "", {}, true},
        {{"--com1", "socket://rack", "--com2", "/tmp/b"}, true, "", "/tmp/b", {}, true},
        {{"--com10", "x"}, false, "", "", {"x"}, false},
        {{"--", "--com1", "x"}, true, "", "", {"--com1", "x"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QCommandLineParser parser;
        parser.addOptions(ComPortOptions());
        EXPECT_EQ(parser.parse(QStringList{"kalvora"} + c.args), c.parses);
        QString error;
        const PortOptions o = ComPortsGiven(parser, c.args, &error);
        EXPECT_EQ(o.com1, c.com1);
        EXPECT_EQ(o.com2, c.com2);
        EXPECT_EQ(parser.positionalArguments(), c.rest);
        EXPECT_EQ(!error.isEmpty(), c.error) << error.toStdString();
    }
}

TEST(PortOptions, UsbAdaptersComeBeforeOnBoardPorts)
{
    EXPECT_EQ(OrderSerialDevices({"/dev/ttyS1", "/dev/ttyS0", "/dev/ttyACM0", "/dev/ttyUSB10", "/dev/ttyUSB2"}),
              (QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS1"}));
    EXPECT_EQ(OrderSerialDevices({"/dev/ttyS10", "/dev/ttyS2"}), (QStringList{"/dev/ttyS2", "/dev/ttyS10"}));
}

TEST(SerialPort, AvailabilityAndOpenFailures)
{
    SerialPort port;
    EXPECT_FALSE(port.isPortAvailable(1)) << "no device named";
    EXPECT_FALSE(port.isPortAvailable(3));
    port.setDevice(1, "/nonexistent/ttyKALVORA");
    EXPECT_FALSE(port.isPortAvailable(1));
    port.setComNumber(1);
    EXPECT_FALSE(port.open());
    EXPECT_EQ(port.lastOpenError(), SerialPort::OpenError::Missing);

    QTemporaryDir dir;
    const QString device = dir.filePath("ttyLocked");
    QFile f(device);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    f.setPermissions(QFileDevice::Permissions());
    port.setDevice(1, device);
    EXPECT_TRUE(port.isPortAvailable(1));
    EXPECT_FALSE(port.open());
    if (geteuid() != 0) {
        EXPECT_EQ(port.lastOpenError(), SerialPort::OpenError::Permission);
    }
    const QString text = MsgPortPermission(1, device);
    EXPECT_TRUE(text.startsWith(MsgPortBusy(1) + "\n"));
    EXPECT_TRUE(text.contains("dialout") || text.contains("group"));
}

TEST(SerialPort, LineSettingsAreAppliedAsRequested)
{
    sim::Simulator unit(DirectUnit());
    ASSERT_TRUE(unit.start());
    SerialPort port;
    port.setDevice(1, unit.slavePath());
    port.setComNumber(1);
    port.setFlowControl(FlowControl::RtsCts);
    port.setBaud(38400);
    ASSERT_TRUE(port.open());
    EXPECT_EQ(port.activeFlowControl(), FlowControl::RtsCts);
    EXPECT_TRUE(unit.lineSettings().hardwareFlow) << "as seen on the line";
    EXPECT_EQ(unit.lineSettings().baud, 38400);
    EXPECT_EQ(unit.lineSettings().stopBits, 1);
    port.setFlowControl(FlowControl::None);
    EXPECT_EQ(port.activeFlowControl(), FlowControl::RtsCts) << "flow control waits for the next open";
    EXPECT_EQ(port.requestedQtFlowControl(), QSerialPort::NoFlowControl);
    struct {
        Parity parity;
        QSerialPort::Parity qt;
    } parities[] = {{Parity::Odd, QSerialPort::OddParity},
                    {Parity::Even, QSerialPort::EvenParity},
                    {Parity::Mark, QSerialPort::MarkParity},
                    {Parity::Space, QSerialPort::SpaceParity},
                    {Parity::None, QSerialPort::NoParity}};
    for (const auto& p : parities) {
        port.setParity(p.parity);  // a pseudo-terminal ignores it; the request is what counts
        EXPECT_EQ(port.requestedQtParity(), p.qt);
        EXPECT_TRUE(port.isOpen());
    }
    port.setBaud(57600);  // at once, on the open port
    EXPECT_EQ(port.baud(), 57600);
    EXPECT_EQ(unit.lineSettings().baud, 57600);
    EXPECT_TRUE(unit.lineSettings().hardwareFlow);
}

TEST(SerialPort, TickWaitEndsAtTheCharacterOrAfterItsTicks)
{
    sim::Simulator unit(DirectUnit());
    ASSERT_TRUE(unit.start());
    SerialPort port;
    port.setDevice(1, unit.slavePath());
    port.setComNumber(1);
    port.setFlowControl(FlowControl::None);
    ASSERT_TRUE(port.open());
    int events = 0;
    QObject::connect(&port, &SerialPort::triggerAvail, [&](int) { ++events; });
    QByteArray seen;
    QObject::connect(&port, &SerialPort::bytesRead, [&](const QByteArray& b) { seen += b; });

    port.putString("\r");
    EXPECT_TRUE(port.waitForChar('#', 80));
    EXPECT_EQ(events, 0) << "the wait takes the bytes itself";
    EXPECT_EQ(seen, QByteArray("\r\n#")) << "and shows them to a terminal view";

    port.putString("\r");
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(port.waitForChar('>', 10));
    EXPECT_GE(t.elapsed(), kalvora::clock::scaled(10 * SerialPort::kTickMs));
}

TEST(SerialPort, LineMonitoringDegradesQuietlyWithoutModemLines)
{
    sim::Simulator unit(DirectUnit());
    ASSERT_TRUE(unit.start());
    SerialPort port;
    port.setDevice(1, unit.slavePath());
    port.setComNumber(1);
    int failures = 0;
    QObject::connect(&port, &SerialPort::portFailed, [&] { ++failures; });
    ASSERT_TRUE(port.open());
    port.setLineMonitoring(true);
    port.putString("\r");
    EXPECT_TRUE(port.waitForChar('#', 80));
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(failures, 0);
    EXPECT_FALSE(port.lineState().modemLinesKnown);
    port.setLineMonitoring(false);
    EXPECT_EQ(port.lineState(), SerialPort::LineState{});
}

TEST(SerialPort, VanishedDeviceIsClosedAndReportedOnce)
{
    auto unit = std::make_unique<sim::Simulator>(DirectUnit());
    ASSERT_TRUE(unit->start());
    SerialPort port;
    port.setDevice(1, unit->slavePath());
    port.setComNumber(1);
    ASSERT_TRUE(port.open());
    int failures = 0;
    QObject::connect(&port, &SerialPort::portFailed, [&] { ++failures; });
    unit.reset();
    QElapsedTimer t;
    t.start();
    while (port.isOpen() && t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(failures, 1);
}

}  // namespace
}  // namespace kalvora::testing
