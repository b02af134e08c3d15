// The attribute stream of compressed buffer views (mode ATTRIBUTES): elements of a fixed size
// stored as per-byte deltas from the previous element, de-interleaved in blocks, in groups of 16
// with two, four or eight bits a delta.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gltf/decode/meshopt_status.h"

namespace korva::gltf::decode {

constexpr size_t kMeshoptMaxAttributeStride = 256;

// The fewest bytes a stream of `count` elements of `stride` bytes can take (header, the group
// modes of every block, tail): a stream shorter than this is refused before anything is sized by
// `count`. SIZE_MAX when the count is beyond any stream.
size_t MinimumAttributeStreamBytes(uint64_t count, size_t stride);

// Decodes `count` elements of `stride` bytes (a multiple of 4, at most 256) from the stream's
// `size` bytes into `out`, which holds count * stride bytes. Reads no byte outside the stream and
// writes none outside `out`; on failure `out` holds unspecified bytes.
MeshoptResult DecodeMeshoptAttributes(const uint8_t* stream, size_t size, size_t count,
                                      size_t stride, uint8_t* out);

}  // namespace korva::gltf::decode
