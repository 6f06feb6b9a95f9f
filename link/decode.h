#pragma once
// Decoding of the units' binary status blocks and of the controller's unit count, with no I/O.
// The block decoders walk the records' field tables (wire position, encoding, field), so no
// field is decoded by a line of its own.

#include <cstdint>
#include <span>
#include <string_view>

#include "settings/records.h"

namespace kalvora {

// Marker search: the first position i in 0..29 where reply[i] is 0x01 and reply[i + 1] one of
// `kinds`. Returns i, or -1. Only the first `size` bytes of `reply` are looked at.
constexpr int kMarkerSearchPositions = 30;
int FindMarker(std::span<const uint8_t> reply, std::string_view kinds);

inline constexpr std::string_view kSystemInfoKinds{"\x08", 1};
inline constexpr std::string_view kInputKinds{"FN", 2};
inline constexpr std::string_view kOutputKinds{"\x40\x3E\x3F", 3};

// Big-endian integer fields of the status blocks.
int32_t ReadBE32(const uint8_t* d);
int16_t ReadBE16(const uint8_t* d);

// Overwrites every field of the record that the block carries; reserved bytes are untouched.
// `data` must hold the block's data bytes: 70 for kind 'F', 78 for kind 'N' (input); 63
// (output). Kind 'F' sets both position limits to -1. False (record untouched) when `data` is
// too short or the kind unknown.
bool DecodeInputBlock(InputChannelRecord& record, char kind, std::span<const uint8_t> data);
bool DecodeOutputBlock(OutputScreenRecord& record, std::span<const uint8_t> data);

// The controller's NTN reply: from the first decimal digit among the first 30 bytes, up to
// three decimal integers separated by white space: count, first ID, second ID. The text from
// the digit on is cut to a 20-byte work area (19 characters); a number too long for 32 bits
// ends the parse there.
struct NtnReply {
    bool digitFound = false;  // false: "Error detecting # of Tornel(s) from Controller"
    int numbers = 0;          // how many of count, id1, id2 were read (0..3)
    int count = 0;
    int id1 = 0;
    int id2 = 0;
};
constexpr int kNtnWorkArea = 20;
NtnReply ParseNtnReply(std::span<const uint8_t> reply);

}  // namespace kalvora
