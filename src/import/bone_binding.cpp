#include "import/bone_binding.h"

#include "import/import_text.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/host_heap.h"
#include "model/mesh.h"
#include "platform/d3dx_matrix.h"

namespace korva::import {

D3DXMATRIX JointOffsetMatrix(const msJoint& joint) {
  D3DXMATRIX rotationZ, rotationY, rotationX, result;
  platform::MatrixRotationZ(&rotationZ, joint.rotation[2]);
  platform::MatrixRotationY(&rotationY, -joint.rotation[1]);
  platform::MatrixRotationX(&rotationX, -joint.rotation[0]);
  platform::MatrixMultiply(&result, &rotationZ, &rotationY);
  platform::MatrixMultiply(&result, &result, &rotationX);
  return result;
}

std::vector<BoneRecord> BuildBoneRecords(const msModel& model) {
  const size_t jointCount = model.joints.size();
  std::vector<int32_t> counts(jointCount, 0);
  for (const msVertex& vertex : model.vertices) {
    if (vertex.boneId >= 0 && static_cast<size_t>(vertex.boneId) < jointCount)
      ++counts[vertex.boneId];
  }
  std::vector<BoneRecord> records;
  records.reserve(jointCount);
  for (size_t j = 0; j < jointCount; ++j) {
    const msJoint& joint = model.joints[j];
    ShowInfo("Bone Number " + std::to_string(j) + "\r\nNumber of Assigned Verticies " +
             std::to_string(counts[j]));
    records.push_back({FieldText(joint.name, kMsNameSize), counts[j], JointOffsetMatrix(joint)});
  }
  return records;
}

bool FillMeshBones(sMesh* mesh, const std::vector<uint32_t>& groupModelVertices,
                   const msModel& model, const std::vector<BoneRecord>& records) {
  DeleteCountedArray(mesh->bones, ReleaseBone);
  mesh->bones = nullptr;
  mesh->boneCount = 0;
  const size_t jointCount = records.size();
  if (jointCount == 0) return true;
  sBone* bones = NewCountedArray<sBone>(static_cast<uint32_t>(jointCount), ConstructBone);
  if (!bones) return false;
  mesh->bones = bones;
  mesh->boneCount = static_cast<int32_t>(jointCount);

  // Which joint moves each mesh vertex, or -1.
  std::vector<int32_t> jointOf(groupModelVertices.size(), -1);
  std::vector<uint32_t> counts(jointCount, 0);
  for (size_t k = 0; k < groupModelVertices.size(); ++k) {
    const int8_t boneId = model.vertices[groupModelVertices[k]].boneId;
    if (boneId >= 0 && static_cast<size_t>(boneId) < jointCount) {
      jointOf[k] = boneId;
      ++counts[boneId];
    }
  }

  bool complete = true;
  for (size_t j = 0; j < jointCount; ++j) {
    sBone& bone = bones[j];
    CopyHostName(bone.name, records[j].name);
    bone.offsetMatrix = records[j].offsetMatrix;
    if (counts[j] == 0) continue;
    bone.vertices = static_cast<uint32_t*>(HostAllocateZeroed(counts[j], sizeof(uint32_t)));
    bone.weights = static_cast<float*>(HostAllocateZeroed(counts[j], sizeof(float)));
    if (!bone.vertices || !bone.weights) {
      ReleaseBone(&bone);
      counts[j] = 0;
      complete = false;
    }
  }
  for (size_t k = 0; k < jointOf.size(); ++k) {
    const int32_t j = jointOf[k];
    if (j < 0 || counts[j] == 0) continue;
    sBone& bone = bones[j];
    bone.vertices[bone.vertexCount] = static_cast<uint32_t>(k);
    bone.weights[bone.vertexCount] = 1.0f;
    ++bone.vertexCount;
  }
  return complete;
}

}  // namespace korva::import
