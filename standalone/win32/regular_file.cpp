#include "standalone/regular_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace korva::standalone {

FileReadResult ReadRegularFile(const std::string& path, size_t maxSize, std::vector<uint8_t>* bytes,
                               std::string* problem) {
  bytes->clear();
  const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    const int error = errno;
    struct _stat64 info {};
    if (error == ENOENT && _stat64(path.c_str(), &info) != 0) {
      *problem = "no such file";
      return FileReadResult::kMissing;
    }
    if (_stat64(path.c_str(), &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFDIR) {
      *problem = "is a folder, not a file";
      return FileReadResult::kNotRegular;
    }
    std::string reason = std::strerror(error);
    if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(reason[0]));
    *problem = "cannot be opened: " + reason;
    return FileReadResult::kUnreadable;
  }
  struct _stat64 info {};
  FileReadResult result = FileReadResult::kRead;
  if (_fstat64(fd, &info) != 0) {
    *problem = "cannot be read";
    result = FileReadResult::kUnreadable;
  } else if ((info.st_mode & _S_IFMT) != _S_IFREG) {
    *problem = (info.st_mode & _S_IFMT) == _S_IFDIR ? "is a folder, not a file"
                                                    : "is a device, not a regular file";
    result = FileReadResult::kNotRegular;
  } else if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > maxSize) {
    *problem = "too large for this format (more than " + std::to_string(maxSize) + " bytes)";
    result = FileReadResult::kTooLarge;
  } else {
    bytes->resize(static_cast<size_t>(info.st_size));
    size_t filled = 0;
    while (filled < bytes->size()) {
      const size_t left = bytes->size() - filled;
      const int got = _read(fd, bytes->data() + filled,
                            static_cast<unsigned>(left > (1u << 30) ? (1u << 30) : left));
      if (got <= 0) break;
      filled += static_cast<size_t>(got);
    }
    if (filled != bytes->size()) {
      *problem = "cannot be read";
      bytes->clear();
      result = FileReadResult::kUnreadable;
    }
  }
  _close(fd);
  return result;
}

}  // namespace korva::standalone
