// Stand-ins for objects the host's compiler makes: a COM texture whose stdcall Release is counted
// and an effect object whose thiscall deleting destructor records the flag it was called with.
#pragma once

#include <cstdint>

#include "model/host_calls.h"

namespace korva::testing {

struct FakeComTexture {
  struct Table {
    void* queryInterface;
    void* addRef;
    unsigned long(KORVA_STDCALL* release)(FakeComTexture* self);
  };
  static unsigned long KORVA_STDCALL CountRelease(FakeComTexture* self) {
    return static_cast<unsigned long>(++self->releases);
  }
  static inline const Table kTable{nullptr, nullptr, &CountRelease};

  const Table* table = &kTable;
  int releases = 0;
};

struct FakeEffect {
  struct Table {
    void*(KORVA_THISCALL* deletingDestructor)(FakeEffect* self, unsigned int flags);
  };
  static void* KORVA_THISCALL Destroy(FakeEffect* self, unsigned int flags) {
    ++self->destroyed;
    self->lastFlags = flags;
    return self;
  }
  static inline const Table kTable{&Destroy};

  const Table* table = &kTable;
  int destroyed = 0;
  unsigned int lastFlags = 0;
};

}  // namespace korva::testing
