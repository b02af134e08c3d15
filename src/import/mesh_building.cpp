#include "import/mesh_building.h"

#include <xmmintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "host/binding/plugin_state.h"
#include "model/mesh.h"

namespace korva::import {
namespace {
// One float into vertex bytes of any alignment. Each field is stored on its own: copying a
// freshly computed group of floats as one block would load them back across separate stores,
// which the processor cannot forward.
void StoreFloat(uint8_t* at, float value) { std::memcpy(at, &value, sizeof value); }
}  // namespace

const GroupVertices& CollectGroupVertices(const msModel& model, size_t groupIndex,
                                          GroupScratch& scratch) {
  const msGroup& group = model.groups[groupIndex];
  const size_t corners = group.triangleIndices.size() * 3;
  VertexSlots& slots = scratch.slots;
  GroupVertices& out = scratch.group;

  // First pass: the distinct vertices in first-use order and the corner that used each first
  // (triangle number * 3 + corner); the slot table maps a model vertex to its first-use position.
  // Model vertex numbers are 16-bit, so the indices hold them until they are renumbered. The
  // first-use arrays only grow: their ends past the count are never read.
  const size_t distinctAtMost = std::min(corners, slots.size());
  if (scratch.firstUse.size() < distinctAtMost) {
    scratch.firstUse.resize(distinctAtMost);
    scratch.firstCorner.resize(distinctAtMost);
  }
  uint32_t* const firstUse = scratch.firstUse.data();
  uint32_t* const firstCorner = scratch.firstCorner.data();
  out.indices.resize(corners);
  uint16_t* index = out.indices.data();
  size_t count = 0;
  for (uint16_t triangleIndex : group.triangleIndices) {
    const msTriangle& triangle = model.triangles[triangleIndex];
    for (uint32_t corner = 0; corner < 3; ++corner) {
      const uint16_t vertex = triangle.vertexIndices[corner];
      if (slots[vertex] < 0) {
        slots[vertex] = static_cast<int32_t>(count);
        firstUse[count] = vertex;
        firstCorner[count] = uint32_t{triangleIndex} * 3 + corner;
        ++count;
      }
      *index++ = vertex;
    }
  }
  // The range of vertices used, in a pass of its own: the loop above has no registers to spare.
  uint32_t lowest = UINT32_MAX, highest = 0;
  for (size_t k = 0; k < count; ++k) {
    lowest = std::min(lowest, firstUse[k]);
    highest = std::max(highest, firstUse[k]);
  }

  // Second pass: number the vertices by ascending model vertex number, by a scan of the slot
  // table between the lowest and highest vertex used or by sorting, whichever is cheaper. A sort
  // step (a compare that is hard to predict and a move) costs several of the scan's predictable
  // reads, hence the weight.
  constexpr size_t kSortStepCost = 4;
  size_t sortCost = count * kSortStepCost;
  for (size_t n = count; n > 1; n >>= 1) sortCost += count * kSortStepCost;
  const size_t scanCost = count == 0 ? 0 : size_t{highest} - lowest + 1;
  out.modelVertices.resize(count);
  if (sortCost < scanCost) {
    std::copy(firstUse, firstUse + count, out.modelVertices.begin());
    std::sort(out.modelVertices.begin(), out.modelVertices.end());
  } else {
    uint32_t* next = out.modelVertices.data();
    for (size_t vertex = lowest; vertex < lowest + scanCost; ++vertex) {
      if (slots[vertex] >= 0) *next++ = static_cast<uint32_t>(vertex);
    }
  }
  out.sourceCorners.resize(count);
  for (size_t rank = 0; rank < count; ++rank) {
    const uint32_t vertex = out.modelVertices[rank];
    out.sourceCorners[rank] = firstCorner[static_cast<size_t>(slots[vertex])];
    slots[vertex] = static_cast<int32_t>(rank);
  }
  // A group has at most 65535 distinct vertices, so a rank fits the 16-bit index.
  for (uint16_t& vertexIndex : out.indices) vertexIndex = static_cast<uint16_t>(slots[vertexIndex]);
  for (uint32_t vertex : out.modelVertices) slots[vertex] = -1;
  return out;
}

D3DXVECTOR3 BoxCentre(const msVertex* vertices, const uint32_t* used, size_t count) {
  if (count == 0) return {0.0f, 0.0f, 0.0f};
  // The four lanes hold x, y, z and four bytes of the vertex after its position, which are read
  // (they lie within the vertex) but never used. min(p, low) is p < low ? p : low, as std::min
  // (low, p) is, so NaNs and signed zeros come out the same as scalar code.
  static_assert(offsetof(msVertex, position) + 4 * sizeof(float) <= sizeof(msVertex));
  __m128 low = _mm_loadu_ps(vertices[used[0]].position);
  __m128 high = low;
  for (size_t k = 0; k < count; ++k) {
    const __m128 p = _mm_loadu_ps(vertices[used[k]].position);
    low = _mm_min_ps(p, low);
    high = _mm_max_ps(p, high);
  }
  alignas(16) float lowOut[4], highOut[4];
  _mm_store_ps(lowOut, low);
  _mm_store_ps(highOut, high);
  return {lowOut[0] + 0.5f * (highOut[0] - lowOut[0]), lowOut[1] + 0.5f * (highOut[1] - lowOut[1]),
          lowOut[2] + 0.5f * (highOut[2] - lowOut[2])};
}

bool BuildGroupMesh(const msModel& model, size_t groupIndex, sMesh* mesh, GroupScratch& scratch,
                    std::vector<uint32_t>& modelVertices, D3DXVECTOR3& centre) {
  const GroupVertices& group = CollectGroupVertices(model, groupIndex, scratch);
  const uint32_t vertexCount = static_cast<uint32_t>(group.modelVertices.size());
  const uint32_t indexCount = static_cast<uint32_t>(group.indices.size());
  const HostApi& api = g_plugin.api;
  if (api.SetupMeshFVFData) api.SetupMeshFVFData(mesh, kGroupMeshFvf, vertexCount, indexCount);

  const msVertex* vertices = model.vertices.data();
  const uint32_t* used = group.modelVertices.data();
  centre = BoxCentre(vertices, used, vertexCount);

  // Write only what the host really gave: a host that handed out less (or nothing) gets no more.
  // The vertices are stored relative to the box centre.
  const bool vertexRoom = mesh->vertexData && mesh->vertexSize >= kGroupVertexSize &&
                          mesh->vertexCount >= static_cast<int32_t>(vertexCount);
  if (vertexRoom) {
    uint8_t* out = mesh->vertexData;
    for (uint32_t k = 0; k < vertexCount; ++k, out += mesh->vertexSize) {
      const float* p = vertices[used[k]].position;
      const uint32_t source = group.sourceCorners[k];
      const msTriangle& triangle = model.triangles[source / 3];
      const uint32_t corner = source % 3;
      const float* normal = triangle.vertexNormals[corner];
      StoreFloat(out, p[0] - centre.x);
      StoreFloat(out + 4, p[1] - centre.y);
      StoreFloat(out + 8, p[2] - centre.z);
      // Normals are mirrored with the positions, or lit faces would face away from their winding.
      StoreFloat(out + 12, -normal[0]);
      StoreFloat(out + 16, normal[1]);
      StoreFloat(out + 20, normal[2]);
      std::memcpy(out + 24, &kOpaqueWhite, 4);
      StoreFloat(out + 28, triangle.s[corner]);
      StoreFloat(out + 32, triangle.t[corner]);
    }
  }
  const bool indexRoom = mesh->indexData && mesh->indexCount >= static_cast<int32_t>(indexCount);
  if (indexRoom) {
    // The model winds its triangles the other way round from the host: (a, b, c) becomes (b, a, c).
    const uint16_t* in = group.indices.data();
    uint16_t* out = mesh->indexData;
    for (uint32_t j = 0; j + 2 < indexCount; j += 3) {
      out[j] = in[j + 1];
      out[j + 1] = in[j];
      out[j + 2] = in[j + 2];
    }
  }

  mesh->renderSwitches[1] = 0;
  mesh->primitiveType = kPrimitiveTriangleList;
  mesh->drawVertexCount = vertexRoom ? static_cast<int32_t>(vertexCount) : 0;
  mesh->drawPrimitiveCount = vertexRoom && indexRoom ? static_cast<int32_t>(indexCount / 3) : 0;
  mesh->host00C = 0;
  if (api.CalculateMeshBounds) api.CalculateMeshBounds(mesh);

  // Handed on whole: the next group collects into a list of its own.
  modelVertices.swap(scratch.group.modelVertices);
  return (vertexRoom || vertexCount == 0) && (indexRoom || indexCount == 0);
}

}  // namespace korva::import
