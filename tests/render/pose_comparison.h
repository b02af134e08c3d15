// Compares an imported object's playback, as the host plays its frames, bones and keys, with the
// model's own playback of the file it came from, mirrored in x into the host's space.
#pragma once

#include <string>
#include <vector>

#include "model/object.h"

namespace korva::testing {

// Largest distances between the two playbacks at one frame, relative to the model's size (the
// diagonal of its vertices' box).
struct PoseDifference {
  double joints = 0.0;    // joint frame origins against the model's posed joints
  double vertices = 0.0;  // skinned mesh vertices against the model's skinned vertices
};

// The object imported from `path` (group frames first, then the joint frames, as the import
// makes them) played at `frame` against the model read from `path` posed at that frame; a
// negative frame compares the rest states. Large values when the model cannot be read.
PoseDifference ComparePlaybacks(const sObject& object, const std::string& path, float frame);

// The frames of the object's first animation set that hold keys, ascending, each once.
std::vector<int> ImportedKeyFrames(const sObject& object);

}  // namespace korva::testing
