#include "commands/packed_colour.h"

#include <cmath>

namespace korva::commands {
namespace {

float ChannelFromByte(uint32_t byte) {
  return static_cast<float>(static_cast<double>(byte) / 255.0);
}

// The low 32 bits of trunc(c x 255). The product is exact in double precision. Out-of-range values
// would be undefined as a conversion; they yield 0, which is also what the x86 conversion leaves in
// the low word.
uint32_t ChannelToInteger(float channel) {
  const double scaled = static_cast<double>(channel) * 255.0;
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!std::isfinite(scaled) || scaled >= kLimit || scaled < -kLimit) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(scaled)));
}

}  // namespace

D3DCOLORVALUE UnpackColour(uint32_t colour) {
  D3DCOLORVALUE value;
  value.r = ChannelFromByte((colour >> 16) & 0xFF);
  value.g = ChannelFromByte((colour >> 8) & 0xFF);
  value.b = ChannelFromByte(colour & 0xFF);
  value.a = ChannelFromByte(colour >> 24);
  return value;
}

uint32_t PackColour(const D3DCOLORVALUE& value) {
  uint32_t packed = ChannelToInteger(value.a);
  packed = packed * 256u + ChannelToInteger(value.r);
  packed = packed * 256u + ChannelToInteger(value.g);
  packed = packed * 256u + ChannelToInteger(value.b);
  return packed;
}

}  // namespace korva::commands
