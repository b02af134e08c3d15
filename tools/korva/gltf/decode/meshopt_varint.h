// The little-endian base-128 integers of the index codecs, read from bounded input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korva::gltf::decode {

// Reads one integer at `*at` (advanced past it), never at or past `end`. A value takes at most
// five bytes: the fifth ends it whatever its top bit, bits past 32 are dropped. False when the
// value runs into `end`.
inline bool ReadVarint32(const uint8_t* bytes, size_t* at, size_t end, uint32_t* value) {
  uint32_t result = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (*at >= end) return false;
    const uint8_t byte = bytes[(*at)++];
    result |= uint32_t{byte & 0x7fu} << shift;
    if (byte < 0x80 || shift == 28) break;
  }
  *value = result;
  return true;
}

// A zigzag-coded 32-bit difference as the signed value it stands for, in two's complement.
inline uint32_t Unzigzag32(uint32_t v) {
  return (v & 1) ? ~(v >> 1) : (v >> 1);
}

// Stores a decoded index as a 2- or 4-byte little-endian integer (a 2-byte one keeps the low bits).
inline void StoreIndex(uint8_t* out, uint32_t value, size_t indexBytes) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
  if (indexBytes == 4) {
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
  }
}

}  // namespace korva::gltf::decode
