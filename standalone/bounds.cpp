// Bounds the host keeps for meshes and objects: a box centre and the radius of the sphere around
// it that holds every vertex position. Host state only; nothing of it is saved.
#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/mesh.h"
#include "model/object.h"
#include "model/vertex_format.h"
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
  return mesh->vertexData && mesh->vertexCount > 0 &&
         FormatFromFvf(mesh->fvf).positionKind != VertexFormat::Position::kNone &&
         mesh->vertexSize >= 3 * sizeof(float);
}

// Calls visit(p) for every vertex position, p holding x, y, z in its first three lanes (the fourth
// is never used). Sixteen bytes are loaded where the buffer holds them: from every vertex when a
// vertex has that many, otherwise from all but the last, which is copied out first.
template <typename Visit>
void ForEachPosition(const sMesh* mesh, Visit visit) {
  if (!HasPositions(mesh)) return;
  const uint8_t* vertex = mesh->vertexData;
  const size_t stride = mesh->vertexSize;
  const int32_t count = mesh->vertexCount;
  const int32_t wide = stride >= 4 * sizeof(float) ? count : count - 1;
  int32_t i = 0;
  for (; i < wide; ++i, vertex += stride)
    visit(_mm_loadu_ps(reinterpret_cast<const float*>(vertex)));
  for (; i < count; ++i, vertex += stride) {
    float position[4] = {};
    std::memcpy(position, vertex, 3 * sizeof(float));
    visit(_mm_loadu_ps(position));
  }
}

void Extend(Box& box, const sMesh* mesh) {
  if (!HasPositions(mesh)) return;
  float first[4] = {};
  std::memcpy(first, mesh->vertexData, 3 * sizeof(float));
  if (box.empty) {
    for (int axis = 0; axis < 3; ++axis) box.low[axis] = box.high[axis] = first[axis];
    box.empty = false;
  }
  // min(p, low) is p < low ? p : low, as std::min(low, p) is, and max likewise: NaNs and signed
  // zeros come out as scalar code gives them.
  __m128 low = _mm_setr_ps(box.low[0], box.low[1], box.low[2], 0.0f);
  __m128 high = _mm_setr_ps(box.high[0], box.high[1], box.high[2], 0.0f);
  ForEachPosition(mesh, [&](__m128 p) {
    low = _mm_min_ps(p, low);
    high = _mm_max_ps(p, high);
  });
  float lowOut[4], highOut[4];
  _mm_storeu_ps(lowOut, low);
  _mm_storeu_ps(highOut, high);
  for (int axis = 0; axis < 3; ++axis) {
    box.low[axis] = lowOut[axis];
    box.high[axis] = highOut[axis];
  }
}

Bounds Measure(const Box& box, const sMesh* const* meshes, int32_t count) {
  Bounds bounds{};
  for (int axis = 0; axis < 3; ++axis) bounds.centre[axis] = (box.low[axis] + box.high[axis]) / 2;
  const __m128 centre = _mm_setr_ps(bounds.centre[0], bounds.centre[1], bounds.centre[2], 0.0f);
  float largest = 0;
  for (int32_t m = 0; m < count; ++m) {
    if (!meshes[m]) continue;
    ForEachPosition(meshes[m], [&largest, centre](__m128 p) {
      const __m128 d = _mm_sub_ps(p, centre);
      const __m128 squares = _mm_mul_ps(d, d);
      // Summed in the order dx * dx + dy * dy + dz * dz.
      const float distance =
          (_mm_cvtss_f32(squares) + _mm_cvtss_f32(_mm_shuffle_ps(squares, squares, 1))) +
          _mm_cvtss_f32(_mm_shuffle_ps(squares, squares, 2));
      largest = std::max(largest, distance);
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
