// A bent arm for animation tests, built both ways: an MS3D model (played by its own playback) and
// a host object laid out as the host plays it. An upper arm (red, x 0..1) and a forearm (green,
// x 1..2), both 0.2 thick around y = 0 and facing +z; the forearm's joint at (1, 0, 0) turns 90
// degrees about z from frame 0 to frame 10. With `sharedWeights` every forearm vertex is moved
// half by the upper arm and half by the forearm.
#pragma once

#include "object_builder.h"
#include "support/ms3d_writer.h"

namespace korva::testing {

struct ArmShape {
  bool animated = true;
  bool sharedWeights = false;
};

// Key times are written in seconds at 10 frames per second, so they read back as frames 0 and 10.
Ms3dContent BentArmMs3d(ArmShape shape);

// The same arm in the host's space (not mirrored: the same numbers), with joint frames "upper"
// and "forearm", a mesh frame per limb and bones with offsets that leave the rest pose in place.
ObjectHandle BentArmObject(ArmShape shape);

}  // namespace korva::testing
