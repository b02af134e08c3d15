// A host heap for tests: counts allocations, knows every live block, and records frees of blocks
// it never handed out (double frees) instead of corrupting memory. Installed for its lifetime.
#pragma once

#include <cstdlib>
#include <set>

#include "model/host_heap.h"

namespace korva::testing {

class CountingHeap {
 public:
  CountingHeap() {
    current_ = this;
    SetHostHeapHooks(&kHooks);
  }
  ~CountingHeap() {
    SetHostHeapHooks(nullptr);
    for (void* block : live_) std::free(block);
    current_ = nullptr;
  }
  CountingHeap(const CountingHeap&) = delete;
  CountingHeap& operator=(const CountingHeap&) = delete;

  int allocations() const { return allocations_; }
  int frees() const { return frees_; }
  int live() const { return static_cast<int>(live_.size()); }
  int badFrees() const { return badFrees_; }
  bool IsLive(const void* block) const { return live_.count(const_cast<void*>(block)) != 0; }

  // After `successes` more allocations, every further one fails (-1: never).
  void FailAfter(int successes) { failAfter_ = successes; }

 private:
  static void* Allocate(size_t bytes) {
    CountingHeap& heap = *current_;
    if (heap.failAfter_ == 0) return nullptr;
    if (heap.failAfter_ > 0) --heap.failAfter_;
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block) {
      ++heap.allocations_;
      heap.live_.insert(block);
    }
    return block;
  }
  static void Release(void* block) {
    CountingHeap& heap = *current_;
    if (heap.live_.erase(block) == 0) {
      ++heap.badFrees_;
      return;
    }
    ++heap.frees_;
    std::free(block);
  }

  static inline CountingHeap* current_ = nullptr;
  static constexpr HostHeapHooks kHooks{&Allocate, &Release};
  std::set<void*> live_;
  int allocations_ = 0;
  int frees_ = 0;
  int badFrees_ = 0;
  int failAfter_ = -1;
};

}  // namespace korva::testing
