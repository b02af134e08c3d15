#include "support/process_heap.h"

namespace korva::cli {

// The C runtime's heap on Windows keeps its own policy.
void KeepFreedMemoryForReuse() {}

}  // namespace korva::cli
