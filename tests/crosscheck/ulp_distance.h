// Distances between two floats.
//
// UlpDistance: distance between two floats in units in the last place: the number of representable
// floats from one to the other (0 for equal values, +0 and -0 included).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace korva::crosscheck {

inline int64_t UlpDistance(float a, float b) {
  // Mapping the bit patterns onto one ordered integer line makes the distance a subtraction.
  auto ordered = [](float value) {
    int32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits < 0 ? int64_t{INT32_MIN} - bits : int64_t{bits};
  };
  const int64_t distance = ordered(a) - ordered(b);
  return distance < 0 ? -distance : distance;
}

// The difference in ULPs of the larger magnitude, but never of less than 1: rotation matrices hold
// values whose exact result is 0 or tiny (sin(pi), sums that cancel), where a last-bit difference
// of the inputs is millions of ULPs of the result yet as small as the rounding of the terms.
inline double ScaledUlpDistance(float a, float b) {
  const double scale = std::max({std::fabs(double{a}), std::fabs(double{b}), 1.0});
  return std::fabs(double{a} - double{b}) / (scale * std::numeric_limits<float>::epsilon());
}

}  // namespace korva::crosscheck
