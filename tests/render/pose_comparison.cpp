#include "render/pose_comparison.h"

#include <algorithm>
#include <cmath>

#include "model/animation.h"
#include "ms3d/model_pose.h"
#include "render/host_playback.h"

namespace korva::testing {
namespace {

double Distance(const render::Vec3& host, const std::array<float, 3>& model) {
  // The model's point mirrored in x, into the host's space.
  const double dx = double{host.x} + model[0], dy = double{host.y} - model[1],
               dz = double{host.z} - model[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace

PoseDifference ComparePlaybacks(const sObject& object, const std::string& path, float frame) {
  msModel model;
  if (!model.LoadFromFile(path.c_str())) return {1e9, 1e9};
  model.BuildBindPose();
  const msPosedModel posed = PoseModel(model, frame);
  float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
  for (const msVertex& v : model.vertices) {
    for (int c = 0; c < 3; ++c) {
      low[c] = std::min(low[c], v.position[c]);
      high[c] = std::max(high[c], v.position[c]);
    }
  }
  const double size = std::max(1e-30, std::hypot(double{high[0]} - low[0], double{high[1]} - low[1],
                                                 double{high[2]} - low[2]));

  const render::HostPose pose = render::PoseObject(object, frame);
  const size_t groups = model.groups.size();
  PoseDifference difference;
  for (size_t j = 0; j < model.joints.size(); ++j) {
    const int index = pose.IndexOf(object.frameList[groups + j]);
    if (index < 0) return {1e9, 1e9};
    const D3DXMATRIX& m = pose.combined[static_cast<size_t>(index)];
    difference.joints = std::max(
        difference.joints, Distance({m.m[3][0], m.m[3][1], m.m[3][2]}, posed.joints[j]) / size);
  }
  for (size_t g = 0; g < groups; ++g) {
    // Mesh vertex k is the k-th smallest model vertex number the group uses.
    std::vector<uint32_t> modelVertices;
    for (uint16_t t : model.groups[g].triangleIndices) {
      for (uint16_t v : model.triangles[t].vertexIndices) modelVertices.push_back(v);
    }
    std::sort(modelVertices.begin(), modelVertices.end());
    modelVertices.erase(std::unique(modelVertices.begin(), modelVertices.end()),
                        modelVertices.end());
    render::SkinnedMesh skinned;
    std::string why;
    if (!render::SkinMesh(*object.meshList[g], pose.IndexOf(object.frameList[g]), pose, &skinned,
                          &why) ||
        skinned.positions.size() != modelVertices.size()) {
      return {1e9, 1e9};
    }
    for (size_t k = 0; k < modelVertices.size(); ++k) {
      difference.vertices =
          std::max(difference.vertices,
                   Distance(skinned.positions[k], posed.vertices[modelVertices[k]]) / size);
    }
  }
  return difference;
}

std::vector<int> ImportedKeyFrames(const sObject& object) {
  std::vector<int> frames;
  if (!object.animationSet) return frames;
  for (const sAnimation* t = object.animationSet->firstTrack; t; t = t->next) {
    for (int k = 0; k < t->positionKeyCount; ++k) frames.push_back(t->positionKeys[k].frame);
  }
  std::sort(frames.begin(), frames.end());
  frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
  return frames;
}

}  // namespace korva::testing
