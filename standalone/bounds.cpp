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

// Calls visit(x, y, z) for every vertex position. The vertex bytes may alias anything, so the
// visitors keep their running values in locals rather than in the caller's records, and each
// coordinate is loaded on its own.
template <typename Visit>
void ForEachPosition(const sMesh* mesh, Visit visit) {
  if (!HasPositions(mesh)) return;
  const uint8_t* vertex = mesh->vertexData;
  const size_t stride = mesh->vertexSize;
  for (int32_t i = 0; i < mesh->vertexCount; ++i, vertex += stride) {
    float x, y, z;
    std::memcpy(&x, vertex, sizeof x);
    std::memcpy(&y, vertex + 4, sizeof y);
    std::memcpy(&z, vertex + 8, sizeof z);
    visit(x, y, z);
  }
}

void Extend(Box& box, const sMesh* mesh) {
  if (!HasPositions(mesh)) return;
  float first[3];
  std::memcpy(first, mesh->vertexData, sizeof first);
  if (box.empty) {
    for (int axis = 0; axis < 3; ++axis) box.low[axis] = box.high[axis] = first[axis];
    box.empty = false;
  }
  // Six scalars, so the loop keeps them in registers.
  float lowX = box.low[0], lowY = box.low[1], lowZ = box.low[2];
  float highX = box.high[0], highY = box.high[1], highZ = box.high[2];
  ForEachPosition(mesh, [&](float x, float y, float z) {
    lowX = std::min(lowX, x);
    lowY = std::min(lowY, y);
    lowZ = std::min(lowZ, z);
    highX = std::max(highX, x);
    highY = std::max(highY, y);
    highZ = std::max(highZ, z);
  });
  box.low[0] = lowX;
  box.low[1] = lowY;
  box.low[2] = lowZ;
  box.high[0] = highX;
  box.high[1] = highY;
  box.high[2] = highZ;
}

Bounds Measure(const Box& box, const sMesh* const* meshes, int32_t count) {
  Bounds bounds{};
  for (int axis = 0; axis < 3; ++axis) bounds.centre[axis] = (box.low[axis] + box.high[axis]) / 2;
  const float cx = bounds.centre[0], cy = bounds.centre[1], cz = bounds.centre[2];
  float largest = 0;
  for (int32_t m = 0; m < count; ++m) {
    if (!meshes[m]) continue;
    ForEachPosition(meshes[m], [&largest, cx, cy, cz](float x, float y, float z) {
      const float dx = x - cx;
      const float dy = y - cy;
      const float dz = z - cz;
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
