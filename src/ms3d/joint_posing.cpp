// A joint's local pose at a frame: the key intervals holding the frame, Hermite interpolation of
// the position keys and spherical interpolation of the rotation keys, four frames at a time.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "ms3d/ms_model.h"

namespace korva {
namespace {

// First k with times[k] <= frame < times[k + 1]; -1 when no interval holds the frame. With the
// times in order that k is the only one, just before the first time past the frame, so an import
// posing a long animation at every key frame need not scan all keys each time; and as it poses
// the frames in turn, the interval after the one found last (`hint`), or that one, mostly holds
// the frame (only one can: which is tried first changes nothing).
template <typename TimeOf>
int FindInterval(size_t count, float frame, bool inOrder, TimeOf timeOf, size_t& hint) {
  if (inOrder) {
    const auto holds = [&](size_t k) {
      return k + 1 < count && timeOf(k) <= frame && frame < timeOf(k + 1);
    };
    if (holds(hint + 1)) return static_cast<int>(++hint);
    if (holds(hint)) return static_cast<int>(hint);
    size_t low = 0, high = count;  // the first time past the frame lies in [low, high]
    while (low < high) {
      const size_t middle = low + (high - low) / 2;
      if (frame < timeOf(middle)) {
        high = middle;
      } else {
        low = middle + 1;
      }
    }
    if (low >= 1 && low < count) {
      hint = low - 1;
      return static_cast<int>(hint);
    }
    return -1;
  }
  for (size_t k = 0; k + 1 < count; ++k) {
    if (timeOf(k) <= frame && frame < timeOf(k + 1)) return static_cast<int>(k);
  }
  return -1;
}

// Posing works four frames at once (one frame is four equal lanes): each lane's interval is found
// in turn, then the curves are worked in lanes, each lane performing the float operations of its
// frame alone. Records are read whole (LoadTransposed): a key is its time and three values, a
// quaternion its four components, a tangent's in and out three floats each (their layouts are
// asserted where they are declared).

// What a lane outside every interval reads: its curve is computed and thrown away.
constexpr float kZeroRecord[4] = {};

// Records at[0] to at[4], each loaded once, transposed twice: lane i of starts[f] is field f of
// at[i], of ends[f] field f of at[i + 1] (the ends of four intervals that follow each other).
// Always inlined: left to the compiler it was called, and the lanes went through memory.
template <typename Record>
[[gnu::always_inline]] inline void LoadIntervalRun(const Record* at, Lanes starts[4],
                                                   Lanes ends[4]) {
  Lanes rows[kLaneCount + 1];
  for (int i = 0; i <= kLaneCount; ++i) rows[i] = LoadLanes(&at[i]);
  for (int i = 0; i < kLaneCount; ++i) {
    starts[i] = rows[i];
    ends[i] = rows[i + 1];
  }
  Transpose(starts);
  Transpose(ends);
}

// Where each lane's frame falls among `keys` (a joint's position or rotation keys, not empty):
// interval[lane] is the first key of the interval holding it, or -1; a lane outside every
// interval holds the first key before the first time, the last from the last time on, and none
// (held -1) for a frame that is not a number.
struct LanePlaces {
  int interval[kLaneCount];
  int held[kLaneCount];
  // Every lane is in an interval (held is not filled).
  bool onCurve = false;
  // Every lane is outside every interval and holds the same key.
  bool allHeld = false;
  // Every lane is in an interval and the intervals follow each other: interval[lane] would be
  // interval[0] + lane, and only interval[0] is filled; start and end hold each lane's interval's
  // first and last times.
  bool run = false;
  Lanes start, end;
};

// PlaceLanes lane by lane.
[[gnu::noinline]] void PlaceEachLane(const std::vector<msKeyframe>& keys, Lanes frame, bool inOrder,
                                     size_t& hint, LanePlaces& places) {
  const size_t n = keys.size();
  for (int lane = 0; lane < kLaneCount; ++lane) {
    const float at = frame[lane];
    places.interval[lane] = FindInterval(
        n, at, inOrder, [&](size_t i) { return keys[i].time; }, hint);
    places.held[lane] = -1;
    if (places.interval[lane] >= 0) continue;
    if (at < keys[0].time) {
      places.held[lane] = 0;
    } else if (at >= keys[n - 1].time) {
      places.held[lane] = static_cast<int>(n - 1);
    }
  }
}

// Fills `places`, as constructed, in place: a LanePlaces built apart and returned is copied whole,
// which costs more than finding the places.
inline void PlaceLanes(const std::vector<msKeyframe>& keys, Lanes frame, bool inOrder, size_t& hint,
                       LanePlaces& places) {
  // Posing the key frames in turn, the four frames mostly fall in the four intervals after the one
  // found last, or (the first four of a track) in those from it on: one test in lanes finds them
  // (each is the only interval that can hold its frame).
  for (const size_t first : {hint + 1, hint}) {
    if (!inOrder || first + kLaneCount >= keys.size()) continue;
    const auto time = [&keys, first](int lane) {
      return keys[first + static_cast<size_t>(lane)].time;
    };
    const Lanes starts = {time(0), time(1), time(2), time(3)};
    const Lanes ends = {time(1), time(2), time(3), time(4)};
    if (AllLanes((starts <= frame) & (frame < ends))) {
      places.interval[0] = static_cast<int>(first);
      places.onCurve = places.run = true;
      places.start = starts;
      places.end = ends;
      hint = first + kLaneCount - 1;
      return;
    }
  }
  // Frames closer together than the keys: the four mostly fall among the five keys from the one
  // found last, and each lane's interval is then the last of those keys at or before its frame
  // (the only interval that can hold it).
  if (inOrder && hint + kLaneCount < keys.size()) {
    const auto time = [&keys, hint](size_t j) { return Broadcast(keys[hint + j].time); };
    if (AllLanes((time(0) <= frame) & (frame < time(kLaneCount)))) {
      LaneMask passed = {};  // minus the keys after the first that each frame has reached
      for (size_t j = 1; j < kLaneCount; ++j) passed += time(j) <= frame;
      for (int lane = 0; lane < kLaneCount; ++lane) {
        places.interval[lane] = static_cast<int>(hint) - passed[lane];
      }
      places.onCurve = true;
      hint = static_cast<size_t>(places.interval[kLaneCount - 1]);
      return;
    }
  }
  // Every frame before the first key, or from the last on (a joint whose keys end before the
  // model's last key frame): each lane holds that key.
  if (inOrder) {
    const size_t last = keys.size() - 1;
    const bool beforeFirst = AllLanes(frame < Broadcast(keys[0].time));
    if (beforeFirst || AllLanes(frame >= Broadcast(keys[last].time))) {
      for (int lane = 0; lane < kLaneCount; ++lane) {
        places.interval[lane] = -1;
        places.held[lane] = beforeFirst ? 0 : static_cast<int>(last);
      }
      places.allHeld = true;
      return;
    }
  }
  PlaceEachLane(keys, frame, inOrder, hint, places);
}

// The Hermite weights h[0] to h[3] at the four frames, each lane between the times `start` and
// `end` of its interval. The interval holds start <= frame < end, so at a key's own frame (an
// import poses every key frame) the division gives +0 exactly; the lane takes that zero as it is,
// and with every lane there nothing is divided.
[[gnu::always_inline]] inline void HermiteWeights(Lanes frame, Lanes start, Lanes end, Lanes h[4]) {
  const LaneMask atKey = frame == start;
  const Lanes u =
      AllLanes(atKey) ? Lanes{} : Select(atKey, Lanes{}, (frame - start) / (end - start));
  const Lanes u2 = u * u;
  const Lanes u3 = u2 * u;
  h[0] = 2.0f * u3 - 3.0f * u2 + 1.0f;
  h[1] = 3.0f * u2 - 2.0f * u3;
  h[2] = u3 - 2.0f * u2 + u;
  h[3] = u3 - u2;
}

// One lane's Hermite curve: start and end values p0 and p1, out tangent of the start and in tangent
// of the end (without tangents, the first two terms alone).
[[gnu::always_inline]] inline Lanes HermiteValue(const Lanes h[4], Lanes p0, Lanes p1) {
  return h[0] * p0 + h[1] * p1;
}
[[gnu::always_inline]] inline Lanes HermiteValue(const Lanes h[4], Lanes p0, Lanes p1,
                                                 Lanes tangentOut, Lanes tangentIn) {
  Lanes value = h[0] * p0 + h[1] * p1;
  value += h[2] * tangentOut + h[3] * tangentIn;
  return value;
}

// The Hermite curve of each lane from the keys that start and end its interval (p0 and p1,
// transposed) and, where the joint has tangents, those that tangents(out, in) points at: the out
// tangent of the start at out[lane] and the in tangent of the end at in[lane] (the 16 bytes read
// from each hold one float past the three used, which is still in the array).
template <typename Tangents>
[[gnu::always_inline]] inline void HermiteCurve(const msJoint& joint, const Lanes p0[4],
                                                const Lanes p1[4], Tangents tangents, Lanes frame,
                                                Lanes position[3]) {
  Lanes h[4];
  HermiteWeights(frame, p0[0], p1[0], h);
  if (joint.tangents.size() != joint.positionKeys.size()) {
    for (int c = 0; c < 3; ++c) position[c] = HermiteValue(h, p0[c + 1], p1[c + 1]);
    return;
  }
  const void* out[kLaneCount];
  const void* in[kLaneCount];
  tangents(out, in);
  Lanes tangentOut[4], tangentIn[4];
  LoadTransposed(out, tangentOut);
  LoadTransposed(in, tangentIn);
  for (int c = 0; c < 3; ++c) {
    position[c] = HermiteValue(h, p0[c + 1], p1[c + 1], tangentOut[c], tangentIn[c]);
  }
}

// InterpolatePositionLanes where the lanes do not fall in four intervals that follow each other:
// each lane's keys and tangents gathered, a lane outside every interval held.
[[gnu::noinline]] void PositionOffRun(const msJoint& joint, Lanes frame, const LanePlaces& places,
                                      Lanes position[3]) {
  const std::vector<msKeyframe>& keys = joint.positionKeys;
  const bool haveTangents = joint.tangents.size() == keys.size();
  const void* start[kLaneCount];
  const void* end[kLaneCount];
  const void* held[kLaneCount];
  const void* out[kLaneCount];
  const void* in[kLaneCount];
  int32_t onCurve[kLaneCount];
  for (int lane = 0; lane < kLaneCount; ++lane) {
    const int k = places.interval[lane];
    onCurve[lane] = k >= 0 ? -1 : 0;
    start[lane] = end[lane] = out[lane] = in[lane] = held[lane] = kZeroRecord;
    if (k >= 0) {
      const size_t a = static_cast<size_t>(k);
      start[lane] = &keys[a];
      end[lane] = &keys[a + 1];
      if (haveTangents) {
        out[lane] = joint.tangents[a].out;
        in[lane] = joint.tangents[a + 1].in;
      }
    } else if (places.held[lane] >= 0) {
      held[lane] = &keys[static_cast<size_t>(places.held[lane])];
    }
  }
  Lanes p0[4], p1[4], heldKey[4], curveValue[3];
  LoadTransposed(start, p0);
  LoadTransposed(end, p1);
  LoadTransposed(held, heldKey);
  const auto tangents = [&out, &in](const void* outAt[], const void* inAt[]) {
    for (int lane = 0; lane < kLaneCount; ++lane) {
      outAt[lane] = out[lane];
      inAt[lane] = in[lane];
    }
  };
  HermiteCurve(joint, p0, p1, tangents, frame, curveValue);
  const LaneMask curve = {onCurve[0], onCurve[1], onCurve[2], onCurve[3]};
  for (int c = 0; c < 3; ++c) position[c] = Select(curve, curveValue[c], heldKey[c + 1]);
}

// InterpolatePositionLanes where the four frames fall in the four intervals from key a on: keys a
// to a + 4 loaded as a run, every lane on its curve.
[[gnu::always_inline]] inline void PositionOnRun(const msJoint& joint, size_t a, Lanes frame,
                                                 Lanes position[3]) {
  Lanes p0[4], p1[4];
  LoadIntervalRun(&joint.positionKeys[a], p0, p1);
  const auto tangents = [&joint, a](const void* out[], const void* in[]) {
    const msTangent* const tangent = &joint.tangents[a];
    for (int i = 0; i < kLaneCount; ++i) {
      out[i] = tangent[i].out;
      in[i] = tangent[i + 1].in;
    }
  };
  HermiteCurve(joint, p0, p1, tangents, frame, position);
}

// InterpolatePositionLanes where every lane is in an interval, interval[lane] its first key: each
// lane's keys and tangents gathered.
[[gnu::always_inline]] inline void PositionOnCurve(const msJoint& joint,
                                                   const int interval[kLaneCount], Lanes frame,
                                                   Lanes position[3]) {
  const void* start[kLaneCount];
  const void* end[kLaneCount];
  for (int lane = 0; lane < kLaneCount; ++lane) {
    const size_t k = static_cast<size_t>(interval[lane]);
    start[lane] = &joint.positionKeys[k];
    end[lane] = &joint.positionKeys[k + 1];
  }
  Lanes p0[4], p1[4];
  LoadTransposed(start, p0);
  LoadTransposed(end, p1);
  const auto tangents = [&joint, interval](const void* out[], const void* in[]) {
    for (int lane = 0; lane < kLaneCount; ++lane) {
      const size_t k = static_cast<size_t>(interval[lane]);
      out[lane] = joint.tangents[k].out;
      in[lane] = joint.tangents[k + 1].in;
    }
  };
  HermiteCurve(joint, p0, p1, tangents, frame, position);
}

// The position curve at the four frames of `frame`: Hermite interpolation between the keys of
// the interval holding the frame (zero tangents without key curves); before the first key its
// value, from the last key on the last's; zero without keys (or for a frame that is not a
// number).
void InterpolatePositionLanes(msJoint& joint, Lanes frame, Lanes position[3]) {
  const std::vector<msKeyframe>& keys = joint.positionKeys;
  if (keys.empty()) {
    for (int c = 0; c < 3; ++c) position[c] = Lanes{};
    return;
  }
  LanePlaces places;
  PlaceLanes(keys, frame, joint.positionKeysInOrder, joint.positionHint, places);
  if (places.run) {
    PositionOnRun(joint, static_cast<size_t>(places.interval[0]), frame, position);
  } else if (places.onCurve) {
    PositionOnCurve(joint, places.interval, frame, position);
  } else if (places.allHeld) {
    const float* const value = keys[static_cast<size_t>(places.held[0])].value;
    for (int c = 0; c < 3; ++c) position[c] = Broadcast(value[c]);
  } else {
    PositionOffRun(joint, frame, places, position);
  }
}

// Spherical interpolation in each lane from p to q at the lane's place t between its keys.
[[gnu::always_inline]] inline void SlerpLanes(const Lanes p[4], Lanes q[4], Lanes t, SlerpArc& arc,
                                              Lanes slerped[4]) {
  SlerpComponents(
      p, q,
      [&t, &arc](Lanes cosine, Lanes& kp, Lanes& kq) { SlerpWeights(cosine, t, kp, kq, arc); },
      slerped);
}

// InterpolateRotationLanes where the lanes do not fall in four intervals that follow each other, or
// the keys' quaternions were not found: each lane's quaternions gathered (or converted), a lane
// outside every interval held.
[[gnu::noinline]] void RotationOffRun(msJoint& joint, Lanes frame, const LanePlaces& places,
                                      Lanes rotation[4]) {
  const std::vector<msKeyframe>& keys = joint.rotationKeys;
  // Without the quaternions of every key (BuildBindPose not run) each is converted here.
  const bool haveQuaternions = joint.rotationQuaternions.size() == keys.size();
  const Quaternion identity;
  const float identityComponents[4] = {identity.x, identity.y, identity.z, identity.w};
  // Raw storage: constructed quaternions would cost four stores each at every call.
  float converted[3][kLaneCount][4];
  const auto quaternion = [&](size_t i, int use, int lane) -> const void* {
    if (haveQuaternions) return &joint.rotationQuaternions[i];
    const Quaternion q = EulerToQuaternion(keys[i].value);
    std::memcpy(converted[use][lane], &q, sizeof q);
    return converted[use][lane];
  };
  const void* from[kLaneCount];
  const void* to[kLaneCount];
  const void* held[kLaneCount];
  float startTime[kLaneCount], endTime[kLaneCount];
  int32_t interpolated[kLaneCount];
  for (int lane = 0; lane < kLaneCount; ++lane) {
    const int k = places.run ? places.interval[0] + lane : places.interval[lane];
    interpolated[lane] = k >= 0 ? -1 : 0;
    from[lane] = to[lane] = kZeroRecord;
    startTime[lane] = endTime[lane] = 0.0f;
    held[lane] = identityComponents;
    if (k >= 0) {
      const size_t a = static_cast<size_t>(k);
      from[lane] = quaternion(a, 0, lane);
      to[lane] = quaternion(a + 1, 1, lane);
      startTime[lane] = keys[a].time;
      endTime[lane] = keys[a + 1].time;
    } else if (places.held[lane] >= 0) {
      held[lane] = quaternion(static_cast<size_t>(places.held[lane]), 2, lane);
    }
  }
  const Lanes start = {startTime[0], startTime[1], startTime[2], startTime[3]};
  const Lanes end = {endTime[0], endTime[1], endTime[2], endTime[3]};
  Lanes p[4], q[4], heldQuaternion[4], slerped[4];
  LoadTransposed(from, p);
  LoadTransposed(to, q);
  LoadTransposed(held, heldQuaternion);
  const LaneMask curve = {interpolated[0], interpolated[1], interpolated[2], interpolated[3]};
  // +0 at the key's own frame, as the division gives it (see HermiteWeights); +0 as well in a lane
  // outside every interval (start and end 0 there), whose weights are thrown away and so need no
  // runtime call.
  const Lanes t = Select(curve & ~(frame == start), (frame - start) / (end - start), Lanes{});
  SlerpLanes(p, q, t, joint.rotationArc, slerped);
  for (int i = 0; i < 4; ++i) rotation[i] = Select(curve, slerped[i], heldQuaternion[i]);
}

// The slerp of each lane between the quaternions p and q (transposed) that start and end its
// interval, from `start` to `end`.
[[gnu::always_inline]] inline void RotationOnCurve(msJoint& joint, const Lanes p[4], Lanes q[4],
                                                   Lanes start, Lanes end, Lanes frame,
                                                   Lanes rotation[4]) {
  // +0 at the key's own frame, as the division gives it (see HermiteWeights).
  const Lanes t = Select(~(frame == start), (frame - start) / (end - start), Lanes{});
  SlerpLanes(p, q, t, joint.rotationArc, rotation);
}

// InterpolateRotationLanes where every lane is in an interval, interval[lane] its first key, and
// the keys' quaternions were found: each lane's quaternions and times gathered.
[[gnu::noinline]] void RotationGathered(msJoint& joint, const int interval[kLaneCount], Lanes frame,
                                        Lanes rotation[4]) {
  const void* from[kLaneCount];
  const void* to[kLaneCount];
  float startTime[kLaneCount], endTime[kLaneCount];
  for (int lane = 0; lane < kLaneCount; ++lane) {
    const size_t k = static_cast<size_t>(interval[lane]);
    from[lane] = &joint.rotationQuaternions[k];
    to[lane] = &joint.rotationQuaternions[k + 1];
    startTime[lane] = joint.rotationKeys[k].time;
    endTime[lane] = joint.rotationKeys[k + 1].time;
  }
  Lanes p[4], q[4];
  LoadTransposed(from, p);
  LoadTransposed(to, q);
  RotationOnCurve(joint, p, q, LoadLanes(startTime), LoadLanes(endTime), frame, rotation);
}

// The rotation curve at the four frames of `frame`, as InterpolatePositionLanes: spherical
// interpolation between the keys' quaternions, the first or last key's outside them, the
// identity without keys. The weights are found lane by lane where they need the runtime's
// trigonometry.
void InterpolateRotationLanes(msJoint& joint, Lanes frame, Lanes rotation[4]) {
  const std::vector<msKeyframe>& keys = joint.rotationKeys;
  if (keys.empty()) {
    const Quaternion identity;
    const float identityComponents[4] = {identity.x, identity.y, identity.z, identity.w};
    for (int i = 0; i < 4; ++i) rotation[i] = Broadcast(identityComponents[i]);
    return;
  }
  LanePlaces places;
  PlaceLanes(keys, frame, joint.rotationKeysInOrder, joint.rotationHint, places);
  if (joint.rotationQuaternions.size() != keys.size()) {
    RotationOffRun(joint, frame, places, rotation);
  } else if (places.allHeld) {
    const Quaternion& q = joint.rotationQuaternions[static_cast<size_t>(places.held[0])];
    const float components[4] = {q.x, q.y, q.z, q.w};
    for (int i = 0; i < 4; ++i) rotation[i] = Broadcast(components[i]);
  } else if (!places.onCurve) {
    RotationOffRun(joint, frame, places, rotation);
  } else if (places.run) {
    // Quaternions a to a + 4 start and end the four intervals.
    Lanes p[4], q[4];
    LoadIntervalRun(&joint.rotationQuaternions[static_cast<size_t>(places.interval[0])], p, q);
    RotationOnCurve(joint, p, q, places.start, places.end, frame, rotation);
  } else {
    RotationGathered(joint, places.interval, frame, rotation);
  }
}

}  // namespace

void msModel::PoseJointLocal(int index, float frame) {
  if (index < 0 || static_cast<size_t>(index) >= joints.size()) return;
  Matrix34Lanes posed;
  PoseJointLocalLanes(index, Broadcast(frame), posed);
  Matrix34& local = joints[static_cast<size_t>(index)].poseLocal;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) local.m[r][c] = posed.m[r][c][0];
  }
}

void msModel::PoseJointLocalLanes(int index, Lanes frames, Matrix34Lanes& out) {
  msJoint& joint = joints[static_cast<size_t>(index)];
  Lanes position[3], rotation[4];
  InterpolatePositionLanes(joint, frames, position);
  InterpolateRotationLanes(joint, frames, rotation);
  Matrix34Lanes keyTransform;
  WriteQuaternionRotation(rotation[0], rotation[1], rotation[2], rotation[3], keyTransform);
  for (int r = 0; r < 3; ++r) keyTransform.m[r][3] = position[r];
  // The keys act in the joint's rest frame.
  ConcatAffineTo(joint.bindLocal, keyTransform, out);
}

}  // namespace korva
