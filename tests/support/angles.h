// Angles the tests build their rotations from.
#pragma once

namespace korva::testing {

// A quarter turn, in radians.
inline constexpr float kHalfPi = 1.57079632679f;

}  // namespace korva::testing
