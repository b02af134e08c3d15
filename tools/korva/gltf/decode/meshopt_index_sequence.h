// The index stream of compressed buffer views (mode INDICES): any sequence of indices, each a
// zigzag difference from one of two running baselines.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gltf/decode/meshopt_status.h"

namespace korva::gltf::decode {

// Decodes `count` indices of `indexBytes` bytes (2 or 4, little-endian, a 2-byte index keeping
// the low bits) from the stream's `size` bytes into `out`, which holds count * indexBytes bytes.
// A stream shorter than one byte an index is refused before anything is written. Reads no byte
// outside the stream, writes none outside `out`.
MeshoptResult DecodeMeshoptIndexSequence(const uint8_t* stream, size_t size, size_t count,
                                         size_t indexBytes, uint8_t* out);

}  // namespace korva::gltf::decode
