// The reader's animation set: every animation of the asset (or the one `--animation` names) as a
// clip of one timeline, one track per node that any of them moves.
//
// Clip i plays its animation's times 0 to T(i), its last key's time, as frames S(i) to
// S(i) + L(i), L(i) = T(i) x fps rounded up; clip i + 1 starts at S(i) + L(i) + 1, so that no
// whole frame blends two clips. Every track holds position, rotation and scale keys at the same
// frames in every clip (the node's rest transform for what a clip does not move), so it plays
// alike whether the host keeps a frame's own parts where a track has no keys of a kind or builds
// each frame from its keys alone. A track's keys in a clip lie where the host's straight lines
// between keys meet glTF's curves at every whole frame: the keys of linear curves on whole
// frames, every frame where a curve steps, is a spline or has keys between frames, and the clip's
// first and last frames.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "gltf/build/gltf_importer.h"
#include "gltf/build/gltf_key_curve.h"
#include "gltf/read/gltf_accessor_read.h"
#include "model/animation.h"
#include "model/host_heap.h"
#include "model/object.h"

namespace korva::gltf {

// Where the keys of one track go: position, rotation and scale keys at the same frames.
struct KeyArrays {
  sPositionKey* positions;
  sRotateKey* rotations;
  sScaleKey* scales;
};

// A track's keys of every kind, from HostAllocate; freed unless handed to a track.
class TrackKeys {
 public:
  TrackKeys() = default;
  TrackKeys(TrackKeys&& other) noexcept { *this = std::move(other); }
  TrackKeys& operator=(TrackKeys&& other) noexcept {
    std::swap(keys_, other.keys_);
    std::swap(count_, other.count_);
    return *this;
  }
  ~TrackKeys() { Free(); }

  // Room for `count` keys of each kind (at least one), every field of which the caller writes.
  KeyArrays Allocate(size_t count) {
    Free();
    keys_.positions = static_cast<sPositionKey*>(HostAllocate(count * sizeof(sPositionKey)));
    keys_.rotations = static_cast<sRotateKey*>(HostAllocate(count * sizeof(sRotateKey)));
    keys_.scales = static_cast<sScaleKey*>(HostAllocate(count * sizeof(sScaleKey)));
    count_ = count;
    if (!keys_.positions || !keys_.rotations || !keys_.scales) {
      Free();
      throw std::bad_alloc();
    }
    return keys_;
  }
  size_t count() const { return count_; }
  const KeyArrays& keys() const { return keys_; }
  // Hands the keys to `track`.
  void MoveInto(sAnimation* track) {
    track->positionKeyCount = track->rotationKeyCount = track->scaleKeyCount =
        static_cast<int32_t>(count_);
    track->positionKeys = std::exchange(keys_.positions, nullptr);
    track->rotationKeys = std::exchange(keys_.rotations, nullptr);
    track->scaleKeys = std::exchange(keys_.scales, nullptr);
    count_ = 0;
  }

 private:
  void Free() {
    HostFree(keys_.positions);
    HostFree(keys_.rotations);
    HostFree(keys_.scales);
    keys_ = {nullptr, nullptr, nullptr};
    count_ = 0;
  }

