#include "import/bone_binding.h"

#include <algorithm>
#include <charconv>

#include "import/host_space.h"
#include "import/import_text.h"
#include "model/bone.h"
#include "model/counted_array.h"
#include "model/host_heap.h"
#include "model/mesh.h"

namespace korva::import {
namespace {
// The joint that moves `vertex`, or -1 when its bone number names none of `jointCount`.
int32_t JointOf(const msVertex& vertex, size_t jointCount) {
  const int32_t boneId = vertex.boneId;
  return boneId >= 0 && static_cast<size_t>(boneId) < jointCount ? boneId : -1;
}

// Calls add(joint, length) for each run of equal joints jointAt(0 .. count - 1) that is not -1.
// Vertices come in long runs on one joint; counting a run in a register instead of incrementing
// the joint's count per vertex avoids a chain of loads and stores to the same counter.
template <typename JointAt, typename Add>
void CountRuns(size_t count, JointAt jointAt, Add add) {
  int32_t runJoint = -1;
  size_t runLength = 0;
  for (size_t k = 0; k < count; ++k) {
    const int32_t joint = jointAt(k);
    if (joint != runJoint) {
      if (runJoint >= 0) add(runJoint, runLength);
      runJoint = joint;
      runLength = 0;
    }
    ++runLength;
  }
  if (runJoint >= 0) add(runJoint, runLength);
}

// "Bone Number <j>\r\nNumber of Assigned Verticies <count>", written in place: built from
// strings, the notice cost more than the rest of the joint's record.
struct BoneNotice {
  static constexpr char kHead[] = "Bone Number ";
  static constexpr char kMiddle[] = "\r\nNumber of Assigned Verticies ";
  static constexpr size_t kDigits = 20;  // of a 64-bit number at most
  char text[sizeof kHead + sizeof kMiddle + 2 * kDigits];

  BoneNotice(size_t joint, int32_t count) {
    char* at = std::copy(kHead, kHead + sizeof kHead - 1, text);
    at = std::to_chars(at, at + kDigits, joint).ptr;
    at = std::copy(kMiddle, kMiddle + sizeof kMiddle - 1, at);
    at = std::to_chars(at, at + kDigits, count).ptr;
    *at = '\0';
  }
};
}  // namespace

std::vector<BoneRecord> BuildBoneRecords(const msModel& model,
                                         const std::vector<D3DXMATRIX>& restMatrices) {
  const size_t jointCount = model.joints.size();
  std::vector<int32_t> counts(jointCount, 0);
  CountRuns(
      model.vertices.size(), [&](size_t k) { return JointOf(model.vertices[k], jointCount); },
      [&](int32_t joint, size_t run) { counts[joint] += static_cast<int32_t>(run); });
  std::vector<BoneRecord> records;
  records.reserve(jointCount);
  for (size_t j = 0; j < jointCount; ++j) {
    const msJoint& joint = model.joints[j];
    ShowInfo(BoneNotice(j, counts[j]).text);
    records.push_back(
        {FieldText(joint.name, kMsNameSize), counts[j], InverseRigidHostMatrix(restMatrices[j])});
  }
  return records;
}

bool FillMeshBones(sMesh* mesh, const std::vector<uint32_t>& groupModelVertices,
                   const msModel& model, const std::vector<BoneRecord>& records,
                   const D3DXMATRIX& groupMatrix, BoneScratch& scratch) {
  DeleteCountedArray(mesh->bones, ReleaseBone);
  mesh->bones = nullptr;
  mesh->boneCount = 0;
  const size_t jointCount = records.size();
  if (jointCount == 0) return true;
  // The bones as constructed and named, each written once: the first mesh's made so, every later
  // mesh's copied from the first's (a bone's name is its joint's in every mesh).
  const auto count = static_cast<uint32_t>(jointCount);
  sBone* bones = scratch.namedBones ? NewCountedArrayCopy(scratch.namedBones, count)
                                    : NewCountedArray<sBone>(count, ConstructBone);
  if (!bones) return false;
  if (scratch.namedBones) {
    for (size_t j = 0; j < jointCount; ++j) {
      bones[j].vertexCount = 0;
      bones[j].vertices = nullptr;
      bones[j].weights = nullptr;
    }
  } else {
    for (size_t j = 0; j < jointCount; ++j) CopyHostName(bones[j].name, records[j].name);
    scratch.namedBones = bones;
  }
  mesh->bones = bones;
  mesh->boneCount = static_cast<int32_t>(jointCount);

  // Which joint moves each mesh vertex, or -1.
  std::vector<int32_t>& jointOf = scratch.jointOf;
  jointOf.resize(groupModelVertices.size());
  for (size_t k = 0; k < groupModelVertices.size(); ++k) {
    jointOf[k] = JointOf(model.vertices[groupModelVertices[k]], jointCount);
  }
  std::vector<uint32_t>& counts = scratch.counts;
  counts.assign(jointCount, 0);
  CountRuns(
      jointOf.size(), [&](size_t k) { return jointOf[k]; },
      [&](int32_t joint, size_t run) { counts[joint] += static_cast<uint32_t>(run); });

  bool complete = true;
  for (size_t j = 0; j < jointCount; ++j) {
    sBone& bone = bones[j];
    bone.offsetMatrix = ConcatHostAffine(groupMatrix, records[j].inverseRest);
    if (counts[j] == 0) continue;
    // Both lists are written whole below (counts[j] entries each), so they are not zeroed first.
    bone.vertices = static_cast<uint32_t*>(HostAllocate(size_t{counts[j]} * sizeof(uint32_t)));
    bone.weights = static_cast<float*>(HostAllocate(size_t{counts[j]} * sizeof(float)));
    if (!bone.vertices || !bone.weights) {
      ReleaseBone(&bone);
      counts[j] = 0;
      complete = false;
    }
  }
  // Runs of vertices on one joint go in with the bone's fill level held locally.
  for (size_t k = 0; k < jointOf.size();) {
    const int32_t j = jointOf[k];
    size_t end = k + 1;
    while (end < jointOf.size() && jointOf[end] == j) ++end;
    if (j >= 0 && counts[j] != 0) {
      sBone& bone = bones[j];
      uint32_t* vertices = bone.vertices;
      float* weights = bone.weights;
      uint32_t filled = bone.vertexCount;
      for (size_t vertex = k; vertex < end; ++vertex, ++filled) {
        vertices[filled] = static_cast<uint32_t>(vertex);
        weights[filled] = 1.0f;
      }
      bone.vertexCount = filled;
    }
    k = end;
  }
  return complete;
}

}  // namespace korva::import
