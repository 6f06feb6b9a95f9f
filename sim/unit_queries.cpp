// The status blocks a unit answers to the program's queries: its records encoded field by field
// in big-endian, behind the block's kind and length.
#include "sim/unit.h"

#include <cstring>
#include <span>

#include "sim/unit_tokens.h"

namespace kalvora::sim {

using detail::ParseInt;
using detail::Tokens;

namespace {

void PutBigEndian(QByteArray& d, int pos, int width, int64_t value)
{
    const auto u = static_cast<uint32_t>(static_cast<uint64_t>(value));
    for (int b = 0; b < width; ++b) d[pos + b] = static_cast<char>((u >> (8 * (width - 1 - b))) & 0xFF);
}

// Data bytes of a status block from a record and its field table (big-endian on the wire,
// tenths floats as integer tenths). Fields that start beyond dataLength are left out.
QByteArray EncodeData(std::span<const uint8_t> record, std::span<const FieldDesc> fields, int dataLength)
{
    QByteArray d(dataLength, '\0');
    for (const FieldDesc& f : fields) {
        const int w = FieldWidth(f.kind);
        for (int e = 0; e < f.count; ++e) {
            const int pos = f.wirePos + e * w;
            if (pos + w > dataLength) continue;
            const double v = ReadFieldValue(record, f, e);
            int64_t wire = 0;
            if (f.kind == FieldKind::Tenths) {
                const double t = std::clamp(v * 10.0, -2147483648.0, 2147483647.0);
                wire = std::isfinite(t) ? std::llround(t) : 0;
            } else {
                wire = static_cast<int64_t>(v);
            }
            PutBigEndian(d, pos, w, wire);
        }
    }
    return d;
}

QByteArray Block(char kind, const QByteArray& data)
{
    QByteArray b;
    b.append('\x01');
    b.append(kind);
    b.append(data);
    return b;
}

}  // namespace

QByteArray SimUnit::systemInfoBlock() const
{
    return Block(char(kSystemInfoReplyData), QByteArray(infoText.data(), kSystemInfoReplyData));
}

QByteArray SimUnit::inputBlock(int channel, bool shortForm) const
{
    const int n = shortForm ? kInputReplyDataShort : kInputReplyDataFull;
    return Block(shortForm ? 'F' : 'N', EncodeData(RecordBytes(input(channel)), kInputFields, n));
}

QByteArray SimUnit::outputBlock(int screen, uint8_t kind) const
{
    return Block(char(kind), EncodeData(RecordBytes(output(screen)), kOutputFields, kOutputReplyData));
}

bool SimUnit::isQuery(std::string_view line)
{
    const auto tok = Tokens(line);
    return !tok.empty() && (tok[0] == "SYINFOTN" || tok[0] == "IINFOTN" || tok[0] == "OINFOTN");
}

bool SimUnit::answerQuery(std::string_view line, bool shortInput, uint8_t outputKind, QByteArray& block) const
{
    const auto tok = Tokens(line);
    if (tok.empty()) return false;
    if (tok[0] == "SYINFOTN" && tok.size() == 1) {
        block = systemInfoBlock();
        return true;
    }
    int32_t n = 0;
    if (tok.size() != 2 || !ParseInt(tok[1], n) || n < 1 || n > 4) return false;
    if (tok[0] == "IINFOTN") {
        block = inputBlock(n, shortInput);
        return true;
    }
    if (tok[0] == "OINFOTN") {
        block = outputBlock(n, outputKind);
        return true;
    }
    return false;
}

}  // namespace kalvora::sim
