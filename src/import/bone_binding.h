// Bone binding: one bone record per joint (name, offset matrix, the vertices it moves), and a bone
// array in every group mesh holding all joints in joint order, each listing only the vertices of
// that mesh which the joint moves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/d3d_types.h"
#include "ms3d/ms_model.h"

namespace korva {
struct sBone;
struct sMesh;
}

namespace korva::import {

struct BoneRecord {
  std::string name;          // the joint's name
  int32_t modelVertexCount;  // vertices of the whole model whose boneId is the joint
  D3DXMATRIX inverseRest;    // inverse of the joint frame's combined rest matrix
};

// One record per joint, in joint order, with restMatrices[j] the combined rest matrix of joint j's
// frame; shows "Bone Number %d\r\nNumber of Assigned Verticies %d" for each. One pass over the
// vertices.
std::vector<BoneRecord> BuildBoneRecords(const msModel& model,
                                         const std::vector<D3DXMATRIX>& restMatrices);

// The working memory of binding bones, kept from mesh to mesh of one import (one set of records).
struct BoneScratch {
  // The bones of the first mesh given its array: each later mesh's array starts as a copy of
  // them, named already, with the fields of that mesh's own cleared.
  const sBone* namedBones = nullptr;
  std::vector<int32_t> jointOf;  // per mesh vertex, the joint that moves it or -1
  std::vector<uint32_t> counts;  // per joint, the mesh vertices it moves
};

// Gives `mesh` a bone array of one bone per record (bone count = record count; no array when
// there are none). Bone k lists, ascending and with weight 1.0, the mesh vertices k such that model
// vertex groupModelVertices[k] is moved by joint k. Its offset matrix is groupMatrix (the combined
// matrix of the mesh's frame) x the record's inverseRest, which takes a mesh vertex into the joint
// frame's space at rest, so skinning at rest leaves the mesh where it is. Linear in the group's
// vertices and the joints. `scratch` is the import's, kept across its meshes (the same records).
// False when memory runs out; the mesh then keeps the bones made so far, each whole (its counts
// match its arrays), for the caller to release with the object.
bool FillMeshBones(sMesh* mesh, const std::vector<uint32_t>& groupModelVertices,
                   const msModel& model, const std::vector<BoneRecord>& records,
                   const D3DXMATRIX& groupMatrix, BoneScratch& scratch);

}  // namespace korva::import
