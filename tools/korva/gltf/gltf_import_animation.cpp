// The reader's animation set: one glTF animation, one track per animated node. Keys of linear
// curves that fall on whole frames are kept as they are; other curves (step, cubic spline, keys
// between frames) are sampled at every whole frame from the first key's to the first at or after
// the last key, which the host then plays in straight lines.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "gltf/gltf_accessor_read.h"
#include "gltf/gltf_importer.h"
#include "model/animation.h"
#include "model/host_heap.h"
#include "model/object.h"

namespace korva::gltf {
namespace {

constexpr double kWholeFrameTolerance = 1e-3;

struct Curve {
  std::vector<float> times;
  std::vector<float> values;  // components per key; cubic splines: in-tangent, value, out-tangent
  size_t components = 3;
  std::string interpolation;
  bool cubic = false;  // three values a key: in-tangent, value, out-tangent
  bool step = false;
};

// A key as the reader once made it (a frame and four doubles); what the memory budget charges per
// key stays in its terms.
struct Key {
  int32_t frame;
  std::array<double, 4> value;
};

// The host's keys of one path of one node, held until a track takes them.
class HeldKeys {
 public:
  HeldKeys() = default;
  HeldKeys(HeldKeys&& other) noexcept { *this = std::move(other); }
  HeldKeys& operator=(HeldKeys&& other) noexcept {
    if (this != &other) {
      HostFree(keys_);
      keys_ = std::exchange(other.keys_, nullptr);
      count_ = std::exchange(other.count_, 0);
      lastFrame_ = other.lastFrame_;
    }
    return *this;
  }
  ~HeldKeys() { HostFree(keys_); }

  // Takes `count` keys (at least one) from HostAllocate, the last at `lastFrame`.
  void Hold(void* keys, size_t count, int32_t lastFrame) {
    HostFree(keys_);
    keys_ = keys;
    count_ = count;
    lastFrame_ = lastFrame;
  }
  bool empty() const { return count_ == 0; }
  int32_t count() const { return static_cast<int32_t>(count_); }
  int32_t lastFrame() const { return lastFrame_; }
  // The keys, no longer held.
  template <typename T>
  T* Release() {
    count_ = 0;
    return static_cast<T*>(std::exchange(keys_, nullptr));
  }

