// The triangle list stream of compressed buffer views (mode TRIANGLES): one code byte a triangle
// naming a recent edge and a recent, next or explicit vertex, with extra bytes where a code
// needs them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gltf/decode/meshopt_status.h"

namespace korva::gltf::decode {

// Decodes `count` indices (a multiple of 3) of `indexBytes` bytes (2 or 4; little-endian, a 2-byte
// index keeping the low bits of the decoded value) from the stream's `size` bytes into `out`,
// which holds count * indexBytes bytes. A stream shorter than one code byte a triangle is refused
// before anything is written. Reads no byte outside the stream, writes none outside `out`.
MeshoptResult DecodeMeshoptTriangles(const uint8_t* stream, size_t size, size_t count,
                                     size_t indexBytes, uint8_t* out);

}  // namespace korva::gltf::decode
