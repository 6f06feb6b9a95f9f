#pragma once
// A simulated Tornel unit on its 'Remote' port (direct mode) or a simulated controller with
// 0, 1 or 2 units on its 'Console' port (controller mode), on a fresh pseudo-terminal.
// Runs in the caller's Qt event loop (QSocketNotifier + timers; no threads, no busy waiting),
// so a test can create it in-process, open slavePath() with its serial port and talk to it.
// Every duration (think time, unit procedures, baud pacing, piece gaps) passes through
// kalvora::clock, so tests that set a small clock scale never wait real seconds.
//
// What goes over the line, byte for byte:
//
// Direct mode (no echo):
//   lone CR                       -> "\r\n#"
//   command "BLKGN 1 20\r"        -> "\r\nOK\r\n#"          (after think time + the unit's work)
//   "SYINFOTN\r", "IINFOTN n\r", "OINFOTN n\r"
//                                 -> block (0x01, kind, data) + "\r\n#"
//   unknown or malformed line     -> "\r\nERROR\r\n#"
//   The direct unit never sends '>'.
//
// Controller mode: every received byte is echoed at once (CR echoed as CR LF, LF ignored,
// backspace/DEL edit the line). After the echo comes the answer; the prompt is "CTRLR>", so
// every answer ends 'L','R','>':
//   lone CR                       -> "CTRLR>"
//   "PASS *<id>KEY args!HH\r\r"   -> accepted: "OK\r\nCTRLR>"
//                                    bad checksum / malformed frame: "?\r\nCTRLR>"  (?,CR,LF,C,T,R...)
//                                    no unit with that ID: "!ERR 4\r\nCTRLR>"
//                                    the unit refused the command: "!ERR 3\r\nCTRLR>"
//     HH = two upper-case hex digits, the byte sum of "*<id>...!" mod 256. The CR right after
//     the frame's CR belongs to the frame (echoed as CR LF, not answered). "*<id> !" is accepted.
//     Example: "PASS *1BLKGN 1 20!BD\r\r" -> "PASS *1BLKGN 1 20!BD\r\n\r\nOK\r\nCTRLR>"
//     (the second CR LF is the echo of the frame's second CR, sent before the answer).
//   "NTN\r"                       -> "<count> <id1> <id2>\r\nCTRLR>"  (absent IDs as 0), e.g. "2 3 7"
//   "TNQUERY *<id>SYINFOTN!\r", "TNQUERY *<id>IINFOTN n!\r", "TNQUERY *<id>OINFOTN n!\r"
//                                 -> block + "\r\nCTRLR>" right after the echo, so the marker
//                                    stays within the first 30 bytes; unknown ID: "!ERR 4...";
//                                    malformed: "?\r\nCTRLR>"; bad query: "!ERR 3..."
//   "DEBUG n\r"                   -> "CTRLR>"
//   anything else                 -> "?\r\nCTRLR>"
//   The controller never answers with a bare '#' prompt.
//
// Units work one request at a time; an accepted command that takes long (RGBADJ, AUTOPOS,
// APHASE, AUTOSEAM, RESETTN, TNCTRL, SYSAVE) keeps the unit busy: in direct mode the prompt
// comes when the work is done; through the controller the frame is acknowledged at once and a
// later frame or query for that unit meets a busy unit (the empty addressed line "*<id> !" is
// answered by the controller itself, at once). What the controller then does is chosen by
// SimConfig::busyAnswer: hold the request and answer when the unit is free (late, often after
// the program's 8 s), say nothing at all (the request is lost), or answer "!ERR 4" once its
// own wait for the unit (relayWaitMs) is over.
//
// Use in a test (same thread, same event loop as the code under test):
//   kalvora::sim::SimConfig cfg;
//   cfg.mode = kalvora::sim::PortMode::Controller;
//   cfg.ids = {3, 7};
//   kalvora::sim::Simulator sim(cfg);
//   ASSERT_TRUE(sim.start());
//   QSerialPort port(sim.slavePath());           // the program's side of the line
//   ... run the transaction (its wait pumps the event loop, which runs the simulator) ...
//   EXPECT_EQ(sim.received(), "PASS *3BLKGN 2 30!C1\r\r");  // exactly what the program sent
//   EXPECT_EQ(sim.unitById(3)->output(2).BlackLevel, 30);
//   sim.faults().dropNext = 1;                   // the next request goes unanswered
// A pseudo-terminal has no modem lines: QSerialPort::pinoutSignals() on it reports an
// "Inappropriate ioctl for device" error; everything else of QSerialPort works.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <chrono>
#include <deque>
#include <memory>
#include <vector>

