#include "platform/gui/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace kalvora {
namespace {
constexpr int kConnectTimeoutMs = 500;  // a local socket answers at once or not at all
const QByteArray kActivateRequest = QByteArrayLiteral("activate\n");
}  // namespace

QString SingleInstance::defaultName()
{
    const QString base = QStringLiteral("TKalvoraForm-%1").arg(::getuid());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) return QDir(runtime).filePath(base);
    return base;
}

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::listen()
{
    delete server_;
    server_ = new QLocalServer(this);
    if (!server_->listen(name_)) {
        error_ = server_->errorString();
        delete server_;
        server_ = nullptr;
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = server_->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                // Any request from a later start means: come to the front.
                peer->readAll();
                emit activationRequested();
            });
        }
    });
    return true;
}

bool SingleInstance::notifyRunning()
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    socket.write(kActivateRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

SingleInstance::Result SingleInstance::claim()
{
    if (listen()) return Result::Primary;
    // The name is taken. A live instance accepts a connection; a stale socket file refuses.
    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
        probe.disconnectFromServer();
        return Result::OtherRunning;
    }
    QLocalServer::removeServer(name_);
    if (listen()) return Result::Primary;
    return Result::Failed;
}

}  // namespace kalvora
