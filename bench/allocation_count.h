// What a stretch of the benchmark program costs in memory: calls to the C allocator (every
// malloc, calloc and realloc of the program and its libraries, operator new included) and minor
// page faults (first touches of fresh pages), read before and after it.
#pragma once

#include <cstdint>

namespace korva::bench {

struct MemoryCounts {
  uint64_t allocations = 0;     // malloc, calloc and realloc calls
  uint64_t allocatedBytes = 0;  // bytes those calls asked for
  uint64_t minorFaults = 0;     // getrusage's ru_minflt
};

// The counts of the whole program so far; the difference of two readings is what lay between.
MemoryCounts ReadMemoryCounts();

}  // namespace korva::bench
