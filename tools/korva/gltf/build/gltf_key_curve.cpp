#include "gltf/build/gltf_key_curve.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "gltf/read/gltf_accessor_read.h"

namespace korva::gltf {

bool KeyCurve::Read(const doc::Document& document, const doc::AnimationSampler& sampler,
                    int components, double framesPerSecond, std::string* error) {
  const std::string& interpolation = sampler.interpolation;
  cubic_ = interpolation == "CUBICSPLINE";
  step_ = interpolation == "STEP";
  if (!cubic_ && !step_ && interpolation != "LINEAR") {
    *error = "interpolation \"" + interpolation + "\" is unknown";
    return false;
  }
  components_ = static_cast<size_t>(components);
  framesPerSecond_ = framesPerSecond;
  cursor_ = 0;
  if (!ReadFloats(document, sampler.input, 1, &times_, error) ||
      !ReadFloats(document, sampler.output, components, &values_, error)) {
    return false;
  }
  const size_t per = cubic_ ? 3 : 1;
  const size_t count = times_.size();
  if (count == 0 || values_.size() != count * per * components_) {
    *error = "its sampler has " + std::to_string(count) +
             " key times and values for another number of keys";
    return false;
  }
  const float* times = times_.data();
  for (size_t k = 0; k < count; ++k) {
    const double t = times[k];
    if (!std::isfinite(t) || t < 0 || (k > 0 && !(t > times[k - 1]))) {
      *error = "key times are not increasing times of 0 or more";
      return false;
    }
  }
  if (double(times[count - 1]) * framesPerSecond > double(INT32_MAX - 1)) {
    *error = "a key time is past the frames the host counts";
    return false;
  }
  // Every value looked at without a branch of its own (the first that is not finite is not
  // named, so nothing is gained by stopping early).
  bool finite = true;
  for (const float v : values_) finite &= std::fabs(v) <= std::numeric_limits<float>::max();
  if (!finite) {
    *error = "a key value is not finite";
    return false;
  }
  whole_ = !cubic_ && !step_;
  if (whole_) wholeFrames_.resize(count);
  for (size_t k = 0; whole_ && k < count; ++k) {
    // Times are at most INT32_MAX - 1 frames (checked above), so the nearest frame fits.
    const double frame = times[k] * framesPerSecond;
    wholeFrames_[k] = static_cast<int32_t>(frame + 0.5);
    whole_ = std::fabs(frame - wholeFrames_[k]) <= kWholeFrameTolerance &&
             (k == 0 || wholeFrames_[k] > wholeFrames_[k - 1]);
  }
  return true;
}

int32_t KeyCurve::EndFrame() const {
  if (whole_) return wholeFrames_.back();
  return static_cast<int32_t>(
      std::max(0.0, std::ceil(times_.back() * framesPerSecond_ - kWholeFrameTolerance)));
}

uint64_t KeyCurve::KeyFrameCount() const {
  if (whole_) return times_.size();
  const double first = std::floor(times_.front() * framesPerSecond_ + kWholeFrameTolerance);
  return static_cast<uint64_t>(std::max(0.0, EndFrame() - first)) + 1;
}

void KeyCurve::AppendKeyFrames(std::vector<int32_t>* frames) const {
  if (whole_) {
    frames->insert(frames->end(), wholeFrames_.begin(), wholeFrames_.end());
    return;
  }
  const int32_t end = EndFrame();
  const int32_t first = std::min(
      end,
      static_cast<int32_t>(std::floor(times_.front() * framesPerSecond_ + kWholeFrameTolerance)));
  for (int32_t frame = first;; ++frame) {
    frames->push_back(frame);
    if (frame == end) break;
  }
}

std::array<double, 4> KeyCurve::ValueOfKey(size_t key, size_t slot) const {
  std::array<double, 4> out{0, 0, 0, 0};
  const size_t per = cubic_ ? 3 : 1;
  const float* from = &values_[(key * per + slot) * components_];
  for (size_t c = 0; c < components_; ++c) out[c] = from[c];
  return out;
}

template <typename T>
bool KeyCurve::Seek(const std::vector<T>& axis, double position) {
  if (cursor_ >= axis.size() || double(axis[cursor_]) > position) cursor_ = 0;
  while (cursor_ + 1 < axis.size() && double(axis[cursor_ + 1]) <= position) ++cursor_;
  return position < double(axis[0]);
}

// The value a fraction `u` of the way from key `key` to the next, `span` seconds later.
std::array<double, 4> KeyCurve::Between(size_t key, double u, double span) const {
  const size_t valueSlot = cubic_ ? 1 : 0;
  const std::array<double, 4> a = ValueOfKey(key, valueSlot);
  if (u == 0) return a;
  std::array<double, 4> b = ValueOfKey(key + 1, valueSlot);
  std::array<double, 4> out{0, 0, 0, 0};
  if (cubic_) {
    const std::array<double, 4> outTangent = ValueOfKey(key, 2), inTangent = ValueOfKey(key + 1, 0);
    const double u2 = u * u, u3 = u2 * u;
    for (size_t c = 0; c < 4; ++c) {
      out[c] = (2 * u3 - 3 * u2 + 1) * a[c] + (u3 - 2 * u2 + u) * span * outTangent[c] +
               (-2 * u3 + 3 * u2) * b[c] + (u3 - u2) * span * inTangent[c];
    }
  } else if (components_ == 4) {
    // Spherical, along the shorter arc.
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

std::array<double, 4> KeyCurve::At(int32_t frame) {
  const size_t last = times_.size() - 1;
  const size_t valueSlot = cubic_ ? 1 : 0;
  if (whole_) {
    if (Seek(wholeFrames_, frame)) return ValueOfKey(0, 0);
    const size_t k = cursor_;
    if (k == last || frame == wholeFrames_[k]) return ValueOfKey(k, 0);
    return Between(k, double(frame - wholeFrames_[k]) / (wholeFrames_[k + 1] - wholeFrames_[k]),
                   0.0);
  }
  const double t = frame / framesPerSecond_;
  if (Seek(times_, t)) return ValueOfKey(0, valueSlot);
  const size_t k = cursor_;
  if (k == last) return ValueOfKey(k, valueSlot);
  if (step_) return ValueOfKey(k, 0);
  const double span = double(times_[k + 1]) - times_[k];
  return Between(k, (t - times_[k]) / span, span);
}

}  // namespace korva::gltf
