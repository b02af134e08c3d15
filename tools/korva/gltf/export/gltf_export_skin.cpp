// The exporter's skins: bones as joints, their vertex lists as JOINTS_0 / WEIGHTS_0.
#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "gltf/export/gltf_exporter.h"
#include "model/bone.h"

namespace korva::gltf {

// Bones become joints; their vertex lists become JOINTS_0 / WEIGHTS_0. Each inverse bind matrix
// takes the joint's rest place back to the mesh frame's, so a viewer draws the rest pose where
// the renderer draws the mesh whatever the bones' offset matrices hold. Vertices that no bone
// moves follow the mesh frame itself, which joins the skin as its last joint.
// Returns the skin's index, or -1 when the mesh has none.
int Exporter::AddSkin(size_t node, const sMesh& mesh, const std::string& label, size_t vertexCount,
                      tinygltf::Primitive* primitive) {
  if (mesh.boneCount <= 0 || !mesh.bones) return -1;
  std::vector<int> joints;  // node per joint
  std::vector<int> jointOfBone(mesh.boneCount, -1);
  size_t unnamed = 0, offsetsReplaced = 0;
  for (int32_t b = 0; b < mesh.boneCount; ++b) {
    const sBone& bone = mesh.bones[b];
    const int target = NodeNamed(NameBytes(bone.name, sizeof bone.name));
    if (target < 0) {
      ++unnamed;
      continue;
    }
    const auto at = std::find(joints.begin(), joints.end(), target);
    jointOfBone[b] = static_cast<int>(at - joints.begin());
    if (at == joints.end()) joints.push_back(target);
    if (!OffsetAgrees(bone.offsetMatrix, target, node)) ++offsetsReplaced;
  }
  if (unnamed > 0) {
    Warn(label + ": " + std::to_string(unnamed) +
         " bones name no frame; their influences are left out");
  }
  if (joints.empty()) return -1;
  if (joints.size() >= 0xFFFF) {  // JOINTS_0 holds 16-bit joint numbers at most
    Warn(label + ": more joints than glTF can number; the skin is left out");
    return -1;
  }
  offsetsReplaced_ += offsetsReplaced;

  // Four slots per vertex, filled in bone order; a vertex that needs a fifth moves all its
  // influences to a list of its own (rare), so the largest four can be chosen exactly.
  using Influence = std::pair<int, float>;
  std::vector<Influence> slots(vertexCount * kMaxInfluences, Influence(-1, 0.0f));
  std::map<size_t, std::vector<Influence>> crowded;
  size_t outside = 0;
  for (int32_t b = 0; b < mesh.boneCount; ++b) {
    const sBone& bone = mesh.bones[b];
    const int joint = jointOfBone[b];
    if (joint < 0 || bone.vertexCount <= 0 || !bone.vertices || !bone.weights) continue;
    for (int32_t k = 0; k < bone.vertexCount; ++k) {
      const uint32_t vertex = bone.vertices[k];
      const float weight = bone.weights[k];
      if (vertex >= vertexCount) {
        ++outside;
        continue;
      }
      if (!(weight > 0.0f) || !std::isfinite(weight)) continue;
      const auto more = crowded.find(vertex);
      Influence* begin = &slots[vertex * kMaxInfluences];
      Influence* end = begin + kMaxInfluences;
      if (more != crowded.end()) begin = more->second.data(), end = begin + more->second.size();
      Influence* same =
          std::find_if(begin, end, [&](const Influence& i) { return i.first == joint; });
      if (same != end) {
        same->second += weight;
        continue;
      }
      if (more != crowded.end()) {
        more->second.emplace_back(joint, weight);
        continue;
      }
      Influence* free = std::find_if(begin, end, [](const Influence& i) { return i.first < 0; });
      if (free != end) {
        *free = Influence(joint, weight);
      } else {
        std::vector<Influence>& all = crowded[vertex];
        all.assign(begin, end);
        all.emplace_back(joint, weight);
      }
    }
  }
  if (outside > 0) {
    Warn(label + ": " + std::to_string(outside) +
         " bone influences name vertices past the mesh's; left out");
  }
  for (auto& [vertex, all] : crowded) {
    std::stable_sort(all.begin(), all.end(),
                     [](const Influence& a, const Influence& b) { return a.second > b.second; });
    std::copy(all.begin(), all.begin() + kMaxInfluences, &slots[vertex * kMaxInfluences]);
  }
  const size_t lost = crowded.size();
  const int ownJoint = static_cast<int>(joints.size());
  bool ownJointUsed = false;
  std::vector<uint16_t> jointData(vertexCount * kMaxInfluences, 0);
  std::vector<float> weightData(vertexCount * kMaxInfluences, 0.0f);
  for (size_t v = 0; v < vertexCount; ++v) {
    Influence* list = &slots[v * kMaxInfluences];
    if (list[0].first < 0) {
      list[0] = Influence(ownJoint, 1.0f);
      ownJointUsed = true;
    }
    double sum = 0;
    for (int k = 0; k < kMaxInfluences && list[k].first >= 0; ++k) sum += list[k].second;
    for (int k = 0; k < kMaxInfluences && list[k].first >= 0; ++k) {
      jointData[v * kMaxInfluences + k] = static_cast<uint16_t>(list[k].first);
      weightData[v * kMaxInfluences + k] = static_cast<float>(list[k].second / sum);
    }
  }
  if (lost > 0) lostInfluences_[label] += lost;

  tinygltf::Skin skin;
  skin.name = model_.nodes[node].name;
  skin.joints = joints;
  if (ownJointUsed) skin.joints.push_back(static_cast<int>(node));
  std::vector<float> inverseBinds;
  Mat4 meshWorld = worlds_[node];
  for (int joint : skin.joints) {
    Mat4 inverse;
    if (!Invert(worlds_[joint], &inverse)) {
      Warn(label + ": joint " + FrameLabel(joint) + " has a singular rest matrix; identity used");
      inverse = Identity();
    }
    const Mat4 bind = joint == static_cast<int>(node) ? Identity() : Multiply(inverse, meshWorld);
    for (int j = 0; j < 4; ++j) {
      for (int i = 0; i < 4; ++i) inverseBinds.push_back(static_cast<float>(bind.m[i][j]));
    }
  }
  skin.inverseBindMatrices = buffer_.Accessor(inverseBinds, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                              TINYGLTF_TYPE_MAT4, skin.joints.size(), 0);
  if (skin.joints.size() <= 256) {
    std::vector<uint8_t> narrow(jointData.begin(), jointData.end());
    primitive->attributes["JOINTS_0"] =
        buffer_.Accessor(narrow, TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE, TINYGLTF_TYPE_VEC4,
                         vertexCount, TINYGLTF_TARGET_ARRAY_BUFFER);
  } else {
    primitive->attributes["JOINTS_0"] =
        buffer_.Accessor(jointData, TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_VEC4,
                         vertexCount, TINYGLTF_TARGET_ARRAY_BUFFER);
  }
  primitive->attributes["WEIGHTS_0"] =
      buffer_.Accessor(weightData, TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC4, vertexCount,
                       TINYGLTF_TARGET_ARRAY_BUFFER);
  model_.skins.push_back(skin);
  return static_cast<int>(model_.skins.size() - 1);
}

// Whether the bone's offset matrix is the inverse bind matrix the frame tree gives.
bool Exporter::OffsetAgrees(const D3DXMATRIX& offset, int joint, size_t meshNode) const {
  Mat4 inverse;
  if (!Invert(worlds_[joint], &inverse)) return false;
  const Mat4 expected = Multiply(inverse, worlds_[meshNode]);
  const Mat4 given = FromHost(offset);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (!(std::fabs(expected.m[i][j] - given.m[i][j]) <=
            1e-3 * (1 + std::fabs(expected.m[i][j])))) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace korva::gltf
