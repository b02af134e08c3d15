// Counted arrays of the host: one heap block holding a 32-bit element count followed by the
// elements; the record field points at the first element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "model/host_heap.h"

namespace korva {

// The largest element count that a counted array of T may hold in a 32-bit address space.
template <typename T>
constexpr uint32_t MaxCountedElements() {
  return static_cast<uint32_t>((UINT32_MAX - sizeof(int32_t)) / sizeof(T));
}

// A block of `count` elements, each constructed by `construct`, or null (lack of memory, or a count
// of 0 or one too large for the address space).
template <typename T>
T* NewCountedArray(uint32_t count, void (*construct)(T*)) {
  if (count == 0 || count > MaxCountedElements<T>() || count > INT32_MAX) return nullptr;
  auto* block = static_cast<uint8_t*>(HostAllocate(sizeof(int32_t) + size_t{count} * sizeof(T)));
  if (!block) return nullptr;
  const auto stored = static_cast<int32_t>(count);
  std::memcpy(block, &stored, sizeof stored);
  T* elements = reinterpret_cast<T*>(block + sizeof(int32_t));
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

// Releases every element (count from the prefix), then frees the block. Null is allowed.
template <typename T>
void DeleteCountedArray(T* elements, void (*release)(T*)) {
  if (!elements) return;
  const int32_t count = CountedArrayCount(elements);
  for (int32_t i = 0; i < count; ++i) release(&elements[i]);
  HostFree(reinterpret_cast<uint8_t*>(elements) - sizeof(int32_t));
}

}  // namespace korva
