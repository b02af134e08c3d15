#include "import/model_checks.h"

#include <algorithm>
#include <utility>

#include "import/animation_export.h"
#include "model/animation.h"
#include "model/bone.h"
#include "ms3d/ms3d_format.h"

namespace korva::import {
namespace {

// True when every index in use is in range. The largest number in use decides, so the loops
// have no exits to predict; the details of a failure are found by FindBadIndex.
bool GroupIndicesValid(const msModel& model) {
  const size_t triangleCount = model.triangles.size();
  const size_t vertexCount = model.vertices.size();
  const msTriangle* triangles = model.triangles.data();
  for (const msGroup& group : model.groups) {
    if (group.triangleIndices.empty()) continue;
    uint16_t largestTriangle = 0;
    for (uint16_t triangleIndex : group.triangleIndices) {
      largestTriangle = std::max(largestTriangle, triangleIndex);
    }
    if (largestTriangle >= triangleCount) return false;
    uint16_t largestVertex = 0;
    for (uint16_t triangleIndex : group.triangleIndices) {
      const uint16_t* corners = triangles[triangleIndex].vertexIndices;
      largestVertex = std::max({largestVertex, corners[0], corners[1], corners[2]});
    }
    if (largestVertex >= vertexCount) return false;
  }
  return true;
}

// The first index out of range, in group order (triangle indices of a group before its corners).
ImportVerdict FindBadIndex(const msModel& model) {
  ImportVerdict verdict;
  const auto triangleCount = static_cast<uint32_t>(model.triangles.size());
  const auto vertexCount = static_cast<uint32_t>(model.vertices.size());
  for (uint32_t g = 0; g < model.groups.size(); ++g) {
    verdict.group = g;
    for (uint16_t t : model.groups[g].triangleIndices) {
      if (t >= triangleCount) {
        verdict.obstacle = ImportObstacle::kTriangleIndex;
        verdict.triangle = t;
        verdict.available = triangleCount;
        return verdict;
      }
    }
    for (uint16_t t : model.groups[g].triangleIndices) {
      for (uint16_t v : model.triangles[t].vertexIndices) {
        if (v >= vertexCount) {
          verdict.obstacle = ImportObstacle::kVertexIndex;
          verdict.triangle = t;
          verdict.vertex = v;
          verdict.available = vertexCount;
          return verdict;
        }
      }
    }
  }
  return ImportVerdict{};
}

}  // namespace

uint64_t MandatoryFileBytes(const msModel& model) {
  using namespace ms3d_format;
  constexpr uint64_t kCounts = 5 * kCountSize;
  uint64_t bytes = kHeaderSize + kCounts + kAnimationSettingsSize +
                   kVertexSize * uint64_t{model.vertices.size()} +
                   kTriangleSize * uint64_t{model.triangles.size()} +
                   kMaterialSize * uint64_t{model.materials.size()};
  for (const msGroup& group : model.groups) {
    bytes += kGroupFixedSize + kGroupIndexSize * uint64_t{group.triangleIndices.size()};
  }
  for (const msJoint& joint : model.joints) {
    bytes += kJointFixedSize +
             kKeySize * (uint64_t{joint.rotationKeys.size()} + joint.positionKeys.size());
  }
  return bytes;
}

ImportVerdict CheckImportable(const msModel& model, std::vector<int32_t>* keyFrames) {
  ImportVerdict verdict;
  if (model.groups.empty() && model.joints.empty()) {
    verdict.obstacle = ImportObstacle::kNoGroupsOrJoints;
    return verdict;
  }
  if (!GroupIndicesValid(model)) return FindBadIndex(model);
  const uint64_t bones = uint64_t{model.groups.size()} * model.joints.size();
  verdict.boneBytes = bones * sizeof(sBone);
  verdict.boneByteLimit = kBoneBytesPerFileByte * MandatoryFileBytes(model) + kBoneBytesFixed;
  if (verdict.boneBytes > verdict.boneByteLimit) {
    verdict.obstacle = ImportObstacle::kTooManyBones;
    return verdict;
  }
  for (const msJoint& joint : model.joints) {
    if (!joint.rotationKeys.empty() || !joint.positionKeys.empty()) ++verdict.keyedJoints;
  }
  if (verdict.keyedJoints == 0) return verdict;
  std::vector<int32_t> frames = ModelKeyFrames(model);
  verdict.keyFrames = frames.size();
  if (keyFrames) *keyFrames = std::move(frames);
  // One key more per track for the pose held to the end of the animation.
  verdict.keyBytes =
      verdict.keyedJoints * (verdict.keyFrames + 1) * (sizeof(sPositionKey) + sizeof(sRotateKey));
  verdict.keyByteLimit = kKeyBytesPerFileByte * MandatoryFileBytes(model) + kKeyBytesFixed;
  if (verdict.keyBytes > verdict.keyByteLimit) verdict.obstacle = ImportObstacle::kTooManyKeys;
  return verdict;
}

}  // namespace korva::import
