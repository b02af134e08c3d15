#include "model/com_interfaces.h"

#include <cstdint>

namespace korva {
namespace {
// Both conventions are those of the host's 32-bit compiler; gcc and clang spell them the same way
// on i386 Linux and on mingw.
using ReleaseFunction = unsigned long(__attribute__((stdcall)) *)(void* self);
using DeletingDestructor = void*(__attribute__((thiscall)) *)(void* self, unsigned int flags);

void* VirtualSlot(void* object, int slot) {
  void** table = *static_cast<void***>(object);
  return table[slot];
}
}  // namespace

void ReleaseComInterface(void* comInterface) {
  if (!comInterface) return;
  reinterpret_cast<ReleaseFunction>(VirtualSlot(comInterface, 2))(comInterface);
}

void DeleteEffectObject(void* effect) {
  if (!effect) return;
  reinterpret_cast<DeletingDestructor>(VirtualSlot(effect, 0))(effect, 1);
}

}  // namespace korva
