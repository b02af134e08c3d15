// What every fuzz target checks around one input: the counting allocator is installed for the
// whole run, notices are dropped, and at the end nothing of the plug-in may still be allocated and
// the peak may not pass the bound for the input's size. A violation aborts, so libFuzzer keeps the
// input as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/counting_allocator.h"

namespace korva::fuzz {

// Aborts with `what` on stderr.
[[noreturn]] void Fail(const std::string& what);

// Aborts when `fault` (a report of the object checks) is not empty.
void ExpectSound(const std::string& fault, const char* where);

// One input's run under a counting allocator.
class CountedRun {
 public:
  explicit CountedRun(size_t inputSize);
  // Aborts when blocks are still live or the peak exceeded AllocationBound(inputSize).
  ~CountedRun();

  testing::CountingAllocator& allocator() { return allocator_; }

 private:
  size_t inputSize_;
  testing::CountingAllocator allocator_;
};

// Sends notices nowhere (a fuzz run shows thousands).
void SilenceNotices();

}  // namespace korva::fuzz
