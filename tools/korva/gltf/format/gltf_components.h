// How glTF lays out accessor data (component types, element types, normalised integers), shared
// by the exporter that packs its arrays and the reader that unpacks an asset's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace korva::gltf {

// glTF's component type codes.
constexpr int kComponentByte = 5120, kComponentUnsignedByte = 5121, kComponentShort = 5122,
              kComponentUnsignedShort = 5123, kComponentUnsignedInt = 5125, kComponentFloat = 5126;

// Bytes of one component, 0 for a code glTF does not define.
int ComponentBytes(int componentType);

// Components of an element type named as glTF names it ("SCALAR", "VEC3", "MAT4", ...); 0 for
// an unknown name.
int TypeComponents(const std::string& type);

// A normalised integer component as the float glTF defines for it (unsigned: raw / max; signed:
// max(raw / max, -1)). Floats and unknown codes pass through unchanged.
float NormalizedComponent(int componentType, double raw);

}  // namespace korva::gltf
