#include "platform/gui/single_instance.h"

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <memory>
#include <utility>


namespace kalvora {
namespace {
constexpr int kConnectTimeoutMs = 500;  // a local socket answers at once or not at all
const QByteArray kActivateRequest = QByteArrayLiteral("activate\n");
// Then the path's bytes, percent-encoded (a line feed, a '%' and bytes that are not text travel as
// "%XX"), and a line feed.
const QByteArray kOpenRequest = QByteArrayLiteral("open ");
// The longest argument a program can be given (128 KiB), percent-encoded; a longer line is no
// request of a later start and is dropped.
constexpr qsizetype kMaxRequest = 3 * 128 * 1024 + 64;
// No more than this many connections are served at a time, so idle ones cannot use up the
// program's descriptors.
constexpr int kMaxPeers = 16;

// A folder only this user may enter: its own, a directory, no access for group and others.
bool IsPrivateFolder(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

// Made when missing; false when the path is someone else's or open to others.
bool MakePrivateFolder(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return false;
    return IsPrivateFolder(path);
}

bool PeerIsThisUser(QLocalSocket* peer)
{
    ucred cred {};
    socklen_t size = sizeof cred;
    const int fd = int(peer->socketDescriptor());
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 && cred.uid == ::getuid();
}
}  // namespace

QString SingleInstance::defaultName()
{
    // Inside a folder no other user can write to, so nobody else can take the name first. The
    // session's runtime folder when it is private, else a folder of our own in the temporary
    // folder, else one in the user's cache folder.
    const QString base = QStringLiteral("TKalvoraForm-%1").arg(::getuid());
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateFolder(QFile::encodeName(runtime))) return QDir(runtime).filePath(base);
    const QString tmp = QDir::tempPath() + QStringLiteral("/kalvora-%1").arg(::getuid());
    if (MakePrivateFolder(QFile::encodeName(tmp))) return QDir(tmp).filePath(base);
    const QString cache = QDir::homePath() + QStringLiteral("/.cache");
    QDir().mkpath(cache);
    const QString own = cache + QStringLiteral("/kalvora-run");
    if (MakePrivateFolder(QFile::encodeName(own))) return QDir(own).filePath(base);
    return QDir(tmp).filePath(base);  // not private: claim() refuses it
}

bool SingleInstance::nameIsPrivate() const
{
    const QString folder = QFileInfo(name_).absolutePath();
    return !name_.contains(QLatin1Char('/')) ? false : IsPrivateFolder(QFile::encodeName(folder));
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
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptPeers);
    return true;
}

void SingleInstance::acceptPeers()
{
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        if (peers_ >= kMaxPeers || !PeerIsThisUser(peer)) {
            peer->abort();
            peer->deleteLater();
            continue;
        }
        ++peers_;
        connect(peer, &QObject::destroyed, this, [this] {
            --peers_;
            keepListening();
        });
        auto* silence = new QTimer(peer);
        silence->setSingleShot(true);
        connect(silence, &QTimer::timeout, peer, [peer] {
            peer->abort();
            peer->deleteLater();
        });
        silence->start(requestTimeoutMs_);
        // Requests are lines; a later start may write one in pieces.
        auto pending = std::make_shared<QByteArray>();
        connect(peer, &QLocalSocket::readyRead, this, [this, peer, pending, silence] {
            silence->start(requestTimeoutMs_);
            readRequests(peer, *pending);
        });
    }
    keepListening();
}

// Runs inside the socket's handler: it only takes the complete lines, and leaves what they ask
// for to the event loop.
void SingleInstance::readRequests(QLocalSocket* peer, QByteArray& pending)
{
    pending.append(peer->readAll());
    qsizetype end;
    while ((end = pending.indexOf('\n')) >= 0) {
        takeRequest(pending.left(end));
        pending.remove(0, end + 1);
    }
    if (pending.size() > kMaxRequest) {
        pending.clear();
        // Closed once its handler has returned.
        QMetaObject::invokeMethod(peer, &QLocalSocket::abort, Qt::QueuedConnection);
    }
}

void SingleInstance::takeRequest(const QByteArray& line)
{
    // Any request from a later start means: come to the front.
    activationPending_ = true;
    if (line.startsWith(kOpenRequest)) openPending_ = QByteArray::fromPercentEncoding(line.mid(kOpenRequest.size()));
    if (deliveryPosted_) return;
    deliveryPosted_ = true;
    QMetaObject::invokeMethod(this, &SingleInstance::deliverRequests, Qt::QueuedConnection);
}

void SingleInstance::deliverRequests()
{
    deliveryPosted_ = false;
    if (!std::exchange(activationPending_, false)) return;
    const std::optional<QByteArray> open = std::exchange(openPending_, std::nullopt);
    emit activationRequested();
    if (open && !open->isEmpty()) emit openRequested(*open);
}

// The server stops listening when it cannot accept a connection (no descriptor left): the name
// is taken again at once, so a later start still finds this instance.
void SingleInstance::keepListening()
{
    if (!server_ || server_->isListening()) return;
    QLocalServer::removeServer(name_);
    if (server_->listen(name_)) return;
    QTimer::singleShot(requestTimeoutMs_ / 4, this, &SingleInstance::keepListening);
}

bool SingleInstance::notifyRunning(const QByteArray& fileName)
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    // The name goes as its bytes: one with a line feed, a leading dash or bytes that are not
    // text arrives as it was given.
    socket.write(fileName.isEmpty() ? kActivateRequest : kOpenRequest + fileName.toPercentEncoding("/") + '\n');
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kConnectTimeoutMs)) {
    }
    socket.disconnectFromServer();
    return true;
}

SingleInstance::Result SingleInstance::claim()
{
    if (!nameIsPrivate()) {
        error_ = QStringLiteral("%1 is not in a folder of this user's own").arg(name_);
        return Result::Failed;
    }
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
