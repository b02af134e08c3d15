#include "model/host_heap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace korva {
namespace {
const HostHeapHooks* g_hooks = nullptr;
}

void* HostAllocate(size_t bytes) {
  if (g_hooks) return g_hooks->allocate(bytes);
  return std::malloc(bytes == 0 ? 1 : bytes);
}

void* HostAllocateZeroed(size_t count, size_t size) {
  if (size != 0 && count > SIZE_MAX / size) return nullptr;
  const size_t bytes = count * size;
  // The runtime's own zeroed allocation knows when its memory is zero already (fresh pages of a
  // large block) and then clears nothing.
  if (!g_hooks) return std::calloc(1, bytes == 0 ? 1 : bytes);
  void* block = HostAllocate(bytes);
  if (block) std::memset(block, 0, bytes);
  return block;
}

void HostFree(void* block) {
  if (!block) return;
  if (g_hooks) {
    g_hooks->release(block);
    return;
  }
  std::free(block);
}

void SetHostHeapHooks(const HostHeapHooks* hooks) {
  g_hooks = hooks;
}

}  // namespace korva
