#include "standalone/regular_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace korva::standalone {

RegularFile::~RegularFile() {
  if (descriptor_ >= 0) _close(descriptor_);
}

FileReadResult RegularFile::Open(const std::string& path, size_t maxSize, std::string* problem) {
  if (descriptor_ >= 0) _close(descriptor_);
  descriptor_ = -1;
  size_ = 0;
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
  }
  if (result != FileReadResult::kRead) {
    _close(fd);
    return result;
  }
  descriptor_ = fd;
  size_ = static_cast<uint64_t>(info.st_size);
  return result;
}

// The runtime has no positioned read: seek there and back, so that ReadNext goes on from its own
// position as it does where reads at an offset leave the position alone.
int64_t RegularFile::ReadAt(uint64_t offset, uint8_t* out, size_t count) const {
  const __int64 position = _telli64(descriptor_);
  if (position < 0 || _lseeki64(descriptor_, static_cast<__int64>(offset), SEEK_SET) < 0) return -1;
  const int64_t got = ReadNext(out, count);
  if (_lseeki64(descriptor_, position, SEEK_SET) < 0) return -1;
  return got;
}

int64_t RegularFile::ReadNext(uint8_t* out, size_t count) const {
  size_t total = 0;
  while (total < count) {
    const size_t left = count - total;
    const int got = _read(descriptor_, out + total,
                          static_cast<unsigned>(left > (1u << 30) ? (1u << 30) : left));
    if (got < 0) return -1;
    if (got == 0) break;
    total += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(total);
}

FileReadResult ReadRegularFile(const std::string& path, size_t maxSize, std::vector<uint8_t>* bytes,
                               std::string* problem) {
  bytes->clear();
  RegularFile file;
  const FileReadResult opened = file.Open(path, maxSize, problem);
  if (opened != FileReadResult::kRead) return opened;
  bytes->resize(static_cast<size_t>(file.size()));
  const int64_t filled = file.ReadNext(bytes->data(), bytes->size());
  if (filled < 0 || static_cast<size_t>(filled) != bytes->size()) {
    *problem = "cannot be read";
    bytes->clear();
    return FileReadResult::kUnreadable;
  }
  return FileReadResult::kRead;
}

}  // namespace korva::standalone
