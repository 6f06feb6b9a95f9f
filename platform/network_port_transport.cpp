#include "platform/network_port_transport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <algorithm>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "platform/clock.h"

namespace kalvora {
namespace {

// Sleeps in the event loop until `done` holds or `ms` have passed; true when it held.
template <typename Done>
bool WaitInEventLoop(int ms, Done done)
{
    bool expired = false;
    QTimer deadline;
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&expired] { expired = true; });
    deadline.start(std::max(0, ms));
    while (!done()) {
        if (expired) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

QString Seconds(int nominalMs) { return QString::number(nominalMs / 1000); }

}  // namespace

NetworkPortTransport::NetworkPortTransport(NetworkPortAddress::Protocol protocol, QObject* parent)
    : PortTransport(parent), telnet_(protocol == NetworkPortAddress::Protocol::Rfc2217)
{
    ping_.setTimerType(Qt::CoarseTimer);
    connect(&ping_, &QTimer::timeout, this, &NetworkPortTransport::onPing);
}

NetworkPortTransport::~NetworkPortTransport() { dropSocket(); }

QString NetworkPortTransport::connectErrorText(QAbstractSocket::SocketError error) const
{
    const QString at = address_.hostAndPort();
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("the server at %1 refused the connection (nothing listens on that port)").arg(at);
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("the host %1 was not found").arg(address_.host);
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("no answer from %1 within %2 seconds").arg(at, Seconds(kConnectTimeoutMs));
    default:
        return QStringLiteral("cannot connect to %1: %2").arg(at, socket_ ? socket_->errorString() : QString());
    }
}

bool NetworkPortTransport::open(const QString& name, const LineSettings& line)
{
    close();
    setOpenError(OpenError::None, {});
    QString error;
    const std::optional<NetworkPortAddress> address = ParseNetworkPortAddress(name, &error);
    if (!address) {
        setOpenError(OpenError::Missing, error);
        return false;
    }
    address_ = *address;
    client_ = telnet::ComPortClient{};
    rx_.clear();
    failed_ = false;
    modemState_ = 0;
    modemKnown_ = false;
    silentPings_ = 0;

    socket_ = new QTcpSocket(this);
    // Commands go out in several small writes; none may wait for the acknowledgement of the last.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const int budget = clock::scaled(kConnectTimeoutMs);
    QElapsedTimer spent;
    spent.start();
    if (!connectWithin(budget)) return false;
    tuneSocket();
    if (telnet_ && !negotiateWithin(std::max(0, budget - int(spent.elapsed())))) return false;

    connect(socket_, &QTcpSocket::readyRead, this, &NetworkPortTransport::takeIncoming);
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        takeIncoming();
        fail(QStringLiteral("the server at %1 closed the connection").arg(address_.hostAndPort()));
    });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        takeIncoming();
        if (e == QAbstractSocket::RemoteHostClosedError)
            fail(QStringLiteral("the server at %1 closed the connection").arg(address_.hostAndPort()));
        else
            fail(QStringLiteral("the connection to %1 failed: %2").arg(address_.hostAndPort(), socket_->errorString()));
    });
    if (telnet_) {
        // The line is set before anything goes out on it: a server applies the settings as it
        // reads them, and a byte that reaches the line while it changes may be lost. The
        // server answers the commands in order; the answer to the flow control, the last
        // setting of the line (servers need not answer the masks after it), says all are done.
        // A server that does not answer within the connection time is used as it is.
        sendNow(telnet::SetLine(line));
        WaitInEventLoop(std::max(0, budget - int(spent.elapsed())), [this] {
            return !socket_ || socket_->state() != QAbstractSocket::ConnectedState ||
                   client_.answered(telnet::kSetControl);
        });
        if (!socket_) {
            setOpenError(OpenError::Other, QStringLiteral("the port was closed while it was being opened"));
            return false;
        }
        if (socket_->state() != QAbstractSocket::ConnectedState) {
            setOpenError(OpenError::Network,
                         QStringLiteral("the server at %1 closed the connection").arg(address_.hostAndPort()));
            dropSocket();
            return false;
        }
        ping_.start(clock::scaled(kPingIntervalMs));
    }
    open_ = true;
    if (!rx_.isEmpty()) QMetaObject::invokeMethod(this, &PortTransport::readyRead, Qt::QueuedConnection);
    // What came with the connection (a banner, early answers) is read now.
    if (socket_->bytesAvailable() > 0) QMetaObject::invokeMethod(this, &NetworkPortTransport::takeIncoming, Qt::QueuedConnection);
    return true;
}

