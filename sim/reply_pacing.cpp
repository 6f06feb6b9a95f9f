// Replies leave the simulator as a line delivers them: in pieces, with gaps, behind the echo.
#include "sim/simulator.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "platform/clock.h"
#include "sim/simulator_internal.h"

namespace kalvora::sim {

using namespace detail;

// ---- Sending -------------------------------------------------------------------------------

void Simulator::queueReply(QByteArray bytes)
{
    if (faults_.noiseNext != 0) {
        if (faults_.noiseNext > 0) --faults_.noiseNext;
        bytes.prepend(faults_.noise);
    }
    queueOutput(bytes, true);
}

void Simulator::queueOutput(const QByteArray& bytes, bool asReply)
{
    if (faults_.dead || bytes.isEmpty()) return;
    // Echo that nobody reads is dropped beyond a bound, as a terminal's buffer would.
    if (!asReply && !out_.empty() && out_.back().bytes.size() >= kMaxEchoBacklog) return;
    const Delivery d = asReply ? faults_.delivery : Delivery::Whole;
    switch (d) {
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
        if (faults_.seed != appliedSeed_) {
            appliedSeed_ = faults_.seed;
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
    wasIdle_ = false;
    pump();
}

void Simulator::onWritable()
{
    writeNotifier_->setEnabled(false);
    pump();
}

// Writes what may leave the port now: everything at once without pacing, else as many bytes
// as the line has finished sending at 10 bits per byte; then sleeps until the next is due.
void Simulator::pump()
{
    if (masterFd_ < 0 || (writeNotifier_ && writeNotifier_->isEnabled())) return;
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
        if (config_.baud > 0) {
            const auto byteTime = std::chrono::duration_cast<SteadyClock::duration>(
                std::chrono::duration<double>(10.0 / config_.baud * clock::scale()));
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
        const ssize_t n = ::write(masterFd_, writing_.constData(), size_t(count));
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
    checkIdle();
}

void Simulator::checkIdle()
{
    const bool nowIdle = isIdle();
    if (nowIdle && !wasIdle_) {
        wasIdle_ = true;
        emit idle();
    } else if (!nowIdle) {
        wasIdle_ = false;
    }
}

}  // namespace kalvora::sim
