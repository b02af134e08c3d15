#include "gltf/decode/meshopt_filters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace korva::gltf::decode {
namespace {

// The nearest integer to `v` (halves away from zero) within [-limit, limit]; 0 for NaN.
int32_t RoundClamped(float v, float limit) {
  if (!(v == v)) return 0;
  v = std::min(std::max(v, -limit), limit);
  return static_cast<int32_t>(v + (v >= 0 ? 0.5f : -0.5f));
}

template <typename T>
void LoadComponents(const uint8_t* at, T* values) {
  std::memcpy(values, at, 4 * sizeof(T));
}

template <typename T>
void StoreComponents(uint8_t* at, const T* values) {
  std::memcpy(at, values, 4 * sizeof(T));
}

// x and y in octahedral coordinates scaled by the third component (1.0 at the element's own
// precision); the fourth passes through.
template <typename T>
void Octahedral(uint8_t* data, size_t count) {
  const float max = sizeof(T) == 1 ? 127.0f : 32767.0f;
  for (size_t i = 0; i < count; ++i) {
    uint8_t* element = data + i * 4 * sizeof(T);
    T c[4];
    LoadComponents(element, c);
    const float one = c[2];
    if (one == 0) {
      c[0] = c[1] = c[2] = 0;
    } else {
      float x = c[0] / one, y = c[1] / one;
      const float z = 1.0f - std::fabs(x) - std::fabs(y);
      const float t = std::min(z, 0.0f);
      x -= std::copysign(t, x);
      y -= std::copysign(t, y);
      const float length = std::sqrt(x * x + y * y + z * z);
      c[0] = static_cast<T>(RoundClamped(x / length * max, max));
      c[1] = static_cast<T>(RoundClamped(y / length * max, max));
      c[2] = static_cast<T>(RoundClamped(z / length * max, max));
    }
    StoreComponents(element, c);
  }
}

// Three components scaled by sqrt(2) at the precision the fourth gives (its low two bits name
// the largest component, which is rebuilt as positive).
void Quaternion(uint8_t* data, size_t count) {
  const float range = 1.0f / std::sqrt(2.0f);
  for (size_t i = 0; i < count; ++i) {
    uint8_t* element = data + i * 8;
    int16_t c[4];
    LoadComponents(element, c);
    const float one = static_cast<float>(c[3] | 3);
    const float x = c[0] / one * range, y = c[1] / one * range, z = c[2] / one * range;
    const float w = std::sqrt(std::max(0.0f, 1.0f - x * x - y * y - z * z));
    const int largest = c[3] & 3;
    int16_t q[4];
    q[(largest + 1) % 4] = static_cast<int16_t>(RoundClamped(x * 32767.0f, 32767.0f));
    q[(largest + 2) % 4] = static_cast<int16_t>(RoundClamped(y * 32767.0f, 32767.0f));
    q[(largest + 3) % 4] = static_cast<int16_t>(RoundClamped(z * 32767.0f, 32767.0f));
    q[largest] = static_cast<int16_t>(RoundClamped(w * 32767.0f, 32767.0f));
    StoreComponents(element, q);
  }
}

// Each 32-bit word: a signed 8-bit exponent over a signed 24-bit mantissa.
void Exponential(uint8_t* data, size_t words) {
  for (size_t i = 0; i < words; ++i) {
    uint8_t* at = data + i * 4;
    uint32_t word;
    std::memcpy(&word, at, 4);
    int32_t mantissa = static_cast<int32_t>(word & 0xffffffu);
    if (mantissa & 0x800000) mantissa -= 0x1000000;
    const int exponent = static_cast<int8_t>(static_cast<uint8_t>(word >> 24));
    const float value = std::ldexp(static_cast<float>(mantissa), exponent);
    std::memcpy(at, &value, 4);
  }
}

}  // namespace

bool MeshoptFilterFits(MeshoptFilter filter, size_t stride) {
  switch (filter) {
    case MeshoptFilter::kNone:
      return true;
    case MeshoptFilter::kOctahedral:
      return stride == 4 || stride == 8;
    case MeshoptFilter::kQuaternion:
      return stride == 8;
    case MeshoptFilter::kExponential:
      return stride != 0 && stride % 4 == 0;
  }
  return false;
}

void ApplyMeshoptFilter(MeshoptFilter filter, uint8_t* data, size_t count, size_t stride) {
  switch (filter) {
    case MeshoptFilter::kNone:
      return;
    case MeshoptFilter::kOctahedral:
      return stride == 4 ? Octahedral<int8_t>(data, count) : Octahedral<int16_t>(data, count);
    case MeshoptFilter::kQuaternion:
      return Quaternion(data, count);
    case MeshoptFilter::kExponential:
      return Exponential(data, count * (stride / 4));
  }
}

}  // namespace korva::gltf::decode
