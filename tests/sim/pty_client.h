#pragma once
// The program's end of a simulated line in tests: the pseudo-terminal's slave opened with plain
// POSIX calls, read in the Qt event loop (QSocketNotifier), never by polling.

#include <QByteArray>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <termios.h>
#include <unistd.h>

namespace kalvora::testing {

class PtyClient {
public:
    explicit PtyClient(const QString& path)
    {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0) {
            termios t{};
            ::tcgetattr(fd_, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~PtyClient()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Whatever has arrived, without waiting.
    QByteArray drain()
    {
        QByteArray got;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fd_, buf, sizeof buf)) > 0) got.append(buf, int(n));
        return got;
    }

    // Writes everything; while the line is full it sleeps in the event loop (where the
    // simulator reads) until there is room again.
    bool write(const QByteArray& bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
            QEventLoop loop;
            QSocketNotifier room(fd_, QSocketNotifier::Write);
            QObject::connect(&room, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
            QTimer::singleShot(5000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return true;
    }

    // Sleeps in the event loop until `done` holds for the bytes received so far (which are
    // returned and consumed), or until the safety limit passes (then whatever came is returned).
    QByteArray readUntil(const std::function<bool(const QByteArray&)>& done, int limitMs = 5000)
    {
        QByteArray got;
        QEventLoop loop;
        QSocketNotifier notifier(fd_, QSocketNotifier::Read);
        QTimer limit;
        limit.setSingleShot(true);
        limit.setTimerType(Qt::PreciseTimer);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        const auto drain = [&] {
            char buf[4096];
            ssize_t n;
            while ((n = ::read(fd_, buf, sizeof buf)) > 0) got.append(buf, int(n));
            if (done(got)) loop.quit();
        };
        QObject::connect(&notifier, &QSocketNotifier::activated, &loop, drain);
        drain();
        if (done(got)) return got;
        limit.start(limitMs);
        loop.exec();
        return got;
    }
    QByteArray readUntilEndsWith(const QByteArray& tail, int limitMs = 5000)
    {
        return readUntil([&](const QByteArray& b) { return b.endsWith(tail); }, limitMs);
    }
    QByteArray readCount(qsizetype n, int limitMs = 5000)
    {
        return readUntil([&](const QByteArray& b) { return b.size() >= n; }, limitMs);
    }

private:
    int fd_ = -1;
};

// Sleeps in the event loop for a nominal duration already scaled by the caller, or until `done`.
inline void RunEventsFor(int realMs)
{
    QEventLoop loop;
    QTimer::singleShot(realMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace kalvora::testing