#include "sim/paced_sender.h"
#include "sim/traffic_log.h"
#include "sim/unit.h"

class QSocketNotifier;
class QTimer;

namespace kalvora {
struct ParsedFrame;
}

namespace kalvora::sim {

enum class PortMode { Direct, Controller };

// How replies leave the port.
enum class Delivery {
    Whole,         // each reply in one write
    ByteAtATime,   // one byte per write, a short gap between writes
    RandomPieces,  // random pieces of 1..16 bytes, a short gap between writes
};

// Faults on demand. Counters count down as requests arrive; they may be changed at any time.
// A "request" is one received line (a lone CR, a command, a query, NTN, a PASS frame with its
// trailing CR).
struct Faults {
    int dropNext = 0;     // the next N requests are lost on the line: no echo, no answer
    int rejectNext = 0;   // controller: the next N PASS frames / TNQUERY lines get "?\r\nCTRLR>"
    int errorNext = 0;    // controller: the next N PASS frames / TNQUERY lines get "!ERR <code>..."
    char errorCode = '4'; // the digit used by errorNext ('4' = the unit did not answer)
    Delivery delivery = Delivery::Whole;  // answers only; echoes leave as the bytes come in
    uint32_t seed = 1;    // for Delivery::RandomPieces
    int noiseNext = 0;    // the next N replies (not echoes) start with `noise`; -1 = every reply
    QByteArray noise = QByteArray("\xfe\x80\x7f", 3);
    bool shortInputReply = false;  // IINFOTN answered with kind 'F' (70 data bytes)
    uint8_t outputKind = 0x40;     // OINFOTN kind byte: 0x40, 0x3E or 0x3F
    bool dead = false;             // dead cable: nothing is sent at all, received bytes are lost
    // A line that stalls: from the start of request line stallAtLine (1-based, 0 = never) nothing
    // leaves the simulator for stallMs; then everything held goes at once, late. Requests are
    // still taken and answered meanwhile, as a stalled adapter's buffer would hold them.
    int stallAtLine = 0;
    int stallMs = 20000;
};

// How the controller answers a frame or query for a unit that is still running a procedure.
enum class BusyAnswer {
    WhenFree,  // holds the request and answers once the unit is free
    Silent,    // no answer: the unit ignores the relayed request and the controller says nothing
    Error4,    // "!ERR 4\r\nCTRLR>" after the controller's own wait for the unit
};

struct SimConfig {
    PortMode mode = PortMode::Direct;
    // Controller mode: the RS-485 IDs of the units behind it (0, 1 or 2 entries, each 1..32,
    // distinct). Direct mode: ignored; there is always exactly one unit.
    std::vector<int> ids{1, 2};
    int outputFormat = 3;    // of every unit
    int videoInputs = 4;     // inputs 1..N of every unit carry video
    int baud = 0;            // pace output at 10 bits per byte at this rate; 0 = no pacing
    int thinkMs = 20;        // nominal time before any answer (after the echo)
    UnitTimings timings;     // nominal durations of the units' longer work
    BusyAnswer busyAnswer = BusyAnswer::WhenFree;  // controller mode
    int relayWaitMs = 1000;  // the controller's wait for a unit before "!ERR 4" (BusyAnswer::Error4)
};

class Simulator : public QObject {
    Q_OBJECT
public:
    explicit Simulator(SimConfig config = {}, QObject* parent = nullptr);
    ~Simulator() override;

    // Opens the pseudo-terminal (slave set raw, kept open by the simulator so the line never
    // hangs up). False with a message when it cannot.
    bool start(QString* error = nullptr);
    QString slavePath() const { return slavePath_; }
    PortMode mode() const { return config_.mode; }

    // The line settings the program put on its end of the line (a pseudo-terminal keeps them
    // although it carries bytes at any rate), so tests can check the baud and flow control the
    // program chose. Parity and data bits cannot be seen: a pseudo-terminal forces 8 bits, no parity.
    struct LineSettings {
        int baud = 0;               // 0 when the rate is not a standard one
        int stopBits = 1;
        bool hardwareFlow = false;  // RTS/CTS
    };
    LineSettings lineSettings() const;

