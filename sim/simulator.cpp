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


Simulator::Simulator(SimConfig config, QObject* parent) : QObject(parent), config_(std::move(config))
{
    rng_.seed(faults_.seed);
    appliedSeed_ = faults_.seed;
    if (config_.mode == PortMode::Direct) {
        UnitSetup s;
        s.id = config_.ids.empty() ? 1 : config_.ids.front();
        s.outputFormat = config_.outputFormat;
        s.videoInputs = config_.videoInputs;
        units_.push_back(std::make_unique<SimUnit>(s));
    } else {
        const int count = std::min<int>(int(config_.ids.size()), 2);
        for (int i = 0; i < count; ++i) {
            UnitSetup s;
            s.id = config_.ids[size_t(i)];
            s.screenGroup = i;
            s.totalProjectors = 4 * count;
            s.outputFormat = config_.outputFormat;
            s.videoInputs = config_.videoInputs;
            units_.push_back(std::make_unique<SimUnit>(s));
        }
    }
    for (auto& u : units_) u->timings = config_.timings;
    unitBusyUntil_.assign(units_.size(), SteadyClock::time_point{});

    workTimer_ = new QTimer(this);
    workTimer_->setSingleShot(true);
    workTimer_->setTimerType(Qt::PreciseTimer);
    connect(workTimer_, &QTimer::timeout, this, &Simulator::onWorkTimer);
    pumpTimer_ = new QTimer(this);
    pumpTimer_->setSingleShot(true);
    pumpTimer_->setTimerType(Qt::PreciseTimer);
    connect(pumpTimer_, &QTimer::timeout, this, &Simulator::pump);
}

Simulator::~Simulator()
{
    delete readNotifier_;
    delete writeNotifier_;
    if (masterFd_ >= 0) ::close(masterFd_);
    if (slaveFd_ >= 0) ::close(slaveFd_);
}

bool Simulator::start(QString* error)
{
    if (masterFd_ >= 0) return true;
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        if (error) *error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Raw slave: no echo, no line discipline, so the bytes the program writes arrive unchanged.
    termios t{};
    if (::tcgetattr(slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    masterFd_ = master;
    slaveFd_ = slave;  // kept open so the line never hangs up between the program's opens
    slavePath_ = QString::fromLocal8Bit(name);

    readNotifier_ = new QSocketNotifier(masterFd_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &Simulator::onReadable);
    writeNotifier_ = new QSocketNotifier(masterFd_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &Simulator::onWritable);
    return true;
}

Simulator::LineSettings Simulator::lineSettings() const
{
    LineSettings l;
    termios t{};
    if (slaveFd_ < 0 || ::tcgetattr(slaveFd_, &t) != 0) return l;
    static constexpr std::pair<speed_t, int> rates[] = {
        {B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},
        {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
    };
    const speed_t speed = ::cfgetospeed(&t);
    for (const auto& [code, rate] : rates)
        if (code == speed) l.baud = rate;
    l.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    l.hardwareFlow = t.c_cflag & CRTSCTS;
    return l;
}

SimUnit& Simulator::unit(int n) { return *units_.at(size_t(std::clamp(n, 1, std::max(1, unitCount())) - 1)); }
const SimUnit& Simulator::unit(int n) const { return *units_.at(size_t(std::clamp(n, 1, std::max(1, unitCount())) - 1)); }

int Simulator::unitIndexById(int id) const
{
    for (size_t i = 0; i < units_.size(); ++i)
        if (units_[i]->id() == id) return int(i);
    return -1;
}

SimUnit* Simulator::unitById(int id)
{
    const int i = unitIndexById(id);
    return i < 0 ? nullptr : units_[size_t(i)].get();
}

bool Simulator::isIdle() const { return !reading_ && !working_ && requests_.empty() && out_.empty() && writing_.isEmpty(); }

void Simulator::sendUnsolicited(const QByteArray& bytes) { queueOutput(bytes, false); }

// ---- Receiving -----------------------------------------------------------------------------

void Simulator::onReadable()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(masterFd_, buf, sizeof buf);
        if (n > 0) {
            const QByteArray bytes(buf, int(n));
            log_.add(TrafficLog::Direction::Received, bytes);
            reading_ = true;
            for (const char c : bytes) takeByte(c);
            reading_ = false;
            emit bytesReceived();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // Hang-up or error: stop watching rather than spin on a line that keeps reporting it.
        readNotifier_->setEnabled(false);
        break;
    }
    processNext();
}

namespace {
// Only printable ASCII, CR, LF, backspace and delete can be part of a request. Any other byte is
// line noise: it is dropped as it arrives and the line it falls in is discarded unanswered, so
// a burst of garbage neither piles up answers nor echo, and the next clean line is answered at once.
bool IsLineNoise(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return !(b >= 0x20 && b <= 0x7E) && b != '\r' && b != '\n' && b != '\b' && b != 0x7F;
}
}  // namespace

void Simulator::takeByte(char c)
{
    if (faults_.dead) return;
    if (c == '\n') return;
    const bool controller = config_.mode == PortMode::Controller;
    if (swallowNextCr_) {
        swallowNextCr_ = false;
        if (c == '\r') {
            if (controller && swallowEcho_) queueOutput("\r\n", false);
            return;
        }
    }
    if (!inLine_) {
        inLine_ = true;
        if (++linesStarted_ == faults_.stallAtLine)
            stalledUntil_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(clock::scaled(faults_.stallMs));
        lineDropped_ = faults_.dropNext > 0;
        if (lineDropped_) --faults_.dropNext;
    }
    if (IsLineNoise(c)) {
        lineNoise_ = true;
        line_.clear();
        return;
    }
    const bool erase = c == '\b' || c == 0x7F;
    if (controller && !lineDropped_ && !lineNoise_) {
        if (c == '\r')
            queueOutput("\r\n", false);
        else if (erase)
            queueOutput(line_.isEmpty() ? QByteArray() : QByteArray("\b \b"), false);
        else
            queueOutput(QByteArray(1, c), false);
    }
    if (c == '\r') {
        endLine();
        return;
    }
    if (lineNoise_) return;
    if (erase) {
        if (!line_.isEmpty()) line_.chop(1);
        return;
    }
    if (line_.size() >= kMaxLine)
        lineTooLong_ = true;
    else
        line_.append(c);
}

void Simulator::endLine()
{
    Request r{line_, lineDropped_, lineTooLong_};
    if (config_.mode == PortMode::Controller && line_.startsWith(kCommandEnvelope)) {
        swallowNextCr_ = true;
        swallowEcho_ = !lineDropped_;
    }
    line_.clear();
    inLine_ = false;
    lineDropped_ = false;
    lineTooLong_ = false;
    const bool noise = lineNoise_;
    lineNoise_ = false;
    if (noise) return;
    if (!r.dropped) {
        if (waitingAnswers_ >= kMaxWaitingRequests) return;
        ++waitingAnswers_;
    }
    requests_.push_back(std::move(r));
}

}  // namespace kalvora::sim
