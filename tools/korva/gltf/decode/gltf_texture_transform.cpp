#include "gltf/decode/gltf_texture_transform.h"

#include <cmath>

namespace korva::gltf::decode {

void TransformTexcoords(const doc::TextureTransform& transform, float* uv, size_t count) {
  const double c = std::cos(transform.rotation), s = std::sin(transform.rotation);
  const double sx = transform.scale[0], sy = transform.scale[1];
  // The three matrices as one: [c sx, s sy, ox; -s sx, c sy, oy].
  const double a = c * sx, b = s * sy, d = -s * sx, e = c * sy;
  const double ox = transform.offset[0], oy = transform.offset[1];
  for (size_t i = 0; i < count; ++i, uv += 2) {
    const double u = uv[0], v = uv[1];
    uv[0] = static_cast<float>(a * u + b * v + ox);
    uv[1] = static_cast<float>(d * u + e * v + oy);
  }
}

}  // namespace korva::gltf::decode
