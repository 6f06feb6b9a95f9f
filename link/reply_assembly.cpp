#include "link/reply_assembly.h"

#include <cstring>

#include "link/frame.h"

namespace kalvora {
namespace {

constexpr int kTail = sizeof(ReplyBuffer::Tail);

// The byte `back` places before the newest one (0 = the newest), or -1 when the reply is
// not that long.
int TailByte(const ReplyBuffer& r, int back)
{
    if (back >= kTail || back >= r.Received) return -1;
    return static_cast<unsigned char>(r.Tail[kTail - 1 - back]);
}

// Stores a byte in `text` (the reply's) if there is room; the last cell always stays free for
// the NUL.
void Store(ReplyBuffer& r, char* text, char b)
{
    if (r.ReplyLength < ReplyBuffer::kSize - 1) {
        text[r.ReplyLength++] = b;
        text[r.ReplyLength] = '\0';
    }
}

void StartAfresh(ReplyBuffer& r)
{
    r.ReplyLength = 0;
    r.Received = 0;
}

}  // namespace

void ReplyBuffer::Reset()
{
    ReplyLength = 0;
    Received = 0;
    if (ReplyText.size() != kSize) ReplyText.resize(kSize, '\0');
    ReplyText[0] = '\0';
    std::memset(Tail, 0, sizeof Tail);
}

ReplyOutcome FeedReply(ReplyBuffer& r, bool controllerMode, const char* data, int count, int* consumed)
{
    if (consumed) *consumed = 0;
    if (data == nullptr || count <= 0) return ReplyOutcome::Incomplete;
    // Defensive: the fields are public, so keep them inside the buffer whatever they hold.
    if (r.ReplyLength < 0 || r.ReplyLength > ReplyBuffer::kSize - 1) r.ReplyLength = ReplyBuffer::kSize - 1;
    if (r.Received < r.ReplyLength) r.Received = r.ReplyLength;
    if (r.ReplyText.size() != ReplyBuffer::kSize) r.ReplyText.resize(ReplyBuffer::kSize, '\0');
    char* const text = r.ReplyText.data();

    for (int i = 0; i < count; ++i) {
        const char b = data[i];
        const int32_t k = r.Received;  // position of this byte in the reply
        const int32_t stored = r.ReplyLength;
        Store(r, text, b);
        std::memmove(r.Tail, r.Tail + 1, kTail - 1);
        r.Tail[kTail - 1] = b;
        if (r.Received < INT32_MAX) ++r.Received;

        if (b == r.Terminator && k >= r.MinReplyLength) {
            const bool accepted = EndsReply(controllerMode, TailByte(r, 2), TailByte(r, 1));
            if (accepted) {
                // The block lies in the text from the terminator on; the NUL replaces the
                // block's last byte (the terminator itself when it came last).
                for (int j = i + 1; j < count; ++j) Store(r, text, data[j]);
                const int64_t last = int64_t(stored) + (count - 1 - i);
                text[last < ReplyBuffer::kSize - 1 ? last : ReplyBuffer::kSize - 1] = '\0';
                StartAfresh(r);
                if (consumed) *consumed = i + 1;
                return ReplyOutcome::Complete;
            }
            continue;
        }
        if (!controllerMode) continue;

        ReplyOutcome outcome = ReplyOutcome::Incomplete;
        switch (MarkOfTail(r.Tail, kTail, r.Received < kTail ? int(r.Received) : kTail)) {
        case ReplyMark::None: break;
        case ReplyMark::Rejection: outcome = ReplyOutcome::Rejected; break;
        case ReplyMark::ErrorNoResponse: outcome = ReplyOutcome::ErrorNoResponse; break;
        case ReplyMark::ErrorCode: outcome = ReplyOutcome::ErrorCode; break;
        }
        if (outcome != ReplyOutcome::Incomplete) {
            StartAfresh(r);
            if (consumed) *consumed = i + 1;
            return outcome;
        }
    }
    if (consumed) *consumed = count;
    return ReplyOutcome::Incomplete;
}

}  // namespace kalvora