 private:
  void* keys_ = nullptr;
  size_t count_ = 0;
  int32_t lastFrame_ = 0;
};

std::array<double, 4> ValueAt(const Curve& curve, size_t key, size_t slot) {
  std::array<double, 4> out{0, 0, 0, 0};
  const size_t per = curve.cubic ? 3 : 1;
  const float* from = &curve.values[(key * per + slot) * curve.components];
  for (size_t c = 0; c < curve.components; ++c) out[c] = from[c];
  return out;
}

// The curve's value at time t, clamped to its first and last keys.
std::array<double, 4> Evaluate(const Curve& curve, double t) {
  const bool cubic = curve.cubic;
  const size_t valueSlot = cubic ? 1 : 0;
  const auto& times = curve.times;
  const size_t after =
      static_cast<size_t>(std::upper_bound(times.begin(), times.end(), t) - times.begin());
  if (after == 0) return ValueAt(curve, 0, valueSlot);
  if (after >= times.size()) return ValueAt(curve, times.size() - 1, valueSlot);
  const size_t k = after - 1;
  if (curve.step) return ValueAt(curve, k, 0);
  const double span = double(times[k + 1]) - times[k];
  const double u = span > 0 ? (t - times[k]) / span : 0.0;
  std::array<double, 4> a = ValueAt(curve, k, valueSlot), b = ValueAt(curve, k + 1, valueSlot);
  std::array<double, 4> out{0, 0, 0, 0};
  if (cubic) {
    const std::array<double, 4> outTangent = ValueAt(curve, k, 2),
                                inTangent = ValueAt(curve, k + 1, 0);
    const double u2 = u * u, u3 = u2 * u;
    for (size_t c = 0; c < 4; ++c) {
      out[c] = (2 * u3 - 3 * u2 + 1) * a[c] + (u3 - 2 * u2 + u) * span * outTangent[c] +
               (-2 * u3 + 3 * u2) * b[c] + (u3 - u2) * span * inTangent[c];
    }
  } else if (curve.components == 4) {
    double cosine = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
    if (cosine < 0) {
      cosine = -cosine;
      for (double& c : b) c = -c;
    }
    double wa = 1 - u, wb = u;
    if (cosine < 0.9999) {
      const double angle = std::acos(cosine);
      wa = std::sin((1 - u) * angle) / std::sin(angle);
      wb = std::sin(u * angle) / std::sin(angle);
    }
    for (size_t c = 0; c < 4; ++c) out[c] = wa * a[c] + wb * b[c];
  } else {
    for (size_t c = 0; c < 3; ++c) out[c] = a[c] + u * (b[c] - a[c]);
  }
  return out;
}

// Room for `count` keys, every field of which the caller writes.
template <typename T>
T* NewKeys(size_t count) {
  T* keys = static_cast<T*>(HostAllocate(std::max<size_t>(count, 1) * sizeof(T)));
  if (!keys) throw std::bad_alloc();
  return keys;
}

// The per-frame step from each key to the next, as the host adds it between keys.
D3DXVECTOR3 Step(const D3DXVECTOR3& from, const D3DXVECTOR3& to, int32_t frames) {
  const float span = static_cast<float>(frames);
  return {(to.x - from.x) / span, (to.y - from.y) / span, (to.z - from.z) / span};
}

// The host's keys of `path` (0 translation, 1 rotation, 2 scale): `count` keys (at least one),
// key k at frame frameOf(k) with the glTF value valueOf(k). Stepped keys hold their value until
// the next, so they have no step.
template <typename FrameOf, typename ValueOf>
HeldKeys MakeHostKeys(int path, size_t count, bool stepped, FrameOf frameOf, ValueOf valueOf) {
  HeldKeys held;
  const int32_t lastFrame = frameOf(count - 1);
  if (path == 0) {
    sPositionKey* keys = NewKeys<sPositionKey>(count);
    held.Hold(keys, count, lastFrame);
    for (size_t k = 0; k < count; ++k) {
      const std::array<double, 4> value = valueOf(k);
      keys[k].frame = frameOf(k);
      keys[k].position = HostPoint({value[0], value[1], value[2]});
      keys[k].step = {0, 0, 0};
    }
    for (size_t k = 0; k + 1 < count && !stepped; ++k) {
      keys[k].step =
          Step(keys[k].position, keys[k + 1].position, keys[k + 1].frame - keys[k].frame);
    }
  } else if (path == 1) {
    sRotateKey* keys = NewKeys<sRotateKey>(count);
    held.Hold(keys, count, lastFrame);
    for (size_t k = 0; k < count; ++k) {
      keys[k].frame = frameOf(k);
      keys[k].rotation = HostQuaternion(NormalizeQuaternion(valueOf(k)));
    }
  } else {
    sScaleKey* keys = NewKeys<sScaleKey>(count);
    held.Hold(keys, count, lastFrame);
    for (size_t k = 0; k < count; ++k) {
      const std::array<double, 4> value = valueOf(k);
      keys[k].frame = frameOf(k);
      keys[k].scale = {float(value[0]), float(value[1]), float(value[2])};
      keys[k].step = {0, 0, 0};
    }
    for (size_t k = 0; k + 1 < count && !stepped; ++k) {
      keys[k].step = Step(keys[k].scale, keys[k + 1].scale, keys[k + 1].frame - keys[k].frame);
    }
  }
  return held;
}

}  // namespace

void Importer::BuildAnimation() {
  const auto& animations = document_.animations;
  if (animations.empty()) {
    if (!options_.animation.empty())
      Fail("has no animation, so none named \"" + options_.animation + "\"");
    return;
  }
  size_t chosen = 0;
  if (!options_.animation.empty()) {
    chosen = animations.size();
    for (size_t a = 0; a < animations.size() && chosen == animations.size(); ++a) {
      if (animations[a].name == options_.animation) chosen = a;
    }
    const std::string& text = options_.animation;
    if (chosen == animations.size() && text.size() < 10 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      chosen = std::stoul(text);
    }
    if (chosen >= animations.size()) {
      Fail("has no animation named or numbered \"" + text + "\" (it has " +
           std::to_string(animations.size()) + ")");
    }
  }
  if (animations.size() > 1) {
    Warn("animation " + std::to_string(chosen) + " read; the other " +
         std::to_string(animations.size() - 1) + " are left out (--animation chooses)");
  }
  const doc::Animation& animation = animations[chosen];
  const std::string where = "animations[" + std::to_string(chosen) + "]";
  const double fps = options_.framesPerSecond;
  // A key as it is made and as the host keeps it.
  constexpr uint64_t kKeyBytes = sizeof(Key) + sizeof(sPositionKey);

  // Per animated node (in the order of their first channels), its keys of each path:
  // translation, rotation, scale.
  struct NodeKeys {
    int node;
    HeldKeys paths[3];
  };
  std::vector<NodeKeys> animated;
  std::vector<size_t> slotOfNode(frameOfNode_.size(), SIZE_MAX);
  // Kept from channel to channel, so their memory is reused.
  Curve curve;
  std::vector<int32_t> frames;
  size_t morphChannels = 0;
  for (size_t c = 0; c < animation.channels.size(); ++c) {
    const doc::AnimationChannel& channel = animation.channels[c];
    const std::string label = where + ".channels[" + std::to_string(c) + "]";
    int path = channel.path == "translation" ? 0
               : channel.path == "rotation"  ? 1
               : channel.path == "scale"     ? 2
                                             : -1;
    if (channel.path == "weights") {
      ++morphChannels;
      continue;
    }
    if (path < 0) {
      Warn(label + " animates \"" + channel.path + "\", which the host has not; left out");
      continue;
    }
    if (channel.node < 0 || static_cast<size_t>(channel.node) >= frameOfNode_.size() ||
        !frameOfNode_[static_cast<size_t>(channel.node)]) {
      Warn(label + " animates no frame of the scene; left out");
      continue;
    }
    if (channel.sampler < 0 || static_cast<size_t>(channel.sampler) >= animation.samplers.size()) {
      Fail(label + " names a sampler that does not exist");
    }
    const doc::AnimationSampler& sampler = animation.samplers[static_cast<size_t>(channel.sampler)];
    curve.interpolation = sampler.interpolation;
    curve.cubic = curve.interpolation == "CUBICSPLINE";
    curve.step = curve.interpolation == "STEP";
    curve.components = path == 1 ? 4 : 3;
    if (curve.interpolation != "LINEAR" && curve.interpolation != "STEP" &&
        curve.interpolation != "CUBICSPLINE") {
      Fail(label + ": interpolation \"" + curve.interpolation + "\" is unknown");
    }
    NoteStride(sampler.input, "key times");
    NoteStride(sampler.output, "key values");
    std::string error;
    if (!ReadFloats(document_, sampler.input, 1, &curve.times, &error) ||
        !ReadFloats(document_, sampler.output, static_cast<int>(curve.components), &curve.values,
                    &error)) {
      Fail(label + ": " + error);
    }
    const size_t per = curve.cubic ? 3 : 1;
    const size_t count = curve.times.size();
    if (count == 0 || curve.values.size() != count * per * curve.components) {
      Fail(label + ": its sampler has " + std::to_string(count) +
           " key times and values for another number of keys");
    }
    const float* times = curve.times.data();
    for (size_t k = 0; k < count; ++k) {
      const double t = times[k];
      if (!std::isfinite(t) || t < 0 || (k > 0 && !(t > times[k - 1]))) {
        Fail(label + ": key times are not increasing times of 0 or more");
      }
      if (t * fps > double(INT32_MAX - 1))
        Fail(label + ": a key time is past the frames the host counts");
    }
    // Every value looked at without a branch of its own (the first that is not finite is not
    // named, so nothing is gained by stopping early).
    bool finite = true;
    for (const float v : curve.values) finite &= std::fabs(v) <= std::numeric_limits<float>::max();
    if (!finite) Fail(label + ": a key value is not finite");

    bool whole = !curve.cubic && !curve.step;
    if (whole) frames.resize(count);
    for (size_t k = 0; whole && k < count; ++k) {
      // Times are at most INT32_MAX frames (checked above), so the nearest frame fits.
      const double frame = times[k] * fps;
      frames[k] = static_cast<int32_t>(frame + 0.5);
      whole = std::fabs(frame - frames[k]) <= kWholeFrameTolerance &&
              (k == 0 || frames[k] > frames[k - 1]);
    }
    HeldKeys keys;
    if (whole) {
      Charge(count * kKeyBytes, label);
      keys = MakeHostKeys(
          path, count, curve.step, [&](size_t k) { return frames[k]; },
          [&](size_t k) {
            // ValueAt's values, with the components known: kept in registers, not memory.
            const float* value = curve.values.data() + k * curve.components;
            return std::array<double, 4>{value[0], value[1], value[2],
                                         curve.components == 4 ? value[3] : 0.0};
          });
    } else {
      const double first = std::ceil(curve.times.front() * fps - kWholeFrameTolerance);
      // Up to the first whole frame at or after the last key, where its value holds.
      const double last =
          std::max(first, std::ceil(curve.times.back() * fps - kWholeFrameTolerance));
      if (last - first + 1 > double(uint64_t{1} << 40)) Fail(label + ": too many frames to sample");
      Charge(static_cast<uint64_t>(last - first + 1) * kKeyBytes,
             label + ": sampled at every frame, it");
      keys = MakeHostKeys(
          path, static_cast<size_t>(last - first + 1), curve.step,
          [&](size_t k) { return static_cast<int32_t>(first + double(k)); },
          [&](size_t k) { return Evaluate(curve, (first + double(k)) / fps); });
    }
    size_t& slot = slotOfNode[static_cast<size_t>(channel.node)];
    if (slot == SIZE_MAX) {
      slot = animated.size();
      animated.push_back({channel.node, {}});
    }
    HeldKeys& kept = animated[slot].paths[path];
    if (!kept.empty())
      Warn(label + ": a second " + channel.path + " channel for its node; the later one is kept");
    kept = std::move(keys);
  }
  if (morphChannels > 0) {
    Warn(std::to_string(morphChannels) +
         " morph target weight channels dropped (the host has no morph targets)");
  }
  if (animated.empty()) return;

  sAnimationSet* set = NewAnimationSet();
  if (!set) throw std::bad_alloc();
  object_->animationSet = set;
  const std::string name =
      animation.name.empty() ? "animation" + std::to_string(chosen) : animation.name;
  std::memcpy(set->name, name.data(), std::min(name.size(), sizeof set->name - 1));
  sAnimation** link = &set->firstTrack;
  int32_t length = 0;
  for (NodeKeys& keys : animated) {
    sAnimation* track = NewAnimation();
    if (!track) throw std::bad_alloc();
    *link = track;
    link = &track->next;
    const std::string& frameName = nameOfNode_[static_cast<size_t>(keys.node)];
    std::memcpy(track->name, frameName.data(), std::min(frameName.size(), sizeof track->name - 1));
    for (const HeldKeys& path : keys.paths) {
      if (!path.empty()) length = std::max(length, path.lastFrame());
    }
    track->positionKeyCount = keys.paths[0].count();
    track->positionKeys = keys.paths[0].Release<sPositionKey>();
    track->rotationKeyCount = keys.paths[1].count();
    track->rotationKeys = keys.paths[1].Release<sRotateKey>();
    track->scaleKeyCount = keys.paths[2].count();
    track->scaleKeys = keys.paths[2].Release<sScaleKey>();
  }
  set->length = length;
}

}  // namespace korva::gltf
