#pragma once
// SIGINT, SIGTERM and SIGHUP turned into a signal of the event loop, so that a program stopped
// from the terminal or by the system can close its serial port (and so release the port's lock
// file) and write what it owes before it ends. One watch at a time; the signals' default actions
// come back when it goes.

#include <QObject>

class QSocketNotifier;

namespace kalvora {

class SignalWatch : public QObject {
    Q_OBJECT
public:
    explicit SignalWatch(QObject* parent = nullptr);
    ~SignalWatch() override;

    // The last signal received, 0 when none.
    int received() const { return received_; }
    // 128 + the signal's number: the exit status of a program a signal ended.
    int exitStatus() const { return 128 + received_; }

signals:
    void signalled(int signalNumber);

private:
    void takeSignals();
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};

}  // namespace kalvora
