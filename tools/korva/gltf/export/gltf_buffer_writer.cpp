#include "gltf/export/gltf_buffer_writer.h"

#include <tiny_gltf.h>

namespace korva::gltf {

BufferWriter::BufferWriter(tinygltf::Model* model) : model_(model) {
  if (model_->buffers.empty()) model_->buffers.emplace_back();
}

int BufferWriter::View(const void* data, size_t size, int target) {
  std::vector<unsigned char>& bytes = model_->buffers[0].data;
  bytes.resize((bytes.size() + 3) & ~size_t(3), 0);
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteOffset = bytes.size();
  view.byteLength = size;
  view.target = target;
  const auto* begin = static_cast<const unsigned char*>(data);
  bytes.insert(bytes.end(), begin, begin + size);
  model_->bufferViews.push_back(view);
  return static_cast<int>(model_->bufferViews.size() - 1);
}

int BufferWriter::AddAccessor(int view, int componentType, int type, size_t count,
                              bool normalized) {
  tinygltf::Accessor accessor;
  accessor.bufferView = view;
  accessor.componentType = componentType;
  accessor.type = type;
  accessor.count = count;
  accessor.normalized = normalized;
  model_->accessors.push_back(accessor);
  return static_cast<int>(model_->accessors.size() - 1);
}

int BufferWriter::FloatAccessorWithBounds(const std::vector<float>& values, int components,
                                          int type, int target) {
  const size_t count = values.size() / components;
  const int index = Accessor(values, TINYGLTF_COMPONENT_TYPE_FLOAT, type, count, target);
  std::vector<double> low(components, 0.0), high(components, 0.0);
  for (size_t i = 0; i < count; ++i) {
    for (int c = 0; c < components; ++c) {
      const double v = values[i * components + c];
      if (i == 0 || v < low[c]) low[c] = v;
      if (i == 0 || v > high[c]) high[c] = v;
    }
  }
  model_->accessors[index].minValues = low;
  model_->accessors[index].maxValues = high;
  return index;
}

}  // namespace korva::gltf
