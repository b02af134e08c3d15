// Animation export: the object's one animation set, AnimationSet0, with one track per joint named
// after the joint's frame, keyed at whole frames in the host's (z-mirrored) convention.
#pragma once

#include <cstdint>

#include "model/d3d_types.h"
#include "ms3d/ms_model.h"
#include "ms3d/skeleton_math.h"

namespace korva {
struct sAnimation;
struct sObject;
}  // namespace korva

namespace korva::import {

// A key time in frames as a whole frame number: truncated toward zero, clamped to the int32 range,
// 0 for a time that is not a number.
int32_t WholeFrame(float time);

// A model rotation (angles) in the host's convention: EulerToQuaternion(-ax, -ay, az). Inline:
// it runs once per key. (Positions go over as (x, y, -z).)
inline D3DXQUATERNION HostRotation(const float angles[3]) {
  const float mirrored[3] = {-angles[0], -angles[1], angles[2]};
  const Quaternion q = EulerToQuaternion(mirrored);
  return {q.x, q.y, q.z, q.w};
}

// Fills `track` with the keys of `joint`: one position key and one rotation key per position key
// (rotation key k paired with position key k; the last rotation key stands in for missing ones,
// the identity for none); the last pair at frame `totalFrames` with a zero step. False when the key
// arrays cannot be allocated (the track then has none).
bool FillTrackKeys(sAnimation* track, const msJoint& joint, int32_t totalFrames);

// Replaces the object's animation with AnimationSet0 (length totalFrames): one track per joint,
// the set's first track the last joint's, each track's next the previous joint's. Shows "Total
// Frames: %d" and then "Done Loading MilkShape Animation". False when a record cannot be allocated.
bool BuildAnimationSet(sObject* object, const msModel* model);

}  // namespace korva::import
