#include "platform/float_precision.h"

namespace korva::platform {
namespace {
constexpr unsigned short kPrecisionBits = 0x0300;  // 11: 64-bit mantissa
}

FloatPrecisionScope::FloatPrecisionScope() noexcept {
  __asm__ __volatile__("fnstcw %0" : "=m"(saved_));
  const unsigned short full = saved_ | kPrecisionBits;
  __asm__ __volatile__("fldcw %0" : : "m"(full));
}

FloatPrecisionScope::~FloatPrecisionScope() {
  __asm__ __volatile__("fldcw %0" : : "m"(saved_));
}

}  // namespace korva::platform
