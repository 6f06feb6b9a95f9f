#pragma once
// Assembly of a reply from the bytes of the data events, with no I/O: bytes in, outcome out.
//
// A direct-mode reply ends at '#' right after CR LF, a controller reply at '>' right after
// 'L' 'R', in both cases only once MinReplyLength bytes have been assembled. In controller mode
// the rejection "?\r\nCTR" and the error codes "!ERR" x d are recognised when their last byte
// arrives, so a reply split anywhere across data events is read the same as one in one piece.
// The buffer is never written past its end: a longer reply is cut, and its end is still found.

#include <QByteArray>
#include <cstdint>

namespace kalvora {

enum class ReplyOutcome {
    Incomplete,          // the reply goes on in the next data event
    Complete,            // terminator accepted
    Rejected,            // "?\r\nCTR": the controller refused the line
    ErrorNoResponse,     // "!ERR" x '4': the unit did not answer
    ErrorCode,           // "!ERR" x other: the controller refused the line
};

struct ReplyBuffer {
    static constexpr int kSize = 250;
    // The reply's bytes, a NUL after the last one stored; always kSize bytes, of which the
    // last stays NUL. Past the NUL lie bytes of earlier replies.
    QByteArray ReplyText = QByteArray(kSize, '\0');
    int32_t ReplyLength = 0;      // where the next stored byte goes (at most kSize - 1)
    int32_t MinReplyLength = 0;   // a terminator counts only from this many bytes on
    char Terminator = '#';

    // Bytes of the current reply so far, also those cut for lack of room.
    int32_t Received = 0;
    // The last bytes of the current reply, newest last, for the end and error patterns.
    char Tail[6] = {};

    // Starts a reply afresh: nothing assembled, empty text.
    void Reset();
};

// Feeds one data event's bytes. Stops at the first end of reply or error (the bytes after it
// are handled as the end-of-reply rule says and never examined) and returns what ended it;
// `consumed` (optional) tells how many bytes were examined.
ReplyOutcome FeedReply(ReplyBuffer& reply, bool controllerMode, const char* data, int count,
                       int* consumed = nullptr);

}  // namespace kalvora
