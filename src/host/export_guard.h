// No exception crosses into the host: every export runs its body through Guarded, which also
// gives the body the float precision it was built for (see platform/float_precision.h).
#pragma once

#include <utility>

#include "platform/float_precision.h"

namespace korva {

// Runs `body` and returns its result, or `failure` if it throws anything.
template <typename Result, typename Body>
Result Guarded(Result failure, Body&& body) noexcept {
  const platform::FloatPrecisionScope precision;
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return failure;
  }
}

// The same for exports without a result.
template <typename Body>
void Guarded(Body&& body) noexcept {
  const platform::FloatPrecisionScope precision;
  try {
    std::forward<Body>(body)();
  } catch (...) {
  }
}

}  // namespace korva
