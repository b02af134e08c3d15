// The x87 control word of the calling thread: Direct3D 9 lowers its precision to 24 bits when a
// device is made without FPU-preserve, as games make theirs.
#pragma once

#include <cstdint>

namespace korva::wintest {

inline uint16_t X87ControlWord() {
  uint16_t word;
  __asm__ __volatile__("fnstcw %0" : "=m"(word));
  return word;
}

inline void SetX87ControlWord(uint16_t word) {
  __asm__ __volatile__("fldcw %0" : : "m"(word));
}

// The precision the control word selects: 24, 53 or 64 bits (0 for the reserved setting).
inline int X87Precision(uint16_t word) {
  switch ((word >> 8) & 3) {
    case 0:
      return 24;
    case 2:
      return 53;
    case 3:
      return 64;
  }
  return 0;
}

// The control word the program started with, before any device (set by main).
inline uint16_t g_initialX87ControlWord = 0;

}  // namespace korva::wintest
