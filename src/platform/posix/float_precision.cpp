#include "platform/float_precision.h"

namespace korva::platform {

// The Linux build does its float arithmetic with SSE and its maths library does not use the x87
// unit for it, so there is nothing to set. The saved word is named only so that clang does not
// report the field as unused here.
FloatPrecisionScope::FloatPrecisionScope() noexcept {
  (void)saved_;
}
FloatPrecisionScope::~FloatPrecisionScope() {}

}  // namespace korva::platform
