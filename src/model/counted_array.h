// Counted arrays of the host: one heap block holding a 32-bit element count followed by the
// elements; the record field points at the first element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

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

namespace counted_array_detail {
// A block with room for `count` elements and the count stored before them; the elements are left
// as the heap gave them. Null as NewCountedArray.
template <typename T>
T* AllocateCounted(uint32_t count) {
  if (count == 0 || count > MaxCountedElements<T>() || count > INT32_MAX) return nullptr;
  constexpr size_t prefix = CountedArrayPrefix<T>();
  auto* block = static_cast<uint8_t*>(HostAllocate(prefix + size_t{count} * sizeof(T)));
  if (!block) return nullptr;
  const auto stored = static_cast<int32_t>(count);
  std::memcpy(block + prefix - sizeof stored, &stored, sizeof stored);
  return reinterpret_cast<T*>(block + prefix);
}
}  // namespace counted_array_detail

// A block of `count` elements, each constructed by `construct`, or null (lack of memory, or a count
// of 0 or one too large for the address space).
template <typename T>
T* NewCountedArray(uint32_t count, void (*construct)(T*)) {
  T* elements = counted_array_detail::AllocateCounted<T>(count);
  if (!elements) return nullptr;
  for (uint32_t i = 0; i < count; ++i) construct(&elements[i]);
  return elements;
}

// A block of `count` elements copied byte for byte from source[0 .. count - 1] (records made
// alike, each written once), or null as NewCountedArray.
template <typename T>
T* NewCountedArrayCopy(const T* source, uint32_t count) {
  static_assert(std::is_trivially_copyable_v<T>, "host records are copied as bytes");
  T* elements = counted_array_detail::AllocateCounted<T>(count);
  if (!elements) return nullptr;
  std::memcpy(elements, source, size_t{count} * sizeof(T));
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
