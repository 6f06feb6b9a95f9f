#include "sim/paced_sender.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <unistd.h>

#include "platform/clock.h"
#include "sim/simulator.h"
#include "sim/simulator_internal.h"
#include "sim/traffic_log.h"

namespace kalvora::sim {

using namespace detail;

PacedSender::PacedSender(TrafficLog& log, int baud, uint32_t seed, QObject* parent)
    : QObject(parent), log_(log), baud_(baud)
{
    rng_.seed(seed);
    appliedSeed_ = seed;
    pumpTimer_ = new QTimer(this);
    pumpTimer_->setSingleShot(true);
    pumpTimer_->setTimerType(Qt::PreciseTimer);
    connect(pumpTimer_, &QTimer::timeout, this, &PacedSender::pump);
}

PacedSender::~PacedSender() { detach(); }

void PacedSender::attach(int fd)
{
    fd_ = fd;
    writeNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &PacedSender::onWritable);
}

void PacedSender::detach()
{
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    fd_ = -1;
}

bool PacedSender::queue(const QByteArray& bytes, bool echo, Delivery delivery, uint32_t seed)
{
    // Echo that nobody reads is dropped beyond a bound, as a terminal's buffer would.
    if (echo && !out_.empty() && out_.back().bytes.size() >= kMaxEchoBacklog) return false;
    switch (delivery) {
    case Delivery::Whole:
        // Joined to the piece before it: pump() sends pieces without a gap in one write anyway,
        // and a long run of one-byte echoes would otherwise cost a piece each.
        if (!out_.empty())
            out_.back().bytes.append(bytes);
        else
            out_.push_back({bytes, false});
        break;
    case Delivery::ByteAtATime:
        for (int k = 0; k < bytes.size(); ++k) out_.push_back({bytes.mid(k, 1), k > 0});
        break;
    case Delivery::RandomPieces: {
        if (seed != appliedSeed_) {
            appliedSeed_ = seed;
            rng_.seed(appliedSeed_);
        }
        std::uniform_int_distribution<int> size(1, 16);
        for (int k = 0; k < bytes.size();) {
            const int n = std::min<int>(size(rng_), int(bytes.size()) - k);
            out_.push_back({bytes.mid(k, n), k > 0});
            k += n;
        }
        break;
    }
    }
    return true;
}

void PacedSender::onWritable()
{
    writeNotifier_->setEnabled(false);
    pump();
}

// Writes what may leave the port now: everything at once without pacing, else as many bytes
// as the line has finished sending at 10 bits per byte; then sleeps until the next is due.
void PacedSender::pump()
{
    if (fd_ < 0 || (writeNotifier_ && writeNotifier_->isEnabled())) return;
    if (SteadyClock::now() < stalledUntil_) {
        pumpTimer_->start(RealMsUntil(stalledUntil_) + 1);
        return;
    }
    for (;;) {
        const auto now = SteadyClock::now();
        if (writing_.isEmpty()) {
            if (out_.empty()) {
                lineIdle_ = true;
                break;
            }
            if (out_.front().gapBefore) {
                if (!gapRunning_) {
                    gapRunning_ = true;
                    gapUntil_ = now + std::chrono::milliseconds(clock::scaled(kPieceGapMs));
                }
                if (now < gapUntil_) {
                    pumpTimer_->start(RealMsUntil(gapUntil_));
                    return;
                }
                lineIdle_ = true;
            }
            gapRunning_ = false;
            writing_ = out_.front().bytes;
            out_.pop_front();
            // Pieces queued back to back (echoes, a whole reply) leave in one write.
            while (!out_.empty() && !out_.front().gapBefore) {
                writing_.append(out_.front().bytes);
                out_.pop_front();
            }
        }
        qsizetype count = writing_.size();
        if (baud_ > 0) {
            const auto byteTime = std::chrono::duration_cast<SteadyClock::duration>(
                std::chrono::duration<double>(10.0 / baud_ * clock::scale()));
            if (lineIdle_) {
                nextByteDone_ = now + byteTime;
                lineIdle_ = false;
            }
            count = 0;
            while (count < writing_.size() && nextByteDone_ <= now) {
                ++count;
                nextByteDone_ += byteTime;
            }
            if (count == 0) {
                // The byte may have become due since the check above: never a negative interval,
                // which would leave the output stalled.
                pumpTimer_->start(std::max(0, RealMsUntil(nextByteDone_) - 1));
                return;
            }
        }
        const ssize_t n = ::write(fd_, writing_.constData(), size_t(count));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                writeNotifier_->setEnabled(true);
                return;
            }
            // The line is gone: drop what was to be sent.
            writing_.clear();
            out_.clear();
            break;
        }
        log_.add(TrafficLog::Direction::Sent, writing_.left(n));
        writing_.remove(0, n);
        if (n < count) {
            writeNotifier_->setEnabled(true);
            return;
        }
    }
    emit settled();
}

}  // namespace kalvora::sim
