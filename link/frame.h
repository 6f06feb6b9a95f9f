#pragma once
// The lines that go to the units and the controller, and the marks recognised in what comes
// back, with no I/O: a SerialFrame is plain data (what is asked of whom), EncodeFrame() gives its
// exact bytes and ParseFrame() reads bytes back into a SerialFrame, telling what is wrong with them.
// The link writes its frames from here, the trace and the status bar read the unit and the
// command back from here, and the simulated controller parses what it receives and builds its
// answers from here, so the two sides of the line cannot drift apart.
//
//   line      keyword and arguments, CR            "BLKGN 1 20\r", "RGBADJ\r\r", "NTN\r", "\r"
//   command   "PASS " "*" id text "!" hh CR CR     "PASS *1BLKGN 1 20!BD\r\r"
//   query     "TNQUERY " "*" id text "!" CR        "TNQUERY *2OINFOTN 3!\r"
//
// hh is the checksum of the addressed text ("*" id text "!"): its byte sum mod 256 in two
// upper-case hex digits. The RS-485 ID is written in decimal as given; only a parse checks it.

#include <QByteArray>
#include <QByteArrayView>
#include <array>

namespace kalvora {

enum class FrameKind {
    Line,     // a direct-mode command or query, a line the controller answers itself, the probe
    Command,  // a controller command in its "PASS " envelope with checksum
    Query,    // a status query relayed by the controller: "TNQUERY ", no checksum
};

struct SerialFrame {
    FrameKind kind = FrameKind::Line;
    int unitId = 0;    // RS-485 ID of a command or query; 0 for a line
    QByteArray text;   // keyword and arguments: "BLKGN 1 20", "OINFOTN 3", "NTN"; empty for the probe
    int lineEnds = 1;  // a line's CRs (RGBADJ, AUTOPOS and APHASE end in two); a command always has two

    static SerialFrame line(QByteArray text, int lineEnds = 1) { return {FrameKind::Line, 0, std::move(text), lineEnds}; }
    static SerialFrame command(int unitId, QByteArray text) { return {FrameKind::Command, unitId, std::move(text), 2}; }
    static SerialFrame query(int unitId, QByteArray text) { return {FrameKind::Query, unitId, std::move(text), 1}; }
    static SerialFrame probe() { return line({}); }

