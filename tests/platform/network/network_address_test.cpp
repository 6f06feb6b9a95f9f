// Network port names: what is accepted, how it reads back, and what is refused with a reason.
#include <gtest/gtest.h>

#include "platform/network_port_address.h"
#include "platform/port_transport.h"
#include "platform/command_line.h"
#include "platform/serial_devices.h"
#include "platform/serial_port.h"

namespace kalvora {
namespace {

using P = NetworkPortAddress::Protocol;

TEST(NetworkPortAddress, WellFormedNames)
{
    struct Case {
        QString name;
        P protocol;
        QString host;
        int port;
        QString text;
    } cases[] = {
        {"socket://127.0.0.1:2000", P::Raw, "127.0.0.1", 2000, "socket://127.0.0.1:2000"},
        {"rfc2217://rack-7.example.net:4001", P::Rfc2217, "rack-7.example.net", 4001, "rfc2217://rack-7.example.net:4001"},
        {"RFC2217://[::1]:65535", P::Rfc2217, "::1", 65535, "rfc2217://[::1]:65535"},
        {"socket://localhost:1", P::Raw, "localhost", 1, "socket://localhost:1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_TRUE(IsNetworkPortName(c.name));
        QString error;
        const auto a = ParseNetworkPortAddress(c.name, &error);
        ASSERT_TRUE(a.has_value()) << error.toStdString();
        EXPECT_EQ(a->protocol, c.protocol);
        EXPECT_EQ(a->host, c.host);
        EXPECT_EQ(a->port, c.port);
        EXPECT_EQ(a->text(), c.text);
        EXPECT_EQ(ParseNetworkPortAddress(a->text()), a);
    }
}

TEST(NetworkPortAddress, MalformedNamesAreRefusedWithAReason)
{
    struct Case {
        QString name;
        QString reason;  // part of the message
    } cases[] = {
        {"socket://127.0.0.1", "port number is missing"},
        {"rfc2217://host:0", "1..65535"},
        {"rfc2217://host:70000", "1..65535"},
        {"socket://:2000", "expected socket://HOST:PORT"},
        {"socket://host:20a0", "expected"},
        {"socket://[::g]:20", "not an IPv6 address"},
        {"socket://a b:20", "expected"},
        {"rfc2217://host:2000/path", "expected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_TRUE(IsNetworkPortName(c.name));
        QString error;
        EXPECT_FALSE(ParseNetworkPortAddress(c.name, &error).has_value());
        EXPECT_TRUE(error.contains(c.reason)) << error.toStdString();
        EXPECT_TRUE(error.contains(c.name)) << error.toStdString();
    }
    EXPECT_FALSE(IsNetworkPortName("/dev/ttyUSB0"));
    EXPECT_FALSE(IsNetworkPortName("socket:/x:1"));
}

TEST(NetworkPortAddress, TransportFollowsTheName)
{
    EXPECT_EQ(TransportKindOf("/dev/ttyUSB0"), PortTransport::Kind::Local);
    EXPECT_EQ(TransportKindOf("socket://h:1"), PortTransport::Kind::RawTcp);
    EXPECT_EQ(TransportKindOf("rfc2217://h:1"), PortTransport::Kind::Rfc2217);

    SerialPort port;
    port.setDevice(1, "rfc2217://127.0.0.1:9");
    port.setDevice(2, "socket://127.0.0.1");
    EXPECT_TRUE(port.isPortAvailable(1)) << "a well-formed address is tried when opened";
    EXPECT_FALSE(port.isPortAvailable(2));
    EXPECT_TRUE(port.isNetworkPort(1));
    EXPECT_TRUE(port.isNetworkPort(2));
}

TEST(NetworkPortAddress, CommandLineRefusesAMalformedAddress)
{
    const auto given = [](const QStringList& args, QString* error) {
        QCommandLineParser parser;
        parser.addOptions(ComPortOptions());
        EXPECT_TRUE(parser.parse(QStringList{"kalvora"} + args));
        return ComPortsGiven(parser, args, error);
    };
    QString error;
    const PortOptions good = given({"--com1", "rfc2217://10.0.0.5:4001", "read"}, &error);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(good.com1, "rfc2217://10.0.0.5:4001");
    const PortOptions bad = given({"--com2=socket://10.0.0.5", "search"}, &error);
    EXPECT_TRUE(bad.com2.isEmpty());
    EXPECT_TRUE(error.contains("--com2")) << error.toStdString();
    EXPECT_TRUE(error.contains("port number is missing")) << error.toStdString();
}

TEST(NetworkPortAddress, DevicesTextShowsTheAddress)
{
    EXPECT_EQ(ComDeviceText("rfc2217://10.0.0.5:4001", {}), "rfc2217://10.0.0.5:4001 (network)");
    // A remembered network port and a device on the other COM: the automatic port takes the device.
    QString com1, com2;
    ResolveComDevices(PortOptions{}, ComChoice{"socket://10.0.0.5:4001", {}},
                      {{"/dev/ttyUSB0", {}, {}, {}, "/dev/ttyUSB0"}}, com1, com2);
    EXPECT_EQ(com1, "socket://10.0.0.5:4001");
    EXPECT_EQ(com2, "/dev/ttyUSB0");
}

}  // namespace
}  // namespace kalvora
