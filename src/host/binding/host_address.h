// An address as the host's interface carries it: a number that means a place in memory (a string or
// file name handed over by a script, a memory block, a string returned to a script, a module). The
// host is a 32-bit program, so in the DLL and the 32-bit builds it is 32 bits wide, exactly the
// integer the host passes; a 64-bit build widens it to a pointer. Numbers that are not addresses
// (float bits, counts, colours) stay 32-bit everywhere.
#pragma once

#include <cstdint>

namespace korva {

using HostAddress = uintptr_t;

static_assert(sizeof(HostAddress) == sizeof(void*), "a host address holds a pointer");
#ifdef _WIN32
static_assert(sizeof(HostAddress) == 4, "the DLL lives in a 32-bit host");
#endif

// `pointer` as the host carries it; null is 0.
inline HostAddress ToHostAddress(const void* pointer) {
  return reinterpret_cast<HostAddress>(pointer);
}

// The memory that `address` names; 0 is null.
template <typename T = void>
T* FromHostAddress(HostAddress address) {
  return reinterpret_cast<T*>(address);
}

}  // namespace korva
