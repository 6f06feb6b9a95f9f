#pragma once
// A TCP relay on a loopback port between the program and a server, in the test's event loop:
// it can cut the connection (both sides aborted) or go silent (nothing relayed any more, the
// connection left open), as a network between them might.

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace kalvora::testing {

class TcpRelay : public QObject {
public:
    explicit TcpRelay(quint16 serverPort) : serverPort_(serverPort)
    {
        listener_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&listener_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = listener_.nextPendingConnection()) {
                client_ = client;
                server_ = new QTcpSocket(this);
                server_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                client_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                server_->connectToHost(QHostAddress::LocalHost, serverPort_);
                QObject::connect(client_, &QTcpSocket::readyRead, this, [this] { pump(client_, server_, toServer); });
                QObject::connect(server_, &QTcpSocket::readyRead, this, [this] { pump(server_, client_, toClient); });
                QObject::connect(server_, &QTcpSocket::connected, this, [this] { pump(client_, server_, toServer); });
                QObject::connect(server_, &QTcpSocket::disconnected, this, [this] { if (client_) client_->disconnectFromHost(); });
                QObject::connect(client_, &QTcpSocket::disconnected, this, [this] { if (server_) server_->disconnectFromHost(); });
            }
        });
    }

    // The sockets report their disconnection while they are being destroyed: no handler of this
    // relay may run then.
    ~TcpRelay() override
    {
        for (QTcpSocket* socket : {client_.data(), server_.data()}) {
            if (!socket) continue;
            socket->disconnect(this);
            socket->abort();
        }
    }

    quint16 port() const { return listener_.serverPort(); }
    // Aborts both connections at once, as a cut cable between the two machines.
    void cut()
    {
        if (client_) client_->abort();
        if (server_) server_->abort();
    }
    // Relays nothing more either way; the connections stay open.
    void goSilent() { silent_ = true; }
    bool connected() const { return client_ && client_->state() == QAbstractSocket::ConnectedState; }

    qint64 toServer = 0;  // bytes relayed so far
    qint64 toClient = 0;

private:
    void pump(QTcpSocket* from, QTcpSocket* to, qint64& count)
    {
        if (silent_ || !from || !to || to->state() != QAbstractSocket::ConnectedState) return;
        const QByteArray bytes = from->readAll();
        count += bytes.size();
        to->write(bytes);
        to->flush();
    }

    quint16 serverPort_;
    QTcpServer listener_;
    QPointer<QTcpSocket> client_;
    QPointer<QTcpSocket> server_;
    bool silent_ = false;
};

}  // namespace kalvora::testing
