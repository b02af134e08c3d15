// The stream: a header byte 0xd1, one base-128 integer an index, then a 4-byte tail. The integer's
// lowest bit chooses the baseline, the rest is the zigzag-coded difference from it; the index
// becomes that baseline's new value.
#include "gltf/decode/meshopt_index_sequence.h"

#include "gltf/decode/meshopt_varint.h"

namespace korva::gltf::decode {
namespace {

constexpr uint8_t kSequenceHeader = 0xd1;
constexpr size_t kTailBytes = 4;

}  // namespace

MeshoptResult DecodeMeshoptIndexSequence(const uint8_t* stream, size_t size, size_t count,
                                         size_t indexBytes, uint8_t* out) {
  if (indexBytes != 2 && indexBytes != 4) return {MeshoptStatus::kBadLayout, 0};
  if (size < 1) return {MeshoptStatus::kCutShort, 0};
  if (stream[0] != kSequenceHeader) return {MeshoptStatus::kUnknownHeader, 0};
  if (size - 1 < kTailBytes || size - 1 - kTailBytes < count) {
    return {MeshoptStatus::kCutShort, size};
  }
  const size_t end = size - kTailBytes;
  size_t at = 1;
  uint32_t baselines[2] = {0, 0};
  for (size_t i = 0; i < count; ++i) {
    uint32_t v;
    if (!ReadVarint32(stream, &at, end, &v)) return {MeshoptStatus::kCutShort, at};
    uint32_t& baseline = baselines[v & 1];
    baseline += Unzigzag32(v >> 1);
    StoreIndex(out + i * indexBytes, baseline, indexBytes);
  }
  if (at != end) return {MeshoptStatus::kTrailingBytes, at};
  return {};
}

}  // namespace korva::gltf::decode
