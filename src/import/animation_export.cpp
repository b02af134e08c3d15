#include "import/animation_export.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>

#include "import/host_space.h"
#include "import/import_text.h"
#include "model/animation.h"
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

void PosedHostKeys(msModel& model, int index, const std::vector<int32_t>& frames, HostKeys& keys) {
  keys.count = frames.size();
  keys.groups.resize((frames.size() + kLaneCount - 1) / kLaneCount);
  // Four frames at a time, each lane worked as one frame alone would be; the last group repeats
  // its last frame where the frames run out (posing depends only on the frame). The groups are
  // posed a batch at a time before their rotations are turned into quaternions: that is a short
  // chain of square roots and divisions, each waiting on the one before, and after a whole pose
  // the processor has nothing else to do meanwhile; the rotations of a batch overlap.
  constexpr size_t kBatchGroups = 8;
  HostMatrixLanes mirrored[kBatchGroups];
  for (size_t batch = 0; batch < keys.groups.size(); batch += kBatchGroups) {
    const size_t groups = std::min(kBatchGroups, keys.groups.size() - batch);
    for (size_t group = 0; group < groups; ++group) {
      HostKeyGroup& out = keys.groups[batch + group];
      const size_t first = (batch + group) * kLaneCount;
      for (size_t lane = 0; lane < kLaneCount; ++lane) {
        out.frame[lane] = frames[std::min(first + lane, frames.size() - 1)];
      }
      // Each lane converted as static_cast<float> converts one frame. A key holds the local
      // transform alone, so the parents need not be posed.
      Matrix34Lanes local;
      model.PoseJointLocalLanes(index, __builtin_convertvector(out.frame, Lanes), local);
      MirrorToHostMatrix(local, mirrored[group]);
      for (int c = 0; c < 3; ++c) out.position[c] = mirrored[group].m[3][c];
    }
    for (size_t group = 0; group < groups; ++group) {
      HostRotationQuaternions(mirrored[group], keys.groups[batch + group].rotation);
    }
  }
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
  HostKeys keys;
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
