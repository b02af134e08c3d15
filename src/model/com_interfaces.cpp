#include "model/com_interfaces.h"

#include <cstdint>

#include "model/host_calls.h"

namespace korva {
namespace {
using ReleaseFunction = unsigned long(KORVA_STDCALL*)(void* self);
using DeletingDestructor = void*(KORVA_THISCALL*)(void* self, unsigned int flags);

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
