#include "platform/gui/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

namespace kalvora {
namespace {
constexpr int kConnectTimeoutMs = 500;  // a local socket answers at once or not at all
const QByteArray kActivateRequest = QByteArrayLiteral("activate\n");
const QByteArray kOpenRequest = QByteArrayLiteral("open ");  // then the path in UTF-8 and a line feed
constexpr qsizetype kMaxRequest = 64 * 1024;                 // a path is far shorter; anything longer is dropped
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
            // Requests are lines; a later start may write one in pieces.
            auto pending = std::make_shared<QByteArray>();
            connect(peer, &QLocalSocket::readyRead, this, [this, peer, pending] {
                pending->append(peer->readAll());
                qsizetype end;
                while ((end = pending->indexOf('\n')) >= 0) {
                    const QByteArray line = pending->left(end);
                    pending->remove(0, end + 1);
                    takeRequest(line);
                }
                if (pending->size() > kMaxRequest) {
                    pending->clear();
                    peer->abort();
                }
            });
        }
    });
    return true;
}

void SingleInstance::takeRequest(const QByteArray& line)
{
    // Any request from a later start means: come to the front.
    emit activationRequested();
    if (line.startsWith(kOpenRequest)) {
        const QString file = QString::fromUtf8(line.mid(kOpenRequest.size()));
        if (!file.isEmpty()) emit openRequested(file);
    }
}

bool SingleInstance::notifyRunning(const QString& file)
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    // A path holding a line feed cannot travel in one line; the other instance just comes forward.
    if (file.isEmpty() || file.contains(QLatin1Char('\n'))) socket.write(kActivateRequest);
    else socket.write(kOpenRequest + file.toUtf8() + '\n');
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
