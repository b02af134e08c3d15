// KHR_texture_transform baked into texture coordinates, for a host that has no texture transform.
#pragma once

#include <cstddef>

#include "gltf/read/gltf_document.h"

namespace korva::gltf::decode {

// Each of `count` (u, v) pairs in place as uv' = T x R x S x uv: scaled, turned by the rotation
// (u' = cos u + sin v, v' = -sin u + cos v, anticlockwise in glTF's texture space, whose v runs
// down), then offset.
void TransformTexcoords(const doc::TextureTransform& transform, float* uv, size_t count);

}  // namespace korva::gltf::decode
