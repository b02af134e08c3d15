// 64-bit file offsets in a 32-bit build too, so a position past 2 GiB is one the system takes.
#define _FILE_OFFSET_BITS 64

#include "platform/file_length.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <limits>

namespace korva::platform {

int64_t RegularFileLength(std::FILE* file) {
  struct stat info {};
  if (file == nullptr || ::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<int64_t>(info.st_size);
}

int64_t ReadFileAt(std::FILE* file, uint64_t offset, void* out, size_t size) {
  if (file == nullptr || offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
    return -1;
  }
  // A read at a position fails on what has none (a pipe, a terminal: ESPIPE); on what has one, it
  // comes back short only at the end.
  ssize_t got;
  do {
    got = ::pread(::fileno(file), out, size, static_cast<off_t>(offset));
  } while (got < 0 && errno == EINTR);
  return got < 0 ? -1 : static_cast<int64_t>(got);
}

}  // namespace korva::platform
