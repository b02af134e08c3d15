#include "import/mesh_building.h"

#include <algorithm>
#include <cstring>

#include "host/binding/plugin_state.h"
#include "model/mesh.h"

namespace korva::import {

GroupVertices CollectGroupVertices(const msModel& model, size_t groupIndex, VertexSlots& slots) {
  const msGroup& group = model.groups[groupIndex];
  const size_t corners = group.triangleIndices.size() * 3;
  GroupVertices out;

  // First pass: the distinct vertices in first-use order and the corner that used each first
  // (triangle number * 3 + corner), whose normal and texture coordinates the vertex takes; the
  // slot table maps a model vertex to its first-use position.
  std::vector<uint32_t> firstUse;
  std::vector<uint32_t> firstCorner;
  const size_t distinctAtMost = std::min(corners, slots.size());
  firstUse.reserve(distinctAtMost);
  firstCorner.reserve(distinctAtMost);
  out.indices.resize(corners);
  uint32_t* index = out.indices.data();
  for (uint16_t triangleIndex : group.triangleIndices) {
    const msTriangle& triangle = model.triangles[triangleIndex];
    for (uint32_t corner = 0; corner < 3; ++corner) {
      const uint32_t vertex = triangle.vertexIndices[corner];
      if (slots[vertex] < 0) {
        slots[vertex] = static_cast<int32_t>(firstUse.size());
        firstUse.push_back(vertex);
        firstCorner.push_back(uint32_t{triangleIndex} * 3 + corner);
      }
      *index++ = vertex;
    }
  }

  // Second pass: number the vertices by ascending model vertex number. A scan of the slot table
  // costs its length, a sort n log n of the distinct vertices: take the cheaper.
  const size_t count = firstUse.size();
  size_t sortCost = count;
  for (size_t n = count; n > 1; n >>= 1) sortCost += count;
  if (sortCost < slots.size()) {
    out.modelVertices = firstUse;
    std::sort(out.modelVertices.begin(), out.modelVertices.end());
  } else {
    out.modelVertices.reserve(count);
    for (size_t vertex = 0; vertex < slots.size(); ++vertex) {
      if (slots[vertex] >= 0) out.modelVertices.push_back(static_cast<uint32_t>(vertex));
    }
  }
  out.positions.resize(count);
  out.normals.resize(count);
  out.texCoords.resize(count * 2);
  for (size_t rank = 0; rank < count; ++rank) {
    const uint32_t vertex = out.modelVertices[rank];
    const uint32_t first = firstCorner[static_cast<size_t>(slots[vertex])];
    const msTriangle& triangle = model.triangles[first / 3];
    const uint32_t corner = first % 3;
    const float* p = model.vertices[vertex].position;
    const float* n = triangle.vertexNormals[corner];
    out.positions[rank] = {p[0], p[1], p[2]};
    out.normals[rank] = {n[0], n[1], n[2]};
    out.texCoords[rank * 2] = triangle.s[corner];
    out.texCoords[rank * 2 + 1] = triangle.t[corner];
    slots[vertex] = static_cast<int32_t>(rank);
  }
  for (uint32_t& vertexIndex : out.indices) vertexIndex = static_cast<uint32_t>(slots[vertexIndex]);
  for (uint32_t vertex : out.modelVertices) slots[vertex] = -1;
  return out;
}

D3DXVECTOR3 BoxCenter(const std::vector<D3DXVECTOR3>& points) {
  if (points.empty()) return {0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 low = points[0];
  D3DXVECTOR3 high = points[0];
  for (const D3DXVECTOR3& p : points) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
  return {low.x + 0.5f * (high.x - low.x), low.y + 0.5f * (high.y - low.y),
          low.z + 0.5f * (high.z - low.z)};
}

D3DXVECTOR3 CenterOnBox(std::vector<D3DXVECTOR3>& points) {
  const D3DXVECTOR3 centre = BoxCenter(points);
  for (D3DXVECTOR3& p : points) p = {p.x - centre.x, p.y - centre.y, p.z - centre.z};
  return centre;
}

bool BuildGroupMesh(const msModel& model, size_t groupIndex, sMesh* mesh, VertexSlots& slots,
                    std::vector<uint32_t>& modelVertices, D3DXVECTOR3& centre) {
  GroupVertices group = CollectGroupVertices(model, groupIndex, slots);
  const uint32_t vertexCount = static_cast<uint32_t>(group.modelVertices.size());
  const uint32_t indexCount = static_cast<uint32_t>(group.indices.size());
  const HostApi& api = g_plugin.api;
  if (api.SetupMeshFVFData) api.SetupMeshFVFData(mesh, kGroupMeshFvf, vertexCount, indexCount);

  centre = CenterOnBox(group.positions);

  // Write only what the host really gave: a host that handed out less (or nothing) gets no more.
  const bool vertexRoom = mesh->vertexData && mesh->vertexSize >= kGroupVertexSize &&
                          mesh->vertexCount >= static_cast<int32_t>(vertexCount);
  if (vertexRoom) {
    for (uint32_t k = 0; k < vertexCount; ++k) {
      uint8_t* out = mesh->vertexData + size_t{k} * mesh->vertexSize;
      const float u = group.texCoords[size_t{k} * 2];
      const float v = group.texCoords[size_t{k} * 2 + 1];
      std::memcpy(out, &group.positions[k], 12);
      std::memcpy(out + 12, &group.normals[k], 12);
      std::memcpy(out + 24, &kOpaqueWhite, 4);
      std::memcpy(out + 28, &u, 4);
      std::memcpy(out + 32, &v, 4);
    }
  }
  const bool indexRoom = mesh->indexData && mesh->indexCount >= static_cast<int32_t>(indexCount);
  if (indexRoom) {
    // The model winds its triangles the other way round from the host: (a, b, c) becomes (b, a, c).
    for (uint32_t j = 0; j + 2 < indexCount; j += 3) {
      mesh->indexData[j] = static_cast<uint16_t>(group.indices[j + 1]);
      mesh->indexData[j + 1] = static_cast<uint16_t>(group.indices[j]);
      mesh->indexData[j + 2] = static_cast<uint16_t>(group.indices[j + 2]);
    }
  }

  mesh->renderSwitches[1] = 0;
  mesh->primitiveType = kPrimitiveTriangleList;
  mesh->drawVertexCount = vertexRoom ? static_cast<int32_t>(vertexCount) : 0;
  mesh->drawPrimitiveCount = vertexRoom && indexRoom ? static_cast<int32_t>(indexCount / 3) : 0;
  mesh->host00C = 0;
  if (api.CalculateMeshBounds) api.CalculateMeshBounds(mesh);

  modelVertices = std::move(group.modelVertices);
  return (vertexRoom || vertexCount == 0) && (indexRoom || indexCount == 0);
}

}  // namespace korva::import