bool NetworkPortTransport::connectWithin(int ms)
{
    bool ended = false;
    QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError;
    bool errored = false;
    QMetaObject::Connection c1 = connect(socket_, &QTcpSocket::connected, this, [&ended] { ended = true; });
    QMetaObject::Connection c2 = connect(socket_, &QTcpSocket::errorOccurred, this, [&](QAbstractSocket::SocketError e) {
        error = e;
        errored = true;
        ended = true;
    });
    socket_->connectToHost(address_.host, address_.port);
    const bool inTime = WaitInEventLoop(ms, [&] { return ended || !socket_; });
    disconnect(c1);
    disconnect(c2);
    if (!socket_) {
        setOpenError(OpenError::Other, QStringLiteral("the port was closed while it was being opened"));
        return false;
    }
    if (inTime && !errored && socket_->state() == QAbstractSocket::ConnectedState) return true;
    setOpenError(OpenError::Network, connectErrorText(inTime ? error : QAbstractSocket::SocketTimeoutError));
    dropSocket();
    return false;
}

bool NetworkPortTransport::negotiateWithin(int ms)
{
    bool closed = false;
    QMetaObject::Connection c1 = connect(socket_, &QTcpSocket::readyRead, this, [this] {
        const QByteArray reply = client_.receive(socket_->readAll(), rx_);
        if (!reply.isEmpty()) sendNow(reply);
    });
    QMetaObject::Connection c2 = connect(socket_, &QTcpSocket::disconnected, this, [&closed] { closed = true; });
    sendNow(client_.greeting());
    const bool answered = WaitInEventLoop(
        ms, [&] { return !socket_ || closed || client_.comPortAccepted() || client_.comPortRefused(); });
    disconnect(c1);
    disconnect(c2);
    if (!socket_) {
        setOpenError(OpenError::Other, QStringLiteral("the port was closed while it was being opened"));
        return false;
    }
    const QString at = address_.hostAndPort();
    if (closed) {
        setOpenError(OpenError::Network, QStringLiteral("the server at %1 closed the connection at once (is the port "
                                                        "in use by another client?)")
                                             .arg(at));
    } else if (!answered || client_.comPortRefused()) {
        setOpenError(OpenError::Network,
                     QStringLiteral("the server at %1 does not offer the COM port control of RFC 2217%2; for a plain "
                                    "TCP port use socket://%1")
                         .arg(at, answered ? QString() : QStringLiteral(" (no answer within %1 seconds)").arg(Seconds(kConnectTimeoutMs))));
    } else {
        return true;
    }
    dropSocket();
    return false;
}

void NetworkPortTransport::tuneSocket()
{
    // A server whose machine has gone away is noticed within seconds, not minutes: unanswered
    // keep-alive probes while idle, unacknowledged data while sending.
    const int fd = int(socket_->socketDescriptor());
    if (fd < 0) return;
    const int idle = std::max(1, clock::scaled(5000) / 1000), interval = std::max(1, clock::scaled(2000) / 1000), count = 3;
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    const unsigned userTimeout = unsigned(std::max(1000, clock::scaled(kUnacknowledgedMs)));
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
}

void NetworkPortTransport::close()
{
    ping_.stop();
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState) socket_->flush();
    dropSocket();
    open_ = false;
    rx_.clear();
}

void NetworkPortTransport::dropSocket()
{
    if (!socket_) return;
    QTcpSocket* s = socket_;
    socket_ = nullptr;
    s->disconnect(this);
    s->abort();
    s->deleteLater();
}

void NetworkPortTransport::fail(const QString& reason)
{
    if (!open_ || failed_) return;
    failed_ = true;
    ping_.stop();
    emit failed(reason);
}

void NetworkPortTransport::sendNow(const QByteArray& bytes)
{
    if (!socket_ || bytes.isEmpty()) return;
    socket_->write(bytes);
    socket_->flush();
    ackAtOnce();
}

