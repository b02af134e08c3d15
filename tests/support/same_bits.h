// Float results compared bit for bit.
#pragma once

#include <cmath>
#include <cstring>

namespace korva::testing {

// The same float, bit for bit; or two NaNs: which of two NaNs an operation passes on follows the
// compiler's order of its operands, not the arithmetic.
inline bool SameBits(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

}  // namespace korva::testing
