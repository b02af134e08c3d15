#include "platform/file_length.h"

#include <sys/stat.h>
#include <sys/types.h>

namespace korva::platform {

int64_t RegularFileLength(std::FILE* file) {
  struct _stati64 info {};
  if (file == nullptr || ::_fstati64(::_fileno(file), &info) != 0 ||
      (info.st_mode & _S_IFMT) != _S_IFREG) {
    return -1;
  }
  return static_cast<int64_t>(info.st_size);
}

// Not asked of this system: the length is measured first and the file read in order.
int64_t ReadFileAt(std::FILE*, uint64_t, void*, size_t) {
  return -1;
}

}  // namespace korva::platform
