// Read-only script commands on an object's bones and animation. Nothing is changed and nothing is
// read outside the host's records: an index outside the data reports like a missing record.
#pragma once

#include <cstdint>

#include "host/binding/host_address.h"

namespace korva::commands {

// Values of BoneVertexCount that name the record it could not reach.
constexpr uint32_t kMissingObject = 101;
constexpr uint32_t kMissingFrame = 102;
constexpr uint32_t kMissingMesh = 103;
constexpr uint32_t kMissingBones = 104;

// A new host return-string block holding the name of bone `bone` of the first frame's mesh, as the
// host's address; 0 when any record on the way, the bone or the host's allocator is missing.
HostAddress BoneName(int32_t object, int32_t bone);

// The number of vertices bone `bone` of limb `limb`'s mesh influences, or 101 to 104 for the first
// record it could not reach (a bone index outside the bone array counts as a missing array).
uint32_t BoneVertexCount(int32_t object, int32_t limb, int32_t bone);

// The number of tracks of the object's first animation set, or 0.
uint32_t TrackCount(int32_t object);

// The number of animation sets of the object, or 0.
uint32_t AnimationSetCount(int32_t object);

// The matrix key count of track `track` of the first set; for a track past the chain's end (or a
// negative one) the number of tracks; 0 without a set or tracks.
uint32_t MatrixKeyCount(int32_t object, int32_t track);

}  // namespace korva::commands
