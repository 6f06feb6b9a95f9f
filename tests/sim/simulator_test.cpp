// The simulated unit and controller over a real pseudo-terminal, byte for byte.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>
#include <cstring>
#include <functional>
#include <random>

#include "platform/clock.h"
#include "pty_client.h"
#include "sim/simulator.h"

namespace kalvora::sim {
namespace {

using testing::PtyClient;

QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text)); }

// A simulator and the program's end of its line.
struct Line {
    explicit Line(SimConfig config) : sim(std::move(config))
    {
        QString error;
        started = sim.start(&error);
        EXPECT_TRUE(started) << error.toStdString();
        client = std::make_unique<PtyClient>(sim.slavePath());
        EXPECT_TRUE(client->isOpen());
    }

    // Sleeps in the event loop until pred() holds, reading the line as bytes arrive and waking
    // on the simulator's own events too.
    bool waitFor(const std::function<bool()>& pred, int limitMs = 5000)
    {
        if (pred()) return true;
        QEventLoop loop;
        const auto check = [&] {
            got += client->drain();
            if (pred()) loop.quit();
        };
        QSocketNotifier notifier(client->fd(), QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &loop, check);
        QObject::connect(&sim, &Simulator::bytesReceived, &loop, check);
        QObject::connect(&sim, &Simulator::procedureFinished, &loop, check);
        QObject::connect(&sim, &Simulator::requestHandled, &loop, check);
        QObject::connect(&sim, &Simulator::idle, &loop, check);
        QTimer::singleShot(limitMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        check();
        if (!pred()) loop.exec();
        return pred();
    }

    // Sends a request and returns everything that came back up to the end of the answer.
    QByteArray exchange(const QByteArray& request, const QByteArray& tail)
    {
        got.clear();
        EXPECT_TRUE(client->write(request));
        waitFor([&] { return got.endsWith(tail); });
        return std::exchange(got, QByteArray());
    }

    // Everything sent in reply to `request` once the simulator has handled it fully.
    QByteArray exchangeAll(const QByteArray& request)
    {
        got.clear();
        const qsizetype before = sim.received().size();
        const qsizetype sentBefore = sim.sent().size();
        EXPECT_TRUE(client->write(request));
        // Bytes written to the master reach the slave a moment later: wait for all of them.
        EXPECT_TRUE(waitFor([&] {
            return sim.received().size() == before + request.size() && sim.isIdle() &&
                   got.size() == sim.sent().size() - sentBefore;
        }));
        return std::exchange(got, QByteArray());
    }

    Simulator sim;
    bool started = false;
    std::unique_ptr<PtyClient> client;
    QByteArray got;
};

SimConfig Direct()
{
    SimConfig c;
    c.mode = PortMode::Direct;
    c.thinkMs = 10;
    return c;
}

SimConfig Controller(std::vector<int> ids)
{
    SimConfig c;
    c.mode = PortMode::Controller;
    c.ids = std::move(ids);
    c.thinkMs = 10;
    return c;
}

QByteArray Frame(const QByteArray& text, const char* checksum) { return "PASS " + text + checksum + "\r\r"; }

// ---- Direct mode ---------------------------------------------------------------------------

TEST(SimDirect, AnswersEveryKindOfLineByteForByte)
{
    Line line(Direct());
    struct Case {
        QByteArray request, reply;
    };
    const Case cases[] = {
        {"\r", "\r\n#"},
        {"BLKGN 1 20\r", "\r\nOK\r\n#"},
        {"EFTB 1  2.2\r", "\r\nOK\r\n#"},
        {"NOSUCH 1\r", "\r\nERROR\r\n#"},
        {"BLKGN 9 20\r", "\r\nERROR\r\n#"},
        {"IINFOTN 5\r", "\r\nERROR\r\n#"},
        {QByteArray(300, 'A') + "\r", "\r\nERROR\r\n#"},
        {"SYINFOTN\r", Hex("0108 544E56312E3233 00 0D0A23")},
    };
    QByteArray allRequests, allReplies;
    for (const Case& c : cases) {
        EXPECT_EQ(line.exchangeAll(c.request).toHex(' '), c.reply.toHex(' ')) << c.request.left(20).toStdString();
        allRequests += c.request;
        allReplies += c.reply;
    }
    EXPECT_EQ(line.sim.received(), allRequests);
    EXPECT_EQ(line.sim.sent(), allReplies);
    EXPECT_FALSE(line.sim.sent().contains('>'));
    EXPECT_EQ(line.sim.unit(1).output(1).BlackLevel, 20);
}

TEST(SimDirect, QueriesReportWhatTheCommandsCarried)
{
    Line line(Direct());
    line.exchangeAll("ICNTTN 1 C 100.5\r");
    line.exchangeAll("EFTB 1  2.2\r");
    const QByteArray in = line.exchangeAll("IINFOTN 1\r");
    ASSERT_EQ(in.size(), 2 + 78 + 3);
    EXPECT_EQ(in.left(2), Hex("014E"));
    EXPECT_EQ(in.mid(2 + 38, 4).toHex(), "000003ed");  // contrast 100.5 as 1005
    EXPECT_TRUE(in.endsWith("\r\n#"));
    // Unit-wide values come in every screen's reply.
    for (const char* q : {"OINFOTN 1\r", "OINFOTN 4\r"}) {
        const QByteArray out = line.exchangeAll(q);
        ASSERT_EQ(out.size(), 2 + 63 + 3) << q;
        EXPECT_EQ(out.mid(2 + 12, 4).toHex(), "00000016") << q;  // basic gamma 2.2 as 22
        EXPECT_EQ(out.mid(2 + 16, 2).toHex(), "0001") << q;
    }
}

TEST(SimDirect, ProcedurePromptsOnlyWhenItsWorkIsDone)
{
    SimConfig c = Direct();
    c.timings.positionMs = 5000;
    Line line(c);
    line.exchangeAll("IRSPTN 1 M H 5\r");
    ASSERT_EQ(line.sim.unit(1).input(1).HPosition, 5);
    const QByteArray r = line.exchange("AUTOPOS\r\r", "\r\nOK\r\n#");
    EXPECT_EQ(r, "\r\nOK\r\n#");
    EXPECT_EQ(line.sim.unit(1).input(1).HPosition, line.sim.unit(1).input(1).HPositionNominal);
    EXPECT_EQ(line.exchange("", "\r\n#"), "\r\n#");  // the second CR of the command
}

// ---- Controller mode -----------------------------------------------------------------------

TEST(SimController, ChecksumDecidesAcceptanceOrRejection)
{
    Line line(Controller({1, 2}));
    EXPECT_EQ(line.exchangeAll(Frame("*1BLKGN 1 20!", "BE")), "PASS *1BLKGN 1 20!BE\r\n\r\n?\r\nCTRLR>");
    EXPECT_EQ(line.sim.unit(1).output(1).BlackLevel, 0);
    EXPECT_EQ(line.exchangeAll(Frame("*1BLKGN 1 20!", "BD")), "PASS *1BLKGN 1 20!BD\r\n\r\nOK\r\nCTRLR>");
    EXPECT_EQ(line.sim.unit(1).output(1).BlackLevel, 20);
    EXPECT_EQ(line.sim.unit(2).output(1).BlackLevel, 0);
    EXPECT_EQ(line.sim.received(), Frame("*1BLKGN 1 20!", "BE") + Frame("*1BLKGN 1 20!", "BD"));
    // The empty addressed line of the procedures is accepted.
    EXPECT_EQ(line.exchangeAll(Frame("*1 !", "9C")), "PASS *1 !9C\r\n\r\nOK\r\nCTRLR>");
}

TEST(SimController, FrameReachesTheUnitWithItsIdAndItsQueryReportsIt)
{
    Line line(Controller({3, 5}));
    EXPECT_EQ(line.exchangeAll(Frame("*5BLKGN 2 30!", "C3")), "PASS *5BLKGN 2 30!C3\r\n\r\nOK\r\nCTRLR>");
    EXPECT_EQ(line.sim.unitById(5)->output(2).BlackLevel, 30);
    EXPECT_EQ(line.sim.unitById(3)->output(2).BlackLevel, 0);

    const QByteArray reply = line.exchangeAll("TNQUERY *5OINFOTN 2!\r");
    const QByteArray echo = "TNQUERY *5OINFOTN 2!\r\n";
    ASSERT_TRUE(reply.startsWith(echo));
    const qsizetype marker = reply.indexOf('\x01');
    EXPECT_EQ(marker, echo.size());
    EXPECT_LT(marker, 30);
    EXPECT_EQ(reply.at(marker + 1), '\x40');
    EXPECT_EQ(static_cast<uint8_t>(reply.at(marker + 2 + 46)), 30);
    EXPECT_EQ(reply.mid(marker + 2 + 63), "\r\nCTRLR>");
}

TEST(SimController, NtnReportsCountAndIds)
{
    struct Case {
        std::vector<int> ids;
        QByteArray answer;
    };
    const Case cases[] = {{{3, 7}, "2 3 7"}, {{5}, "1 5 0"}, {{}, "0 0 0"}};
    for (const Case& c : cases) {
        Line line(Controller(c.ids));
        EXPECT_EQ(line.exchangeAll("NTN\r"), "NTN\r\n" + c.answer + "\r\nCTRLR>");
    }
}

TEST(SimController, ErrorAndRejectionReplies)
{
    Line line(Controller({1, 2}));
    const auto sum = [](const QByteArray& t) {
        unsigned s = 0;
        for (char ch : t) s += uint8_t(ch);
        return QByteArray::number(s & 0xFF, 16).toUpper().rightJustified(2, '0');
    };
    struct Case {
        QByteArray request;
        QByteArray answer;  // after the echo
        std::function<void(Faults&)> fault;
    };
    const QByteArray ok = "OK\r\nCTRLR>", reject = "?\r\nCTRLR>";
    const Case cases[] = {
        {"PASS *9BLKGN 1 20!" + sum("*9BLKGN 1 20!") + "\r\r", "!ERR 4\r\nCTRLR>", nullptr},
        {"PASS *1NOSUCH 1!" + sum("*1NOSUCH 1!") + "\r\r", "!ERR 3\r\nCTRLR>", nullptr},
        {"PASS *1BLKGN 1 20!bd\r\r", reject, nullptr},
        {"PASS *1BLKGN 1 20BD\r\r", reject, nullptr},
        {"PASS 1BLKGN 1 20!" + sum("1BLKGN 1 20!") + "\r\r", reject, nullptr},
        {"PASS *33BLKGN 1 20!" + sum("*33BLKGN 1 20!") + "\r\r", reject, nullptr},
        {"PASS *1BLKGN 1 20!BD\r\r", reject, [](Faults& f) { f.rejectNext = 1; }},
        {"PASS *1BLKGN 1 20!BD\r\r", "!ERR 4\r\nCTRLR>", [](Faults& f) { f.errorNext = 1; }},
        {"PASS *1BLKGN 1 20!BD\r\r", "!ERR 7\r\nCTRLR>", [](Faults& f) { f.errorNext = 1, f.errorCode = '7'; }},
        {"PASS *1BLKGN 1 20!BD\r\r", ok, nullptr},  // the injected faults were used up
        {"TNQUERY *9SYINFOTN!\r", "!ERR 4\r\nCTRLR>", nullptr},
        {"TNQUERY *1IINFOTN 7!\r", "!ERR 3\r\nCTRLR>", nullptr},
        {"TNQUERY 1SYINFOTN\r", reject, nullptr},
        {"TNQUERY *1SYINFOTN!\r", reject, [](Faults& f) { f.rejectNext = 1; }},
        {"HELLO\r", reject, nullptr},
        {"DEBUG 0\r", "CTRLR>", nullptr},
        {"\r", "CTRLR>", nullptr},
    };
    for (const Case& c : cases) {
        if (c.fault) c.fault(line.sim.faults());
        const QByteArray reply = line.exchangeAll(c.request);
        QByteArray echo = c.request;
        echo.replace("\r", "\r\n");
        EXPECT_EQ(reply, echo + c.answer) << c.request.toStdString();
    }
    EXPECT_FALSE(line.sim.sent().contains("\r\n#"));
}

TEST(SimController, ShortInputReplyHasSeventyDataBytes)
{
    Line line(Controller({3, 7}));
    line.sim.faults().shortInputReply = true;
    const QByteArray echo = "TNQUERY *3IINFOTN 1!\r\n";
    const QByteArray reply = line.exchangeAll("TNQUERY *3IINFOTN 1!\r");
    ASSERT_TRUE(reply.startsWith(echo));
    EXPECT_EQ(reply.mid(echo.size(), 2), Hex("0146"));
    EXPECT_EQ(reply.size() - echo.size() - 2 - 8, 70);
    EXPECT_TRUE(reply.endsWith("\r\nCTRLR>"));
    line.sim.faults().shortInputReply = false;
    line.sim.faults().outputKind = 0x3F;
    const QByteArray out = line.exchangeAll("TNQUERY *7OINFOTN 4!\r");
    EXPECT_EQ(out.mid(echo.size(), 2), Hex("013F"));
    EXPECT_EQ(out.size() - echo.size() - 2 - 8, 63);
}

TEST(SimController, ProcedureRunsInTheBackgroundAndDelaysTheUnitsNextAnswer)
{
    SimConfig c = Controller({1, 2});
    c.timings.colorBalanceMs = 20000;
    Line line(c);
    const float before = line.sim.unit(1).input(1).ContrastR;
    // Acknowledged at once: the unit is still working.
    EXPECT_EQ(line.exchangeAll(Frame("*1RGBADJ!", "26")), "PASS *1RGBADJ!26\r\n\r\nOK\r\nCTRLR>");
    EXPECT_EQ(line.sim.unit(1).input(1).ContrastR, before);
    // The empty addressed line that follows is answered by the controller without waiting.
    EXPECT_EQ(line.exchangeAll(Frame("*1 !", "9C")), "PASS *1 !9C\r\n\r\nOK\r\nCTRLR>");
    EXPECT_EQ(line.sim.unit(1).input(1).ContrastR, before);
    // The next query for that unit waits for the end of the procedure and reports its result.
    const QByteArray reply = line.exchangeAll("TNQUERY *1IINFOTN 1!\r");
    const float after = line.sim.unit(1).input(1).ContrastR;
    EXPECT_NE(after, before);
    const qsizetype m = reply.indexOf('\x01');
    ASSERT_GT(m, 0);
    const int wire = (uint8_t(reply[m + 2 + 46]) << 24) | (uint8_t(reply[m + 2 + 47]) << 16) |
                     (uint8_t(reply[m + 2 + 48]) << 8) | uint8_t(reply[m + 2 + 49]);
    EXPECT_EQ(TenthsToFloat(wire), after);
}

// What the controller says about a unit in the middle of a procedure, in each of its ways, and
// that the other unit and the controller's own answers are not held up by it.
TEST(SimController, BusyUnitIsAnsweredTheWayTheControllerIsSetUpFor)
{
    struct Case {
        BusyAnswer busy;
        QByteArray whileBusy;  // after the echo of a query for the busy unit
    };
    const Case cases[] = {
        {BusyAnswer::Silent, ""},
        {BusyAnswer::Error4, "!ERR 4\r\nCTRLR>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.busy));
        SimConfig config = Controller({1, 2});
        config.timings.colorBalanceMs = 600000;  // ten minutes: busy for the whole test
        config.busyAnswer = c.busy;
        config.relayWaitMs = 50;
        Line line(config);
        EXPECT_EQ(line.exchangeAll(Frame("*1RGBADJ!", "26")), "PASS *1RGBADJ!26\r\n\r\nOK\r\nCTRLR>");
        EXPECT_TRUE(line.sim.unitBusy(1));
        EXPECT_FALSE(line.sim.unitBusy(2));
        EXPECT_EQ(line.exchangeAll(Frame("*1 !", "9C")), "PASS *1 !9C\r\n\r\nOK\r\nCTRLR>");
        const QByteArray query = "TNQUERY *1IINFOTN 1!\r";
        EXPECT_EQ(line.exchangeAll(query), "TNQUERY *1IINFOTN 1!\r\n" + c.whileBusy);
        EXPECT_EQ(line.exchangeAll(Frame("*1BLKGN 1 20!", "BD")), "PASS *1BLKGN 1 20!BD\r\n\r\n" + c.whileBusy);
        EXPECT_NE(line.sim.unit(1).output(1).BlackLevel, 20);  // never reached the unit
        const QByteArray other = line.exchangeAll("TNQUERY *2IINFOTN 1!\r");
        EXPECT_TRUE(other.endsWith("\r\nCTRLR>") && other.contains(QByteArray("\x01N", 2))) << other.toStdString();
        EXPECT_EQ(line.exchangeAll("NTN\r"), "NTN\r\n2 1 2\r\nCTRLR>");
    }
}

// A procedure as long as a real unit's, at a small clock scale: the unit is busy until its end,
// then answers with the procedure's results.
TEST(SimController, RealDurationProcedureEndsOnTheScaledClock)
{
    const double saved = clock::scale();
    clock::setScale(0.0005);  // four minutes of colour balance take 120 ms
    SimConfig config = Controller({1, 2});
    config.timings = UnitTimings::LikeRealUnit();
    config.busyAnswer = BusyAnswer::Silent;
    Line line(config);
    const float before = line.sim.unit(1).input(2).ContrastR;
    line.exchangeAll(Frame("*1RGBADJ!", "26"));
    EXPECT_TRUE(line.sim.unitBusy(1));
    bool finished = false;
    QObject::connect(&line.sim, &Simulator::procedureFinished, [&](int unit) { finished = unit == 1; });
    EXPECT_TRUE(line.waitFor([&] { return finished; }));
    EXPECT_FALSE(line.sim.unitBusy(1));
    EXPECT_NE(line.sim.unit(1).input(2).ContrastR, before);
    EXPECT_TRUE(line.exchangeAll("TNQUERY *1IINFOTN 2!\r").endsWith("\r\nCTRLR>"));
    clock::setScale(saved);
}

// ---- Faults --------------------------------------------------------------------------------

TEST(SimFaults, DroppedRequestsGetNothingAndLaterOnesAreAnswered)
{
    Line line(Controller({1, 2}));
    line.sim.faults().dropNext = 2;
    EXPECT_EQ(line.exchangeAll(Frame("*1BLKGN 1 20!", "BD") + "NTN\r" + "NTN\r"), "NTN\r\n2 1 2\r\nCTRLR>");
    EXPECT_EQ(line.sim.unit(1).output(1).BlackLevel, 0);
    EXPECT_EQ(line.sim.faults().dropNext, 0);
    // However many are lost in one go.
    line.sim.faults().dropNext = 50000;
    EXPECT_EQ(line.exchangeAll(QByteArray(50000, '\r') + "NTN\r"), "NTN\r\n2 1 2\r\nCTRLR>");
}

TEST(SimFaults, DeadCableSendsNothingUntilRepaired)
{
    Line line(Direct());
    line.sim.faults().dead = true;
    EXPECT_EQ(line.exchangeAll("\rBLKGN 1 20\r"), "");
    EXPECT_TRUE(line.sim.sent().isEmpty());
    EXPECT_EQ(line.sim.unit(1).output(1).BlackLevel, 0);
    line.sim.faults().dead = false;
    EXPECT_EQ(line.exchangeAll("\r"), "\r\n#");
}

TEST(SimFaults, DeliveryModesCarryTheSameBytesInTheirPieces)
{
    const QByteArray request = "TNQUERY *1OINFOTN 1!\r";
    QByteArray whole;
    struct Case {
        Delivery delivery;
        bool perByte;
    };
    for (const Case c : {Case{Delivery::Whole, false}, Case{Delivery::ByteAtATime, true}, Case{Delivery::RandomPieces, false}}) {
        Line line(Controller({1, 2}));
        line.sim.faults().delivery = c.delivery;
        line.sim.faults().seed = 7;
        const QByteArray reply = line.exchangeAll(request);
        if (c.delivery == Delivery::Whole) whole = reply;
        EXPECT_EQ(reply, whole);
        // Writes after the echo: one per byte, random pieces of at most 16, or one.
        std::vector<qsizetype> sizes;
        qsizetype skipped = 0;
        for (const auto& e : line.sim.log().entries()) {
            if (e.direction != TrafficLog::Direction::Sent) continue;
            if (skipped < request.size() + 1) {
                skipped += e.bytes.size();
                continue;
            }
            sizes.push_back(e.bytes.size());
        }
        const qsizetype replySize = reply.size() - request.size() - 1;
        if (c.delivery == Delivery::Whole) {
            EXPECT_EQ(sizes.size(), 1u);
        }
        if (c.perByte) {
            EXPECT_EQ(qsizetype(sizes.size()), replySize);
        }
        if (c.delivery == Delivery::RandomPieces) {
            EXPECT_GT(sizes.size(), 2u);
            for (qsizetype s : sizes) EXPECT_LE(s, 16);
        }
    }
}

TEST(SimFaults, NoiseComesBeforeTheNextReplyOnly)
{
    Line line(Controller({1, 2}));
    line.sim.faults().noiseNext = 1;
    line.sim.faults().noise = "~~\xff";
    EXPECT_EQ(line.exchangeAll("\r"), "\r\n~~\xff" "CTRLR>");
    EXPECT_EQ(line.exchangeAll("\r"), "\r\nCTRLR>");
}

TEST(SimFaults, PacedOutputNeverOutrunsTheLine)
{
    SimConfig c = Controller({1, 2});
    c.baud = 300;
    Line line(c);
    const QByteArray reply = line.exchangeAll("TNQUERY *2OINFOTN 3!\r");
    EXPECT_TRUE(reply.endsWith("\r\nCTRLR>"));
    // No byte leaves before the line could have carried it: counted from the moment the
    // request was read, n bytes need at least n byte times at 10 bits per byte.
    const auto& entries = line.sim.log().entries();
    ASSERT_FALSE(entries.empty());
    ASSERT_EQ(entries.front().direction, TrafficLog::Direction::Received);
    const double byteSeconds = 10.0 / 300 * clock::scale();
    qsizetype total = 0;
    int writes = 0;
    for (const auto& e : entries) {
        if (e.direction != TrafficLog::Direction::Sent) continue;
        total += e.bytes.size();
        ++writes;
        const double elapsed = std::chrono::duration<double>(e.time - entries.front().time).count();
        EXPECT_GE(elapsed, double(total) * byteSeconds) << total << " bytes";
    }
    EXPECT_EQ(total, reply.size());
    EXPECT_GT(writes, 2);
}

// Garbage on the line never crashes a unit or changes it; the port answers normally afterwards.
TEST(SimFaults, GarbageIsHarmless)
{
    for (const PortMode mode : {PortMode::Direct, PortMode::Controller}) {
        SimConfig c = mode == PortMode::Direct ? Direct() : Controller({1, 2});
        c.thinkMs = 0;
        Line line(c);
        std::vector<UnitState> before;
        for (int u = 1; u <= line.sim.unitCount(); ++u) before.push_back(line.sim.unit(u).state());
        std::mt19937 rng(12345);
        std::uniform_int_distribution<int> byte(0, 255);
        const char* fragments[] = {"PASS *1", "TNQUERY *2", "BLKGN", "!", "*", "\r", "\b", "NTN", "IINFOTN"};
        QByteArray junk;
        for (int k = 0; k < 6000; ++k) {
            if (k % 7 == 0)
                junk += fragments[byte(rng) % 9];
            else
                junk += char(byte(rng));
        }
        line.exchangeAll(junk + "\r");
        for (int u = 1; u <= line.sim.unitCount(); ++u)
            EXPECT_TRUE(before[size_t(u - 1)] == line.sim.unit(u).state());
        const QByteArray prompt = mode == PortMode::Direct ? QByteArray("\r\n#") : QByteArray("\r\nCTRLR>");
        EXPECT_EQ(line.exchangeAll("\r"), prompt);
    }
}

TEST(SimTraffic, LogKeepsOrderAndFormatsReadably)
{
    Line line(Direct());
    line.exchangeAll("\r");
    const auto& e = line.sim.log().entries();
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].direction, TrafficLog::Direction::Received);
    EXPECT_EQ(e[1].direction, TrafficLog::Direction::Sent);
    EXPECT_LE(e[0].time, e[1].time);
    EXPECT_TRUE(line.sim.log().formatEntry(e[1]).endsWith(" TX  0D 0A 23  |..#|"))
        << line.sim.log().formatEntry(e[1]).toStdString();
    EXPECT_EQ(line.sim.log().lastSentTime(), e[1].time);
    line.sim.log().clear();
    EXPECT_TRUE(line.sim.received().isEmpty());
}

TEST(SimTraffic, ReportsTheLineSettingsTheProgramChose)
{
    Line line(Controller({1, 2}));
    struct Case {
        int baud;
        QSerialPort::Parity parity;
        QSerialPort::FlowControl flow;
    };
    const Case cases[] = {
        {57600, QSerialPort::NoParity, QSerialPort::HardwareControl},
        {38400, QSerialPort::EvenParity, QSerialPort::NoFlowControl},
        {9600, QSerialPort::MarkParity, QSerialPort::NoFlowControl},
    };
    for (const Case& c : cases) {
        QSerialPort port(line.sim.slavePath());
        port.setBaudRate(c.baud);
        port.setParity(c.parity);
        port.setFlowControl(c.flow);
        ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
        const Simulator::LineSettings l = line.sim.lineSettings();
        EXPECT_EQ(l.baud, c.baud);
        EXPECT_EQ(l.stopBits, 1);
        EXPECT_EQ(l.hardwareFlow, c.flow == QSerialPort::HardwareControl);
    }
}

}  // namespace
}  // namespace kalvora::sim
