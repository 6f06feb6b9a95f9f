#include "link/decode.h"

namespace kalvora {

int FindMarker(std::span<const uint8_t>, std::string_view) { return -1; }
int32_t ReadBE32(const uint8_t* d)
{
    return static_cast<int32_t>((uint32_t(d[0]) << 24) | (uint32_t(d[1]) << 16) | (uint32_t(d[2]) << 8) | d[3]);
}
int16_t ReadBE16(const uint8_t* d) { return static_cast<int16_t>((uint16_t(d[0]) << 8) | d[1]); }
bool DecodeInputBlock(InputChannelRecord&, char, std::span<const uint8_t>) { return false; }
bool DecodeOutputBlock(OutputScreenRecord&, std::span<const uint8_t>) { return false; }
NtnReply ParseNtnReply(std::span<const uint8_t>) { return {}; }

}  // namespace kalvora
