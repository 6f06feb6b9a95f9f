// kalvora-sim: a simulated unit or controller on a pseudo-terminal, until SIGINT or SIGTERM.

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/command_line.h"
#include "sim/sim_options.h"
#include "sim/simulator.h"

using namespace kalvora::sim;

namespace {

int Fail(const QString& message, int status)
{
    std::fprintf(stderr, "kalvora-sim: %s\n", message.toLocal8Bit().constData());
    if (status == 2) std::fprintf(stderr, "Try 'kalvora-sim --help'.\n");
    return status;
}

// Replaces an old symbolic link at path, never a regular file or directory.
bool MakeLink(const QByteArray& path, const QByteArray& target, QString& error)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = QStringLiteral("%1 exists and is not a symbolic link").arg(QString::fromLocal8Bit(path));
            return false;
        }
        ::unlink(path.constData());
    }
    if (::symlink(target.constData(), path.constData()) != 0) {
        error = QStringLiteral("cannot create the link %1: %2")
                    .arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

// Removes the link only if it still points at our device.
void RemoveLink(const QByteArray& path, const QByteArray& target)
{
    char buf[4096];
    const ssize_t n = ::readlink(path.constData(), buf, sizeof buf - 1);
    if (n < 0) return;
    buf[n] = '\0';
    if (target == buf) ::unlink(path.constData());
}

}  // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    QString error;
    if (!ParseSimOptions(kalvora::ProgramArguments(argc, argv), options, error)) return Fail(error, 2);
    if (options.help) {
        std::fputs(SimUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("kalvora-sim %s\n", KALVORA_VERSION);
        return 0;
    }

    // A log on a pipe whose reader has gone (--log /dev/stdout | head) loses its lines; the
    // simulated units keep answering.
    std::signal(SIGPIPE, SIG_IGN);
    // Signals arrive through a descriptor so that the event loop ends cleanly.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    if (::sigprocmask(SIG_BLOCK, &mask, nullptr) != 0) return Fail(QStringLiteral("cannot block signals"), 1);
    const int sigFd = ::signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
    if (sigFd < 0) return Fail(QStringLiteral("cannot watch signals"), 1);

    QCoreApplication app(argc, argv);
    QSocketNotifier signalNotifier(sigFd, QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [sigFd] {
        signalfd_siginfo info;
        while (::read(sigFd, &info, sizeof info) == ssize_t(sizeof info)) {
        }
        QCoreApplication::quit();
    });

    Simulator sim(options.config);
    sim.faults() = options.faults;
    sim.log().setRetainEntries(false);  // runs for hours: the log file is the record
    if (!options.logPath.isEmpty() && !sim.log().openFile(options.logPath))
        return Fail(QStringLiteral("cannot open the log file %1").arg(options.logPath), 1);
    if (!sim.start(&error)) return Fail(error, 1);

    const QByteArray device = sim.slavePath().toLocal8Bit();
    const QByteArray link = options.linkPath.toLocal8Bit();
    if (!link.isEmpty() && !MakeLink(link, device, error)) return Fail(error, 1);

    std::printf("%s\n", device.constData());
    std::fflush(stdout);

    const int status = app.exec();
    if (!link.isEmpty()) RemoveLink(link, device);
    ::close(sigFd);
    return status;
}
