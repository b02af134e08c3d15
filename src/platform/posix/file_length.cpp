#include "platform/file_length.h"

#include <sys/stat.h>

namespace korva::platform {

int64_t RegularFileLength(std::FILE* file) {
  struct stat info {};
  if (file == nullptr || ::fstat(::fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<int64_t>(info.st_size);
}

}  // namespace korva::platform
