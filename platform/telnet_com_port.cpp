#include "platform/telnet_com_port.h"

namespace kalvora::telnet {
namespace {

// A subnegotiation longer than this is no COM port answer: it is read to its end and dropped.
constexpr int kMaxSubnegotiation = 64;

QByteArray Verb(uint8_t verb, uint8_t option)
{
    QByteArray b(3, '\0');
    b[0] = char(kIac);
    b[1] = char(verb);
    b[2] = char(option);
    return b;
}

QByteArray Byte(uint8_t v) { return QByteArray(1, char(v)); }

uint8_t ParityCode(Parity p)
{
    switch (p) {
    case Parity::None: return 1;
    case Parity::Odd: return 2;
    case Parity::Even: return 3;
    case Parity::Mark: return 4;
    case Parity::Space: return 5;
    }
    return 1;
}

}  // namespace

QByteArray Escape(const QByteArray& data)
{
    if (!data.contains(char(kIac))) return data;
    QByteArray out;
    out.reserve(data.size() + 8);
    for (char c : data) {
        out += c;
        if (uint8_t(c) == kIac) out += c;
    }
    return out;
}

QByteArray ComPortSubnegotiation(uint8_t command, const QByteArray& value)
{
    QByteArray b;
    b += char(kIac);
    b += char(kSb);
    b += char(kComPortOption);
    b += char(command);
    b += Escape(value);
    b += char(kIac);
    b += char(kSe);
    return b;
}

QByteArray SetBaud(int baud)
{
    const quint32 v = quint32(baud < 0 ? 0 : baud);
    QByteArray value(4, '\0');
    value[0] = char(v >> 24);
    value[1] = char(v >> 16);
    value[2] = char(v >> 8);
    value[3] = char(v);
    return ComPortSubnegotiation(kSetBaudRate, value);
}

QByteArray AskBaud() { return SetBaud(0); }

QByteArray SetParity(Parity parity) { return ComPortSubnegotiation(kSetParity, Byte(ParityCode(parity))); }

QByteArray SetFlowControl(FlowControl flow)
{
    // 1: no flow control, 3: hardware (RTS/CTS).
    return ComPortSubnegotiation(kSetControl, Byte(flow == FlowControl::RtsCts ? 3 : 1));
}

QByteArray SetLine(const LineSettings& line)
{
    return SetBaud(line.baud) + ComPortSubnegotiation(kSetDataSize, Byte(LineSettings::kDataBits)) +
           SetParity(line.parity) + ComPortSubnegotiation(kSetStopSize, Byte(LineSettings::kStopBits)) +
           SetFlowControl(line.flow) + ComPortSubnegotiation(kSetModemStateMask, Byte(kModemCts | kModemDcd)) +
           ComPortSubnegotiation(kSetLineStateMask, Byte(0));
}

bool ComPortClient::weOffer(uint8_t option)
{
    return option == kComPortOption || option == kBinary || option == kSuppressGoAhead;
}

bool ComPortClient::weAccept(uint8_t option) { return option == kBinary || option == kSuppressGoAhead; }

QByteArray ComPortClient::greeting()
{
    QByteArray out;
    for (uint8_t o : {kComPortOption, kBinary, kSuppressGoAhead}) {
        us_[o] = State::Asked;
        out += Verb(kWill, o);
    }
    for (uint8_t o : {kBinary, kSuppressGoAhead}) {
        them_[o] = State::Asked;
        out += Verb(kDo, o);
    }
    return out;
}

void ComPortClient::onOption(uint8_t verb, uint8_t option, QByteArray& reply)
{
    // Each side answers only a request that changes the state (RFC 854, RFC 1143 in short), so
    // two programs never answer each other's answers for ever.
    switch (verb) {
    case kDo:
        if (weOffer(option)) {
            if (us_[option] == State::Off) reply += Verb(kWill, option);
            us_[option] = State::On;
        } else if (!refusedUs_[option]) {
            refusedUs_[option] = true;
            reply += Verb(kWont, option);
        }
        break;
    case kDont:
        if (us_[option] == State::On) reply += Verb(kWont, option);
        us_[option] = State::Off;
        if (option == kComPortOption) comPortRefused_ = true;
        break;
    case kWill:
        if (weAccept(option)) {
            if (them_[option] == State::Off) reply += Verb(kDo, option);
            them_[option] = State::On;
        } else if (!refusedThem_[option]) {
            refusedThem_[option] = true;
            reply += Verb(kDont, option);
        }
        break;
    case kWont:
        if (them_[option] == State::On) reply += Verb(kDont, option);
        them_[option] = State::Off;
        break;
    default:
        break;
    }
}

void ComPortClient::onSubnegotiation()
{
    if (subOverflow_ || sub_.size() < 2 || uint8_t(sub_[0]) != kComPortOption) return;
    const auto command = uint8_t(sub_[1]);
    if (command < kServerOffset) return;
    ++answers_;
    if (command - kServerOffset < 32) answeredMask_ |= 1u << (command - kServerOffset);
    const QByteArray value = sub_.mid(2);
    switch (command - kServerOffset) {
    case kSetBaudRate:
        if (value.size() == 4)
            serverBaud_ = int((quint32(uint8_t(value[0])) << 24) | (quint32(uint8_t(value[1])) << 16) |
                              (quint32(uint8_t(value[2])) << 8) | quint32(uint8_t(value[3])));
        break;
    case kNotifyModemState:
        if (!value.isEmpty()) {
            modemState_ = uint8_t(value[0]);
            modemStateKnown_ = true;
        }
        break;
    case kFlowControlSuspend: suspended_ = true; break;
    case kFlowControlResume: suspended_ = false; break;
    default: break;
    }
}

QByteArray ComPortClient::receive(const QByteArray& in, QByteArray& data)
{
    QByteArray reply;
    for (char ch : in) {
        const auto c = uint8_t(ch);
        switch (parse_) {
        case Parse::Data:
            if (c == kIac) parse_ = Parse::Iac;
            else data += ch;
            break;
        case Parse::Iac:
            if (c == kIac) {
                data += ch;
                parse_ = Parse::Data;
            } else if (c == kSb) {
                sub_.clear();
                subOverflow_ = false;
                parse_ = Parse::Sub;
            } else if (c >= kWill && c <= kDont) {
                verb_ = c;
                parse_ = Parse::Option;
            } else {
                parse_ = Parse::Data;  // NOP, GA, data mark and the like carry nothing here
            }
            break;
        case Parse::Option:
            onOption(verb_, c, reply);
            parse_ = Parse::Data;
            break;
        case Parse::Sub:
            if (c == kIac) parse_ = Parse::SubIac;
            else if (sub_.size() < kMaxSubnegotiation) sub_ += ch;
            else subOverflow_ = true;
            break;
        case Parse::SubIac:
            if (c == kIac) {
                if (sub_.size() < kMaxSubnegotiation) sub_ += ch;
                else subOverflow_ = true;
                parse_ = Parse::Sub;
            } else {
                // IAC SE ends it; any other command after IAC ends a malformed one as well.
                onSubnegotiation();
                parse_ = Parse::Data;
            }
            break;
        }
    }
    return reply;
}

}  // namespace kalvora::telnet
