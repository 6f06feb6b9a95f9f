#include "link/frame.h"

namespace kalvora {
namespace {

constexpr int kMaxIdDigits = 2;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

QByteArrayView Trimmed(QByteArrayView v)
{
    while (!v.isEmpty() && IsSpace(v.front())) v = v.sliced(1);
    while (!v.isEmpty() && IsSpace(v.back())) v.chop(1);
    return v;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is not what the program sends
}

// The line up to its first CR, the CRs that end it, and whether anything follows them.
struct LineSplit {
    QByteArrayView line;
    int ends = 0;
    bool garbage = false;
};

LineSplit SplitLine(QByteArrayView bytes)
{
    LineSplit s;
    const qsizetype cr = bytes.indexOf('\r');
    if (cr < 0) {
        s.line = bytes;
        return s;
    }
    s.line = bytes.first(cr);
    qsizetype i = cr;
    while (i < bytes.size() && bytes[i] == '\r') ++i, ++s.ends;
    s.garbage = i < bytes.size();
    return s;
}

// "*" digits text "!" with the "!" at `bang`, or without one (-1): a frame still arriving, so
// Truncated when what is there is right so far.
ParsedFrame ReadAddress(QByteArrayView addressed, qsizetype bang, FrameKind kind, bool lineEnded)
{
    ParsedFrame p;
    p.frame.kind = kind;
    p.frame.lineEnds = kind == FrameKind::Command ? 2 : 1;
    if (addressed.isEmpty() || addressed.front() != '*') {
        p.fault = addressed.isEmpty() && !lineEnded ? FrameFault::Truncated : FrameFault::BadAddress;
        return p;
    }
    const qsizetype end = bang < 0 ? addressed.size() : bang;
    qsizetype i = 1;
    int id = 0;
    for (; i < end && addressed[i] >= '0' && addressed[i] <= '9'; ++i)
        id = id >= 100000 ? id : id * 10 + (addressed[i] - '0');
    const qsizetype digits = i - 1;
    p.frame.unitId = id;
    p.frame.text = addressed.sliced(i, end - i).toByteArray();
    const bool idSoFar = digits <= kMaxIdDigits && (digits == 0 || id <= kLastUnitId);
    const bool idWhole = digits >= 1 && digits <= kMaxIdDigits && id >= kFirstUnitId && id <= kLastUnitId;
    if (bang < 0)
        p.fault = !lineEnded && (idWhole || (idSoFar && i == end)) ? FrameFault::Truncated : FrameFault::BadAddress;
    else if (!idWhole)
        p.fault = FrameFault::BadAddress;
    return p;
}

ParsedFrame ParseCommand(QByteArrayView body)
{
    const LineSplit s = SplitLine(body);
    const qsizetype bang = s.line.lastIndexOf('!');
    ParsedFrame p = ReadAddress(s.line, bang, FrameKind::Command, s.ends > 0);
    if (!p.ok()) return p;
    const QByteArrayView digits = s.line.sliced(bang + 1);
    if (digits.size() < 2 && s.ends == 0) {
        p.fault = FrameFault::Truncated;
    } else if (digits.size() != 2 || HexValue(digits[0]) < 0 || HexValue(digits[1]) < 0 ||
               HexValue(digits[0]) * 16 + HexValue(digits[1]) != FrameChecksum(s.line.first(bang + 1))) {
        p.fault = FrameFault::BadChecksum;
    } else if (s.garbage || s.ends > 2) {
        p.fault = FrameFault::Garbage;
    }
    return p;
}

ParsedFrame ParseQuery(QByteArrayView body)
{
    const LineSplit s = SplitLine(body);
    const QByteArrayView addressed = Trimmed(s.line);
    const qsizetype bang = addressed.endsWith('!') ? addressed.size() - 1 : -1;
    ParsedFrame p = ReadAddress(addressed, bang, FrameKind::Query, s.ends > 0);
    if (p.ok() && (s.garbage || s.ends > 1)) p.fault = FrameFault::Garbage;
    return p;
}

}  // namespace

int FrameChecksum(QByteArrayView text)
{
    unsigned sum = 0;
    for (const char c : text) sum += static_cast<unsigned char>(c);
    return static_cast<int>(sum % 256);
}

QByteArray ChecksumText(int checksum)
{
    static const char hex[] = "0123456789ABCDEF";
    const unsigned v = static_cast<unsigned>(checksum) & 0xFF;
    const char digits[2] = {hex[v >> 4], hex[v & 0x0F]};
    return QByteArray(digits, 2);
}

QByteArray AddressedText(int unitId, QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size() + 5);
    out += '*';
    out += QByteArray::number(unitId);
    out += text;
    out += '!';
    return out;
}

CommandPieces CommandFramePieces(QByteArrayView addressedText, int checksum)
{
    return {{kCommandEnvelope.toByteArray(), addressedText.toByteArray(), ChecksumText(checksum), kCommandEnd.toByteArray()}};
}

QByteArray EncodeFrame(const SerialFrame& frame)
{
    switch (frame.kind) {
    case FrameKind::Command: {
        const QByteArray addressed = AddressedText(frame.unitId, frame.text);
        const CommandPieces c = CommandFramePieces(addressed, FrameChecksum(addressed));
        return c.pieces[0] + c.pieces[1] + c.pieces[2] + c.pieces[3];
    }
    case FrameKind::Query:
        return kQueryEnvelope.toByteArray() + AddressedText(frame.unitId, frame.text) + '\r';
    case FrameKind::Line: break;
    }
    return frame.text + QByteArray(frame.lineEnds > 0 ? frame.lineEnds : 0, '\r');
}

ParsedFrame ParseFrame(QByteArrayView bytes)
{
    if (bytes.startsWith(kCommandEnvelope)) return ParseCommand(bytes.sliced(kCommandEnvelope.size()));
    if (bytes.startsWith(kQueryEnvelope)) return ParseQuery(bytes.sliced(kQueryEnvelope.size()));
    const LineSplit s = SplitLine(bytes);
    ParsedFrame p;
    p.frame = SerialFrame::line(s.line.toByteArray(), s.ends > 0 ? s.ends : 1);
    if (s.garbage) p.fault = FrameFault::Garbage;
    return p;
}

ParsedFrame ParseAddressed(QByteArrayView addressed)
{
    const QByteArrayView a = Trimmed(addressed);
    return ReadAddress(a, a.endsWith('!') ? a.size() - 1 : -1, FrameKind::Command, true);
}

QByteArray ControllerAnswer(QByteArrayView body)
{
    return body.toByteArray() + "\r\n" + kControllerPrompt.toByteArray();
}

QByteArray ControllerRejection() { return ControllerAnswer("?"); }

QByteArray ControllerErrorAnswer(char code)
{
    return ControllerAnswer(kErrorLead.toByteArray() + ' ' + code);
}

qsizetype FindEcho(QByteArrayView reply, QByteArrayView sentLine)
{
    const qsizetype cr = sentLine.indexOf('\r');
    const QByteArrayView line = cr < 0 ? sentLine : sentLine.first(cr);
    if (line.isEmpty()) return 0;
    return reply.indexOf(line);
}

}  // namespace kalvora
