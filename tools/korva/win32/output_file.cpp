#include "support/output_file.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <random>

namespace korva::cli::os {
namespace {

std::string Reason(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

std::string FolderOf(const std::string& path) {
  const size_t separator = path.find_last_of("/\\");
  if (separator == std::string::npos) return ".";
  return separator == 0 ? path.substr(0, 1) : path.substr(0, separator);
}

std::string WriteAll(int fd, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    const int written = _write(fd, bytes, chunk);
    if (written < 0) return Reason(errno);
    if (written == 0) return Reason(ENOSPC);
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return {};
}

class DirectOutput final : public OutputHandle {
 public:
  explicit DirectOutput(int fd) : fd_(fd) {}
  ~DirectOutput() override { Discard(); }
  std::string Write(const void* data, size_t size) override { return WriteAll(fd_, data, size); }
  std::string Commit() override {
    const int fd = fd_;
    fd_ = -1;
    return _close(fd) == 0 ? std::string() : Reason(errno);
  }
  void Discard() override {
    if (fd_ >= 0) _close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

class ReplacingOutput final : public OutputHandle {
 public:
  ReplacingOutput(int fd, std::string temporary, std::string target)
      : fd_(fd), temporary_(std::move(temporary)), target_(std::move(target)) {}
  ~ReplacingOutput() override { Discard(); }
  std::string Write(const void* data, size_t size) override { return WriteAll(fd_, data, size); }
  std::string Commit() override {
    if (_commit(fd_) != 0) return Reason(errno);
    const int fd = fd_;
    fd_ = -1;
    if (_close(fd) != 0) return Reason(errno);
    if (!MoveFileExA(temporary_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return "cannot replace the file (error " + std::to_string(GetLastError()) + ")";
    }
    temporary_.clear();
    return {};
  }
  void Discard() override {
    if (fd_ >= 0) _close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) DeleteFileA(temporary_.c_str());
    temporary_.clear();
  }

 private:
  int fd_;
  std::string temporary_;
  std::string target_;
};

std::string TemporaryName(const std::string& target) {
  static std::mt19937 random{std::random_device{}() ^ static_cast<unsigned>(GetCurrentProcessId())};
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string name = target + ".korva-";
  for (int i = 0; i < 8; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
}

}  // namespace

std::unique_ptr<OutputHandle> OpenOutput(const std::string& path, std::string* problem) {
  struct _stat64 info {};
  const bool exists = _stat64(path.c_str(), &info) == 0;
  if (exists && (info.st_mode & _S_IFMT) == _S_IFDIR) {
    *problem = "is a folder, not a file";
    return nullptr;
  }
  if (exists && (info.st_mode & _S_IFMT) == _S_IFCHR) {  // NUL, CON and the like
    const int fd = _open(path.c_str(), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
      *problem = "cannot be opened for writing: " + Reason(errno);
      return nullptr;
    }
    return std::make_unique<DirectOutput>(fd);
  }
  const std::string folder = FolderOf(path);
  struct _stat64 folderInfo {};
  if (_stat64(folder.c_str(), &folderInfo) != 0 || (folderInfo.st_mode & _S_IFMT) != _S_IFDIR) {
    *problem = "output folder " + folder + " does not exist";
    return nullptr;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = TemporaryName(path);
    const int fd =
        _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      *problem = "cannot be written: " + Reason(errno);
      return nullptr;
    }
    return std::make_unique<ReplacingOutput>(fd, temporary, path);
  }
  *problem = "cannot be written: no unique temporary name beside it";
  return nullptr;
}

}  // namespace korva::cli::os
