#include "platform/network_port_address.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace kalvora {
namespace {

constexpr const char* kRawScheme = "socket://";
constexpr const char* kRfc2217Scheme = "rfc2217://";

QString Expected() { return QStringLiteral("expected socket://HOST:PORT or rfc2217://HOST:PORT"); }

}  // namespace

QString NetworkPortAddress::hostAndPort() const
{
    const QString h = host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1:%2").arg(h).arg(port);
}

QString NetworkPortAddress::shortText() const
{
    return hostAndPort() + (protocol == Protocol::Raw ? QStringLiteral(" (raw TCP)") : QStringLiteral(" (RFC 2217)"));
}

QString NetworkPortAddress::text() const
{
    return QLatin1String(protocol == Protocol::Raw ? kRawScheme : kRfc2217Scheme) + hostAndPort();
}

bool IsNetworkPortName(const QString& name)
{
    return name.startsWith(QLatin1String(kRawScheme), Qt::CaseInsensitive) ||
           name.startsWith(QLatin1String(kRfc2217Scheme), Qt::CaseInsensitive);
}

std::optional<NetworkPortAddress> ParseNetworkPortAddress(const QString& name, QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<NetworkPortAddress> {
        if (error) *error = QStringLiteral("'%1' is not a network port: %2").arg(name, why);
        return std::nullopt;
    };
    NetworkPortAddress a;
    QString rest;
    if (name.startsWith(QLatin1String(kRawScheme), Qt::CaseInsensitive)) {
        a.protocol = NetworkPortAddress::Protocol::Raw;
        rest = name.mid(int(qstrlen(kRawScheme)));
    } else if (name.startsWith(QLatin1String(kRfc2217Scheme), Qt::CaseInsensitive)) {
        a.protocol = NetworkPortAddress::Protocol::Rfc2217;
        rest = name.mid(int(qstrlen(kRfc2217Scheme)));
    } else {
        return fail(Expected());
    }
    // [v6]:port or host:port; a host name of letters, digits, '-', '_' and dots.
    static const QRegularExpression v6(QStringLiteral("^\\[([^\\]]*)\\]:(\\d{1,5})$"));
    static const QRegularExpression plain(QStringLiteral("^([A-Za-z0-9_.-]+):(\\d{1,5})$"));
    QRegularExpressionMatch m = v6.match(rest);
    if (m.hasMatch()) {
        if (QHostAddress(m.captured(1)).protocol() != QAbstractSocket::IPv6Protocol)
            return fail(QStringLiteral("'%1' is not an IPv6 address").arg(m.captured(1)));
    } else {
        m = plain.match(rest);
        if (!m.hasMatch()) {
            if (!rest.contains(QLatin1Char(':'))) return fail(QStringLiteral("the port number is missing; ") + Expected());
            return fail(Expected());
        }
    }
    const int port = m.captured(2).toInt();
    if (port < 1 || port > 65535) return fail(QStringLiteral("the port number must be 1..65535"));
    a.host = m.captured(1);
    a.port = quint16(port);
    return a;
}

}  // namespace kalvora
