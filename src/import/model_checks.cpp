#include "import/model_checks.h"

namespace korva::import {

bool GroupIndicesValid(const msModel& model) {
  const size_t triangleCount = model.triangles.size();
  const size_t vertexCount = model.vertices.size();
  for (const msGroup& group : model.groups) {
    for (uint16_t triangleIndex : group.triangleIndices) {
      if (triangleIndex >= triangleCount) return false;
      for (uint16_t vertex : model.triangles[triangleIndex].vertexIndices) {
        if (vertex >= vertexCount) return false;
      }
    }
  }
  return true;
}

}  // namespace korva::import
