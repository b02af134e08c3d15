#include "platform/float_precision.h"

namespace korva::platform {

// The Linux build does its float arithmetic with SSE and its maths library does not use the x87
// unit for it, so there is nothing to set.
FloatPrecisionScope::FloatPrecisionScope() noexcept {}
FloatPrecisionScope::~FloatPrecisionScope() {}

}  // namespace korva::platform
