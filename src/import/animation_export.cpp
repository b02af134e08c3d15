#include "import/animation_export.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>

#include "import/host_space.h"
#include "import/import_text.h"
#include "model/animation.h"
#include "model/host_heap.h"
#include "model/object.h"

namespace korva::import {

int32_t WholeFrame(float time) {
  // Within the int32 range (never for a NaN, which fails both comparisons).
  if (time > -2147483648.0f && time < 2147483647.0f) {
    // Key times are mostly whole already; they are their own frame without a call to round.
    const int32_t truncated = static_cast<int32_t>(time);
    if (static_cast<float>(truncated) == time) return truncated;
    const float nearest = std::round(time);
    if (std::fabs(time - nearest) <= 0.001f) return static_cast<int32_t>(nearest);
    return truncated;
  }
  if (std::isnan(time)) return 0;
  return time > 0.0f ? INT32_MAX : INT32_MIN;
}

namespace {

// Whether the keys' frames never decrease and each is among `frames` (ascending, each once): one
// walk of both, with no copy of the key frames.
bool InOrderAmong(const std::vector<msKeyframe>& keys, const std::vector<int32_t>& frames) {
  size_t at = 0;
  for (const msKeyframe& key : keys) {
    const int32_t frame = WholeFrame(key.time);
    // A frame below the one before it finds frames[at] above it.
    while (at < frames.size() && frames[at] < frame) ++at;
    if (at == frames.size() || frames[at] != frame) return false;
  }
  return true;
}

uint32_t TimeBits(const msKeyframe& key) {
  uint32_t bits;
  std::memcpy(&bits, &key.time, sizeof bits);
  return bits;
}

// Whether both arrays hold the same key times, bit for bit: one comparison a key, where finding
// each key's whole frame among the frames takes several.
bool SameTimes(const std::vector<msKeyframe>& keys, const std::vector<msKeyframe>& other) {
  if (keys.size() != other.size()) return false;
  size_t k = 0;
  // Four keys at a time: each key loaded whole, its first field (the time) compared as bits.
  for (; k + kLaneCount <= keys.size(); k += kLaneCount) {
    LaneMask same = {-1, -1, -1, -1};
    for (size_t i = k; i < k + kLaneCount; ++i) {
      same &= (LaneMask)LoadLanes(&keys[i]) == (LaneMask)LoadLanes(&other[i]);
    }
    if (!(same[0] & 1)) return false;
  }
  for (; k < keys.size(); ++k) {
    if (TimeBits(keys[k]) != TimeBits(other[k])) return false;
  }
  return true;
}

}  // namespace

std::vector<int32_t> ModelKeyFrames(const msModel& model) {
  // Joints mostly share their key frames and keep their keys in time order, so merging each key
  // array into the frames so far costs far less than sorting every key of the model.
  std::vector<int32_t> frames, arrayFrames, merged;
  // The last array whose frames are all among `frames`: the next one mostly has its times.
  const std::vector<msKeyframe>* among = nullptr;
  for (const msJoint& joint : model.joints) {
    for (const std::vector<msKeyframe>* keys : {&joint.rotationKeys, &joint.positionKeys}) {
      // Most arrays bring no frame that is not there already.
      if (among && SameTimes(*keys, *among)) continue;
      among = keys;
      if (InOrderAmong(*keys, frames)) continue;
      arrayFrames.clear();
      arrayFrames.reserve(keys->size());
      for (const msKeyframe& key : *keys) arrayFrames.push_back(WholeFrame(key.time));
      if (!std::is_sorted(arrayFrames.begin(), arrayFrames.end())) {
        std::sort(arrayFrames.begin(), arrayFrames.end());
      }
      merged.clear();
      merged.reserve(frames.size() + arrayFrames.size());
      std::set_union(frames.begin(), frames.end(), arrayFrames.begin(), arrayFrames.end(),
                     std::back_inserter(merged));
      merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
      frames.swap(merged);
    }
  }
  return frames;
}

void PosedHostKeys(msModel& model, int index, const std::vector<int32_t>& frames,
                   std::vector<HostKey>& keys) {
  keys.resize(frames.size());
  // Four frames at a time, each lane worked as one frame alone would be; the last group repeats
  // its last frame where the frames run out (posing depends only on the frame). The groups are
  // posed a batch at a time before their rotations are turned into quaternions: that is a short
  // chain of square roots and divisions, each waiting on the one before, and after a whole pose
  // the processor has nothing else to do meanwhile; the rotations of a batch overlap.
  constexpr size_t kBatchGroups = 8;
  HostMatrixLanes mirrored[kBatchGroups];
  LaneMask laneFrames[kBatchGroups];
  for (size_t batch = 0; batch < frames.size(); batch += kBatchGroups * kLaneCount) {
    size_t groups = 0;
    for (size_t first = batch; first < frames.size() && groups < kBatchGroups;
         first += kLaneCount, ++groups) {
      int32_t frame[kLaneCount];
      for (size_t lane = 0; lane < kLaneCount; ++lane) {
        frame[lane] = frames[std::min(first + lane, frames.size() - 1)];
      }
      laneFrames[groups] = LaneMask{frame[0], frame[1], frame[2], frame[3]};
      // Each lane converted as static_cast<float> converts one frame. A key holds the local
      // transform alone, so the parents need not be posed.
      Matrix34Lanes local;
      model.PoseJointLocalLanes(index, __builtin_convertvector(laneFrames[groups], Lanes), local);
      MirrorToHostMatrix(local, mirrored[groups]);
    }
    for (size_t group = 0; group < groups; ++group) {
      const size_t first = batch + group * kLaneCount;
      D3DXQUATERNION rotations[kLaneCount];
      HostRotationQuaternions(mirrored[group], rotations);
      // Each lane's frame and position as one record of four 32-bit fields, stored whole (the
      // frame's bits are moved, never computed on).
      const HostMatrixLanes& m = mirrored[group];
      Lanes head[4] = {(Lanes)laneFrames[group], m.m[3][0], m.m[3][1], m.m[3][2]};
      Transpose(head);
      const size_t count = std::min<size_t>(kLaneCount, frames.size() - first);
      for (size_t lane = 0; lane < count; ++lane) {
        StoreLanes(head[lane], &keys[first + lane]);
        keys[first + lane].rotation = rotations[lane];
      }
    }
  }
}

bool FillTrackKeys(sAnimation* track, const std::vector<HostKey>& keys, int32_t totalFrames) {
  if (keys.empty()) return true;
  const bool holdToEnd = keys.back().frame < totalFrames;
  const size_t n = keys.size() + (holdToEnd ? 1 : 0);
  // Every field of every key is written below, so the arrays need no clearing.
  auto* positions = static_cast<sPositionKey*>(HostAllocate(n * sizeof(sPositionKey)));
  auto* rotations = static_cast<sRotateKey*>(HostAllocate(n * sizeof(sRotateKey)));
  if (!positions || !rotations) {
    HostFree(positions);
    HostFree(rotations);
    return false;
  }
  const size_t count = keys.size();
  Lanes previous = LoadLanes(&keys.front().rotation);
  // Key k at `frame` with the pose of `key`, whose frame and position are `head` (its first four
  // fields, loaded whole); its position steps by `step` (lanes 1 to 3).
  const auto write = [&](size_t k, const HostKey& key, int32_t frame, Lanes head, Lanes step) {
    Lanes rotation = LoadLanes(&key.rotation);
    // q and -q are the same rotation; the one nearer the previous key interpolates the short way
    // whether or not the player checks. The products in lanes, summed in the order x, y, z, w.
    const Lanes product = rotation * previous;
    if (((product[0] + product[1]) + product[2]) + product[3] < 0.0f) rotation = -rotation;
    previous = rotation;
    rotations[k].frame = frame;
    StoreLanes(rotation, &rotations[k].rotation);
    StoreLanes(head, &positions[k]);  // the frame and the position
    positions[k].frame = frame;
    positions[k].step = {step[1], step[2], step[3]};
  };
  // Lanes 1 to 3 of a key's first run of fields, its position (lane 0, the frame, is cleared: its
  // bits are no number to compute on).
  const LaneMask positionLanes = {0, -1, -1, -1};
  Lanes head = LoadLanes(&keys.front());
  for (size_t k = 0; k + 1 < count; ++k) {
    const HostKey& key = keys[k];
    const HostKey& next = keys[k + 1];
    const Lanes nextHead = LoadLanes(&next);
    // The span of two whole frames is exact in double and rounds to float once.
    const float frames =
        static_cast<float>(static_cast<double>(next.frame) - static_cast<double>(key.frame));
    // The three components at once, each divided as it would be alone.
    const Lanes step =
        (Select(positionLanes, nextHead, Lanes{}) - Select(positionLanes, head, Lanes{})) / frames;
    write(k, key, key.frame, head, step);
    head = nextHead;
  }
  write(count - 1, keys.back(), keys.back().frame, head, Lanes{});
  if (holdToEnd) write(count, keys.back(), totalFrames, head, Lanes{});
  track->positionKeys = positions;
  track->rotationKeys = rotations;
  track->positionKeyCount = static_cast<int32_t>(n);
  track->rotationKeyCount = static_cast<int32_t>(n);
  return true;
}

bool BuildAnimationSet(sObject* object, msModel* model, const std::vector<int32_t>* keyFrames) {
  if (!object) {
    ShowInfo("Null DBO Object");
    return false;
  }
  if (!model) {
    ShowInfo("Null MS3D Object");
    return false;
  }
  sAnimationSet* set = NewAnimationSet();
  if (!set) return false;
  DeleteAnimationSets(object->animationSet);
  object->animationSet = set;
  set->length = model->totalFrames;
  ShowInfo("Total Frames: " + std::to_string(model->totalFrames));
  CopyHostName(set->name, "AnimationSet0");

  std::vector<int32_t> found;
  if (!keyFrames) found = ModelKeyFrames(*model);
  const std::vector<int32_t>& frames = keyFrames ? *keyFrames : found;
  std::vector<HostKey> keys;
  // One joint's key curves at a time, in storage that every joint reuses: found for all joints at
  // once they took as much memory as the keys, every page of it fresh.
  std::vector<msTangent> tangents;
  std::vector<Quaternion> quaternions;
  // Each new track becomes the set's first, so the set walks the joints from the last to the
  // first; a track is linked as soon as it exists, so the set owns everything made so far.
  bool complete = true;
  for (size_t j = 0; j < model->joints.size(); ++j) {
    msJoint& joint = model->joints[j];
    sAnimation* track = NewAnimation();
    if (!track) {
      complete = false;
      break;
    }
    CopyNameField(track->name, joint.name, kMsNameSize);
    track->next = set->firstTrack;
    set->firstTrack = track;
    if (joint.rotationKeys.empty() && joint.positionKeys.empty()) continue;
    joint.tangents.swap(tangents);
    joint.rotationQuaternions.swap(quaternions);
    msModel::ComputeKeyCurves(joint);
    PosedHostKeys(*model, static_cast<int>(j), frames, keys);
    joint.tangents.swap(tangents);
    joint.rotationQuaternions.swap(quaternions);
    // Posing a joint reads only its own keys and curves, so they are of no more use now; released
    // before its track's arrays are allocated, they give those arrays memory, not fresh pages.
    std::vector<msKeyframe>().swap(joint.rotationKeys);
    std::vector<msKeyframe>().swap(joint.positionKeys);
    std::vector<msTangent>().swap(joint.tangents);
    std::vector<Quaternion>().swap(joint.rotationQuaternions);
    if (!FillTrackKeys(track, keys, model->totalFrames)) complete = false;
  }
  ShowInfo("Done Loading MilkShape Animation");
  return complete;
}

}  // namespace korva::import
