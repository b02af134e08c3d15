#include "import/model_checks.h"

#include <algorithm>

#include "model/bone.h"

namespace korva::import {

bool GroupIndicesValid(const msModel& model) {
  const size_t triangleCount = model.triangles.size();
  const size_t vertexCount = model.vertices.size();
  const msTriangle* triangles = model.triangles.data();
  for (const msGroup& group : model.groups) {
    if (group.triangleIndices.empty()) continue;
    // The largest number in use decides, so the loops have no exits to predict.
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

uint64_t MandatoryFileBytes(const msModel& model) {
  constexpr uint64_t kHeader = 14, kCounts = 5 * 2, kAnimation = 12;
  uint64_t bytes = kHeader + kCounts + kAnimation + 15 * uint64_t{model.vertices.size()} +
                   70 * uint64_t{model.triangles.size()} + 361 * uint64_t{model.materials.size()};
  for (const msGroup& group : model.groups)
    bytes += 36 + 2 * uint64_t{group.triangleIndices.size()};
  for (const msJoint& joint : model.joints) {
    bytes += 93 + 16 * (uint64_t{joint.rotationKeys.size()} + joint.positionKeys.size());
  }
  return bytes;
}

bool BoneArraysFitModel(const msModel& model) {
  const uint64_t bones = uint64_t{model.groups.size()} * model.joints.size();
  return bones * sizeof(sBone) <=
         kBoneBytesPerFileByte * MandatoryFileBytes(model) + kBoneBytesFixed;
}

}  // namespace korva::import
