// The exporter's buffer: every array it writes as a bufferView of buffer 0 and an accessor over it.
#pragma once

#include <cstddef>
#include <vector>

namespace tinygltf {
class Model;
}

namespace korva::gltf {

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