void NetworkPortTransport::ackAtOnce()
{
    // A server that sends with Nagle's algorithm (ser2net's default) holds the rest of an echo
    // or reply until its first piece is acknowledged, and after a write of ours the system
    // delays acknowledgements by up to 40 ms, hoping to carry them on the next one. Every
    // transaction would wait for that. The system drops back to delaying after a while, so
    // this is asked again after each read and write.
    if (!socket_) return;
    const int fd = int(socket_->socketDescriptor());
    const int on = 1;
    if (fd >= 0) ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

void NetworkPortTransport::takeIncoming() { takeIncomingAnnouncing(true); }

void NetworkPortTransport::takeIncomingAnnouncing(bool announce)
{
    if (!socket_) return;
    const QByteArray raw = socket_->readAll();
    if (raw.isEmpty()) return;
    ackAtOnce();
    silentPings_ = 0;
    const qint64 before = rx_.size();
    if (telnet_) {
        const QByteArray reply = client_.receive(raw, rx_);
        if (!reply.isEmpty()) sendNow(reply);
        uint8_t state = 0;
        if (client_.modemState(state) && (state != modemState_ || !modemKnown_)) {
            modemState_ = state;
            modemKnown_ = true;
            emit modemLinesChanged();
        }
    } else {
        rx_ += raw;
    }
    const bool added = rx_.size() > before;
    if (rx_.size() > kMaxInput) rx_.remove(0, rx_.size() - kMaxInput);
    if (added && open_ && announce) emit readyRead();
}

void NetworkPortTransport::onPing()
{
    if (!open_ || !socket_) return;
    // Only a server that has answered the COM port control before is expected to answer now.
    if (client_.answersReceived() > 0 && ++silentPings_ * kPingIntervalMs > kSilentServerMs) {
        fail(QStringLiteral("the server at %1 stopped answering").arg(address_.hostAndPort()));
        return;
    }
    sendNow(telnet::AskBaud());
}

void NetworkPortTransport::setBaud(int baud)
{
    if (open_ && telnet_) sendNow(telnet::SetBaud(baud));
}

void NetworkPortTransport::setParity(Parity parity)
{
    if (open_ && telnet_) sendNow(telnet::SetParity(parity));
}

qint64 NetworkPortTransport::read(char* buffer, qint64 max)
{
    const qint64 n = std::min<qint64>(max, rx_.size());
    if (n <= 0) return 0;
    std::copy_n(rx_.constData(), n, buffer);
    rx_.remove(0, n);
    return n;
}

QByteArray NetworkPortTransport::readAll()
{
    QByteArray out;
    out.swap(rx_);
    return out;
}

void NetworkPortTransport::clearInput()
{
    // The socket's bytes too, with the Telnet commands among them handled; nobody is told of
    // bytes that are dropped at once.
    takeIncomingAnnouncing(false);
    rx_.clear();
}

qint64 NetworkPortTransport::bytesToWrite() const { return socket_ ? socket_->bytesToWrite() : 0; }

void NetworkPortTransport::write(const QByteArray& bytes, bool now)
{
    if (!open_ || !socket_ || bytes.isEmpty()) return;
    socket_->write(telnet_ ? telnet::Escape(bytes) : bytes);
    // The pieces a caller writes one after the other (a frame's "PASS ", text, checksum and CRs)
    // leave together in one segment: when it flushes, or as soon as it gives the event loop
    // back. Sent one by one they would reach the server as separate packets, and the units'
    // line as a frame with gaps in it.
    if (now && !flushPosted_) {
        flushPosted_ = true;
        QMetaObject::invokeMethod(this, &NetworkPortTransport::flush, Qt::QueuedConnection);
    }
}

void NetworkPortTransport::flush()
{
    flushPosted_ = false;
    if (!socket_) return;
    socket_->flush();
    ackAtOnce();
}

bool NetworkPortTransport::modemLines(bool& cts, bool& dcd)
{
    uint8_t state = 0;
    if (!open_ || !telnet_ || !client_.modemState(state)) return false;
    cts = state & telnet::kModemCts;
    dcd = state & telnet::kModemDcd;
    return true;
}

}  // namespace kalvora
