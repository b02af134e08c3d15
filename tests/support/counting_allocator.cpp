#include "support/counting_allocator.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "model/host_heap.h"

namespace korva::testing {
namespace {

thread_local CountingAllocator* t_current = nullptr;

uint32_t g_lastGeneration = 0;

constexpr HostHeapHooks kHooks{&CountedAllocate, &CountedRelease};

// Every host heap block of the program gets the header, whether counted or not, so the hooks are
// installed before anything allocates and stay for the program's life.
const bool kHooksInstalled = (SetHostHeapHooks(&kHooks), true);

}  // namespace

void* CountedAllocate(size_t bytes) noexcept {
  CountingAllocator* counter = t_current;
  if (counter && !counter->Admit(bytes)) return nullptr;
  auto* block = static_cast<uint8_t*>(std::malloc(kCountedHeaderSize + bytes));
  if (!block) {
    if (counter) counter->Released(counter->generation(), bytes);
    return nullptr;
  }
  const CountedBlockHeader header{bytes, counter ? counter->generation() : 0};
  std::memcpy(block, &header, sizeof header);
  return block + kCountedHeaderSize;
}

void CountedRelease(void* user) noexcept {
  if (!user) return;
  uint8_t* block = static_cast<uint8_t*>(user) - kCountedHeaderSize;
  CountedBlockHeader header;
  std::memcpy(&header, block, sizeof header);
  if (header.generation != 0 && t_current) t_current->Released(header.generation, header.bytes);
  std::free(block);
}

CountingAllocator::CountingAllocator() : generation_(++g_lastGeneration) {
  if (t_current) throw std::logic_error("a counting allocator is already installed");
  (void)kHooksInstalled;
  t_current = this;
}

CountingAllocator::~CountingAllocator() {
  t_current = nullptr;
}

void CountingAllocator::FailAllocation(size_t n) {
  failCountdown_ = n;
  failureHappened_ = false;
}

CountingAllocator* CountingAllocator::Current() {
  return t_current;
}

bool CountingAllocator::Admit(size_t bytes) {
  if (failCountdown_ > 0 && --failCountdown_ == 0) {
    failureHappened_ = true;
    return false;
  }
  if (liveLimit_ != 0 && bytes > liveLimit_ - liveBytes_) return false;
  ++allocations_;
  ++liveBlocks_;
  liveBytes_ += bytes;
  if (liveBytes_ > peakBytes_) peakBytes_ = liveBytes_;
  return true;
}

void CountingAllocator::Released(uint32_t generation, size_t bytes) {
  if (generation != generation_) return;
  --liveBlocks_;
  liveBytes_ -= bytes;
}

}  // namespace korva::testing
