// Replaces the global operator new and delete so that CountingAllocator sees the allocations of
// standard containers too. Linked only into the programs that count (hardening tests, fuzzers).
#include <cstddef>
#include <new>

#include "support/counting_allocator.h"

namespace {
void* AllocateOrThrow(size_t bytes) {
  void* block = korva::testing::CountedAllocate(bytes);
  if (!block) throw std::bad_alloc();
  return block;
}
}  // namespace

void* operator new(size_t bytes) {
  return AllocateOrThrow(bytes);
}
void* operator new[](size_t bytes) {
  return AllocateOrThrow(bytes);
}
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
  return korva::testing::CountedAllocate(bytes);
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
  return korva::testing::CountedAllocate(bytes);
}
void operator delete(void* block) noexcept {
  korva::testing::CountedRelease(block);
}
void operator delete[](void* block) noexcept {
  korva::testing::CountedRelease(block);
}
void operator delete(void* block, size_t) noexcept {
  korva::testing::CountedRelease(block);
}
void operator delete[](void* block, size_t) noexcept {
  korva::testing::CountedRelease(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  korva::testing::CountedRelease(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  korva::testing::CountedRelease(block);
}
