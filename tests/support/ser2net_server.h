#pragma once
// A network serial server (ser2net) in front of a pseudo-terminal, for tests and benchmarks:
// raw TCP or Telnet with COM port control, on a free loopback port, run in the foreground with
// its own configuration file in a temporary folder. Stopped (SIGTERM), killed or restarted at
// will. Every wait is bounded and sleeps in the event loop.

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

namespace kalvora::testing {

// How the server passes bytes on. The defaults send everything at once; ser2net's own defaults
// (Nagle's algorithm on its connection, and a wait of two characters' time, at least 1 ms and at
// most 20 ms, after each byte from the device in case more follow) are what a server configured
// with nothing but the port has.
struct Ser2netTuning {
    bool nodelay = true;
    bool chardelay = false;
    static Ser2netTuning ServerDefaults() { return {false, true}; }
};

class Ser2net {
public:
    enum class Mode { Raw, Rfc2217 };

    // The program, or empty when it is not installed.
    static QString Program()
    {
        QString p = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
        if (p.isEmpty())
            p = QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                               {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"),
                                                QStringLiteral("/sbin")});
        return p;
    }

    using Tuning = Ser2netTuning;

    // `baud`: the line the server sets on the device when it opens it.
    Ser2net(QString device, Mode mode, int baud = 38400, Tuning tuning = {})
        : device_(std::move(device)), mode_(mode), baud_(baud), tuning_(tuning)
    {
    }
    ~Ser2net() { stop(); }

    // Starts the server on a free loopback port; false with the reason in error().
    bool start()
    {
        if (!dir_.isValid()) return fail(QStringLiteral("no temporary folder"));
        if (port_ == 0) port_ = FreePort();
        if (port_ == 0) return fail(QStringLiteral("no free loopback port"));
        const QString config = dir_.filePath(QStringLiteral("ser2net.yaml"));
        QFile f(config);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return fail(QStringLiteral("cannot write the configuration"));
        const QString tcp = tuning_.nodelay ? QStringLiteral("tcp(nodelay)") : QStringLiteral("tcp");
        const QString accepter = mode_ == Mode::Raw ? QStringLiteral("%1,127.0.0.1,%2").arg(tcp).arg(port_)
                                                    : QStringLiteral("telnet(rfc2217),%1,127.0.0.1,%2").arg(tcp).arg(port_);
        f.write(QStringLiteral("%YAML 1.1\n---\nconnection: &unit\n"
                               "    accepter: %1\n"
                               "    connector: serialdev,%2,%3n81,local\n"
                               "    options:\n"
                               "      kickolduser: true\n"
                               "      chardelay: %4\n")
                    .arg(accepter, device_, QString::number(baud_), tuning_.chardelay ? "true" : "false")
                    .toUtf8());
        f.close();
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::MergedChannels);
        // -n: foreground; -u: no UUCP lock files; -c: this configuration only.
        process_->start(Program(), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), config});
        if (!process_->waitForStarted(5000)) return fail(QStringLiteral("ser2net did not start"));
        // Listening shows in the kernel's table of TCP sockets; no connection is made to see it.
        for (int i = 0; i < 250; ++i) {
            if (Listening()) return true;
            if (process_->state() != QProcess::Running)
                return fail(QStringLiteral("ser2net ended: ") + QString::fromLocal8Bit(process_->readAll()));
            Sleep(20);
        }
        return fail(QStringLiteral("ser2net does not listen on port %1").arg(port_));
    }

    // Ends the server (SIGTERM, or SIGKILL when `kill`) and waits for it to be gone.
    void stop(bool kill = false)
    {
        if (!process_) return;
        if (process_->state() != QProcess::NotRunning) {
            if (kill) process_->kill();
            else process_->terminate();
            if (!process_->waitForFinished(5000)) {
                process_->kill();
                process_->waitForFinished(5000);
            }
        }
        process_.reset();
    }

    quint16 port() const { return port_; }
    QString address() const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(mode_ == Mode::Raw ? "socket" : "rfc2217").arg(port_);
    }
    QString error() const { return error_; }

    static quint16 FreePort()
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
        return probe.serverPort();
    }

    static void Sleep(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }

private:
    bool fail(const QString& why)
    {
        error_ = why;
        return false;
    }
    bool Listening() const
    {
        // /proc/net/tcp: "sl local_address rem_address st ...", addresses in hex; 0A = LISTEN.
        const QString wanted = QStringLiteral(":%1").arg(port_, 4, 16, QLatin1Char('0')).toUpper();
        for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
            QFile f(QString::fromLatin1(table));
            if (!f.open(QIODevice::ReadOnly)) continue;
            const QList<QByteArray> lines = f.readAll().split('\n');
            for (const QByteArray& line : lines) {
                const QList<QByteArray> cols = line.simplified().split(' ');
                if (cols.size() > 3 && cols[1].endsWith(wanted.toLatin1()) && cols[3] == "0A") return true;
            }
        }
        return false;
    }

    QString device_;
    Mode mode_;
    int baud_;
    Tuning tuning_;
    QTemporaryDir dir_;
    quint16 port_ = 0;
    std::unique_ptr<QProcess> process_;
    QString error_;
};

}  // namespace kalvora::testing
