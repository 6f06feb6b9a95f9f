#include "platform/port_transport.h"

#include "platform/local_port_transport.h"
#include "platform/network_port_address.h"
#include "platform/network_port_transport.h"

namespace kalvora {

PortTransport::Kind TransportKindOf(const QString& name)
{
    if (!IsNetworkPortName(name)) return PortTransport::Kind::Local;
    return name.startsWith(QLatin1String("rfc2217://"), Qt::CaseInsensitive) ? PortTransport::Kind::Rfc2217
                                                                              : PortTransport::Kind::RawTcp;
}

std::unique_ptr<PortTransport> MakePortTransport(PortTransport::Kind kind)
{
    switch (kind) {
    case PortTransport::Kind::Local: return std::make_unique<LocalPortTransport>();
    case PortTransport::Kind::RawTcp:
        return std::make_unique<NetworkPortTransport>(NetworkPortAddress::Protocol::Raw);
    case PortTransport::Kind::Rfc2217:
        return std::make_unique<NetworkPortTransport>(NetworkPortAddress::Protocol::Rfc2217);
    }
    return nullptr;
}

}  // namespace kalvora
