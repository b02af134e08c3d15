// The benchmark program's own malloc, calloc and realloc: each counts the call and hands it to
// glibc's allocator under its internal name, so every library (the peer's shared one too) counts
// alike and memory from either name is one heap. free and the aligned allocators stay glibc's.
#include "allocation_count.h"

#include <sys/resource.h>

#include <atomic>
#include <cstddef>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
}

namespace korva::bench {
namespace {

// The benchmarks run on one thread: a relaxed load and store is a plain increment, no locked
// instruction on every allocation of the code being measured.
std::atomic<uint64_t> g_allocations{0};
std::atomic<uint64_t> g_allocatedBytes{0};

void Count(size_t bytes) {
  g_allocations.store(g_allocations.load(std::memory_order_relaxed) + 1,
                      std::memory_order_relaxed);
  g_allocatedBytes.store(g_allocatedBytes.load(std::memory_order_relaxed) + bytes,
                         std::memory_order_relaxed);
}

}  // namespace

MemoryCounts ReadMemoryCounts() {
  MemoryCounts counts;
  counts.allocations = g_allocations.load(std::memory_order_relaxed);
  counts.allocatedBytes = g_allocatedBytes.load(std::memory_order_relaxed);
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0) counts.minorFaults = static_cast<uint64_t>(usage.ru_minflt);
  return counts;
}

}  // namespace korva::bench

extern "C" {

void* malloc(size_t size) {
  korva::bench::Count(size);
  return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
  korva::bench::Count(count * size);
  return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
  korva::bench::Count(size);
  return __libc_realloc(block, size);
}

}  // extern "C"
