// Animation export: the object's one animation set, AnimationSet0, with one track per joint named
// after the joint's frame. The host's key replaces a frame's local matrix, where the model's key
// acts on top of the joint's rest transform, so every key holds the joint's posed local transform
// as the model's own evaluation gives it, mirrored in x like the vertices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "import/track_keys.h"
#include "ms3d/ms_model.h"

namespace korva {
struct sObject;
}  // namespace korva

namespace korva::import {

// A key time in frames as a whole frame number. Times are stored in seconds, so frame 63 of a
// 30 fps model reads back as 62.999996: a time within 1/1000 of a whole frame is that frame, any
// other is truncated toward zero. Clamped to the int32 range, 0 for a time that is not a number.
int32_t WholeFrame(float time);

// The whole frames of every rotation and position key of every joint, ascending, each once.
std::vector<int32_t> ModelKeyFrames(const msModel& model);

// Joint `index` posed at each of `frames` by the model's own evaluation (PoseJointLocal, which
// needs the rest transforms and the joint's key curves), its posed local transforms mirrored in x,
// as `keys` (one a frame, in order).
void PosedHostKeys(msModel& model, int index, const std::vector<int32_t>& frames, HostKeys& keys);

// Replaces the object's animation with AnimationSet0 (length totalFrames): one track per joint,
// the set's first track the last joint's, each track's next the previous joint's. Every joint with
// any key gets a key at each of ModelKeyFrames, so at each key frame every chain of joints is
// where the model puts it. Needs the rest transforms (BuildRestTransforms); finds each keyed
// joint's key curves as it poses it, and empties the joint's keys (with their curves) once posed,
// the import having no further use for them. Shows "Total Frames: %d"
// and then "Done Loading MilkShape Animation". False when a record cannot be allocated.
// `keyFrames`, when given, are the model's ModelKeyFrames found already.
bool BuildAnimationSet(sObject* object, msModel* model,
                       const std::vector<int32_t>* keyFrames = nullptr);

}  // namespace korva::import
