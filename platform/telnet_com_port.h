#pragma once
// The client side of Telnet with the COM port control option (RFC 854, RFC 2217), as bytes:
// what the program sends to open the option, the commands that set the server's line, the
// escaping of data (IAC doubled), and the reading of the server's stream into data, answers
// to its negotiation and what it tells about its line. No sockets here.

#include <QByteArray>
#include <cstdint>

#include "platform/port_transport.h"

namespace kalvora::telnet {

constexpr uint8_t kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250, kSe = 240;
constexpr uint8_t kBinary = 0, kSuppressGoAhead = 3, kComPortOption = 44;

// COM port control commands, client to server; the server answers with the code + 100.
enum ComPortCommand : uint8_t {
    kSetBaudRate = 1,
    kSetDataSize = 2,
    kSetParity = 3,
    kSetStopSize = 4,
    kSetControl = 5,
    kNotifyLineState = 6,
    kNotifyModemState = 7,
    kFlowControlSuspend = 8,
    kFlowControlResume = 9,
    kSetLineStateMask = 10,
    kSetModemStateMask = 11,
    kPurgeData = 12,
    kServerOffset = 100,
};
// Modem state bits of NOTIFY-MODEMSTATE.
constexpr uint8_t kModemCts = 0x10, kModemDcd = 0x80;

// Data with every IAC doubled.
QByteArray Escape(const QByteArray& data);
// IAC SB COM-PORT-OPTION command value... IAC SE, the value bytes escaped.
QByteArray ComPortSubnegotiation(uint8_t command, const QByteArray& value);
// The commands that give the server's line these settings (8 data bits, 1 stop bit), and ask
// it to tell every change of CTS and DCD.
QByteArray SetLine(const LineSettings& line);
QByteArray SetBaud(int baud);
QByteArray SetParity(Parity parity);
QByteArray SetFlowControl(FlowControl flow);
// A question every server answers at once without changing anything (the baud rate, asked
// with the value 0): shows that the server still listens.
QByteArray AskBaud();

class ComPortClient {
public:
    // The offers that open a session: the COM port option, binary transmission both ways,
    // no go-ahead both ways.
    QByteArray greeting();
    // Reads bytes from the server: data goes to `data`; the answers the negotiation needs
    // are returned, to be sent back at once.
    QByteArray receive(const QByteArray& in, QByteArray& data);

    bool comPortAccepted() const { return us_[kComPortOption] == State::On; }
    bool comPortRefused() const { return comPortRefused_; }
    // Every subnegotiation of the COM port option the server has sent so far.
    int answersReceived() const { return answers_; }
    // The server has answered this command (kSetBaudRate...) at least once.
    bool answered(uint8_t command) const { return command < 32 && (answeredMask_ & (1u << command)); }
    // The baud rate the server last reported (0: none yet).
    int serverBaud() const { return serverBaud_; }
    // The modem state the server last reported; false before the first report.
    bool modemState(uint8_t& state) const
    {
        state = modemState_;
        return modemStateKnown_;
    }
    // The server asked the program to hold its data (FLOWCONTROL-SUSPEND) and has not yet
    // released it.
    bool suspended() const { return suspended_; }

private:
    enum class State : uint8_t { Off, Asked, On };
    enum class Parse { Data, Iac, Option, Sub, SubIac };
    void onOption(uint8_t verb, uint8_t option, QByteArray& reply);
    void onSubnegotiation();
    static bool weOffer(uint8_t option);
    static bool weAccept(uint8_t option);

    State us_[256] = {};    // options we perform (WILL/WONT)
    State them_[256] = {};  // options the server performs (DO/DONT)
    bool refusedUs_[256] = {};
    bool refusedThem_[256] = {};
    Parse parse_ = Parse::Data;
    uint8_t verb_ = 0;
    QByteArray sub_;
    bool subOverflow_ = false;
    bool comPortRefused_ = false;
    int answers_ = 0;
    uint32_t answeredMask_ = 0;
    int serverBaud_ = 0;
    uint8_t modemState_ = 0;
    bool modemStateKnown_ = false;
    bool suspended_ = false;
};

}  // namespace kalvora::telnet
