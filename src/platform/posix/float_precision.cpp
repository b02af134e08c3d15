#include "platform/float_precision.h"

namespace korva::platform {

// On Linux nothing lowers the thread's x87 precision (there is no Direct3D device), and our own
// arithmetic runs on SSE, so there is nothing to set. The saved word is named only so that clang
// does not report the field as unused here.
FloatPrecisionScope::FloatPrecisionScope() noexcept {
  (void)saved_;
}
FloatPrecisionScope::~FloatPrecisionScope() {}

}  // namespace korva::platform
