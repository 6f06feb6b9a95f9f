#include "link/procedure_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "link/link.h"
#include "platform/clock.h"
#include "platform/operator.h"
#include "settings/main_flags.h"

namespace kalvora {
namespace {

constexpr int kTickMs = 55;
constexpr int kMaxDrainRounds = 100;  // a line that never falls quiet is not waited on forever

// Sleeps in the event loop for `realMs`, or until bytes arrive when `wakeOnData` is given.
// True when bytes arrived.
bool SleepRealMs(SerialPort& port, int realMs, bool wakeOnData)
{
    if (realMs <= 0) return false;
    bool done = false, arrived = false;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&done] { done = true; });
    QMetaObject::Connection data;
    if (wakeOnData)
        data = QObject::connect(&port, &SerialPort::triggerAvail, [&] { arrived = done = true; });
    timer.start(realMs);
    while (!done && port.isOpen()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(data);
    return arrived;
}

// Throws away replies to earlier polls until the line has been quiet for a while.
void DrainLateReplies(SerialPort& port)
{
    for (int round = 0; round < kMaxDrainRounds && port.isOpen(); ++round) {
        port.flushInBuffer();
        if (!SleepRealMs(port, clock::scaled(kLateReplyQuietMs), true) && port.bytesAvailable() == 0) break;
    }
    port.flushInBuffer();
}

}  // namespace

QString MsgUnitSilentAfterProcedure(int unit, const QString& procedure, int seconds)
{
    return QStringLiteral("Error! Tornel %1 did not answer within %2 seconds after %3 started. Its settings were not "
                          "read back. Please check the Tornel, then use 'Serial Port->Read from Tornel(s) ...'.")
        .arg(unit)
        .arg(seconds)
        .arg(procedure);
}

bool WaitForUnitAfterProcedure(Link& link, const ProcedureWait& wait, const QElapsedTimer& started,
                               const std::function<bool()>& poll)
{
    const int busyAllowanceMs = wait.allowanceTicks * kTickMs;
    const int silentAllowanceMs =
        wait.silentAllowanceMs < 0 ? busyAllowanceMs : std::min(wait.silentAllowanceMs, busyAllowanceMs);
    const int intervalMs = clock::scaled(kPollIntervalMs);
    // The operator waits with the procedure: nothing typed or clicked meanwhile would reach a
    // unit that answers nobody, and a refusal would go unreported in the quiet polls.
    const Link::LongWait held(link);
    bool answered = false;
    bool unanswered = false;  // a poll ended without an answer: the controller may answer it late
    qint64 lastSignOfLife = 0;  // since `started`: the last time the controller reported the unit busy
    int limitMs = silentAllowanceMs;
    {
        const bool wasQuiet = link.quietFailures();
        link.setQuietFailures(true);
        const auto restore = qScopeGuard([&link, wasQuiet] { link.setQuietFailures(wasQuiet); });
        for (int attempt = 1;; ++attempt) {
            QElapsedTimer pollTime;
            pollTime.start();
            if (poll()) {
                answered = true;
                break;
            }
            if (link.sequenceStopped() || !link.linkUp() || !link.port().isOpen()) return false;
            unanswered = true;
            if (link.lastOutcome().unitDidNotAnswer()) lastSignOfLife = started.elapsed();
            // Busy: the whole allowance from the start; silent: the silent allowance from the
            // last time the unit was reported busy (or from the start).
            const qint64 busyLeft = clock::scaled(busyAllowanceMs) - started.elapsed();
            const qint64 silentLeft = lastSignOfLife + clock::scaled(silentAllowanceMs) - started.elapsed();
            const qint64 left = std::min(busyLeft, silentLeft);
            limitMs = silentLeft <= busyLeft ? silentAllowanceMs : busyAllowanceMs;
            if (left <= 0 && attempt >= wait.minimumAttempts) break;
            const qint64 pause = std::min<qint64>(intervalMs - pollTime.elapsed(), left);
            const Link::Waiting waiting(link);
            SleepRealMs(link.port(), int(std::max<qint64>(pause, 0)), false);
        }
    }
    if (answered) {
        if (unanswered) {
            const Link::Waiting waiting(link);
            DrainLateReplies(link.port());
        }
        return true;
    }
    const int seconds = int(std::ceil(limitMs / 1000.0));
    link.op().showMessage(MsgUnitSilentAfterProcedure(wait.unit, wait.procedure, seconds));
    return false;
}

}  // namespace kalvora
