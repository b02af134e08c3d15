#include "support/process_heap.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace korva::cli {

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  // Blocks below the largest threshold glibc takes (32 MiB on 64-bit systems, 512 KiB on 32-bit
  // ones; a larger value is refused, so each is tried) come from the heap, and the heap's top is
  // never trimmed; the memory goes back when the process ends.
  if (mallopt(M_MMAP_THRESHOLD, 32 << 20) != 1) mallopt(M_MMAP_THRESHOLD, 512 << 10);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

}  // namespace korva::cli
