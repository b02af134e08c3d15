// Whole-file reads and atomic whole-file writes for object files.
#pragma once

#include <cstdint>

namespace korva::platform {

// Reads the whole file at `path` into a new block from HostAllocate and stores its address and
// length. False when the file cannot be opened, is too large for one block, or cannot be read to
// its last byte; then nothing is allocated and the out-parameters are untouched.
bool ReadWholeFile(const char* path, uint8_t** block, uint32_t* size);

// Writes `size` bytes to `path` through a temporary file beside it, which replaces the target only
// once every byte is written and flushed. False on any failure: the old file, if any, is left as it
// was and the temporary file is removed.
bool WriteWholeFileAtomically(const char* path, const void* data, uint32_t size);

// For tests: the next writes fail once `bytesBeforeFailure` bytes have been written, as on a full
// disk. A negative value turns the failure off.
void SetWriteFailureForTesting(int64_t bytesBeforeFailure);

}  // namespace korva::platform
