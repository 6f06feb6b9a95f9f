#include "link/reply_assembly.h"

#include <algorithm>
#include <cstring>

namespace kalvora {

void ReplyBuffer::Reset()
{
    ReplyLength = 0;
    Received = 0;
    ReplyText[0] = '\0';
    std::memset(Tail, 0, sizeof Tail);
}

ReplyOutcome FeedReply(ReplyBuffer&, bool, const char*, int count, int* consumed)
{
    if (consumed) *consumed = count;
    return ReplyOutcome::Incomplete;
}

}  // namespace kalvora
