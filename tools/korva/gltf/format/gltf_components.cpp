#include "gltf/format/gltf_components.h"

#include <algorithm>

namespace korva::gltf {

int ComponentBytes(int componentType) {
  switch (componentType) {
    case kComponentByte:
    case kComponentUnsignedByte:
      return 1;
    case kComponentShort:
    case kComponentUnsignedShort:
      return 2;
    case kComponentUnsignedInt:
    case kComponentFloat:
      return 4;
    default:
      return 0;
  }
}

int TypeComponents(const std::string& type) {
  static const std::pair<const char*, int> kTypes[] = {
      {"SCALAR", 1}, {"VEC2", 2}, {"VEC3", 3}, {"VEC4", 4}, {"MAT2", 4}, {"MAT3", 9}, {"MAT4", 16}};
  for (const auto& [name, components] : kTypes) {
    if (type == name) return components;
  }
  return 0;
}

float NormalizedComponent(int componentType, double raw) {
  switch (componentType) {
    case kComponentByte:
      return static_cast<float>(std::max(raw / 127.0, -1.0));
    case kComponentUnsignedByte:
      return static_cast<float>(raw / 255.0);
    case kComponentShort:
      return static_cast<float>(std::max(raw / 32767.0, -1.0));
    case kComponentUnsignedShort:
      return static_cast<float>(raw / 65535.0);
    case kComponentUnsignedInt:
      return static_cast<float>(raw / 4294967295.0);
    default:
      return static_cast<float>(raw);
  }
}

}  // namespace korva::gltf
