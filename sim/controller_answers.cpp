// What the controller and the units answer to each line, and how long they take.
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

}  // namespace kalvora::sim
