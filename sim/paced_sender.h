#pragma once
// The sending side of the simulated line: bytes leave as a line delivers them, in pieces with
// gaps between them, paced at the baud rate, held while the line stalls, and written whenever the
// pseudo-terminal takes them.

#include <QByteArray>
#include <QObject>
#include <chrono>
#include <deque>
#include <random>

class QSocketNotifier;
class QTimer;

namespace kalvora::sim {

enum class Delivery;
class TrafficLog;

class PacedSender : public QObject {
    Q_OBJECT
public:
    PacedSender(TrafficLog& log, int baud, uint32_t seed, QObject* parent = nullptr);
    ~PacedSender() override;

    // Starts writing to fd (the pseudo-terminal's master side, non-blocking).
    void attach(int fd);
    // Stops watching fd before its owner closes it.
    void detach();
    void setBaud(int baud) { baud_ = baud; }

    // Queues bytes delivered as `delivery` cuts them (RandomPieces by a generator seeded with
    // `seed`); false when they were dropped instead: echo beyond the backlog nobody reads.
    bool queue(const QByteArray& bytes, bool echo, Delivery delivery, uint32_t seed);
    // Writes what may leave now; emits settled() once nothing more can go until later.
    void pump();
    // Nothing leaves before `until`; then everything held goes at once.
    void stallUntil(std::chrono::steady_clock::time_point until) { stalledUntil_ = until; }
    bool isEmpty() const { return out_.empty() && writing_.isEmpty(); }

signals:
    // Everything queued has been written, or the line is gone.
    void settled();

private:
    void onWritable();

    struct Piece {
        QByteArray bytes;
        bool gapBefore = false;
    };

    TrafficLog& log_;
    int baud_ = 0;
    std::mt19937 rng_;
    uint32_t appliedSeed_ = 0;
    int fd_ = -1;
    QSocketNotifier* writeNotifier_ = nullptr;
    std::deque<Piece> out_;
    QByteArray writing_;  // bytes taken from out_ and not yet written
    QTimer* pumpTimer_ = nullptr;
    bool lineIdle_ = true;
    std::chrono::steady_clock::time_point nextByteDone_{};
    bool gapRunning_ = false;
    std::chrono::steady_clock::time_point gapUntil_{};
    std::chrono::steady_clock::time_point stalledUntil_{};
};

}  // namespace kalvora::sim
