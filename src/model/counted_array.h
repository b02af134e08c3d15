// Counted arrays of the host: one heap block holding a 32-bit element count followed by the
// elements; the record field points at the first element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "model/host_heap.h"
#include "model/host_layout.h"

namespace korva {

// The bytes before the first element: the count, right before the element, after padding that
// keeps the elements aligned where records hold 8-byte pointers. In the host's layout, the count
// alone.
template <typename T>
constexpr size_t CountedArrayPrefix() {
  static_assert(!KORVA_HOST_LAYOUT || alignof(T) <= sizeof(int32_t),
                "the host's prefix is 4 bytes");
  return alignof(T) > sizeof(int32_t) ? alignof(T) : sizeof(int32_t);
}

// The largest element count that a counted array of T may hold in a 32-bit address space.
template <typename T>
constexpr uint32_t MaxCountedElements() {
  return static_cast<uint32_t>((UINT32_MAX - CountedArrayPrefix<T>()) / sizeof(T));
}

// A block of `count` elements, each constructed by `construct`, or null (lack of memory, or a count
// of 0 or one too large for the address space).
template <typename T>
T* NewCountedArray(uint32_t count, void (*construct)(T*)) {
  if (count == 0 || count > MaxCountedElements<T>() || count > INT32_MAX) return nullptr;
  constexpr size_t prefix = CountedArrayPrefix<T>();
  auto* block = static_cast<uint8_t*>(HostAllocate(prefix + size_t{count} * sizeof(T)));
  if (!block) return nullptr;
  const auto stored = static_cast<int32_t>(count);
  std::memcpy(block + prefix - sizeof stored, &stored, sizeof stored);
  T* elements = reinterpret_cast<T*>(block + prefix);
  for (uint32_t i = 0; i < count; ++i) construct(&elements[i]);
  return elements;
}

// The element count stored before the first element.
template <typename T>
int32_t CountedArrayCount(const T* elements) {
  int32_t count;
  std::memcpy(&count, reinterpret_cast<const uint8_t*>(elements) - sizeof(int32_t), sizeof count);
  return count;
}

// The start of the heap block that holds the array.
template <typename T>
const void* CountedArrayBlock(const T* elements) {
  return reinterpret_cast<const uint8_t*>(elements) - CountedArrayPrefix<T>();
}

// Frees the block without releasing the elements (they were moved elsewhere). Null is allowed.
template <typename T>
void FreeCountedArrayBlock(T* elements) {
  if (elements) HostFree(const_cast<void*>(CountedArrayBlock(elements)));
}

// Releases every element (count from the prefix), then frees the block. Null is allowed.
template <typename T>
void DeleteCountedArray(T* elements, void (*release)(T*)) {
  if (!elements) return;
  const int32_t count = CountedArrayCount(elements);
  for (int32_t i = 0; i < count; ++i) release(&elements[i]);
  FreeCountedArrayBlock(elements);
}

}  // namespace korva
