// The exporter's state, shared by the files that turn each part of a host object into glTF.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "gltf/export/gltf_buffer_writer.h"
#include "gltf/export/gltf_export.h"
#include "gltf/format/gltf_components.h"
#include "gltf/format/gltf_space.h"
#include "model/animation.h"
#include "model/frame.h"
#include "text/utf8_text.h"

namespace tinygltf {
struct Animation;
struct Primitive;
}  // namespace tinygltf

namespace korva::gltf {

constexpr int kMaxInfluences = 4;

inline bool Finite(double value) {
  return std::isfinite(value);
}

// A record's name as its bytes, which bones and tracks match frames by.
inline std::string NameBytes(const char* field, size_t size) {
  return std::string(field, strnlen(field, size));
}

// The same name as the UTF-8 text the document and the warnings hold.
inline std::string NameText(const char* field, size_t size) {
  return text::Utf8Text(NameBytes(field, size));
}

template <typename T>
std::vector<double> ToDoubles(const T& values) {
  return std::vector<double>(values.begin(), values.end());
}

class Exporter {
 public:
  Exporter(const sObject& object, const ExportOptions& options, const TextureSource& textures,
           GltfAsset* asset);
  void Run();

 private:
  void Warn(const std::string& text) { asset_->warnings.push_back(text); }
  std::string FrameLabel(size_t node) const;
  void CollectNodes();
  int NodeNamed(const std::string& name);
  static int64_t CornersFor(uint32_t type, int64_t primitives, int* mode);
  static int ListStep(uint32_t type);
  bool Corners(const sMesh& mesh, const std::string& label, int mode, std::vector<uint32_t>* out);
  void AddMesh(size_t node, const sMesh& mesh);
  int AddMaterial(size_t node, const sMesh& mesh, bool hasTexcoords);
  static int WrapMode(int32_t address);
  int AddTexture(const sMesh& mesh);
  std::string UniqueImageStem(const std::string& textureName);
  int AddSkin(size_t node, const sMesh& mesh, const std::string& label, size_t vertexCount,
              tinygltf::Primitive* primitive);
  bool OffsetAgrees(const D3DXMATRIX& offset, int joint, size_t meshNode) const;
  template <typename Key, typename Value>
  void AddChannel(const Key* keys, int32_t count, int node, const std::string& path,
                  const std::string& trackLabel, Value value, tinygltf::Animation* animation);
  void AddAnimation();
  void AddMatrixKeys(const sAnimation& track, int node, const std::string& trackLabel,
                     tinygltf::Animation* animation);

  const sObject& object_;
  const ExportOptions& options_;
  const TextureSource& textures_;
  GltfAsset* asset_;
  tinygltf::Model& model_;
  BufferWriter buffer_;
  std::vector<const sFrame*> frames_;  // node index -> frame
  std::vector<int> parents_;           // node index -> parent node, -1 for a root
  std::vector<Mat4> worlds_;           // node index -> rest world matrix (glTF space)
  std::vector<bool> hasTrs_;
  std::unordered_map<const sFrame*, int> nodeOf_;
  std::unordered_map<std::string, int> nodeNamed_;
  std::map<const render::Image*, int> imageOf_;
  std::map<std::string, size_t> lostInfluences_;
  size_t offsetsReplaced_ = 0;
};

}  // namespace korva::gltf
