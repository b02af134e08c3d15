// One animation channel's keys as glTF plays them (LINEAR with slerp for rotations, STEP,
// CUBICSPLINE; the first value held before the first key and the last after the last), on the
// host's axis of whole frames: frame = time x frames per second.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gltf/read/gltf_document.h"

namespace korva::gltf {

// A key time this close to a whole frame (in frames) is on it.
constexpr double kWholeFrameTolerance = 1e-3;

class KeyCurve {
 public:
  // Reads the sampler's key times and values, `components` a value (3, or 4 for rotations), and
  // checks them: a known interpolation, as many values as the times ask, times finite, 0 or more
  // and increasing, values finite, every key within the frames the host counts. False with
  // `*error` saying in a few words what is wrong.
  bool Read(const doc::Document& document, const doc::AnimationSampler& sampler, int components,
            double framesPerSecond, std::string* error);

  bool stepped() const { return step_; }
  // Linear, with every key on a whole frame of its own: the host's keys can be the curve's.
  bool onWholeFrames() const { return whole_; }
  // The last key's time in frames, rounded up (a key within kWholeFrameTolerance of a whole frame
  // is on it): the first whole frame at which the curve holds its last value.
  int32_t EndFrame() const;

  // How many frames AppendKeyFrames adds: computed without making them, so that what they cost
  // can be checked first.
  uint64_t KeyFrameCount() const;
  // Appends, ascending, the whole frames at which the host needs a key for this curve so that
  // straight lines between keys meet the curve at every whole frame: a linear curve whose keys
  // all lie on whole frames needs just those; any other needs every frame from the last at or
  // before its first key (which holds the first value) to EndFrame().
  void AppendKeyFrames(std::vector<int32_t>* frames) const;

  // Only when onWholeFrames(): the keys' values as read, key k (at the k-th frame AppendKeyFrames
  // gives) at 3 or 4 floats a key.
  const float* KeyValues() const { return values_.data(); }

  // The curve's value at whole frame `frame` (unused components 0). Frames asked in ascending
  // order are found in constant time each; any order is answered.
  std::array<double, 4> At(int32_t frame);

 private:
  std::array<double, 4> ValueOfKey(size_t key, size_t slot) const;
  // Moves the cursor to the last key at or before `position` (on the axis of `axis`), 0 before
  // the first; returns whether `position` is before the first key.
  template <typename T>
  bool Seek(const std::vector<T>& axis, double position);
  std::array<double, 4> Between(size_t key, double u, double span) const;

  std::vector<float> times_;  // seconds
  std::vector<float>
      values_;  // components_ per value; cubic splines: in-tangent, value, out-tangent
  std::vector<int32_t> wholeFrames_;  // the keys' frames, when `whole_`
  size_t components_ = 3;
  double framesPerSecond_ = 25.0;
  bool cubic_ = false;
  bool step_ = false;
  bool whole_ = false;  // linear, every key on a whole frame of its own
  size_t cursor_ = 0;
};

}  // namespace korva::gltf
