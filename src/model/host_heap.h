// The runtime heap that the plug-in shares with the host. Every record, array and buffer that
// crosses to the host comes from here, so the host can free it with the same runtime.
#pragma once

#include <cstddef>

namespace korva {

// Returns `bytes` bytes of uninitialised memory, or null when the heap cannot give them.
void* HostAllocate(size_t bytes);

// Returns count x size zero bytes, or null on overflow of the product or lack of memory.
void* HostAllocateZeroed(size_t count, size_t size);

// Frees a block from HostAllocate or HostAllocateZeroed; null is allowed.
void HostFree(void* block);

// Replaces the heap for tests (counting, failure injection). Null restores the runtime heap.
struct HostHeapHooks {
  void* (*allocate)(size_t bytes);
  void (*release)(void* block);
};
void SetHostHeapHooks(const HostHeapHooks* hooks);

}  // namespace korva
