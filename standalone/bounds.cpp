// Bounds the host keeps for meshes and objects: a box centre and the radius of the sphere around
// it that holds every vertex position. Host state only; nothing of it is saved.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/mesh.h"
#include "model/object.h"
#include "standalone/fvf.h"
#include "standalone/host_functions.h"
#include "standalone/host_state.h"

namespace korva::standalone {
namespace {
struct Box {
  float low[3] = {0, 0, 0};
  float high[3] = {0, 0, 0};
  bool empty = true;
};

bool HasPositions(const sMesh* mesh) {
  return mesh->vertexData && mesh->vertexCount > 0 && FvfHasPosition(mesh->fvf) &&
         mesh->vertexSize >= 3 * sizeof(float);
}

template <typename Visit>
void ForEachPosition(const sMesh* mesh, Visit visit) {
  if (!HasPositions(mesh)) return;
  for (int32_t i = 0; i < mesh->vertexCount; ++i) {
    float position[3];
    std::memcpy(position, mesh->vertexData + size_t{mesh->vertexSize} * static_cast<size_t>(i),
                sizeof position);
    visit(position);
  }
}

void Extend(Box& box, const sMesh* mesh) {
  ForEachPosition(mesh, [&](const float* p) {
    for (int axis = 0; axis < 3; ++axis) {
      box.low[axis] = box.empty ? p[axis] : std::min(box.low[axis], p[axis]);
      box.high[axis] = box.empty ? p[axis] : std::max(box.high[axis], p[axis]);
    }
    box.empty = false;
  });
}

Bounds Measure(const Box& box, const sMesh* const* meshes, int32_t count) {
  Bounds bounds{};
  for (int axis = 0; axis < 3; ++axis) bounds.centre[axis] = (box.low[axis] + box.high[axis]) / 2;
  float largest = 0;
  for (int32_t m = 0; m < count; ++m) {
    if (!meshes[m]) continue;
    ForEachPosition(meshes[m], [&](const float* p) {
      const float dx = p[0] - bounds.centre[0];
      const float dy = p[1] - bounds.centre[1];
      const float dz = p[2] - bounds.centre[2];
      largest = std::max(largest, dx * dx + dy * dy + dz * dz);
    });
  }
  bounds.radius = std::sqrt(largest);
  return bounds;
}
}  // namespace

void ForgetBounds(int32_t number, const sObject* object) {
  if (!g_host) return;
  g_host->objectBounds.erase(number);
  if (!object || !object->meshList) return;
  for (int32_t i = 0; i < object->meshCount; ++i) g_host->meshBounds.erase(object->meshList[i]);
}

namespace host {

bool CalculateMeshBounds(sMesh* mesh) {
  if (!g_host || !mesh) return false;
  Box box;
  Extend(box, mesh);
  const sMesh* meshes[1] = {mesh};
  g_host->meshBounds[mesh] = Measure(box, meshes, 1);
  return true;
}

bool SetNewObjectFinalProperties(int32_t object, float radius) {
  sObject* record = FindObject(object);
  if (!record) return false;
  Box box;
  const int32_t count = record->meshList ? record->meshCount : 0;
  for (int32_t i = 0; i < count; ++i) {
    if (record->meshList[i]) Extend(box, record->meshList[i]);
  }
  Bounds bounds = Measure(box, record->meshList, count);
  if (radius > 0) bounds.radius = radius;
  g_host->objectBounds[object] = bounds;
  return true;
}

}  // namespace host
}  // namespace korva::standalone
