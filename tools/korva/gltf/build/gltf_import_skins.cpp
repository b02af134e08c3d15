// The reader's bones: one per joint of the node's skin, named after the joint's frame, with the
// vertices JOINTS_n / WEIGHTS_n give it and the inverse bind matrix as its offset.
#include <cmath>
#include <cstring>

#include "gltf/build/gltf_importer.h"
#include "gltf/read/gltf_accessor_read.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/host_heap.h"

namespace korva::gltf {
namespace {

Mat4 ColumnMajor(const double* values) {
  Mat4 m;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) m.m[i][j] = values[j * 4 + i];
  }
  return m;
}

}  // namespace

void Importer::AddBones(sMesh* mesh, int skinIndex, const PrimitiveData& data,
                        const MeshPiece& piece) {
  const std::string where = "skins[" + std::to_string(skinIndex) + "]";
  if (static_cast<size_t>(skinIndex) >= document_.skins.size())
    Fail("a node names " + where + ", which does not exist");
  const doc::Skin& skin = document_.skins[static_cast<size_t>(skinIndex)];
  const size_t jointCount = skin.joints.size();
  if (jointCount == 0) Fail(where + " has no joints");
  for (int joint : skin.joints) {
    if (joint < 0 || static_cast<size_t>(joint) >= frameOfNode_.size() ||
        !frameOfNode_[static_cast<size_t>(joint)]) {
      Fail(where + " names joint node " + std::to_string(joint) + ", which is not in the scene");
    }
  }
  inverseBinds_.resize(document_.skins.size());
  inverseBindsRead_.resize(document_.skins.size(), false);
  std::vector<double>& binds = inverseBinds_[static_cast<size_t>(skinIndex)];
  if (!inverseBindsRead_[static_cast<size_t>(skinIndex)]) {
    binds.assign(jointCount * 16, 0.0);
    for (size_t j = 0; j < jointCount; ++j) {
      for (int d = 0; d < 4; ++d) binds[j * 16 + static_cast<size_t>(d) * 5] = 1.0;
    }
    if (skin.inverseBindMatrices >= 0) {
      NoteStride(skin.inverseBindMatrices, "inverse bind matrices");
      std::vector<float> read;
      std::string error;
      if (!ReadFloats(document_, skin.inverseBindMatrices, 16, &read, &error))
        Fail(where + ": " + error);
      if (read.size() < binds.size()) Fail(where + " has fewer inverse bind matrices than joints");
      std::copy(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(binds.size()),
                binds.begin());
    }
    inverseBindsRead_[static_cast<size_t>(skinIndex)] = true;
  }

  const size_t vertices = piece.VertexCount();
  Charge(jointCount * sizeof(sBone) + vertices * data.joints.size() * 4 * 16, where);
  // Each joint's influences first, so the bone arrays are sized once.
  std::vector<std::vector<std::pair<uint32_t, float>>> influences(jointCount);
  for (size_t v = 0; v < vertices; ++v) {
    const size_t s = piece.Source(v);
    for (size_t set = 0; set < data.joints.size(); ++set) {
      for (size_t c = 0; c < 4; ++c) {
        const float weight = data.weights[set][s * 4 + c];
        if (!(weight > 0.0f) || !std::isfinite(weight)) continue;
        const uint32_t joint = data.joints[set][s * 4 + c];
        if (joint >= jointCount) {
          Fail(where + ": a vertex names joint " + std::to_string(joint) + " of " +
               std::to_string(jointCount));
        }
        influences[joint].emplace_back(static_cast<uint32_t>(v), weight);
      }
    }
  }
  // The exporter binds the vertices no bone moves to the mesh's own frame with an identity inverse
  // bind matrix; they come back as a bone of that frame, which moves them just as the frame does.
  if (jointCount > MaxCountedElements<sBone>())
    Fail(where + " has more joints than the host holds");
  const size_t kept = jointCount;
  sBone* bones = NewCountedArray<sBone>(static_cast<uint32_t>(kept), ConstructBone);
  if (!bones) throw std::bad_alloc();
  mesh->bones = bones;
  mesh->boneCount = static_cast<int32_t>(kept);
  size_t b = 0;
  for (size_t j = 0; j < jointCount; ++j) {
    sBone& bone = bones[b++];
    const std::string& name = nameOfNode_[static_cast<size_t>(skin.joints[j])];
    std::memcpy(bone.name, name.data(), std::min(name.size(), sizeof bone.name - 1));
    bone.offsetMatrix = ToHost(ColumnMajor(&binds[j * 16]));
    const auto& list = influences[j];
    if (list.empty()) continue;
    bone.vertices = static_cast<uint32_t*>(HostAllocate(list.size() * sizeof(uint32_t)));
    bone.weights = static_cast<float*>(HostAllocate(list.size() * sizeof(float)));
    if (!bone.vertices || !bone.weights) throw std::bad_alloc();
    bone.vertexCount = static_cast<int32_t>(list.size());
    for (size_t k = 0; k < list.size(); ++k) {
      bone.vertices[k] = list[k].first;
      bone.weights[k] = list[k].second;
    }
  }
}

}  // namespace korva::gltf
