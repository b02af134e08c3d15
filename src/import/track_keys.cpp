#include "import/track_keys.h"

#include <algorithm>

#include "model/animation.h"
#include "model/host_heap.h"

namespace korva::import {

HostKey HostKeys::operator[](size_t k) const {
  const HostKeyGroup& group = groups[k / kLaneCount];
  const size_t lane = k % kLaneCount;
  const Lanes* position = group.position;
  const Lanes* rotation = group.rotation;
  return {group.frame[lane],
          {position[0][lane], position[1][lane], position[2][lane]},
          {rotation[0][lane], rotation[1][lane], rotation[2][lane], rotation[3][lane]}};
}

HostKeys GroupedKeys(const std::vector<HostKey>& keys) {
  HostKeys grouped;
  grouped.count = keys.size();
  grouped.groups.resize((keys.size() + kLaneCount - 1) / kLaneCount);
  for (size_t k = 0; k < grouped.groups.size() * kLaneCount; ++k) {
    const HostKey& key = keys[std::min(k, keys.size() - 1)];
    HostKeyGroup& group = grouped.groups[k / kLaneCount];
    const size_t lane = k % kLaneCount;
    group.frame[lane] = key.frame;
    group.position[0][lane] = key.position.x;
    group.position[1][lane] = key.position.y;
    group.position[2][lane] = key.position.z;
    group.rotation[0][lane] = key.rotation.x;
    group.rotation[1][lane] = key.rotation.y;
    group.rotation[2][lane] = key.rotation.z;
    group.rotation[3][lane] = key.rotation.w;
  }
  return grouped;
}

namespace {

// In each lane the frames from `frame` to `next`: the difference of two whole frames is exact in
// double and rounds to float once.
Lanes FrameSpans(LaneMask frame, LaneMask next) {
  const __m128i from = (__m128i)frame, to = (__m128i)next;
  const __m128i fromHigh = _mm_shuffle_epi32(from, _MM_SHUFFLE(1, 0, 3, 2));
  const __m128i toHigh = _mm_shuffle_epi32(to, _MM_SHUFFLE(1, 0, 3, 2));
  const __m128d low = _mm_sub_pd(_mm_cvtepi32_pd(to), _mm_cvtepi32_pd(from));
  const __m128d high = _mm_sub_pd(_mm_cvtepi32_pd(toHigh), _mm_cvtepi32_pd(fromHigh));
  return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
}

// The sign bit in the lanes whose bit is set in the index (bit i for lane i).
struct SignLanes {
  alignas(16) int32_t of[16][kLaneCount];
  constexpr SignLanes() : of() {
    for (int bits = 0; bits < 16; ++bits) {
      for (int lane = 0; lane < kLaneCount; ++lane)
        of[bits][lane] = (bits >> lane & 1) ? INT32_MIN : 0;
    }
  }
  LaneMask operator[](int bits) const { return (LaneMask)LoadLanes(of[bits]); }
};
constexpr SignLanes kSignLanes;

// q and -q are the same rotation; the one nearer the previous key as written (their product not
// negative) interpolates the short way whether or not the player checks. The product with the
// previous key as written is its product with that key as posed, negated where that key was
// (negation is exact): so a key is negated where that product is below zero and the key before
// was not negated, or above zero and it was; never where the product is zero or not a number.
// From the products of `keys` keys (bit i of `below` and `above` for key i) and whether the key
// before them was negated: the keys negated (bit i for key i); `negated` becomes the last one's.
int NegatedKeys(int below, int above, int keys, bool& negated) {
  const int all = (1 << keys) - 1;
  int flips;
  if (((below | above) & all) == all) {
    // Every product has a sign: each key flips the sign of the one before where its product is
    // below zero, so a key is negated where an odd number of flips lead up to it.
    flips = below ^ below << 1;
    flips ^= flips << 2;
    if (negated) flips = ~flips;
  } else {
    flips = 0;
    bool before = negated;
    for (int key = 0; key < keys; ++key) {
      before = before ? (above >> key & 1) : (below >> key & 1);
      flips |= before << key;
    }
  }
  flips &= all;
  negated = flips >> (keys - 1) & 1;
  return flips;
}

// rotations[0..count) from the posed rotations: each written with the sign that keeps it on the
// previous key's hemisphere. Returns whether the last was negated.
bool WriteRotationKeys(const HostKeys& keys, sRotateKey* rotations) {
  // The array's bounds held locally: the stores below may alias anything.
  const HostKeyGroup* const groups = keys.groups.data();
  const size_t groupCount = keys.groups.size();
  // The posed rotation of the key before each group's first (the first key is its own previous).
  Lanes before[4];
  for (int c = 0; c < 4; ++c) before[c] = Broadcast(groups[0].rotation[c][0]);
  bool negated = false;
  for (size_t g = 0; g < groupCount; ++g) {
    const HostKeyGroup& group = groups[g];
    const size_t first = g * kLaneCount;
    const int keysHere = static_cast<int>(std::min<size_t>(kLaneCount, keys.count - first));
    // Each key's product with the key before as posed, summed in the order x, y, z, w.
    Lanes product[4];
    for (int c = 0; c < 4; ++c) {
      product[c] = group.rotation[c] * FromPrevious(before[c], group.rotation[c]);
      before[c] = group.rotation[c];
    }
    const Lanes sum = ((product[0] + product[1]) + product[2]) + product[3];
    const int flips =
        NegatedKeys(_mm_movemask_ps(sum < 0.0f), _mm_movemask_ps(sum > 0.0f), keysHere, negated);
    // A record is the frame and then the rotation.
    Lanes rotation[4];
    for (int c = 0; c < 4; ++c) {
      rotation[c] = (Lanes)((LaneMask)group.rotation[c] ^ kSignLanes[flips]);
    }
    Transpose(rotation);
    sRotateKey* const out = rotations + first;
    const auto store = [&](int lane) {
      out[lane].frame = group.frame[lane];
      StoreLanes(rotation[lane], &out[lane].rotation);
    };
    if (keysHere == kLaneCount) {
      for (int lane = 0; lane < kLaneCount; ++lane) store(lane);
    } else {
      for (int lane = 0; lane < keysHere; ++lane) store(lane);
    }
  }
  return negated;
}

// positions[0..count) from the posed positions, each stepping toward the next key's position
// (the last key's step is left for the caller).
void WritePositionKeys(const HostKeys& keys, sPositionKey* positions) {
  const HostKeyGroup* const groups = keys.groups.data();
  const size_t groupCount = keys.groups.size();
  for (size_t g = 0; g < groupCount; ++g) {
    const HostKeyGroup& group = groups[g];
    const HostKeyGroup& next = groups[std::min(g + 1, groupCount - 1)];
    const size_t first = g * kLaneCount;
    const size_t keysHere = std::min<size_t>(kLaneCount, keys.count - first);
    const Lanes spans =
        FrameSpans(group.frame, (LaneMask)FromNext((Lanes)group.frame, (Lanes)next.frame));
    // Each component divided as it would be alone.
    Lanes step[3];
    for (int c = 0; c < 3; ++c) {
      step[c] = (FromNext(group.position[c], next.position[c]) - group.position[c]) / spans;
    }
    // A record is the frame and the position, then the position's z and the step (the two
    // overlap in the z).
    Lanes head[4] = {(Lanes)group.frame, group.position[0], group.position[1], group.position[2]};
    Lanes tail[4] = {group.position[2], step[0], step[1], step[2]};
    Transpose(head);
    Transpose(tail);
    sPositionKey* const out = positions + first;
    const auto store = [&](size_t lane) {
      StoreLanes(head[lane], &out[lane]);
      StoreLanes(tail[lane], &out[lane].position.z);
    };
    if (keysHere == kLaneCount) {
      for (size_t lane = 0; lane < kLaneCount; ++lane) store(lane);
    } else {
      for (size_t lane = 0; lane < keysHere; ++lane) store(lane);
    }
  }
}

}  // namespace

bool FillTrackKeys(sAnimation* track, const HostKeys& keys, int32_t totalFrames) {
  const size_t count = keys.count;
  if (count == 0) return true;
  const HostKey last = keys[count - 1];
  const bool holdToEnd = last.frame < totalFrames;
  const size_t n = count + (holdToEnd ? 1 : 0);
  // Every field of every key is written below, so the arrays need no clearing.
  auto* positions = static_cast<sPositionKey*>(HostAllocate(n * sizeof(sPositionKey)));
  auto* rotations = static_cast<sRotateKey*>(HostAllocate(n * sizeof(sRotateKey)));
  if (!positions || !rotations) {
    HostFree(positions);
    HostFree(rotations);
    return false;
  }
  WritePositionKeys(keys, positions);
  positions[count - 1].step = {0.0f, 0.0f, 0.0f};  // the last key steps nowhere
  bool negated = WriteRotationKeys(keys, rotations);
  if (holdToEnd) {
    // The last key again at totalFrames; its product with itself as posed is a sum of squares.
    positions[count] = {totalFrames, last.position, {0.0f, 0.0f, 0.0f}};
    const D3DXQUATERNION& q = last.rotation;
    const float square = ((q.x * q.x + q.y * q.y) + q.z * q.z) + q.w * q.w;
    const bool below = square < 0.0f;
    const bool above = square > 0.0f;
    NegatedKeys(below, above, 1, negated);
    rotations[count] = {totalFrames, last.rotation};
    if (negated) {
      D3DXQUATERNION& r = rotations[count].rotation;
      r = {-r.x, -r.y, -r.z, -r.w};
    }
  }
  track->positionKeys = positions;
  track->rotationKeys = rotations;
  track->positionKeyCount = static_cast<int32_t>(n);
  track->rotationKeyCount = static_cast<int32_t>(n);
  return true;
}

}  // namespace korva::import
