#include "gltf/gltf_reading.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "render/image.h"

namespace korva::testing {
namespace {
bool DecodeForLoader(tinygltf::Image* image, const int, std::string* error, std::string*, int, int,
                     const unsigned char* bytes, int size, void*) {
  render::Image decoded;
  if (!render::DecodeImage(bytes, static_cast<size_t>(size), &decoded, error)) return false;
  image->width = decoded.width();
  image->height = decoded.height();
  image->component = 4;
  image->bits = 8;
  image->pixel_type = TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE;
  image->image = decoded.bytes();
  return true;
}

}  // namespace

tinygltf::Model LoadGlb(const std::vector<uint8_t>& bytes) {
  tinygltf::TinyGLTF loader;
  loader.SetImageLoader(DecodeForLoader, nullptr);
  tinygltf::Model model;
  std::string error, warning;
  EXPECT_TRUE(loader.LoadBinaryFromMemory(&model, &error, &warning, bytes.data(),
                                          static_cast<unsigned>(bytes.size())))
      << error;
  return model;
}

std::vector<float> ReadAccessor(const tinygltf::Model& model, int index, int* components) {
  const tinygltf::Accessor& accessor = model.accessors.at(index);
  const tinygltf::BufferView& view = model.bufferViews.at(accessor.bufferView);
  const tinygltf::Buffer& buffer = model.buffers.at(view.buffer);
  *components = tinygltf::GetNumComponentsInType(accessor.type);
  const int componentSize = tinygltf::GetComponentSizeInBytes(accessor.componentType);
  const size_t stride = view.byteStride ? view.byteStride : *components * componentSize;
  std::vector<float> out;
  for (size_t i = 0; i < accessor.count; ++i) {
    const unsigned char* element =
        buffer.data.data() + view.byteOffset + accessor.byteOffset + i * stride;
    for (int c = 0; c < *components; ++c) {
      const unsigned char* p = element + c * componentSize;
      float value = 0;
      switch (accessor.componentType) {
        case TINYGLTF_COMPONENT_TYPE_FLOAT:
          std::memcpy(&value, p, 4);
          break;
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
          value = accessor.normalized ? *p / 255.0f : *p;
          break;
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
          uint16_t v;
          std::memcpy(&v, p, 2);
          value = accessor.normalized ? v / 65535.0f : v;
          break;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
          uint32_t v;
          std::memcpy(&v, p, 4);
          value = static_cast<float>(v);
          break;
        }
        default:
          ADD_FAILURE() << "unexpected component type " << accessor.componentType;
      }
      out.push_back(value);
    }
  }
  return out;
}

}  // namespace korva::testing
