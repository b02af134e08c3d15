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

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads until `size` bytes are in or the file ends; the count read, or -1 with errno set.
ssize_t ReadUpTo(int fd, uint8_t* data, size_t size) {
  size_t total = 0;
  while (total < size) {
    const ssize_t got = ::read(fd, data + total, size - total);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    total += static_cast<size_t>(got);
  }
  return static_cast<ssize_t>(total);
}

}  // namespace

FileReadResult ReadRegularFile(const std::string& path, size_t maxSize, std::vector<uint8_t>* bytes,
                               std::string* problem) {
  bytes->clear();
  // Non-blocking, so that opening a FIFO returns at once and fstat can refuse it.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.get() < 0) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) {
      *problem = "no such file";
      return FileReadResult::kMissing;
    }
    *problem = error == ELOOP ? "is a symbolic link loop" : "cannot be opened: " + Reason(error);
    return FileReadResult::kUnreadable;
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) {
    *problem = "cannot be read: " + Reason(errno);
    return FileReadResult::kUnreadable;
  }
  if (!S_ISREG(info.st_mode)) {
    *problem = KindOf(info.st_mode);
    return FileReadResult::kNotRegular;
  }
  const auto tooLarge = [&] {
    *problem = "too large for this format (more than " + std::to_string(maxSize) + " bytes)";
    bytes->clear();
    return FileReadResult::kTooLarge;
  };
  if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > maxSize) return tooLarge();
  // Some files (under /proc, for one) say 0 bytes and still have content: read those in pieces.
  const size_t piece = info.st_size > 0 ? static_cast<size_t>(info.st_size) : size_t{64} << 10;
  size_t filled = 0;
  for (;;) {
    bytes->resize(filled + piece);
    const ssize_t got = ReadUpTo(file.get(), bytes->data() + filled, piece);
    if (got < 0) {
      *problem = "cannot be read: " + Reason(errno);
      bytes->clear();
      return FileReadResult::kUnreadable;
    }
    filled += static_cast<size_t>(got);
    if (info.st_size > 0 || static_cast<size_t>(got) < piece) break;
    if (filled > maxSize) return tooLarge();
  }
  bytes->resize(filled);
  if (filled > maxSize) return tooLarge();
  return FileReadResult::kRead;
}

}  // namespace korva::standalone
