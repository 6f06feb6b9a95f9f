#include "platform/signal_watch.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace kalvora {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t g_writeEnd = -1;

void OnSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (g_writeEnd >= 0) {
        const ssize_t n = ::write(g_writeEnd, &byte, 1);
        (void)n;  // a full pipe already holds a signal to take
    }
    errno = saved;
}

}  // namespace

SignalWatch::SignalWatch(QObject* parent) : QObject(parent)
{
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalWatch::takeSignals);
    g_writeEnd = pipe_[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals) ::sigaction(s, &action, nullptr);
    // A parent may have started this program with them blocked; they are wanted here.
    sigset_t wanted;
    sigemptyset(&wanted);
    for (int s : kSignals) sigaddset(&wanted, s);
    ::pthread_sigmask(SIG_UNBLOCK, &wanted, nullptr);
}

SignalWatch::~SignalWatch()
{
    for (int s : kSignals) std::signal(s, SIG_DFL);
    g_writeEnd = -1;
    delete notifier_;
    for (int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void SignalWatch::takeSignals()
{
    unsigned char bytes[16];
    ssize_t n;
    while ((n = ::read(pipe_[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < n; ++i) {
            received_ = bytes[i];
            emit signalled(received_);
        }
}

}  // namespace kalvora
