// The key curves of a joint: the Hermite tangents of its position keys, its rotation keys as
// quaternions and whether each key array is in time order.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "ms3d/ms_model.h"

namespace korva {
namespace {

// EulerToQuaternion of every key into out[0..], bit for bit, a run of keys at a time: first the
// sines and cosines one angle at a time (most keys have zero angles, which need no call), then the
// products in lanes, four keys at a time. Loaded right after its four lanes were stored one by one,
// a sine would wait for those stores to reach memory (a wide load cannot take its bytes from
// several narrower stores); a run later they are there.
void KeyQuaternions(const std::vector<msKeyframe>& keys, Quaternion* out) {
  constexpr size_t kLanes = kLaneCount;
  constexpr size_t kRun = 16 * kLanes;
  float sine[3][kRun], cosine[3][kRun];
  const size_t inLanes = keys.size() / kLanes * kLanes;
  for (size_t first = 0; first < inLanes; first += kRun) {
    const size_t run = std::min(kRun, inLanes - first);
    for (size_t i = 0; i < run; ++i) {
      const float* angles = keys[first + i].value;
      for (int axis = 0; axis < 3; ++axis) {
        HalfAngleSineCosine(angles[axis], sine[axis][i], cosine[axis][i]);
      }
    }
    for (size_t i = 0; i < run; i += kLanes) {
      const auto lanes = [i](const float(&values)[kRun]) { return LoadLanes(&values[i]); };
      Lanes q[4];
      QuaternionOfHalfAngles(lanes(sine[0]), lanes(cosine[0]), lanes(sine[1]), lanes(cosine[1]),
                             lanes(sine[2]), lanes(cosine[2]), q);
      Transpose(q);
      for (size_t lane = 0; lane < kLanes; ++lane) StoreLanes(q[lane], &out[first + i + lane]);
    }
  }
  for (size_t k = inLanes; k < keys.size(); ++k) out[k] = EulerToQuaternion(keys[k].value);
}

}  // namespace

void msModel::ComputeKeyCurves(msJoint& joint) {
  // A time that is not a number breaks the order: no comparison with it holds.
  const auto inOrder = [](const std::vector<msKeyframe>& keys) {
    const size_t n = keys.size();
    size_t k = 0;
    // Four neighbouring pairs at a time.
    for (; k + kLaneCount < n; k += kLaneCount) {
      const Lanes times = {keys[k].time, keys[k + 1].time, keys[k + 2].time, keys[k + 3].time};
      const Lanes next = {keys[k + 1].time, keys[k + 2].time, keys[k + 3].time, keys[k + 4].time};
      if (!AllLanes(times <= next)) return false;
    }
    for (; k + 1 < n; ++k) {
      if (!(keys[k].time <= keys[k + 1].time)) return false;
    }
    return true;
  };
  joint.rotationKeysInOrder = inOrder(joint.rotationKeys);
  joint.positionKeysInOrder = inOrder(joint.positionKeys);
  joint.rotationQuaternions.resize(joint.rotationKeys.size());
  KeyQuaternions(joint.rotationKeys, joint.rotationQuaternions.data());
  const std::vector<msKeyframe>& keys = joint.positionKeys;
  const size_t n = keys.size();
  if (n < 3) {
    joint.tangents.assign(n, msTangent{});
    return;
  }
  joint.tangents.resize(n);  // every tangent is written below
  const auto tangent = [&keys](size_t prev, size_t k, size_t next, msTangent& out) {
    const float dt0 = keys[k].time - keys[prev].time;
    const float dt1 = keys[next].time - keys[k].time;
    const float span = dt0 + dt1;
    // The three components at once, each lane d * dt / span for its own d (lane 0, the time,
    // is not kept).
    const Lanes d = LoadLanes(&keys[next]) - LoadLanes(&keys[prev]);
    StoreLanesOneToThree(d * dt0 / span, out.in);
    StoreLanesOneToThree(d * dt1 / span, out.out);
  };
  // The neighbours wrap around, so a looping track is smooth at its ends.
  tangent(n - 1, 0, 1, joint.tangents[0]);
  size_t k = 1;
  // Four keys at a time, each field in lanes (the records of the keys before and after them
  // loaded whole and transposed), each lane the operations of one key: six divisions for four
  // keys where one at a time takes two a key, of which a lane is wasted.
  for (; k + kLaneCount < n; k += kLaneCount) {
    const void* const before[4] = {&keys[k - 1], &keys[k], &keys[k + 1], &keys[k + 2]};
    const void* const after[4] = {&keys[k + 1], &keys[k + 2], &keys[k + 3], &keys[k + 4]};
    Lanes previous[4], next[4];
    LoadTransposed(before, previous);
    LoadTransposed(after, next);
    const Lanes time = FromNext(previous[0], Broadcast(keys[k + 3].time));
    const Lanes dt0 = time - previous[0];
    const Lanes dt1 = next[0] - time;
    const Lanes span = dt0 + dt1;
    Lanes in[3], out[3];
    for (int c = 0; c < 3; ++c) {
      const Lanes d = next[c + 1] - previous[c + 1];
      in[c] = d * dt0 / span;
      out[c] = d * dt1 / span;
    }
    // A record is in x, y, z and out x, then out y, z.
    Lanes head[4] = {in[0], in[1], in[2], out[0]};
    Lanes tail[4] = {out[1], out[2], out[1], out[2]};
    Transpose(head);
    Transpose(tail);
    for (size_t lane = 0; lane < kLaneCount; ++lane) {
      msTangent& record = joint.tangents[k + lane];
      StoreLanes(head[lane], &record);
      StoreLanesZeroToOne(tail[lane], record.out + 1);
    }
  }
  for (; k + 1 < n; ++k) tangent(k - 1, k, k + 1, joint.tangents[k]);
  tangent(n - 2, n - 1, 0, joint.tangents[n - 1]);
}

}  // namespace korva
