#include "standalone/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace korva::standalone {
namespace {

std::string Reason(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder, not a file";
  if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
  if (S_ISSOCK(mode)) return "is a socket, not a regular file";
  return "is not a regular file";
}

std::string TooLarge(size_t maxSize) {
  return "too large for this format (more than " + std::to_string(maxSize) + " bytes)";
}

// Reads until `count` bytes are in or the file ends (pread when `offset` is set, read from the
// current position otherwise); the count read, or -1 with errno set.
int64_t ReadUpTo(int fd, const uint64_t* offset, uint8_t* out, size_t count) {
  size_t total = 0;
  while (total < count) {
    const ssize_t got =
        offset ? ::pread(fd, out + total, count - total, static_cast<off_t>(*offset + total))
               : ::read(fd, out + total, count - total);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    total += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(total);
}

}  // namespace

RegularFile::~RegularFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

FileReadResult RegularFile::Open(const std::string& path, size_t maxSize, std::string* problem) {
  if (descriptor_ >= 0) ::close(descriptor_);
  descriptor_ = -1;
  size_ = 0;
  // Non-blocking, so that opening a FIFO returns at once and fstat can refuse it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) {
      *problem = "no such file";
      return FileReadResult::kMissing;
    }
    *problem = error == ELOOP ? "is a symbolic link loop" : "cannot be opened: " + Reason(error);
    return FileReadResult::kUnreadable;
  }
  struct stat info {};
  FileReadResult result = FileReadResult::kRead;
  if (::fstat(fd, &info) != 0) {
    *problem = "cannot be read: " + Reason(errno);
    result = FileReadResult::kUnreadable;
  } else if (!S_ISREG(info.st_mode)) {
    *problem = KindOf(info.st_mode);
    result = FileReadResult::kNotRegular;
  } else if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > maxSize) {
    *problem = TooLarge(maxSize);
    result = FileReadResult::kTooLarge;
  }
  if (result != FileReadResult::kRead) {
    ::close(fd);
    return result;
  }
  descriptor_ = fd;
  size_ = static_cast<uint64_t>(info.st_size);
  return result;
}

int64_t RegularFile::ReadAt(uint64_t offset, uint8_t* out, size_t count) const {
  return ReadUpTo(descriptor_, &offset, out, count);
}

int64_t RegularFile::ReadNext(uint8_t* out, size_t count) const {
  return ReadUpTo(descriptor_, nullptr, out, count);
}

FileReadResult ReadRegularFile(const std::string& path, size_t maxSize, std::vector<uint8_t>* bytes,
                               std::string* problem) {
  bytes->clear();
  RegularFile file;
  const FileReadResult opened = file.Open(path, maxSize, problem);
  if (opened != FileReadResult::kRead) return opened;
  const auto tooLarge = [&] {
    *problem = TooLarge(maxSize);
    bytes->clear();
    return FileReadResult::kTooLarge;
  };
  // Some files (under /proc, for one) say 0 bytes and still have content: read those in pieces.
  const size_t piece = file.size() > 0 ? static_cast<size_t>(file.size()) : size_t{64} << 10;
  size_t filled = 0;
  for (;;) {
    bytes->resize(filled + piece);
    const int64_t got = file.ReadNext(bytes->data() + filled, piece);
    if (got < 0) {
      *problem = "cannot be read: " + Reason(errno);
      bytes->clear();
      return FileReadResult::kUnreadable;
    }
    filled += static_cast<size_t>(got);
    if (file.size() > 0 || static_cast<size_t>(got) < piece) break;
    if (filled > maxSize) return tooLarge();
  }
  bytes->resize(filled);
  if (filled > maxSize) return tooLarge();
  return FileReadResult::kRead;
}

}  // namespace korva::standalone
