#pragma once
// One running program per user. The first instance listens on a local socket named after the
// main window class and the user id, in a folder only the user may enter; a later start connects
// to it, asks it to come to the front (and to open the configuration file it was started with)
// and ends. Only the same user's connections are served. A socket file left behind by a crashed
// instance refuses connections: it is removed and taken over, never mistaken for a running
// program.
//
// The requests are handed on from the event loop, never from inside a socket's own handler: what
// they start (a file load with its message boxes) may run an event loop of its own, in which a
// connection ends and its socket is deleted.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace kalvora {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Result { Primary, OtherRunning, Failed };

    // The socket name: "TKalvoraForm-<uid>" inside $XDG_RUNTIME_DIR when that is private to the
    // user, else inside /tmp/kalvora-<uid> (made with mode 0700).
    static QString defaultName();

    explicit SingleInstance(QString name = defaultName(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the listening instance, or finds the running one (and asks it to come to the front).
    Result claim();
    // Asks the running instance to bring its window to the front and, when `fileName` is given
    // (a path's bytes as the system names the file: any bytes but NUL), to open that
    // configuration file; true if it was reached.
    bool notifyRunning(const QByteArray& fileName = QByteArray());

    // A later start writes its request at once: a connection that stays silent this long is
    // dropped.
    void setRequestTimeout(int ms) { requestTimeoutMs_ = ms; }

    const QString& name() const { return name_; }
    QString errorText() const { return error_; }

signals:
    // Another start asked this instance to show its window.
    void activationRequested();
    // Another start was given this configuration file to open (after activationRequested): the
    // path's bytes exactly as that start was given them.
    void openRequested(const QByteArray& fileName);

private:
    bool listen();
    bool nameIsPrivate() const;
    void acceptPeers();
    void readRequests(QLocalSocket* peer, QByteArray& pending);
    void takeRequest(const QByteArray& line);
    void deliverRequests();
    void keepListening();
    QString name_;
    QString error_;
    QLocalServer* server_ = nullptr;
    int peers_ = 0;
    int requestTimeoutMs_ = 2000;
    // Taken from the connections, waiting for the event loop to hand them on. Of several open
    // requests only the newest counts.
    bool activationPending_ = false;
    std::optional<QByteArray> openPending_;
    bool deliveryPosted_ = false;
};

}  // namespace kalvora
