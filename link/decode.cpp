#include "link/decode.h"

namespace kalvora {

int FindMarker(std::span<const uint8_t> reply, std::string_view kinds)
{
    for (int i = 0; i < kMarkerSearchPositions && size_t(i) + 1 < reply.size(); ++i) {
        if (reply[i] == 0x01 && kinds.find(static_cast<char>(reply[i + 1])) != std::string_view::npos) return i;
    }
    return -1;
}

int32_t ReadBE32(const uint8_t* d)
{
    return static_cast<int32_t>((uint32_t(d[0]) << 24) | (uint32_t(d[1]) << 16) | (uint32_t(d[2]) << 8) | d[3]);
}

int16_t ReadBE16(const uint8_t* d) { return static_cast<int16_t>((uint16_t(d[0]) << 8) | d[1]); }

namespace {

// The value of one element of a field as the block carries it (big-endian; tenths scaled).
double WireValue(FieldKind kind, const uint8_t* d)
{
    switch (kind) {
    case FieldKind::U8: return d[0];
    case FieldKind::I16: return ReadBE16(d);
    case FieldKind::I32: return ReadBE32(d);
    case FieldKind::Tenths: return TenthsToFloat(ReadBE32(d));
    }
    return 0;
}

// Every element of a field from the block into the record's bytes.
void DecodeField(std::span<uint8_t> record, const FieldDesc& f, std::span<const uint8_t> data)
{
    const int width = FieldWidth(f.kind);
    for (int e = 0; e < f.count; ++e)
        WriteFieldValue(record, f, WireValue(f.kind, data.data() + f.wirePos + e * width), e);
}

int FieldEnd(const FieldDesc& f) { return f.wirePos + f.count * FieldWidth(f.kind); }

}  // namespace

bool DecodeInputBlock(InputChannelRecord& record, char kind, std::span<const uint8_t> data)
{
    const int needed = kind == 'N' ? kInputReplyDataFull : kind == 'F' ? kInputReplyDataShort : -1;
    if (needed < 0 || data.size() < size_t(needed)) return false;
    auto bytes = RecordBytes(record);
    for (const FieldDesc& f : kInputFields) {
        if (FieldEnd(f) <= needed) DecodeField(bytes, f, data);
    }
    if (kind == 'F') {
        // The short reply carries no position limits: the unit gave none.
        record.HPositionLimit = -1;
        record.VPositionLimit = -1;
    }
    return true;
}

bool DecodeOutputBlock(OutputScreenRecord& record, std::span<const uint8_t> data)
{
    if (data.size() < size_t(kOutputReplyData)) return false;
    auto bytes = RecordBytes(record);
    for (const FieldDesc& f : kOutputFields) {
        if (FieldEnd(f) <= kOutputReplyData) DecodeField(bytes, f, data);
    }
    return true;
}

NtnReply ParseNtnReply(std::span<const uint8_t> reply)
{
    NtnReply out;
    size_t first = 0;
    const size_t searchEnd = reply.size() < size_t(kMarkerSearchPositions) ? reply.size() : kMarkerSearchPositions;
    while (first < searchEnd && !(reply[first] >= '0' && reply[first] <= '9')) ++first;
    if (first >= searchEnd) return out;
    out.digitFound = true;

    // The work area: the text from the digit on, up to its NUL, cut to 19 characters.
    char work[kNtnWorkArea] = {};
    size_t n = 0;
    while (n < sizeof work - 1 && first + n < reply.size() && reply[first + n] != 0) {
        work[n] = static_cast<char>(reply[first + n]);
        ++n;
    }

    int* targets[3] = {&out.count, &out.id1, &out.id2};
    const char* p = work;
    while (out.numbers < 3) {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f') ++p;
        if (!(*p >= '0' && *p <= '9')) break;
        int64_t value = 0;
        bool tooLong = false;
        for (; *p >= '0' && *p <= '9'; ++p) {
            value = value * 10 + (*p - '0');
            if (value > INT32_MAX) tooLong = true, value = INT32_MAX;
        }
        if (tooLong) break;
        *targets[out.numbers++] = static_cast<int>(value);
    }
    return out;
}

}  // namespace kalvora