    // Units: 1-based in the order of the configured IDs (direct mode: unit(1) only). n is clamped
    // to 1..unitCount(); a controller without units has none to return (std::out_of_range).
    int unitCount() const { return int(units_.size()); }
    SimUnit& unit(int n);
    const SimUnit& unit(int n) const;
    SimUnit* unitById(int id);  // nullptr when no unit has that ID

    Faults& faults() { return faults_; }
    void setThinkMs(int ms) { config_.thinkMs = ms; }
    void setBaud(int baud)
    {
        config_.baud = baud;
        sender_->setBaud(baud);
    }
    void setBusyAnswer(BusyAnswer answer) { config_.busyAnswer = answer; }
    // The unit (1-based) is running a procedure or other long work right now.
    bool unitBusy(int n) const;

    TrafficLog& log() { return log_; }
    const TrafficLog& log() const { return log_; }
    QByteArray received() const { return log_.received(); }  // all bytes received so far
    QByteArray sent() const { return log_.sent(); }          // all bytes sent so far

    // Bytes sent on the line outside any reply (e.g. to check that the program flushes them).
    void sendUnsolicited(const QByteArray& bytes);

    // Nothing queued, nothing being worked on, nothing waiting to be written.
    bool isIdle() const;
    int requestsHandled() const { return requestsHandled_; }

signals:
    void bytesReceived();               // after each read from the line
    void requestHandled(QByteArray line);  // a complete request was answered (or dropped)
    void idle();                        // the port has become idle
    void procedureFinished(int unit);   // a unit (1-based) behind the controller ended a procedure

private:
    struct Request {
        QByteArray line;  // without its CR
        bool dropped = false;
        bool tooLong = false;
    };
    enum class Stage { Answer, Finish };

    void onReadable();
    void onWorkTimer();
    void takeByte(char c);
    void endLine();
    void processNext();
    void finishRequest();
    int waitBeforeAnswerMs(const QByteArray& line);
    // Controller mode: the unit a frame or query is relayed to, when that unit is busy; else -1.
    int busyUnitOf(const QByteArray& line) const;
    QByteArray answerDirect(const Request& r);
    QByteArray answerController(const Request& r);
    QByteArray answerFrame(const ParsedFrame& frame, qsizetype lineSize);
    QByteArray answerTnQuery(const ParsedFrame& frame);
    bool injectedFault(QByteArray& reply);
    int unitIndexById(int id) const;
    void startUnitWork(int unitIndex, const SimUnit::Result& result, bool finishByTimer);
    void queueReply(QByteArray bytes);
    void queueOutput(const QByteArray& bytes, bool asReply);
    void checkIdle();

    SimConfig config_;
    Faults faults_;
    TrafficLog log_;
    std::vector<std::unique_ptr<SimUnit>> units_;
    std::vector<std::chrono::steady_clock::time_point> unitBusyUntil_;

    int masterFd_ = -1;
    int slaveFd_ = -1;
    QString slavePath_;
    QSocketNotifier* readNotifier_ = nullptr;
    std::unique_ptr<PacedSender> sender_;

    // Line assembly.
    QByteArray line_;
    bool inLine_ = false;
    bool lineDropped_ = false;
    bool lineTooLong_ = false;
    bool lineNoise_ = false;      // the line held a byte no request contains: discard it
    bool swallowNextCr_ = false;  // the second CR of a PASS frame
    bool swallowEcho_ = false;

    // Request processing, one at a time.
    std::deque<Request> requests_;
    size_t waitingAnswers_ = 0;  // requests_ that are not lost on the line
    bool working_ = false;
    Stage stage_ = Stage::Answer;
    Request current_;
    QByteArray pendingReply_;
    int pendingUnit_ = -1;
    Procedure pendingProcedure_ = Procedure::None;
    int pendingBusyMs_ = 0;
    bool answerBusyError_ = false;  // the current request gets "!ERR 4" (BusyAnswer::Error4)
    QTimer* workTimer_ = nullptr;
    int requestsHandled_ = 0;

    bool wasIdle_ = true;
    bool reading_ = false;  // taking received bytes apart: not idle yet
    int linesStarted_ = 0;
};

}  // namespace kalvora::sim
