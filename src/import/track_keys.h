// A track's keys as the host holds them: a position key and a rotation key at each key frame,
// written from the joint's posed local transforms, four keys at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/d3d_types.h"
#include "ms3d/float_lanes.h"

namespace korva {
struct sAnimation;
}  // namespace korva

namespace korva::import {

// One key of a track: the frame's local transform at `frame`, in the host's space.
struct HostKey {
  int32_t frame;
  D3DXVECTOR3 position;
  D3DXQUATERNION rotation;
};

// Four consecutive keys of a track, field by field: lane i of each the field of the group's i-th
// key. Keys are posed four frames at a time and written to the host's arrays four at a time.
struct HostKeyGroup {
  LaneMask frame;
  Lanes position[3];  // x, y, z
  Lanes rotation[4];  // x, y, z, w
};

// The keys of one track, in groups of four; the lanes of the last group past `count` repeat its
// last key.
struct HostKeys {
  std::vector<HostKeyGroup, LaneAllocator<HostKeyGroup>> groups;
  size_t count = 0;

  // Key k (below count) as one record.
  HostKey operator[](size_t k) const;
};

// `keys` in groups (as a caller holding records has them).
HostKeys GroupedKeys(const std::vector<HostKey>& keys);

// Fills `track` with one position key and one rotation key per key of `keys` (ascending frames).
// Each position key steps toward the next key's position over the frames between them; the last
// steps nowhere, and when it lies before `totalFrames` a key at totalFrames holds its pose.
// Rotations keep the sign of the previous key's hemisphere so that interpolation between them
// turns the short way. False when the key arrays cannot be allocated (the track then has none).
bool FillTrackKeys(sAnimation* track, const HostKeys& keys, int32_t totalFrames);

}  // namespace korva::import
