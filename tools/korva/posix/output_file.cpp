#include "support/output_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

namespace korva::cli::os {
namespace {

// strerror's text in the lower case of the rest of our messages.
std::string Reason(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string WriteAll(int fd, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return Reason(errno);
    }
    if (written == 0) return Reason(ENOSPC);
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return {};
}

// A device or FIFO: written where it is, as every other tool does; it cannot be replaced.
class DirectOutput final : public OutputHandle {
 public:
  explicit DirectOutput(int fd) : fd_(fd) {}
  ~DirectOutput() override { Discard(); }
  std::string Write(const void* data, size_t size) override { return WriteAll(fd_, data, size); }
  std::string Commit() override {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? std::string() : Reason(errno);
  }
  void Discard() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// A regular file: a fresh temporary beside it, renamed over it once every byte is on the disk.
class ReplacingOutput final : public OutputHandle {
 public:
  ReplacingOutput(int fd, std::string temporary, std::string target)
      : fd_(fd), temporary_(std::move(temporary)), target_(std::move(target)) {}
  ~ReplacingOutput() override { Discard(); }
  std::string Write(const void* data, size_t size) override { return WriteAll(fd_, data, size); }
  std::string Commit() override {
    // Without the sync a crash right after the rename can leave an empty file under the name.
    if (::fsync(fd_) != 0) return Reason(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return Reason(errno);
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
      return "cannot replace the file: " + Reason(errno);
    }
    temporary_.clear();
    return {};
  }
  void Discard() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
  }

 private:
  int fd_;
  std::string temporary_;
  std::string target_;
};

// The file a chain of symbolic links ends at (which need not exist); false on a loop or an
// unreadable link.
bool FollowLinks(std::string path, std::string* target, std::string* problem) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      *target = path;
      return true;
    }
    std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length < 0 || static_cast<size_t>(length) >= link.size()) {
      *problem = "cannot follow the symbolic link";
      return false;
    }
    link.resize(static_cast<size_t>(length));
    path = link[0] == '/' ? link : FolderOf(path) + "/" + link;
  }
  *problem = "is a symbolic link loop";
  return false;
}

// The seed of the temporary names: from the kernel's pool in one call (the library's random
// device first probes the processor, which a virtual machine answers slowly), mixed with the
// process id so that two processes differ even without it. A clash is only retried.
unsigned TemporaryNameSeed() {
  unsigned seed = 0;
  if (::getrandom(&seed, sizeof seed, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof seed)) {
    seed = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
  return seed ^ static_cast<unsigned>(::getpid());
}

// A unique name the user cannot have chosen by accident, as mkstemp makes them.
std::string TemporaryName(const std::string& target) {
  static std::mt19937 random{TemporaryNameSeed()};
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string name = target + ".korva-";
  for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
}

}  // namespace

std::unique_ptr<OutputHandle> OpenOutput(const std::string& path, std::string* problem) {
  std::string target;
  if (!FollowLinks(path, &target, problem)) return nullptr;
  struct stat info {};
  const bool exists = ::stat(target.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) {
    *problem = "is a folder, not a file";
    return nullptr;
  }
  if (exists && (S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode))) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
      *problem = "cannot be opened for writing: " + Reason(errno);
      return nullptr;
    }
    return std::make_unique<DirectOutput>(fd);
  }
  if (exists && !S_ISREG(info.st_mode)) {
    *problem = "is neither a regular file nor a device, so it is not replaced";
    return nullptr;
  }
  const std::string folder = FolderOf(target);
  struct stat folderInfo {};
  if (::stat(folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)) {
    *problem = "output folder " + folder + " does not exist";
    return nullptr;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = TemporaryName(target);
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      *problem = "cannot be written: " + Reason(errno);
      return nullptr;
    }
    auto output = std::make_unique<ReplacingOutput>(fd, temporary, target);
    if (exists && ::fchmod(fd, info.st_mode & 07777) != 0) {
      *problem = "cannot keep the file's permissions: " + Reason(errno);
      return nullptr;  // the destructor removes the temporary
    }
    return output;
  }
  *problem = "cannot be written: no unique temporary name beside it";
  return nullptr;
}

}  // namespace korva::cli::os
