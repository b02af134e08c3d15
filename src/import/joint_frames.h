// The joints as frames: each joint frame's name, angles and local matrix, and the links that make
// the joint frames a tree following the joints' parents.
#pragma once

#include <cstdint>
#include <vector>

#include "model/d3d_types.h"
#include "ms3d/ms_model.h"

namespace korva {
struct sFrame;
}

namespace korva::import {

// The joint's rest transform (bindLocal: its rotation angles as the model composes them, then its
// position) mirrored in x, as a host matrix. Needs BuildBindPose.
D3DXMATRIX JointLocalMatrix(const msJoint& joint);

// Gives `frame` the joint's name, its rotation angles as stored, a zero offset and the local
// matrix above; clears its links and detaches its mesh (the mesh stays with the object).
void SetUpJointFrame(sFrame* frame, const msJoint& joint);

// Per joint, the parent it hangs under: its parentIndex when that names a joint of the model and
// the joint is not its own ancestor (a cycle in the parent chain); -1 otherwise. Linear time.
std::vector<int32_t> LinkableParents(const msModel& model);

// Per joint, its frame's combined rest matrix: JointLocalMatrix combined from the root along
// `parents` (from LinkableParents), as the host combines the frames. Linear in the joints.
std::vector<D3DXMATRIX> JointRestMatrices(const msModel& model,
                                          const std::vector<int32_t>& parents);

// Links each joint frame (jointFrames[j] for joint j) under the frame of its linkable parent, in
// joint order, as first child or as next sibling of the previous child. Shows "Missing Parent Bone
// for Bone %d" for every joint without one. Returns those root joints, in joint order.
std::vector<int32_t> LinkJointFrames(const std::vector<sFrame*>& jointFrames,
                                     const std::vector<int32_t>& parents);

}  // namespace korva::import
