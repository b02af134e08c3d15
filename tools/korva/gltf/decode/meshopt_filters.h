// The filters a compressed attribute view may name, applied in place to the decoded elements:
// octahedral unit vectors, quaternions without their largest component, and floats as a shared
// exponent with a 24-bit mantissa. Every input gives defined output (out-of-range values are
// clamped, a zero scale gives zeros); within the format's ranges results are within one unit of
// the exact values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korva::gltf::decode {

enum class MeshoptFilter : uint8_t { kNone, kOctahedral, kQuaternion, kExponential };

// Whether `filter` may be applied to elements of `stride` bytes (octahedral: 4 or 8;
// quaternion: 8; exponential: a multiple of 4; none: any).
bool MeshoptFilterFits(MeshoptFilter filter, size_t stride);

// Applies `filter` to `count` elements of `stride` bytes at `data`; the stride must fit.
void ApplyMeshoptFilter(MeshoptFilter filter, uint8_t* data, size_t count, size_t stride);

}  // namespace korva::gltf::decode
