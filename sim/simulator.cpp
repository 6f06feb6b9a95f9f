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
    // A child, so that it moves to the thread the simulator is moved to.
    sender_ = std::make_unique<PacedSender>(log_, config_.baud, faults_.seed, this);
    connect(sender_.get(), &PacedSender::settled, this, &Simulator::checkIdle);
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
}

Simulator::~Simulator()
{
    delete readNotifier_;
    sender_->detach();
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
    sender_->attach(masterFd_);
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

bool Simulator::isIdle() const { return !reading_ && !working_ && requests_.empty() && sender_->isEmpty(); }

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
            sender_->stallUntil(SteadyClock::now() + std::chrono::milliseconds(clock::scaled(faults_.stallMs)));
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

// ---- Answering -----------------------------------------------------------------------------

void Simulator::processNext()
{
    while (!working_ && !requests_.empty()) {
        current_ = std::move(requests_.front());
        requests_.pop_front();
        if (!current_.dropped) --waitingAnswers_;
        if (current_.dropped) {
            finishRequest();
            continue;
        }
        answerBusyError_ = false;
        if (busyUnitOf(current_.line) >= 0 && config_.busyAnswer != BusyAnswer::WhenFree) {
            if (config_.busyAnswer == BusyAnswer::Silent) {
                finishRequest();  // relayed to a unit that does not listen: nothing comes back
                continue;
            }
            answerBusyError_ = true;
            working_ = true;
            stage_ = Stage::Answer;
            workTimer_->start(clock::scaled(config_.thinkMs) + clock::scaled(config_.relayWaitMs));
            continue;
        }
        working_ = true;
        stage_ = Stage::Answer;
        workTimer_->start(clock::scaled(config_.thinkMs) + waitBeforeAnswerMs(current_.line));
    }
    checkIdle();
}

namespace {

// The ID a controller request is relayed to: well-formed PASS frames and TNQUERY lines; 0 for
// anything the controller answers itself (NTN, a lone CR, the empty addressed line) or refuses.
int RelayedId(const QByteArray& line)
{
    const ParsedFrame p = ParseFrame(line);
    if (p.frame.kind == FrameKind::Line || !p.ok()) return 0;
    if (p.frame.text.trimmed().isEmpty()) return 0;  // the empty addressed line is not relayed to the unit
    return p.frame.unitId;
}

}  // namespace

bool Simulator::unitBusy(int n) const
{
    if (n < 1 || n > unitCount()) return false;
    return RealMsUntil(unitBusyUntil_[size_t(n - 1)]) > 0;
}

int Simulator::busyUnitOf(const QByteArray& line) const
{
    if (config_.mode != PortMode::Controller) return -1;
    const int i = unitIndexById(RelayedId(line));
    return i >= 0 && RealMsUntil(unitBusyUntil_[size_t(i)]) > 0 ? i : -1;
}

// A request for a unit that is still working waits until the unit is free.
int Simulator::waitBeforeAnswerMs(const QByteArray& line)
{
    if (config_.mode == PortMode::Direct) return RealMsUntil(unitBusyUntil_.empty() ? SteadyClock::time_point{} : unitBusyUntil_[0]);
    const int i = unitIndexById(RelayedId(line));
    return i < 0 ? 0 : RealMsUntil(unitBusyUntil_[size_t(i)]);
}

void Simulator::onWorkTimer()
{
    if (!working_) return;
    if (stage_ == Stage::Answer) {
        pendingUnit_ = -1;
        pendingProcedure_ = Procedure::None;
        pendingBusyMs_ = 0;
        if (answerBusyError_)
            pendingReply_ = ControllerErrorAnswer(kErrorNoResponse);
        else
            pendingReply_ = config_.mode == PortMode::Direct ? answerDirect(current_) : answerController(current_);
        if (pendingBusyMs_ > 0) {
            // A direct unit prompts only when its work is done.
            stage_ = Stage::Finish;
            workTimer_->start(clock::scaled(pendingBusyMs_));
            return;
        }
    } else if (pendingUnit_ >= 0) {
        units_[size_t(pendingUnit_)]->finishProcedure(pendingProcedure_);
    }
    queueReply(pendingReply_);
    finishRequest();
    processNext();
}

void Simulator::finishRequest()
{
    ++requestsHandled_;
    working_ = false;
    const QByteArray line = current_.line;
    emit requestHandled(line);
}

QByteArray Simulator::answerDirect(const Request& r)
{
    static const QByteArray error = QByteArray("\r\nERROR") + kDirectPrompt;
    SimUnit& u = *units_.front();
    if (r.tooLong) return error;
    const std::string_view line(r.line.constData(), size_t(r.line.size()));
    if (SimUnit::isQuery(line)) {
        QByteArray block;
        if (!u.answerQuery(line, faults_.shortInputReply, faults_.outputKind, block)) return error;
        return block + kDirectPrompt;
    }
    if (r.line.trimmed().isEmpty()) return kDirectPrompt;
    const SimUnit::Result res = u.execute(line);
    if (res.outcome != SimUnit::Outcome::Done) return error;
    startUnitWork(0, res, false);
    return QByteArray("\r\nOK") + kDirectPrompt;
}

QByteArray Simulator::answerController(const Request& r)
{
    if (r.tooLong) return ControllerRejection();
    const QByteArray& line = r.line;
    const ParsedFrame frame = ParseFrame(line);
    if (frame.frame.kind == FrameKind::Command) return answerFrame(frame, line.size());
    if (frame.frame.kind == FrameKind::Query) return answerTnQuery(frame);
    const QByteArray t = line.trimmed();
    if (t.isEmpty()) return ControllerPrompt();
    if (t == "NTN") {
        const int id1 = units_.size() > 0 ? units_[0]->id() : 0;
        const int id2 = units_.size() > 1 ? units_[1]->id() : 0;
        return ControllerAnswer(QByteArray::number(unitCount()) + ' ' + QByteArray::number(id1) + ' ' +
                                QByteArray::number(id2));
    }
    if (t == "DEBUG" || t.startsWith("DEBUG ")) return ControllerPrompt();
    return ControllerRejection();
}

// Injected rejection or error code for the next addressed requests.
bool Simulator::injectedFault(QByteArray& reply)
{
    if (faults_.rejectNext > 0) {
        --faults_.rejectNext;
        reply = ControllerRejection();
        return true;
    }
    if (faults_.errorNext > 0) {
        --faults_.errorNext;
        reply = ControllerErrorAnswer(faults_.errorCode);
        return true;
    }
    return false;
}

QByteArray Simulator::answerFrame(const ParsedFrame& frame, qsizetype lineSize)
{
    QByteArray reply;
    if (injectedFault(reply)) return reply;
    // "PASS *<id>KEYWORD args!" and the two upper-case hex digits of its byte sum; a line shorter
    // than "PASS *1 !hh" is no frame.
    if (lineSize < kCommandEnvelope.size() + 6 || !frame.ok()) return ControllerRejection();
    const int i = unitIndexById(frame.frame.unitId);
    if (i < 0) return ControllerErrorAnswer(kErrorNoResponse);
    const QByteArray& command = frame.frame.text;
    if (command.trimmed().isEmpty()) return ControllerAnswer("OK");  // the empty addressed line
    SimUnit& u = *units_[size_t(i)];
    const SimUnit::Result res = u.execute(std::string_view(command.constData(), size_t(command.size())));
    if (res.outcome != SimUnit::Outcome::Done) return ControllerErrorAnswer('3');
    startUnitWork(i, res, true);
    return ControllerAnswer("OK");
}

QByteArray Simulator::answerTnQuery(const ParsedFrame& frame)
{
    QByteArray reply;
    if (injectedFault(reply)) return reply;
    if (!frame.ok()) return ControllerRejection();
    const int i = unitIndexById(frame.frame.unitId);
    if (i < 0) return ControllerErrorAnswer(kErrorNoResponse);
    const QByteArray& query = frame.frame.text;
    const std::string_view q(query.constData(), size_t(query.size()));
    QByteArray block;
    if (!SimUnit::isQuery(q) || !units_[size_t(i)]->answerQuery(q, faults_.shortInputReply, faults_.outputKind, block))
        return ControllerErrorAnswer('3');
    return ControllerAnswer(block);
}

// A unit that accepted a long command is busy for a while. Through the controller the unit works
// in the background and its procedure ends by a timer; a direct unit answers when it is done.
void Simulator::startUnitWork(int unitIndex, const SimUnit::Result& result, bool finishByTimer)
{
    if (result.busyMs <= 0) return;
    const int ms = clock::scaled(result.busyMs);
    unitBusyUntil_[size_t(unitIndex)] = SteadyClock::now() + std::chrono::milliseconds(ms);
    if (finishByTimer) {
        if (result.procedure != Procedure::None) {
            const Procedure p = result.procedure;
            QTimer::singleShot(ms, Qt::PreciseTimer, this, [this, unitIndex, p] {
                units_[size_t(unitIndex)]->finishProcedure(p);
                emit procedureFinished(unitIndex + 1);
            });
        }
    } else {
        pendingUnit_ = unitIndex;
        pendingProcedure_ = result.procedure;
        pendingBusyMs_ = result.busyMs;
    }
}

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
    if (!sender_->queue(bytes, !asReply, asReply ? faults_.delivery : Delivery::Whole, faults_.seed)) return;
    wasIdle_ = false;
    sender_->pump();
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
