// The plug-in's arithmetic at the precision it was built and tested with, whatever the host's
// thread was left with: a game creates its Direct3D device without FPU-preserve, which lowers the
// x87 unit to 24-bit precision, and the runtime's and the utility library's x87 routines (sine,
// cosine, arc cosine) then round differently, so the same model would give other matrices.
#pragma once

namespace korva::platform {

// Sets full x87 precision for the lifetime of the scope and restores the caller's control word
// afterwards; exception masks and rounding are left as they are. Nothing to do where the
// arithmetic does not depend on the x87 unit.
class FloatPrecisionScope {
 public:
  FloatPrecisionScope() noexcept;
  ~FloatPrecisionScope();
  FloatPrecisionScope(const FloatPrecisionScope&) = delete;
  FloatPrecisionScope& operator=(const FloatPrecisionScope&) = delete;

 private:
  unsigned short saved_ = 0;
};

}  // namespace korva::platform
