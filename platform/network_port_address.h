#pragma once
// The name of a COM port that stands for a port on a network serial server:
//   socket://HOST:PORT    raw TCP: the bytes as they are; the line settings are the server's
//   rfc2217://HOST:PORT   Telnet with the COM port control option: the program sets the line
// HOST is a name, an IPv4 address or an IPv6 address in brackets ([::1]); PORT is 1..65535.

#include <QString>
#include <optional>

namespace kalvora {

struct NetworkPortAddress {
    enum class Protocol { Raw, Rfc2217 };
    Protocol protocol = Protocol::Raw;
    QString host;  // without brackets
    quint16 port = 0;

    // "socket://HOST:PORT" or "rfc2217://HOST:PORT", as it is parsed back.
    QString text() const;
    // "HOST:PORT" ("[::1]:2000" for IPv6), for messages.
    QString hostAndPort() const;
    // "HOST:PORT (raw TCP)" or "HOST:PORT (RFC 2217)": the server first, where a narrow label
    // has room for little more.
    QString shortText() const;
    bool operator==(const NetworkPortAddress&) const = default;
};

// True when `name` is meant as a network port (it begins with socket:// or rfc2217://), well
// formed or not.
bool IsNetworkPortName(const QString& name);
// The address in `name`; nullopt with the reason in `error` when `name` is not a well-formed
// network port name.
std::optional<NetworkPortAddress> ParseNetworkPortAddress(const QString& name, QString* error = nullptr);

}  // namespace kalvora
