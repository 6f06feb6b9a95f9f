#pragma once
// A COM port on a network serial server: a TCP connection carrying the bytes as they are
// (socket://), or Telnet with the COM port control option (rfc2217://), through which the
// program also sets the server's line and learns its modem lines.
//
// The connection is made within a few seconds (through the clock) while the event loop runs.
// A refused or unreachable server fails the open; a connection that drops, or a Telnet server
// that stops answering, fails the port as a pulled cable would.

#include <QAbstractSocket>
#include <QTimer>

#include "platform/network_port_address.h"
#include "platform/port_transport.h"
#include "platform/telnet_com_port.h"

class QTcpSocket;

namespace kalvora {

class NetworkPortTransport : public PortTransport {
    Q_OBJECT
public:
    // Nominal times, through the clock.
    static constexpr int kConnectTimeoutMs = 3000;   // TCP connection and Telnet negotiation
    static constexpr int kPingIntervalMs = 1000;     // Telnet: asks the server whether it is there
    static constexpr int kSilentServerMs = 4000;     // Telnet: no answer this long = server gone
    static constexpr int kUnacknowledgedMs = 10000;  // sent data the server's machine has not taken
    // Received bytes kept for a reader that does not come; older ones are dropped, as an
    // overrunning receiver does.
    static constexpr qint64 kMaxInput = 64 * 1024;

    explicit NetworkPortTransport(NetworkPortAddress::Protocol protocol, QObject* parent = nullptr);
    ~NetworkPortTransport() override;

    Kind kind() const override { return telnet_ ? Kind::Rfc2217 : Kind::RawTcp; }
    bool open(const QString& name, const LineSettings& line) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void setBaud(int baud) override;
    void setParity(Parity parity) override;
    qint64 bytesAvailable() const override { return rx_.size(); }
    qint64 read(char* buffer, qint64 max) override;
    QByteArray readAll() override;
    void clearInput() override;
    qint64 bytesToWrite() const override;
    void write(const QByteArray& bytes, bool now) override;
    void flush() override;
    bool modemLines(bool& cts, bool& dcd) override;
    bool reportsModemLines() const override { return telnet_; }
    QString where() const override { return address_.hostAndPort(); }

    // The Telnet session (for checks of what the server said).
    const telnet::ComPortClient& telnetClient() const { return client_; }

private:
    bool connectWithin(int ms);
    bool negotiateWithin(int ms);
    void tuneSocket();
    void takeIncoming();
    void takeIncomingAnnouncing(bool announce);
    void sendNow(const QByteArray& bytes);
    void ackAtOnce();
    void onPing();
    void fail(const QString& reason);
    void dropSocket();
    QString connectErrorText(QAbstractSocket::SocketError error) const;

    bool telnet_;
    NetworkPortAddress address_;
    QTcpSocket* socket_ = nullptr;
    telnet::ComPortClient client_;
    QByteArray rx_;
    bool open_ = false;
    bool failed_ = false;
    uint8_t modemState_ = 0;
    QTimer ping_;
    bool modemKnown_ = false;
    int silentPings_ = 0;
    bool flushPosted_ = false;  // a flush waits in the event queue for what write() queued
};

}  // namespace kalvora
