#include "support/process_heap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>  // defines __GLIBC__ where the C library is glibc
#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace korva::cli {
namespace {

#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
// How far the heap grows at once, its memory offered to the kernel in large pages: more than a
// conversion of tens of megabytes holds at its peak. Address space only until it is touched.
constexpr size_t kLargePageHeap = size_t{256} << 20;
constexpr uintptr_t kLargePage = uintptr_t{2} << 20;

// Held for the life of the process and never touched past its first bytes: the heap below the
// first large page of its growth, so that every later block is cut from large pages.
void* heldBelowLargePages = nullptr;

// Grows the heap by kLargePageHeap now and asks the kernel to back it with large pages where it
// can, as glibc's own large-page setting does with every growth: a 20 MB asset's bytes and meshes
// are then some ten page faults instead of ten thousand, each of which clears and maps 4 KB. Where
// the heap is not one run of memory after the program (no room to grow it), nothing is asked.
void OfferHeapForLargePages() {
  if (mallopt(M_TOP_PAD, static_cast<int>(kLargePageHeap)) != 1) return;
  const uintptr_t before = reinterpret_cast<uintptr_t>(sbrk(0));
  // Larger than any free block so far: glibc grows the heap (by it and the pad) and cuts it from
  // the start of its free top, which then runs on to `after`.
  void* const block = std::malloc(kLargePage);
  const uintptr_t after = reinterpret_cast<uintptr_t>(sbrk(0));
  mallopt(M_TOP_PAD, 128 << 10);  // glibc's default for later growth
  const uintptr_t start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t last = after & ~(kLargePage - 1);
  const bool grown = after - before >= kLargePageHeap;
  if (!block || !grown || start + kLargePage <= before || start >= after || last <= first) {
    std::free(block);
    return;
  }
  madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // a hint: may be refused
  // Shrunk in place, the block keeps the small pages below `first`; the rest goes back to the top.
  void* const held =
      first - start > 64 ? std::realloc(block, first - start - sizeof(size_t)) : nullptr;
  if (held) {
    heldBelowLargePages = held;
  } else {
    std::free(block);
  }
}
#endif

}  // namespace

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  // Blocks below the largest threshold glibc takes (32 MiB on 64-bit systems, 512 KiB on 32-bit
  // ones; a larger value is refused, so each is tried) come from the heap, and the heap's top is
  // never trimmed; the memory goes back when the process ends.
  const bool largeBlocksInHeap = mallopt(M_MMAP_THRESHOLD, 32 << 20) == 1;
  if (!largeBlocksInHeap) mallopt(M_MMAP_THRESHOLD, 512 << 10);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#if defined(MADV_HUGEPAGE)
  if (largeBlocksInHeap) OfferHeapForLargePages();
#endif
#endif
}

}  // namespace korva::cli
