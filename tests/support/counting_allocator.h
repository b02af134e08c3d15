// Counts every allocation while installed: the host heap (through its hooks) and, in programs that
// link support/replace_new/counted_new.cpp, every operator new of the thread that installed it (the
// MS3D reader and the import keep their working data in standard containers). Knows the live
// blocks and bytes and their peak, and can make one chosen allocation fail: a host heap allocation
// then returns null, an operator new throws std::bad_alloc (the nothrow forms return null).
#pragma once

#include <cstddef>
#include <cstdint>

namespace korva::testing {

class CountingAllocator {
 public:
  // Installs the allocator; at most one at a time.
  CountingAllocator();
  // Uninstalls it. Blocks still live stay allocated (a leak is reported by liveBlocks(), not
  // repaired).
  ~CountingAllocator();
  CountingAllocator(const CountingAllocator&) = delete;
  CountingAllocator& operator=(const CountingAllocator&) = delete;

  size_t allocations() const { return allocations_; }
  size_t liveBlocks() const { return liveBlocks_; }
  size_t liveBytes() const { return liveBytes_; }
  size_t peakBytes() const { return peakBytes_; }
  void ResetPeak() { peakBytes_ = liveBytes_; }

  // The `n`-th allocation from now on (1 is the next one) fails; 0 disarms.
  void FailAllocation(size_t n);
  // Whether the armed failure has happened.
  bool failureHappened() const { return failureHappened_; }
  // From now on an allocation that would take the live bytes past `bytes` fails, as on a machine
  // with only that much memory; 0 lifts the limit.
  void LimitLiveBytes(size_t bytes) { liveLimit_ = bytes; }

  // For the replacement operators and the host heap hooks: null when none is installed on this
  // thread.
  static CountingAllocator* Current();
  // Returns true when this allocation of `bytes` may go ahead (and counts it), false when it is
  // the one that must fail.
  bool Admit(size_t bytes);
  // Counts a free of a block that this allocator admitted: blocks carry the generation of the
  // allocator that counted them, so a block of an earlier allocator is not uncounted here.
  void Released(uint32_t generation, size_t bytes);
  uint32_t generation() const { return generation_; }

 private:
  size_t allocations_ = 0;
  size_t liveBlocks_ = 0;
  size_t liveBytes_ = 0;
  size_t peakBytes_ = 0;
  size_t failCountdown_ = 0;
  size_t liveLimit_ = 0;
  bool failureHappened_ = false;
  uint32_t generation_;
};

// The header that the counting heaps put before each block: its size and the generation of the
// allocator that counted it (0: not counted).
struct CountedBlockHeader {
  size_t bytes;
  uint32_t generation;
};
constexpr size_t kCountedHeaderSize = 16;
static_assert(sizeof(CountedBlockHeader) <= kCountedHeaderSize);

// Allocates `bytes` behind a header, counted by the current allocator; null when that allocator
// makes it fail or memory runs out.
void* CountedAllocate(size_t bytes) noexcept;
// Frees a block of CountedAllocate; null is allowed.
void CountedRelease(void* block) noexcept;

// The bound on what one input may make the plug-in (and the standalone host on its behalf) hold at
// once: kBytesPerInputByte times the input size plus kFixedBytes. The factor covers the largest
// record that a few bytes of input can make: a frame or mesh record (804 and 1272 bytes) for a
// list terminator of 8 bytes, a bone of 336 bytes per 8 bytes, and a host mesh per MS3D group.
constexpr uint64_t kBytesPerInputByte = 256;
constexpr uint64_t kFixedBytes = 4u << 20;
inline uint64_t AllocationBound(size_t inputSize) {
  return kBytesPerInputByte * inputSize + kFixedBytes;
}

}  // namespace korva::testing
