// How glTF lays out accessor data (component types, element types, normalised integers), shared
// by the writer that packs the exporter's arrays and the reader that unpacks an asset's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tinygltf {
class Model;
}

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

// Appends data to buffer 0 of a model being written, as a bufferView of its own (4-byte aligned),
// and an accessor over it.
class BufferWriter {
 public:
  explicit BufferWriter(tinygltf::Model* model);

  int View(const void* data, size_t size, int target);

  template <typename T>
  int Accessor(const std::vector<T>& values, int componentType, int type, size_t count, int target,
               bool normalized = false) {
    return AddAccessor(View(values.data(), values.size() * sizeof(T), target), componentType, type,
                       count, normalized);
  }

  // A float accessor with its min and max, which glTF requires for positions and key times.
  int FloatAccessorWithBounds(const std::vector<float>& values, int components, int type,
                              int target);

 private:
  int AddAccessor(int view, int componentType, int type, size_t count, bool normalized);
  tinygltf::Model* model_;
};

}  // namespace korva::gltf
