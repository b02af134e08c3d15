// The stream: a header byte 0xa0, blocks of elements, then a tail holding the element the first
// deltas start from (its last `stride` bytes; the tail is at least 32 bytes). A block holds, for
// each byte of the element, the two-bit modes of its groups of 16 and then each group's deltas.
// Deltas are zigzag-coded differences from the same byte of the element before, modulo 256.
#include "gltf/decode/meshopt_vertex_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace korva::gltf::decode {
namespace {

constexpr uint8_t kAttributesHeader = 0xa0;
constexpr size_t kGroupSize = 16;
constexpr size_t kMinimumTail = 32;

size_t TailBytes(size_t stride) {
  return std::max(stride, kMinimumTail);
}

size_t BlockElements(size_t stride) {
  return std::min<size_t>((8192 / stride) & ~size_t{15}, 256);
}

size_t GroupModeBytes(size_t elements) {
  return ((elements + kGroupSize - 1) / kGroupSize + 3) / 4;
}

uint8_t Unzigzag8(uint8_t v) {
  return static_cast<uint8_t>((v & 1) ? ~(v >> 1) : (v >> 1));
}

// One group's 16 deltas in `bits`-bit fields, most significant first, then a byte for each field
// that holds its all-ones sentinel. False when a read would pass `end`.
bool ReadPackedGroup(const uint8_t* stream, size_t* at, size_t end, int bits, uint8_t* deltas) {
  const size_t packedBytes = kGroupSize * static_cast<size_t>(bits) / 8;
  if (end - *at < packedBytes) return false;
  const uint8_t* packed = stream + *at;
  size_t extra = *at + packedBytes;
  const int perByte = 8 / bits;
  const uint8_t sentinel = static_cast<uint8_t>((1u << bits) - 1);
  for (size_t i = 0; i < kGroupSize; ++i) {
    const int shift = 8 - bits * (1 + static_cast<int>(i % static_cast<size_t>(perByte)));
    uint8_t delta =
        static_cast<uint8_t>((packed[i / static_cast<size_t>(perByte)] >> shift) & sentinel);
    if (delta == sentinel) {
      if (extra >= end) return false;
      delta = stream[extra++];
    }
    deltas[i] = delta;
  }
  *at = extra;
  return true;
}

bool ReadGroup(const uint8_t* stream, size_t* at, size_t end, int mode, uint8_t* deltas) {
  switch (mode) {
    case 0:
      std::memset(deltas, 0, kGroupSize);
      return true;
    case 1:
      return ReadPackedGroup(stream, at, end, 2, deltas);
    case 2:
      return ReadPackedGroup(stream, at, end, 4, deltas);
    default:
      if (end - *at < kGroupSize) return false;
      std::memcpy(deltas, stream + *at, kGroupSize);
      *at += kGroupSize;
      return true;
  }
}

}  // namespace

size_t MinimumAttributeStreamBytes(uint64_t count, size_t stride) {
  if (stride == 0 || stride > kMeshoptMaxAttributeStride) return SIZE_MAX;
  // Every 64 elements cost each byte of the element at least one byte of group modes.
  if (count > SIZE_MAX / kMeshoptMaxAttributeStride) return SIZE_MAX;
  const size_t perBlock = BlockElements(stride);
  const size_t n = static_cast<size_t>(count);
  const size_t modeBytes =
      stride * ((n / perBlock) * GroupModeBytes(perBlock) + GroupModeBytes(n % perBlock));
  return 1 + modeBytes + TailBytes(stride);
}

MeshoptResult DecodeMeshoptAttributes(const uint8_t* stream, size_t size, size_t count,
                                      size_t stride, uint8_t* out) {
  if (stride == 0 || stride % 4 != 0 || stride > kMeshoptMaxAttributeStride) {
    return {MeshoptStatus::kBadLayout, 0};
  }
  if (size < 1) return {MeshoptStatus::kCutShort, 0};
  if (stream[0] != kAttributesHeader) return {MeshoptStatus::kUnknownHeader, 0};
  if (size < MinimumAttributeStreamBytes(count, stride)) return {MeshoptStatus::kCutShort, size};

  const size_t end = size - TailBytes(stride);
  uint8_t previous[kMeshoptMaxAttributeStride];
  std::memcpy(previous, stream + size - stride, stride);
  uint8_t deltas[256];
  const size_t perBlock = BlockElements(stride);
  size_t at = 1;
  for (size_t first = 0; first < count; first += perBlock) {
    const size_t elements = std::min(count - first, perBlock);
    const size_t groups = (elements + kGroupSize - 1) / kGroupSize;
    uint8_t* block = out + first * stride;
    for (size_t k = 0; k < stride; ++k) {
      const size_t modes = at;
      const size_t modeBytes = GroupModeBytes(elements);
      if (end - at < modeBytes) return {MeshoptStatus::kCutShort, at};
      at += modeBytes;
      for (size_t g = 0; g < groups; ++g) {
        const int mode = (stream[modes + g / 4] >> (2 * (g % 4))) & 3;
        if (!ReadGroup(stream, &at, end, mode, deltas + g * kGroupSize)) {
          return {MeshoptStatus::kCutShort, at};
        }
      }
      uint8_t value = previous[k];
      for (size_t i = 0; i < elements; ++i) {
        value = static_cast<uint8_t>(value + Unzigzag8(deltas[i]));
        block[i * stride + k] = value;
      }
      previous[k] = value;
    }
  }
  if (at != end) return {MeshoptStatus::kTrailingBytes, at};
  return {};
}

}  // namespace korva::gltf::decode
