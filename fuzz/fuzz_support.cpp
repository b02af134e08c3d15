#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "platform/notice.h"

namespace korva::fuzz {

void Fail(const std::string& what) {
  std::fprintf(stderr, "korva fuzz check failed: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

void ExpectSound(const std::string& fault, const char* where) {
  if (!fault.empty()) Fail(std::string(where) + ": " + fault);
}

CountedRun::CountedRun(size_t inputSize) : inputSize_(inputSize) {}

CountedRun::~CountedRun() {
  if (allocator_.liveBlocks() != 0) {
    Fail(std::to_string(allocator_.liveBlocks()) + " blocks (" +
         std::to_string(allocator_.liveBytes()) + " bytes) still allocated after the run");
  }
  if (allocator_.peakBytes() > testing::AllocationBound(inputSize_)) {
    Fail("peak of " + std::to_string(allocator_.peakBytes()) + " bytes for an input of " +
         std::to_string(inputSize_) + " bytes");
  }
}

namespace {
void DropNotice(const char*, const char*, void*) {}
}  // namespace

void SilenceNotices() {
  platform::SetNoticeSink(&DropNotice, nullptr);
}

}  // namespace korva::fuzz
