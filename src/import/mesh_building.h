// Mesh building: one MS3D group becomes the indexed triangle list of one host mesh (36-byte
// vertices of format 0x152), centred on its bounding box, with the triangles' winding reversed and
// the normals mirrored in x like the positions.
#pragma once

#include <cstdint>
#include <vector>

#include "model/d3d_types.h"
#include "ms3d/ms_model.h"

namespace korva {
struct sMesh;
}

namespace korva::import {

constexpr uint32_t kGroupMeshFvf = 0x152;  // position, normal, diffuse, one texture coordinate
constexpr uint32_t kGroupVertexSize = 36;
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFF;

// The vertices of one group. Mesh vertex k is the k-th smallest model vertex number the group
// uses, so groups whose vertices are not one contiguous run still fit their own vertex count.
struct GroupVertices {
  std::vector<uint32_t> modelVertices;  // ascending; mesh vertex k is model vertex modelVertices[k]
  std::vector<uint32_t> sourceCorners;  // per mesh vertex: triangle * 3 + corner of its first use,
                                        // whose normal and texture coordinates it takes
  std::vector<uint16_t> indices;        // mesh vertex numbers, three per triangle, model winding
};

// Scratch table indexed by model vertex number, shared by the groups of one import so that the
// first-use lookup costs constant time per corner. Every entry is -1 between calls.
class VertexSlots {
 public:
  explicit VertexSlots(size_t modelVertexCount) : slot_(modelVertexCount, -1) {}
  int32_t& operator[](size_t vertex) { return slot_[vertex]; }
  size_t size() const { return slot_.size(); }

 private:
  std::vector<int32_t> slot_;
};

// The working memory of collecting groups, made once an import and kept from group to group, so
// that a group allocates only what it hands on: the slot table, the first uses of the group being
// collected and its vertices.
struct GroupScratch {
  explicit GroupScratch(size_t modelVertexCount) : slots(modelVertexCount) {}

  VertexSlots slots;
  std::vector<uint32_t> firstUse;     // distinct model vertices in first-use order
  std::vector<uint32_t> firstCorner;  // per first use, the corner that used it first
  GroupVertices group;                // the group collected last
};

// Collects group `groupIndex` of `model` (indices already checked) into scratch.group: its
// vertices, the corner each takes its attributes from and its triangles' indices; returns it,
// valid until the next collection. Linear in the group's corners, plus ordering its distinct
// vertices: a sort or a scan of the slot table between the lowest and highest vertex used,
// whichever is cheaper.
const GroupVertices& CollectGroupVertices(const msModel& model, size_t groupIndex,
                                          GroupScratch& scratch);

// Centre of the axis-aligned bounding box of the positions of vertices[used[0 .. count - 1]];
// (0, 0, 0) for none.
D3DXVECTOR3 BoxCentre(const msVertex* vertices, const uint32_t* used, size_t count);

// Fills `mesh` from group `groupIndex` through the host's SetupMeshFVFData and
// CalculateMeshBounds. Stores the group's box centre (the vertices are stored relative to it) in
// `centre` and leaves the group's model vertex numbers in `modelVertices`. False when the host
// gave the mesh less room than the group needs (its memory ran out): the mesh then draws nothing.
bool BuildGroupMesh(const msModel& model, size_t groupIndex, sMesh* mesh, GroupScratch& scratch,
                    std::vector<uint32_t>& modelVertices, D3DXVECTOR3& centre);

}  // namespace korva::import
