// How korva's own heap treats the blocks it frees.
#pragma once

namespace korva::cli {

// Keeps freed blocks, large ones too, in the process's heap for the allocations that follow,
// instead of handing them back to the system, and offers the heap to the kernel in large pages
// where the system has them. A run of korva is short and its large blocks (a file's bytes, a JSON
// document's values, a mesh's vertices) come and go in turn: handed back, each would be unmapped
// and the next one faulted in and zeroed again page by page, which on a 20 MB asset costs more
// than reading it. Call once, before the first allocation that matters.
void KeepFreedMemoryForReuse();

}  // namespace korva::cli
