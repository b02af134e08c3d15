#include "ms3d/model_pose.h"

#include <algorithm>

namespace korva {
namespace {

// bindAbsolute is built from rotations and translations only, so its inverse is the transposed
// rotation with the translation turned back.
Matrix34 InverseRigid(const Matrix34& a) {
  Matrix34 inverse;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) inverse.m[r][c] = a.m[c][r];
    inverse.m[r][3] = -(a.m[0][r] * a.m[0][3] + a.m[1][r] * a.m[1][3] + a.m[2][r] * a.m[2][3]);
  }
  return inverse;
}

bool IsJoint(const msModel& model, int index) {
  return index >= 0 && static_cast<size_t>(index) < model.joints.size();
}

}  // namespace

VertexInfluences InfluencesOf(const msModel& model, const msVertex& vertex) {
  const float whole = model.vertexExtraSubVersion == 1 ? 255.0f : 100.0f;
  const int joints[kMaxVertexInfluences] = {vertex.boneId, vertex.boneIds[0], vertex.boneIds[1],
                                            vertex.boneIds[2]};
  float weights[kMaxVertexInfluences] = {};
  if (vertex.weights[0] == 0 && vertex.weights[1] == 0 && vertex.weights[2] == 0) {
    weights[0] = whole;
  } else {
    weights[0] = vertex.weights[0];
    weights[1] = vertex.weights[1];
    weights[2] = vertex.weights[2];
    weights[3] = std::max(0.0f, whole - weights[0] - weights[1] - weights[2]);
  }
  VertexInfluences influences;
  float used = 0.0f;
  for (int i = 0; i < kMaxVertexInfluences; ++i) {
    if (!IsJoint(model, joints[i]) || weights[i] <= 0.0f) continue;
    influences.joints[influences.count] = joints[i];
    influences.weights[influences.count] = weights[i];
    ++influences.count;
    used += weights[i];
  }
  // A share given to an unused joint would pull the vertex towards the origin; the joints that
  // are there share the whole instead.
  for (int i = 0; i < influences.count; ++i) influences.weights[i] /= used;
  return influences;
}

std::vector<Matrix34> SkinningMatrices(const msModel& model) {
  std::vector<Matrix34> skinning;
  skinning.reserve(model.joints.size());
  for (const msJoint& joint : model.joints) {
    skinning.push_back(ConcatAffine(joint.poseAbsolute, InverseRigid(joint.bindAbsolute)));
  }
  return skinning;
}

namespace {
std::array<float, 3> Skin(const std::vector<Matrix34>& skinning, const VertexInfluences& influences,
                          const float v[3], float w) {
  if (influences.count == 0) return {v[0], v[1], v[2]};
  std::array<float, 3> out{0.0f, 0.0f, 0.0f};
  for (int i = 0; i < influences.count; ++i) {
    const Matrix34& m = skinning[static_cast<size_t>(influences.joints[i])];
    const float weight = influences.weights[i];
    for (int r = 0; r < 3; ++r) {
      out[r] += weight * (m.m[r][0] * v[0] + m.m[r][1] * v[1] + m.m[r][2] * v[2] + m.m[r][3] * w);
    }
  }
  return out;
}
}  // namespace

std::array<float, 3> SkinPoint(const std::vector<Matrix34>& skinning,
                               const VertexInfluences& influences, const float point[3]) {
  return Skin(skinning, influences, point, 1.0f);
}

std::array<float, 3> SkinDirection(const std::vector<Matrix34>& skinning,
                                   const VertexInfluences& influences, const float direction[3]) {
  return Skin(skinning, influences, direction, 0.0f);
}

msPosedModel PoseModel(msModel& model, float frame) {
  model.PoseAtFrame(frame);
  msPosedModel posed;
  posed.skinning = SkinningMatrices(model);
  posed.joints.reserve(model.joints.size());
  for (const msJoint& joint : model.joints) {
    posed.joints.push_back(
        {joint.poseAbsolute.m[0][3], joint.poseAbsolute.m[1][3], joint.poseAbsolute.m[2][3]});
  }
  posed.vertices.reserve(model.vertices.size());
  for (const msVertex& vertex : model.vertices) {
    posed.vertices.push_back(
        SkinPoint(posed.skinning, InfluencesOf(model, vertex), vertex.position));
  }
  return posed;
}

}  // namespace korva
