// No exception crosses into the host: every export runs its body through Guarded.
#pragma once

#include <utility>

namespace korva {

// Runs `body` and returns its result, or `failure` if it throws anything.
template <typename Result, typename Body>
Result Guarded(Result failure, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return failure;
  }
}

// The same for exports without a result.
template <typename Body>
void Guarded(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
  }
}

}  // namespace korva
