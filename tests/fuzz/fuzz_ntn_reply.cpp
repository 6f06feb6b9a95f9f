// The controller's unit count reply: whatever it holds, the parse stays inside the reply and
// its 20-byte work area.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> reply(data, data + size);
    const kalvora::NtnReply r = kalvora::ParseNtnReply(reply);
    if (r.numbers < 0 || r.numbers > 3) std::abort();
    if (!r.digitFound && r.numbers != 0) std::abort();
    if (r.count < 0 || r.id1 < 0 || r.id2 < 0) std::abort();
    return 0;
}
