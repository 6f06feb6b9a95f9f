#pragma once
// One running program per user. The first instance listens on a local socket named after the
// main window class and the user id, in a folder only the user may enter; a later start connects
// to it, asks it to come to the front (and to open the configuration file it was started with)
// and ends. Only the same user's connections are served. A socket file left behind by a crashed
// instance refuses connections: it is removed and taken over, never mistaken for a running
// program.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QLocalServer;

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
    // Asks the running instance to bring its window to the front and, when `file` is given, to
    // open that configuration file; true if it was reached.
    bool notifyRunning(const QString& file = QString());

    // A later start writes its request at once: a connection that stays silent this long is
    // dropped.
    void setRequestTimeout(int ms) { requestTimeoutMs_ = ms; }

    const QString& name() const { return name_; }
    QString errorText() const { return error_; }

signals:
    // Another start asked this instance to show its window.
    void activationRequested();
    // Another start was given this configuration file to open (after activationRequested).
    void openRequested(const QString& file);

private:
    bool listen();
    bool nameIsPrivate() const;
    void acceptPeers();
    void keepListening();
    void takeRequests(const QList<QByteArray>& lines);
    QString name_;
    QString error_;
    QLocalServer* server_ = nullptr;
    int peers_ = 0;
    int requestTimeoutMs_ = 2000;
};

}  // namespace kalvora
