// The length of an open file, told by the system in one query.
#pragma once

#include <cstdint>
#include <cstdio>

namespace korva::platform {

// The length in bytes of the regular file open as `file`; -1 when `file` is not a regular file
// or its length cannot be told. The file's position is not moved.
int64_t RegularFileLength(std::FILE* file);

}  // namespace korva::platform