    bool operator==(const SerialFrame&) const = default;
};

inline constexpr QByteArrayView kCommandEnvelope("PASS ");
inline constexpr QByteArrayView kQueryEnvelope("TNQUERY ");
inline constexpr QByteArrayView kCommandEnd("\r\r");
constexpr int kFirstUnitId = 1;
constexpr int kLastUnitId = 32;

// "*" id text "!": what a command's checksum covers and what the link keeps as its command text.
QByteArray AddressedText(int unitId, QByteArrayView text);
// Byte sum mod 256 of `text`.
int FrameChecksum(QByteArrayView text);
// The two upper-case hex digits of a checksum ("0A", "BD", "00").
QByteArray ChecksumText(int checksum);

// The bytes of a frame, exactly as they go on the wire.
QByteArray EncodeFrame(const SerialFrame& frame);

// A command frame in the four pieces the link writes one by one, so that a piece the output
// queue has no room for is dropped alone: "PASS ", the addressed text as given, the checksum
// digits, CR CR. The addressed text is taken as it stands (the builders wrote it), the
// checksum as computed by them.
struct CommandPieces {
    std::array<QByteArray, 4> pieces;
    // Length of the line through its first CR: the shortest reply that can hold its echo.
    int lineLength() const { return int(pieces[0].size() + pieces[1].size() + pieces[2].size()) + 1; }
};
CommandPieces CommandFramePieces(QByteArrayView addressedText, int checksum);

// What is wrong with received bytes, the first fault found.
enum class FrameFault {
    None,
    Truncated,    // the bytes stop before the frame's end: no checksum, no "!" or no CR yet
    BadAddress,   // no "*", no ID digits, more than two digits, ID outside 1..32, no "!"
    BadChecksum,  // the digits are not two upper-case hex digits or do not match the sum
    Garbage,      // bytes after the frame's last CR
};

struct ParsedFrame {
    SerialFrame frame;                  // as far as it could be read (text up to the "!" or the CR)
    FrameFault fault = FrameFault::None;
    bool ok() const { return fault == FrameFault::None; }
};

// Reads one frame from its first byte. `bytes` may stop anywhere; CRs at the end may be left
// out (the line as a line-reading peer has it, up to its first CR), which is not a fault. A
// command's ID and text are read even when its checksum is wrong.
ParsedFrame ParseFrame(QByteArrayView bytes);
// The addressed text alone ("*" id text "!", white space around it allowed): ID and text.
ParsedFrame ParseAddressed(QByteArrayView addressed);

// ---- What comes back ---------------------------------------------------------------------------

// The controller ends every answer with its prompt; the program takes 'L', 'R', '>' for its end.
inline constexpr QByteArrayView kControllerPrompt("CTRLR>");
inline constexpr QByteArrayView kControllerReplyEnd = kControllerPrompt.last(3);
// A direct unit ends every answer with CR LF '#'.
inline constexpr QByteArrayView kDirectReplyEnd("\r\n#");
// The controller refuses a frame: "?" CR LF and its prompt, recognised by its first six bytes.
inline constexpr QByteArrayView kRejection("?\r\nCTR");
// The controller reports an error: "!ERR", one more character and the code digit; code 4 means
// the unit did not answer.
inline constexpr QByteArrayView kErrorLead("!ERR");
constexpr char kErrorNoResponse = '4';

// The controller's answers as the simulated controller writes them.
QByteArray ControllerAnswer(QByteArrayView body);  // body CR LF prompt ("OK", "2 3 7", a block)
QByteArray ControllerRejection();                  // "?\r\nCTRLR>"
QByteArray ControllerErrorAnswer(char code);             // "!ERR 4\r\nCTRLR>"

// What the newest bytes of a controller reply say, looked at as each byte arrives. `tail`
// holds the last bytes, newest last, `available` of them at most. Not the end of a reply:
// that also needs the reply's minimum length.
enum class ReplyMark { None, Rejection, ErrorNoResponse, ErrorCode };
inline ReplyMark MarkOfTail(const char* tail, int size, int available)
{
    auto at = [&](int back) { return back < available && back < size ? tail[size - 1 - back] : char(0); };
    bool rejection = available >= int(kRejection.size());
    for (int j = 0; rejection && j < int(kRejection.size()); ++j)
        rejection = at(j) == kRejection[kRejection.size() - 1 - j];
    if (rejection) return ReplyMark::Rejection;
    if (available >= 6 && at(5) == kErrorLead[0] && at(4) == kErrorLead[1] && at(3) == kErrorLead[2] &&
        at(2) == kErrorLead[3])
        return at(0) == kErrorNoResponse ? ReplyMark::ErrorNoResponse : ReplyMark::ErrorCode;
    return ReplyMark::None;
}
// Whether a terminator just received ends the reply: it follows 'L' 'R' (controller) or CR LF
// (direct). `before1` is the byte right before it, `before2` the one before that.
constexpr bool EndsReply(bool controllerMode, int before2, int before1)
{
    const QByteArrayView end = controllerMode ? kControllerReplyEnd : kDirectReplyEnd;
    return before2 == static_cast<unsigned char>(end[0]) && before1 == static_cast<unsigned char>(end[1]);
}

// The echo of a sent line in a controller's reply: where the line (up to its first CR) starts
// in `reply`, or -1. An empty line is found at 0.
qsizetype FindEcho(QByteArrayView reply, QByteArrayView sentLine);

}  // namespace kalvora