  KeyArrays keys_{nullptr, nullptr, nullptr};
  size_t count_ = 0;
};

struct ClipTrack {
  int node;
  TrackKeys keys;
};

namespace {

// What one frame of a track costs, as the budget counts it: a key of each kind and the frame.
constexpr uint64_t kFrameBytes =
    sizeof(sPositionKey) + sizeof(sRotateKey) + sizeof(sScaleKey) + sizeof(int32_t);

enum Path { kTranslation, kRotation, kScale, kPaths };

Path PathNamed(const std::string& name) {
  return name == "translation" ? kTranslation
         : name == "rotation"  ? kRotation
         : name == "scale"     ? kScale
                               : kPaths;
}

// The per-frame step from one key to the next, as the host adds it between keys.
D3DXVECTOR3 Step(const D3DXVECTOR3& from, const D3DXVECTOR3& to, int32_t frames) {
  const float span = static_cast<float>(frames);
  return {(to.x - from.x) / span, (to.y - from.y) / span, (to.z - from.z) / span};
}

std::array<double, 3> Vector3(const std::array<double, 4>& v) {
  return {v[0], v[1], v[2]};
}

// The node's keys at `count` frames of a clip that starts at `start`: each path's curve where the
// clip has one, its rest value otherwise.
void FillKeys(int32_t start, const int32_t* frames, size_t count, KeyCurve* const paths[kPaths],
              const Trs& rest, const KeyArrays& keys) {
  const D3DXVECTOR3 restPosition = HostPoint(rest.translation);
  const D3DXQUATERNION restRotation = HostQuaternion(rest.rotation);
  const D3DXVECTOR3 restScale = HostScale(rest.scale);
  // A curve whose own keys are all the frames gives its key values as they are.
  const float* own[kPaths] = {};
  for (int path = 0; path < kPaths; ++path) {
    const KeyCurve* curve = paths[path];
    if (curve && curve->onWholeFrames() && curve->KeyFrameCount() == count)
      own[path] = curve->KeyValues();
  }
  const auto point = [&](int path, size_t k, int32_t frame) -> std::array<double, 3> {
    if (const float* v = own[path]) return {v[3 * k], v[3 * k + 1], v[3 * k + 2]};
    return Vector3(paths[path]->At(frame));
  };
  for (size_t k = 0; k < count; ++k) {
    const int32_t frame = frames[k];
    sPositionKey& position = keys.positions[k];
    position.frame = start + frame;
    position.position =
        paths[kTranslation] ? HostPoint(point(kTranslation, k, frame)) : restPosition;
    position.step = {0, 0, 0};
    sRotateKey& rotation = keys.rotations[k];
    rotation.frame = start + frame;
    if (const float* v = own[kRotation]) {
      v += 4 * k;
      rotation.rotation = HostQuaternion(NormalizeQuaternion({v[0], v[1], v[2], v[3]}));
    } else {
      rotation.rotation = paths[kRotation]
                              ? HostQuaternion(NormalizeQuaternion(paths[kRotation]->At(frame)))
                              : restRotation;
    }
    sScaleKey& scale = keys.scales[k];
    scale.frame = start + frame;
    scale.scale = paths[kScale] ? HostScale(point(kScale, k, frame)) : restScale;
    scale.step = {0, 0, 0};
  }
  // A stepped curve holds its value until the next key; a rest value never changes.
  for (size_t k = 0; k + 1 < count; ++k) {
    const int32_t span = frames[k + 1] - frames[k];
    if (paths[kTranslation] && !paths[kTranslation]->stepped()) {
      keys.positions[k].step =
          Step(keys.positions[k].position, keys.positions[k + 1].position, span);
    }
    if (paths[kScale] && !paths[kScale]->stepped())
      keys.scales[k].step = Step(keys.scales[k].scale, keys.scales[k + 1].scale, span);
  }
}

// The keys from `from` to the end of `to`, `at` keys in.
void CopyKeys(const TrackKeys& from, const KeyArrays& to, size_t at) {
  std::memcpy(to.positions + at, from.keys().positions, from.count() * sizeof(sPositionKey));
  std::memcpy(to.rotations + at, from.keys().rotations, from.count() * sizeof(sRotateKey));
  std::memcpy(to.scales + at, from.keys().scales, from.count() * sizeof(sScaleKey));
}

// `name` cut to at most `room` bytes, never inside a UTF-8 sequence.
std::string CutText(std::string name, size_t room) {
  if (name.size() <= room) return name;
  size_t end = room;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  name.resize(end);
  return name;
}

}  // namespace

std::vector<size_t> Importer::ChosenAnimations() {
  const auto& animations = document_.animations;
  std::vector<size_t> all(animations.size());
  for (size_t a = 0; a < all.size(); ++a) all[a] = a;
  const std::string& text = options_.animation;
  if (text.empty()) return all;
  size_t chosen = animations.size();
  for (size_t a = 0; a < animations.size() && chosen == animations.size(); ++a) {
    if (animations[a].name == text) chosen = a;
  }
  if (chosen == animations.size() && text.size() < 10 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    chosen = std::stoul(text);
  }
  if (chosen >= animations.size()) {
    Fail("has no animation named or numbered \"" + text + "\" (it has " +
         std::to_string(animations.size()) + ")");
  }
  if (animations.size() > 1) {
    Warn("animation " + std::to_string(chosen) + " read; the other " +
         std::to_string(animations.size() - 1) + " are left out (--animation chooses)");
  }
  return {chosen};
}

Trs Importer::RestOf(int node) {
  const auto known = restOfNode_.find(node);
  if (known != restOfNode_.end()) return known->second;
  Trs trs;
  if (!NodeTrs(document_.nodes[static_cast<size_t>(node)], &trs)) {
    Warn("nodes[" + std::to_string(node) +
         "] is animated, but its matrix is not translation, rotation and scale; what its "
         "channels leave out is taken as no move, no turn and scale 1");
    trs = Trs();
  }
  return restOfNode_[node] = trs;
}

bool Importer::BuildClip(size_t index, int32_t start, AnimationClip* clip,
                         std::vector<ClipTrack>* tracks) {
  const doc::Animation& animation = document_.animations[index];
  const std::string where = "animations[" + std::to_string(index) + "]";
  const double fps = options_.framesPerSecond;
  const auto labelOf = [&](size_t c) { return where + ".channels[" + std::to_string(c) + "]"; };

  // First the channels that move frames, per node in the order of its first channel, and the
  // clip's length from their last key times; then each node's curves, read together.
  struct Moved {
    int node;
    int channels[kPaths];
  };
  std::vector<Moved> moved;
  std::vector<size_t> slotOfNode(frameOfNode_.size(), SIZE_MAX);
  std::vector<double> lastTimes(animation.channels.size(), 0.0);
  for (size_t c = 0; c < animation.channels.size(); ++c) {
    const doc::AnimationChannel& channel = animation.channels[c];
    if (channel.path == "weights") {
      ++morphChannels_;
      continue;
    }
    const Path path = PathNamed(channel.path);
    if (path == kPaths) {
      Warn(labelOf(c) + " animates \"" + channel.path + "\", which the host has not; left out");
      continue;
    }
    if (channel.node < 0 || static_cast<size_t>(channel.node) >= frameOfNode_.size() ||
        !frameOfNode_[static_cast<size_t>(channel.node)]) {
      Warn(labelOf(c) + " animates no frame of the scene; left out");
      continue;
    }
    if (channel.sampler < 0 || static_cast<size_t>(channel.sampler) >= animation.samplers.size()) {
      Fail(labelOf(c) + " names a sampler that does not exist");
    }
    // The last key time as the curve will read it; a sampler that does not read fails below.
    FloatElements times;
    std::string error;
    const int input = animation.samplers[static_cast<size_t>(channel.sampler)].input;
    if (!LocateFloats(document_, input, 1, &times, &error)) Fail(labelOf(c) + ": " + error);
    if (times.count > 0) {
      float element[4];  // Read's widest copy
      times.Read(times.count - 1, element);
      const double last = element[0];
      if (last > 0 && last * fps > double(INT32_MAX - 1))
        Fail(labelOf(c) + ": a key time is past the frames the host counts");
      if (last > 0) lastTimes[c] = last;
    }
    size_t& slot = slotOfNode[static_cast<size_t>(channel.node)];
    if (slot == SIZE_MAX) {
      slot = moved.size();
      moved.push_back({channel.node, {-1, -1, -1}});
    }
    int& kept = moved[slot].channels[path];
    if (kept >= 0)
      Warn(labelOf(c) + ": a second " + channel.path +
           " channel for its node; the later one is kept");
    kept = static_cast<int>(c);
  }
  if (moved.empty()) return false;

  int32_t length = 0;
  for (const Moved& node : moved) {
    for (const int c : node.channels) {
      if (c < 0) continue;
      const double end = std::ceil(lastTimes[static_cast<size_t>(c)] * fps - kWholeFrameTolerance);
      length = std::max(length, static_cast<int32_t>(std::max(0.0, end)));
    }
  }
  if (int64_t{start} + length > INT32_MAX - 1)
    Fail(where + ": the animations together run past the frames the host counts");

  KeyCurve curves[kPaths];
  std::vector<int32_t> frames, more, merged;
  for (const Moved& node : moved) {
    KeyCurve* paths[kPaths] = {};
    frames.assign(1, 0);
    for (int path = 0; path < kPaths; ++path) {
      const int c = node.channels[path];
      if (c < 0) continue;
      const doc::AnimationSampler& sampler =
          animation
              .samplers[static_cast<size_t>(animation.channels[static_cast<size_t>(c)].sampler)];
      NoteStride(sampler.input, "key times");
      NoteStride(sampler.output, "key values");
      KeyCurve& curve = curves[path];
      std::string error;
      if (!curve.Read(document_, sampler, path == kRotation ? 4 : 3, fps, &error))
        Fail(labelOf(size_t(c)) + ": " + error);
      if (!Fits(curve.KeyFrameCount() * kFrameBytes)) {
        FailOverBudget(labelOf(size_t(c)) +
                       (curve.onWholeFrames() ? "" : ": sampled at every frame, it"));
      }
      paths[path] = &curve;
      more.clear();
      curve.AppendKeyFrames(&more);
      // Curves of one node mostly share their key times: then the frames are the first's.
      if (frames.size() == 1 && more.front() == 0) {
        frames.swap(more);
      } else if (more != frames) {
        merged.clear();
        std::set_union(frames.begin(), frames.end(), more.begin(), more.end(),
                       std::back_inserter(merged));
        frames.swap(merged);
      }
    }
    // Every curve ends at or before the clip's last frame (its end frame is worked out alike).
    if (frames.back() < length) frames.push_back(length);
    tracks->push_back({node.node, {}});
    const KeyArrays keys = tracks->back().keys.Allocate(frames.size());
    FillKeys(start, frames.data(), frames.size(), paths, RestOf(node.node), keys);
  }
  clip->name = animation.name.empty() ? "animation" + std::to_string(index) : animation.name;
  clip->animation = index;
  clip->firstFrame = start;
  clip->lastFrame = start + length;
  return true;
}

void Importer::BuildAnimation() {
  if (document_.animations.empty()) {
    if (!options_.animation.empty())
      Fail("has no animation, so none named \"" + options_.animation + "\"");
    return;
  }
  // Each clip's tracks, ordered by the set's tracks: one per node that any clip moves, in the
  // order of the clips and, within a clip, of each node's first channel.
  std::vector<AnimationClip> clips;
  std::vector<std::vector<ClipTrack>> clipTracks;
  std::vector<int> trackNodes;
  std::vector<size_t> trackOfNode(frameOfNode_.size(), SIZE_MAX);
  int32_t start = 0;
  for (const size_t index : ChosenAnimations()) {
    AnimationClip clip;
    std::vector<ClipTrack> tracks;
    if (!BuildClip(index, start, &clip, &tracks)) {
      Warn("animations[" + std::to_string(index) + "] moves no frame of the scene; left out");
      continue;
    }
    for (const ClipTrack& track : tracks) {
      size_t& number = trackOfNode[static_cast<size_t>(track.node)];
      if (number == SIZE_MAX) {
        number = trackNodes.size();
        trackNodes.push_back(track.node);
      }
    }
    std::sort(tracks.begin(), tracks.end(), [&](const ClipTrack& a, const ClipTrack& b) {
      return trackOfNode[static_cast<size_t>(a.node)] < trackOfNode[static_cast<size_t>(b.node)];
    });
    start = clip.lastFrame + 1;
    clips.push_back(std::move(clip));
    clipTracks.push_back(std::move(tracks));
  }
  if (morphChannels_ > 0) {
    Warn(std::to_string(morphChannels_) +
         " morph target weight channels dropped (the host has no morph targets)");
  }
  if (trackNodes.empty()) return;

  // Each track over the whole timeline: its keys in each clip, or its rest value at the clip's
  // first and last frames where the clip does not move its node. One clip's keys are the track's.
  std::vector<TrackKeys> joined(trackNodes.size());
  if (clips.size() == 1) {
    for (size_t t = 0; t < joined.size(); ++t) joined[t] = std::move(clipTracks[0][t].keys);
  } else {
    // Per clip, the index of its first track not yet joined (a clip's tracks are in track order).
    std::vector<size_t> next(clips.size(), 0);
    const auto keysOf = [&](size_t c, size_t t) -> const TrackKeys* {
      const std::vector<ClipTrack>& tracks = clipTracks[c];
      const size_t at = next[c];
      if (at >= tracks.size() || trackOfNode[static_cast<size_t>(tracks[at].node)] != t)
        return nullptr;
      ++next[c];
      return &tracks[at].keys;
    };
    const auto restFrames = [&](size_t c) -> size_t {
      return clips[c].lastFrame > clips[c].firstFrame ? 2 : 1;
    };
    std::vector<size_t> counts(joined.size(), 0);
    uint64_t frames = 0;
    for (size_t t = 0; t < joined.size(); ++t) {
      for (size_t c = 0; c < clips.size(); ++c) {
        const TrackKeys* own = keysOf(c, t);
        counts[t] += own ? own->count() : restFrames(c);
      }
      frames += counts[t];
    }
    Charge(frames * kFrameBytes, "the clips, joined into one timeline,");
    std::fill(next.begin(), next.end(), 0);
    KeyCurve* const none[kPaths] = {};
    for (size_t t = 0; t < joined.size(); ++t) {
      const KeyArrays keys = joined[t].Allocate(counts[t]);
      const Trs rest = RestOf(trackNodes[t]);
      size_t at = 0;
      for (size_t c = 0; c < clips.size(); ++c) {
        const size_t first = at;
        if (const TrackKeys* own = keysOf(c, t)) {
          CopyKeys(*own, keys, at);
          at += own->count();
        } else {
          const int32_t ends[] = {0, clips[c].lastFrame - clips[c].firstFrame};
          const KeyArrays to{keys.positions + at, keys.rotations + at, keys.scales + at};
          FillKeys(clips[c].firstFrame, ends, restFrames(c), none, rest, to);
          at += restFrames(c);
        }
        // The last key of the clip before leads on to this clip's first, a frame later.
        if (first > 0) {
          const size_t k = first - 1;
          const int32_t span = keys.positions[k + 1].frame - keys.positions[k].frame;
          keys.positions[k].step =
              Step(keys.positions[k].position, keys.positions[k + 1].position, span);
          keys.scales[k].step = Step(keys.scales[k].scale, keys.scales[k + 1].scale, span);
        }
      }
    }
  }

  sAnimationSet* set = NewAnimationSet();
  if (!set) throw std::bad_alloc();
  object_->animationSet = set;
  std::string name;
  for (const AnimationClip& clip : clips) name += (name.empty() ? "" : ", ") + clip.name;
  name = CutText(name, sizeof set->name - 1);
  std::memcpy(set->name, name.data(), name.size());
  set->length = clips.back().lastFrame;
  sAnimation** link = &set->firstTrack;
  for (size_t t = 0; t < joined.size(); ++t) {
    sAnimation* track = NewAnimation();
    if (!track) throw std::bad_alloc();
    *link = track;
    link = &track->next;
    const std::string& frameName = nameOfNode_[static_cast<size_t>(trackNodes[t])];
    std::memcpy(track->name, frameName.data(), std::min(frameName.size(), sizeof track->name - 1));
    joined[t].MoveInto(track);
  }
  out_->clips = std::move(clips);
}

}  // namespace korva::gltf
