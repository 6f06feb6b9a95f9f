// The reply assembly fed whatever the line delivers, in pieces of random size: it must never
// write past the reply buffer, and its indexes must stay inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "link/reply_assembly.h"

using kalvora::FeedReply;
using kalvora::ReplyBuffer;
using kalvora::ReplyOutcome;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3) return 0;
    // Header: mode, minimum reply length, piece-size seed.
    const bool controller = data[0] & 1;
    ReplyBuffer r;
    r.Reset();
    r.Terminator = controller ? '>' : '#';
    r.MinReplyLength = data[1];
    unsigned pieceSeed = data[2];
    data += 3;
    size -= 3;

    size_t at = 0;
    while (at < size) {
        pieceSeed = pieceSeed * 1103515245u + 12345u;
        const size_t piece = 1 + (pieceSeed >> 16) % 64;
        const size_t n = piece < size - at ? piece : size - at;
        // The data event's bytes live in their own allocation so that any read past them is seen.
        char* block = static_cast<char*>(std::malloc(n));
        std::memcpy(block, data + at, n);
        int consumed = -1;
        const ReplyOutcome outcome = FeedReply(r, controller, block, int(n), &consumed);
        std::free(block);
        if (consumed < 0 || size_t(consumed) > n) std::abort();
        if (r.ReplyLength < 0 || r.ReplyLength > ReplyBuffer::kSize - 1) std::abort();
        if (r.ReplyText[ReplyBuffer::kSize - 1] != '\0') std::abort();
        if (outcome != ReplyOutcome::Incomplete && r.ReplyLength != 0) std::abort();
        if (!controller && (outcome == ReplyOutcome::Rejected || outcome == ReplyOutcome::ErrorCode ||
                            outcome == ReplyOutcome::ErrorNoResponse))
            std::abort();
        at += n;
    }
    return 0;
}
