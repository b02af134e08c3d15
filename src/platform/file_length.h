// The length of an open file, told by the system in one query, and its first bytes read at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace korva::platform {

// The length in bytes of the regular file open as `file`; -1 when `file` is not a regular file
// or its length cannot be told. The file's position is not moved.
int64_t RegularFileLength(std::FILE* file);

// Reads up to `size` bytes of the file open as `file` from byte `offset` into `out` with one read
// at that position, the file's own position not moved. Returns the count read, fewer than `size`
// only where the file ends (so a short read of the start tells the file's length without a
// query); -1 when the file cannot be read at a position (a pipe, a terminal), the read fails, or
// this system reads no file that way (the caller then measures the file with RegularFileLength
// and reads it in order).
int64_t ReadFileAt(std::FILE* file, uint64_t offset, void* out, size_t size);

}  // namespace korva::platform
