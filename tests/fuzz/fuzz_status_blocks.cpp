// The status block decoders and the marker search fed arbitrary replies: no read outside the
// reply, and the reserved bytes of the records never change.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "link/decode.h"

using namespace kalvora;

namespace {

template <typename R>
bool ReservedUnchanged(const R& before, const R& after, std::initializer_list<std::pair<int, int>> reserved)
{
    const auto* a = reinterpret_cast<const uint8_t*>(&before);
    const auto* b = reinterpret_cast<const uint8_t*>(&after);
    for (auto [offset, width] : reserved)
        if (std::memcmp(a + offset, b + offset, size_t(width)) != 0) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reply exactly as large as the input, so a read past it is caught.
    std::vector<uint8_t> reply(data, data + size);
    const std::span<const uint8_t> bytes(reply.data(), reply.size());

    for (std::string_view kinds : {kSystemInfoKinds, kInputKinds, kOutputKinds}) {
        const int marker = FindMarker(bytes, kinds);
        if (marker < -1 || marker >= kMarkerSearchPositions) std::abort();
        if (marker < 0) continue;
        const auto block = bytes.subspan(size_t(marker) + 2);
        const char kind = char(bytes[size_t(marker) + 1]);

        InputChannelRecord in;
        std::memset(&in, 0xA5, sizeof in);
        const InputChannelRecord inBefore = in;
        if (DecodeInputBlock(in, kind, block)) {
            if (!ReservedUnchanged(inBefore, in, {{2, 2}, {10, 2}, {42, 2}})) std::abort();
            if (kind == 'F' && (in.HPositionLimit != -1 || in.VPositionLimit != -1)) std::abort();
        } else if (std::memcmp(&in, &inBefore, sizeof in) != 0) {
            std::abort();  // a refused block changes nothing
        }

        OutputScreenRecord out;
        std::memset(&out, 0x5A, sizeof out);
        const OutputScreenRecord outBefore = out;
        if (DecodeOutputBlock(out, block)) {
            if (!ReservedUnchanged(outBefore, out, {{18, 2}, {26, 2}, {34, 2}, {69, 3}})) std::abort();
        } else if (std::memcmp(&out, &outBefore, sizeof out) != 0) {
            std::abort();
        }
    }
    return 0;
}
