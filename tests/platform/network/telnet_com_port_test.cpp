// The Telnet side of a network COM port as bytes: the offers, the answers to the server's
// negotiation, the COM port control commands, IAC escaping both ways, and the server's reports
// however its stream is split.
#include <gtest/gtest.h>

#include "platform/telnet_com_port.h"

namespace kalvora::telnet {
namespace {

QByteArray B(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (int b : bytes) out += char(b);
    return out;
}

TEST(TelnetComPort, SettingsCommandsOnTheWire)
{
    EXPECT_EQ(SetBaud(57600), B({255, 250, 44, 1, 0, 0, 0xE1, 0x00, 255, 240}));
    // A value byte of 255 is doubled inside the subnegotiation (65535 baud: FF FF).
    EXPECT_EQ(SetBaud(65535), B({255, 250, 44, 1, 0, 0, 255, 255, 255, 255, 255, 240}));
    EXPECT_EQ(AskBaud(), B({255, 250, 44, 1, 0, 0, 0, 0, 255, 240}));
    const struct {
        Parity p;
        int code;
    } parities[] = {{Parity::None, 1}, {Parity::Odd, 2}, {Parity::Even, 3}, {Parity::Mark, 4}, {Parity::Space, 5}};
    for (const auto& c : parities) EXPECT_EQ(SetParity(c.p), B({255, 250, 44, 3, c.code, 255, 240}));
    EXPECT_EQ(SetFlowControl(FlowControl::RtsCts), B({255, 250, 44, 5, 3, 255, 240}));
    EXPECT_EQ(SetFlowControl(FlowControl::None), B({255, 250, 44, 5, 1, 255, 240}));
    const QByteArray line = SetLine({38400, Parity::Even, FlowControl::RtsCts});
    EXPECT_TRUE(line.startsWith(SetBaud(38400)));
    EXPECT_TRUE(line.contains(B({255, 250, 44, 2, 8, 255, 240}))) << "8 data bits";
    EXPECT_TRUE(line.contains(SetParity(Parity::Even)));
    EXPECT_TRUE(line.contains(B({255, 250, 44, 4, 1, 255, 240}))) << "1 stop bit";
    EXPECT_TRUE(line.contains(SetFlowControl(FlowControl::RtsCts)));
    EXPECT_TRUE(line.contains(B({255, 250, 44, 11, 0x90, 255, 240}))) << "CTS and DCD changes reported";
}

TEST(TelnetComPort, DataIsEscapedAndUnescaped)
{
    EXPECT_EQ(Escape("PASS *1X!00\r\r"), "PASS *1X!00\r\r");
    EXPECT_EQ(Escape(B({1, 255, 2, 255, 255})), B({1, 255, 255, 2, 255, 255, 255, 255}));

    // The server's stream, one byte at a time and all at once, reads the same.
    const QByteArray stream = B({'O', 'K', 255, 255, 13, 10,                  // data with an escaped 255
                                 255, 250, 44, 107, 0x90, 255, 240,           // modem state: CTS and DCD
                                 '>', 255, 241,                               // NOP
                                 255, 250, 44, 101, 0, 0, 0x96, 0, 255, 240,  // baud 38400
                                 255, 250, 44, 111, 255, 255, 255, 240,       // a value of 255
                                 'L'});
    for (int piece : {1, 3, int(stream.size())}) {
        SCOPED_TRACE(piece);
        ComPortClient client;
        client.greeting();
        QByteArray data, replies;
        for (int i = 0; i < stream.size(); i += piece) replies += client.receive(stream.mid(i, piece), data);
        EXPECT_EQ(data, B({'O', 'K', 255, 13, 10, '>', 'L'}));
        EXPECT_TRUE(replies.isEmpty());
        uint8_t state = 0;
        ASSERT_TRUE(client.modemState(state));
        EXPECT_EQ(state, 0x90);
        EXPECT_EQ(client.serverBaud(), 38400);
        EXPECT_EQ(client.answersReceived(), 3);
    }
}

TEST(TelnetComPort, NegotiationIsAnsweredOnceAndNeverLoops)
{
    ComPortClient client;
    const QByteArray hello = client.greeting();
    EXPECT_EQ(hello, B({255, 251, 44, 255, 251, 0, 255, 251, 3, 255, 253, 0, 255, 253, 3}));
    EXPECT_FALSE(client.comPortAccepted());
    QByteArray data;
    struct Step {
        QByteArray in;
        QByteArray reply;
    } steps[] = {
        {B({255, 253, 44}), {}},                  // DO COM-PORT: our offer taken, nothing to say
        {B({255, 251, 1}), B({255, 254, 1})},     // WILL ECHO: refused once
        {B({255, 251, 1}), {}},                   // ... and not again
        {B({255, 251, 0}), {}},                   // WILL BINARY: asked for it already
        {B({255, 253, 24}), B({255, 252, 24})},   // DO TERMINAL-TYPE: refused
        {B({255, 252, 3}), {}},                   // WONT SGA: our request refused, not answered
        {B({255, 253, 3}), {}},                   // DO SGA: our offer taken
        {B({255, 254, 3}), B({255, 252, 3})},     // DONT SGA once it was on: acknowledged
        {B({255, 254, 3}), {}},                   // ... once
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(::testing::PrintToString(s.in.toHex().toStdString()));
        EXPECT_EQ(client.receive(s.in, data), s.reply);
    }
    EXPECT_TRUE(client.comPortAccepted());
    EXPECT_FALSE(client.comPortRefused());
    EXPECT_TRUE(data.isEmpty());

    ComPortClient plain;
    plain.greeting();
    plain.receive(B({255, 254, 44}), data);  // DONT COM-PORT: a plain Telnet server
    EXPECT_TRUE(plain.comPortRefused());
    EXPECT_FALSE(plain.comPortAccepted());
}

TEST(TelnetComPort, OverlongSubnegotiationIsDropped)
{
    ComPortClient client;
    QByteArray data;
    QByteArray junk = B({255, 250, 44, 107});
    junk += QByteArray(1000, 'x');
    junk += B({255, 240, 'A'});
    client.receive(junk, data);
    EXPECT_EQ(data, "A");
    uint8_t state = 0;
    EXPECT_FALSE(client.modemState(state));
}

}  // namespace
}  // namespace kalvora::telnet
